// A live take through the recorder on a simulated sound card: the phonetogram fills, a device
// that fails to open or goes away leaves the window in a sound state, and a take whose program
// was killed comes back from its journal exactly as it was analysed, whatever happened in it;
// the journal belongs to its take until the take is saved or discarded.
#include "audio/simulated_wave_service.h"
#include "core/action_states.h"
#include "phonetogram/pg_param.h"
#include "sim_devices.h"
#include "synth/synth_params.h"
#include "test_form.h"

#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/mount.h>

namespace gravon {
namespace {

namespace fs = std::filesystem;
using testing::stereo_of;
using testing::trecordinginterface;
using testing::tsimdevices;

// 4.5 s of /a/ at 220 Hz, 80 dB SPL after a lead-in of room noise, as stereo samples (the voice
// on the left) at a full scale of 100 Pa, in the width the device is opened with.
tsimulatedsource voice_source(const std::int32_t* bits = nullptr) {
    synth::tsynthparams p;
    p.phrases = {synth::steady_phrase(4.0, 220, 80)};
    p.vibrato_cents = 0;
    p.leadin = 0.5;
    const std::vector<std::int16_t> s = stereo_of(synth::synthesize(p));
    auto v = std::make_shared<const std::vector<std::int16_t>>(s);
    return [v, bits](std::int64_t i) -> std::int32_t {
        const std::int32_t x = i >= 0 && i < std::int64_t(v->size()) ? (*v)[std::size_t(i)] : 0;
        return bits && *bits == 16 ? x : x * 256;
    };
}

double total_time(const tpg& pg) {
    double t = 0;
    for (int x = 0; x < nf0bins; ++x)
        for (int y = 0; y < nlevelbins; ++y) t += pg.param[pglayeracctime].arr[x][y];
    return t;
}

// Answers the questions in turn, then as `answer` says.
struct tscriptedinterface : trecordinginterface {
    std::deque<tanswer> script;
    std::vector<std::string> posted;
    tanswer question(const std::string& caption, const std::string& text, tbuttons b) override {
        questions.push_back(text);
        if (script.empty()) return answer;
        const tanswer a = script.front();
        script.pop_front();
        return a;
    }
    void post_message(const std::string& caption, const std::string& text,
                      tmessagekind kind) override {
        posted.push_back(caption + ": " + text);
    }
};

struct tlivewindow {
    explicit tlivewindow(tsimdevices& d, bool answer = false, std::deque<tanswer> script = {}) {
        ui.answer = answer ? tanswer::yes : tanswer::no;
        ui.script = std::move(script);
        form.advanced.calibrationrecalculate = false;
        form.attach_audio(d);
        form.advanced.recorddevice = "USB mic";
        form.FormActivate({});
        form.advanced.calibrationrecalculate = false;
    }
    tscriptedinterface ui;
    TForm1 form{ui};
};

// Everything the analysis of a take stored, to compare bit for bit.
struct tanalysed {
    std::int32_t frames = 0;
    std::vector<float> tracks;
    std::vector<double> cells;
    bool operator==(const tanalysed& o) const {
        return frames == o.frames && tracks.size() == o.tracks.size() &&
               std::memcmp(tracks.data(), o.tracks.data(), tracks.size() * sizeof(float)) == 0 &&
               cells == o.cells;
    }
};

tanalysed analysed(const TForm1& f) {
    tanalysed a;
    a.frames = f.frames();
    for (std::size_t row = 1; row < ntracks; ++row)
        for (int c = 0; c < 2; ++c)
            a.tracks.insert(a.tracks.end(), f.paramarr[row][c].begin(),
                            f.paramarr[row][c].begin() + f.frames());
    for (int c = 0; c < 2; ++c)
        for (const tpgparam& p : f.pgs[std::size_t(c)].param)
            a.cells.insert(a.cells.end(), p.arr.cells.begin(), p.arr.cells.end());
    return a;
}

// Frames of channel 0 with a rejection reason among `bits`, and accepted ones.
std::int32_t frames_with(const TForm1& f, std::uint16_t bits, std::int32_t from = 0) {
    std::int32_t n = 0;
    for (std::int32_t k = from; k < f.frames(); ++k) {
        const auto kill = std::uint16_t(f.paramarr[trackdebug][0][std::size_t(k)]);
        n += bits == 0 ? kill == 0 : (kill & bits) != 0;
    }
    return n;
}

// A small file system of its own at path, unmounted at the end; unmounted when impossible.
struct ttinyfs {
    ttinyfs(const fs::path& p, const char* size) : path(p) {
        fs::create_directories(p);
        mounted =
            ::mount("tmpfs", p.c_str(), "tmpfs", 0, (std::string("size=") + size).c_str()) == 0;
    }
    ~ttinyfs() {
        if (mounted) ::umount2(path.c_str(), MNT_DETACH);
    }
    fs::path path;
    bool mounted = false;
};

struct LiveRecording : ::testing::Test {
    gravon::testing::ttempconfig config;
    tsimdevices devices;
    void SetUp() override { devices.source = voice_source(); }
    fs::path journals() const { return config.root / "data" / "Gravon" / "journal"; }
    std::size_t journal_count() const {
        std::error_code ec;
        std::size_t n = 0;
        for (fs::directory_iterator it(journals(), ec), end; !ec && it != end; it.increment(ec))
            ++n;
        return n;
    }
};

TEST_F(LiveRecording, ATakeFillsThePhonetogramAndAVanishedDeviceStopsItKeepingTheData) {
    tlivewindow w(devices);
    TForm1& f = w.form;
    f.RecordActionExecute(true);
    ASSERT_TRUE(f.recording());
    EXPECT_TRUE(f.paused()); // a recording starts paused
    EXPECT_EQ(devices.in->openeddevice(), 0);
    f.set_paused(false);
    devices.in->run(150); // 150 buffers of 1024 frames: 3.5 s
    EXPECT_GT(total_time(f.pgs[0]), 2.0);
    EXPECT_GT(f.journal.bytes(), 0u);
    const std::int32_t kept = f.audioarrpos;

    devices.in->lose_device();
    devices.in->deliver();
    EXPECT_FALSE(f.recording());
    EXPECT_FALSE(f.paused());
    EXPECT_GE(f.audioarrpos, kept - 2048); // trimmed to whole frames, nothing more
    ASSERT_EQ(w.ui.posted.size(), 1u);
    EXPECT_NE(w.ui.posted[0].find("Recording stopped"), std::string::npos);
    EXPECT_NE(w.ui.posted[0].find("\"USB mic\""), std::string::npos);
    // The stopped take is still unsaved: its journal stays until it is saved or discarded.
    EXPECT_TRUE(f.journal.isopen());
}

TEST_F(LiveRecording, ADeviceThatCannotBeOpenedLeavesTheWindowNotRecording) {
    devices.failopen = wave_error_allocated;
    tlivewindow w(devices);
    w.form.RecordActionExecute(true);
    EXPECT_FALSE(w.form.recording());
    EXPECT_FALSE(w.form.paused());
    ASSERT_EQ(w.ui.messages.size(), 1u);
    EXPECT_EQ(w.ui.messages[0].caption, "Cannot record");
    EXPECT_NE(w.ui.messages[0].text.find("waveinOpen:"), std::string::npos);
    // A journal that holds no sound holds no take.
    EXPECT_EQ(journal_count(), 0u);
}

// The Record image shows the background-noise hold for fs x hold time samples of the take.
TEST_F(LiveRecording, TheRecordImageShowsTheHoldForTheHoldTime) {
    tlivewindow w(devices);
    TForm1& f = w.form;
    f.advanced.holdnoisemeasurementtime = 5.0;
    f.RecordActionExecute(true);
    ASSERT_TRUE(f.recording());
    const auto image = [&] { return action_states(f)[tactionid::record].image; };
    EXPECT_EQ(image(), recordimagehold);
    // 1024 frames a buffer: 4.9 s, then 5.1 s.
    devices.in->run(211);
    EXPECT_EQ(image(), recordimagehold);
    devices.in->run(9);
    EXPECT_EQ(image(), recordimagelive);
    f.StopActionExecute();
    EXPECT_EQ(image(), recordimagehold);
}

// The recovered take is analysed as the live one was: each start of the recorder set up anew
// with its own width and calibration, the pauses, and the keyboard tones the intake saw.
TEST_F(LiveRecording, AKilledTakeComesBackBitForBitWithItsStartsPausesAndKeyboardTones) {
    std::int32_t bits = 24;
    devices.source = voice_source(&bits);
    tanalysed live;
    std::int32_t firstframes = 0;
    std::string journal;
    {
        tlivewindow w(devices);
        TForm1& f = w.form;
        f.signedfactors = {100.0, 100.0};
        f.RecordActionExecute(true);
        // Paused through the room noise and the first part of the voice.
        devices.in->run(40);
        f.set_paused(false);
        devices.in->run(40);
        // A keyboard tone for 0.5 s, then released; its block ends 300 ms later.
        f.KeyBoard1NoteOn(60);
        devices.in->run(20);
        f.KeyBoard1NoteOff(60);
        for (int i = 0; i < 4; ++i) {
            f.Timer1Timer(200);
            devices.in->run(8);
        }
        devices.in->run(40);
        f.StopActionExecute();
        firstframes = f.frames();
        EXPECT_GT(frames_with(f, 0), 50);
        EXPECT_GT(frames_with(f, std::uint16_t(tkillreason::keyboard)), 10);

        // Record again with another sample width and calibration, the key held through it.
        bits = 16;
        f.set_use24bits(false);
        f.signedfactors = {50.0, 60.0};
        f.RecordActionExecute(true);
        f.set_paused(false);
        f.KeyBoard1NoteOn(64);
        devices.in->run(90);
        EXPECT_GT(f.frames() - firstframes, 80);
        // No voice while the key is held.
        EXPECT_EQ(frames_with(f, 0, firstframes), 0);
        live = analysed(f);
        journal = f.journal.filename();
        // The program dies: nothing is closed, stopped or saved.
    }
    tsimdevices later;
    tlivewindow w(later, true);
    ASSERT_EQ(w.ui.questions.size(), 1u);
    EXPECT_NE(w.ui.questions[0].find("Recover it now?"), std::string::npos);
    // Named as the user knows it: when it began and how long it is, not its bytes.
    EXPECT_NE(w.ui.questions[0].find(" s long"), std::string::npos) << w.ui.questions[0];
    EXPECT_EQ(w.ui.questions[0].find("MB"), std::string::npos) << w.ui.questions[0];
    EXPECT_FALSE(w.form.recording());
    EXPECT_EQ(w.form.title(), "Recovered recording");
    const tanalysed back = analysed(w.form);
    EXPECT_EQ(back.frames, live.frames);
    EXPECT_TRUE(back == live);
    EXPECT_EQ(w.form.journal.filename(), journal);
}

// A take keeps one rate: Record at another offers a new take instead (declined, the take stays;
// accepted, the old one is asked about first). The new take, with a session record edited after
// its start, a command-line calibration, a microphone at 150 mm and a change of width, is killed:
// recovered by a program with other settings, its saved files are the live take's.
TEST_F(LiveRecording, AKilledTakeIsSavedFromItsJournalAsTheLiveTakeWas) {
    std::int32_t bits = 24;
    devices.source = voice_source(&bits);
    const fs::path live = config.root / "live", back = config.root / "back";
    fs::create_directories(live);
    fs::create_directories(back);
    const auto save_all = [](TForm1& f, const fs::path& d) {
        EXPECT_TRUE(f.save_stdpg((d / "take.stdpg").string(), 0));
        EXPECT_TRUE(f.save_normalized_wav((d / "take.wav").string()));
        EXPECT_TRUE(f.save_kavell((d / "take.kavell").string()));
        EXPECT_TRUE(f.save_smp((d / "take.smp").string()));
    };
    tsessionrecord record;
    record.patient = "P-0417";
    record.clinician = "A. Berg";
    record.task = "Singing profile";
    fs::path orphan = journals() / "take-killed.gravonjournal";
    {
        // Declines the new take; then accepts it, and the old take's save questions get No.
        tlivewindow w(devices, false, {tanswer::no, tanswer::yes, tanswer::no, tanswer::no});
        TForm1& f = w.form;
        f.signedfactors = {14.1, 14.1};
        f.calibrationstatus = {2, 2};
        f.commandlinecalibration = true;
        f.set_standardactualdistance(0, 0.15);
        f.set_session(record);
        f.RecordActionExecute(true);
        f.set_paused(false);
        devices.in->run(60);
        f.StopActionExecute();
        const std::int32_t first = f.audiosamples();

        f.set_fs(48000);
        f.RecordActionExecute(true);
        EXPECT_FALSE(f.recording());
        EXPECT_EQ(f.audiosamples(), first);
        EXPECT_EQ(f.storefs, 44100.0); // and saved at its own rate
        ASSERT_EQ(w.ui.questions.size(), 1u);
        EXPECT_NE(w.ui.questions[0].find("recorded at 44100 Hz"), std::string::npos);
        EXPECT_NE(w.ui.questions[0].find("starting a new take"), std::string::npos);
        f.RecordActionExecute(true);
        ASSERT_TRUE(f.recording());
        EXPECT_EQ(w.ui.questions.size(), 4u);
        f.set_paused(false);
        devices.in->run(50);
        f.StopActionExecute();
        // The notes come after the start; the take goes on in another width.
        tsessionrecord later = f.session();
        later.notes = "Hoarse since Monday,\nno medication \\ none";
        f.set_session(later);
        bits = 16;
        f.set_use24bits(false);
        f.RecordActionExecute(true);
        EXPECT_EQ(w.ui.questions.size(), 4u);
        f.set_paused(false);
        devices.in->run(50);
        f.StopActionExecute();
        // Killed here: the journal as the kill leaves it. Its take is then saved live.
        fs::copy_file(f.journal.filename(), orphan);
        save_all(f, live);
    }
    tsimdevices d;
    tscriptedinterface ui;
    ui.answer = tanswer::yes;
    TForm1 f{ui};
    f.attach_audio(d);
    f.FormActivate({}); // default settings: 300 mm, recalculated, no calibration
    ASSERT_EQ(f.title(), "Recovered recording");
    EXPECT_NE(ui.questions.at(0).find("(patient P-0417; Singing profile)"), std::string::npos)
        << ui.questions[0];
    save_all(f, back);
    for (const char* name : {"take.stdpg", "take.wav", "take.kavell", "take.smp"}) {
        EXPECT_GT(fs::file_size(live / name), 1000u) << name;
        EXPECT_TRUE(testing::read_text(live / name) == testing::read_text(back / name)) << name;
    }
    const std::string smp = testing::read_text(back / "take.smp");
    EXPECT_NE(smp.find("Calibrated from command line, full scale 14.1 Pa"), std::string::npos);
    EXPECT_NE(smp.find("Audio 0 @150 mm"), std::string::npos);
    EXPECT_EQ(smp.find("recalc."), std::string::npos);
    EXPECT_NE(smp.find("P-0417"), std::string::npos);
    // Saved: the journal goes.
    EXPECT_FALSE(fs::exists(orphan));
}

TEST_F(LiveRecording, ARecoveredTakeHoldsItsJournalContinuesItAndRetiresItWhenDiscarded) {
    tanalysed live;
    {
        tlivewindow w(devices);
        w.form.RecordActionExecute(true);
        w.form.set_paused(false);
        devices.in->run(100);
    }
    tsimdevices d2, d3;
    d2.source = voice_source();
    auto w = std::make_unique<tlivewindow>(d2, true);
    ASSERT_EQ(w->ui.questions.size(), 1u);
    ASSERT_GT(w->form.frames(), 0);
    const std::string journal = w->form.journal.filename();
    {
        // Another instance starts meanwhile: the take is in memory here, nothing is offered.
        tlivewindow other(d3, true);
        EXPECT_TRUE(other.ui.questions.empty());
        EXPECT_EQ(other.form.frames(), 0);
    }
    EXPECT_TRUE(fs::exists(journal));
    // Record continues the recovered take and its journal.
    w->form.RecordActionExecute(true);
    w->form.set_paused(false);
    d2.in->run(60);
    EXPECT_EQ(w->form.journal.filename(), journal);
    live = analysed(w->form);
    EXPECT_EQ(journal_count(), 1u);
    w.reset(); // killed again

    tsimdevices d4;
    tlivewindow again(d4, true);
    EXPECT_TRUE(analysed(again.form) == live);
    // New recording, the save questions answered No: discarded on purpose, the journal goes.
    again.ui.answer = tanswer::no;
    again.form.NewRecordingActionExecute();
    EXPECT_FALSE(fs::exists(journal));
    EXPECT_EQ(journal_count(), 0u);
}

// Told at once how much of the take the journal holds, and truly (a recovery brings back that:
// the headless program's test recovers it).
TEST_F(LiveRecording, ATakeWhoseJournalFilledTheDiskIsToldOnceHowMuchItHolds) {
    ttinyfs tiny(journals(), "300k");
    if (!tiny.mounted) GTEST_SKIP() << "cannot mount a small tmpfs here";
    tlivewindow w(devices);
    w.form.RecordActionExecute(true);
    w.form.set_paused(false);
    devices.in->run(100); // 2.3 s: 600 kB of 24-bit stereo
    EXPECT_TRUE(w.form.journal.failed());
    EXPECT_GT(total_time(w.form.pgs[0]), 1.0); // the take goes on in memory
    ASSERT_EQ(w.ui.posted.size(), 1u);
    const double held = w.form.journalled_seconds();
    EXPECT_GT(held, 0.5);
    EXPECT_LT(held, w.form.audiosamples() / w.form.storefs - 0.5);
    char told[64];
    std::snprintf(told, sizeof told, "It holds the first %.1f s of the take", held);
    EXPECT_NE(w.ui.posted[0].find(told), std::string::npos) << w.ui.posted[0];
    EXPECT_NE(w.ui.posted[0].find("No space left on device"), std::string::npos);
    EXPECT_NE(w.ui.posted[0].find("not safe from a crash"), std::string::npos);
    // Still held by its take, so no other start offers it.
    EXPECT_TRUE(w.form.orphaned_takes().empty());
    EXPECT_EQ(journal_count(), 1u);
    // A further start of the recorder writes nothing after the gap and tells nothing new.
    w.form.StopActionExecute();
    w.form.RecordActionExecute(true);
    devices.in->run(10);
    w.form.StopActionExecute();
    EXPECT_EQ(w.ui.posted.size(), 1u);
    EXPECT_EQ(w.form.journalled_seconds(), held);
    // New recording, answered No: the partial journal goes and is never offered again.
    w.form.NewRecordingActionExecute();
    EXPECT_EQ(journal_count(), 0u);
}

TEST_F(LiveRecording, AJournalThatCannotBeRecoveredCanBeDiscardedAfterTheError) {
    fs::create_directories(journals());
    const fs::path empty = journals() / "take-1-1.gravonjournal";
    const fs::path damaged = journals() / "take-2-1.gravonjournal";
    std::ofstream(empty) << "";
    std::ofstream(damaged) << "Gravon recording journal 2\nfs=abc\n\n";
    {
        // Recover the first: it cannot be; keep it. Recover the second: discard it.
        tsimdevices d;
        tlivewindow w(d, false, {tanswer::yes, tanswer::no, tanswer::yes, tanswer::yes});
        ASSERT_EQ(w.ui.messages.size(), 2u);
        EXPECT_EQ(w.ui.messages[0].caption, "Cannot recover recording");
        EXPECT_NE(w.ui.messages[0].text.find("is empty"), std::string::npos);
        EXPECT_NE(w.ui.messages[1].text.find("damaged journal header"), std::string::npos);
        ASSERT_EQ(w.ui.questions.size(), 4u);
        EXPECT_NE(w.ui.questions[1].find("Discard"), std::string::npos);
        EXPECT_EQ(w.form.frames(), 0);
    }
    EXPECT_TRUE(fs::exists(empty));
    EXPECT_FALSE(fs::exists(damaged));
}

} // namespace
} // namespace gravon
