// A live take through the recorder on a simulated sound card: the phonetogram fills, a device
// that fails to open or goes away leaves the window in a sound state, and a take whose program
// was killed comes back from its journal.
#include "core/action_states.h"
#include "phonetogram/pg_param.h"
#include "sim_devices.h"
#include "synth/synth_params.h"
#include "test_form.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace gravon {
namespace {

using testing::stereo_of;
using testing::trecordinginterface;
using testing::tsimdevices;

// 4.5 s of /a/ at 220 Hz, 80 dB SPL after a lead-in of room noise, as 24-bit stereo samples
// (the voice on the left) at a full scale of 100 Pa.
tsimulatedsource voice_source() {
    synth::tsynthparams p;
    p.phrases = {synth::steady_phrase(4.0, 220, 80)};
    p.vibrato_cents = 0;
    p.leadin = 0.5;
    const std::vector<std::int16_t> s = stereo_of(synth::synthesize(p));
    std::vector<std::int32_t> v(s.begin(), s.end());
    for (auto& x : v) x *= 256;
    return samples_source(std::move(v));
}

double total_time(const tpg& pg) {
    double t = 0;
    for (int x = 0; x < nf0bins; ++x)
        for (int y = 0; y < nlevelbins; ++y) t += pg.param[pglayeracctime].arr[x][y];
    return t;
}

struct tlivewindow {
    explicit tlivewindow(tsimdevices& d, bool answer = false) {
        ui.answer = answer ? tanswer::yes : tanswer::no;
        form.advanced.calibrationrecalculate = false;
        form.attach_audio(d);
        form.advanced.recorddevice = "USB mic";
        form.FormActivate({});
        form.advanced.calibrationrecalculate = false;
    }
    trecordinginterface ui;
    TForm1 form{ui};
};

struct LiveRecording : ::testing::Test {
    gravon::testing::ttempconfig config;
    tsimdevices devices;
    void SetUp() override { devices.source = voice_source(); }
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
    ASSERT_EQ(w.ui.messages.size(), 1u);
    EXPECT_EQ(w.ui.messages[0].caption, "Recording stopped");
    EXPECT_NE(w.ui.messages[0].text.find("\"USB mic\""), std::string::npos);
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
    EXPECT_TRUE(w.form.orphaned_takes().empty());
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

TEST_F(LiveRecording, AKilledTakeComesBackFromItsJournalWithItsCalibration) {
    double livetime = 0;
    std::int32_t liveframes = 0;
    {
        tlivewindow w(devices);
        w.form.signedfactors = {100.0, 100.0};
        w.form.RecordActionExecute(true);
        // Paused for the room noise and the first second of the voice: the recovered take
        // must leave that out of the phonetogram too, while it measures the noise.
        devices.in->run(65);
        w.form.set_paused(false);
        devices.in->run(100);
        w.form.journal.sync();
        livetime = total_time(w.form.pgs[0]);
        liveframes = w.form.frames();
        // The program dies: nothing is closed, stopped or saved.
    }
    tsimdevices later;
    later.source = [](std::int64_t) { return 0; };
    tlivewindow w(later, true);
    ASSERT_EQ(w.ui.questions.size(), 1u);
    EXPECT_NE(w.ui.questions[0].find("Recover it now?"), std::string::npos);
    EXPECT_FALSE(w.form.recording());
    EXPECT_NEAR(w.form.frames(), liveframes, 2);
    EXPECT_NEAR(total_time(w.form.pgs[0]), livetime, 0.05);
    EXPECT_GT(livetime, 1.5);
    EXPECT_LT(livetime, 2.5);
    EXPECT_EQ(w.form.title(), "Recovered recording");

    // Discarding it (New recording, answered No) retires the journal.
    w.ui.answer = tanswer::no;
    w.form.NewRecordingActionExecute();
    EXPECT_TRUE(w.form.orphaned_takes().empty());
    EXPECT_TRUE(std::filesystem::is_empty(w.form.journal_folder()));
}

} // namespace
} // namespace gravon
