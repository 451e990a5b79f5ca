// Opening sound files for analysis: what reaches the driver, and the calibration texts.
#include "analysis/hop_analysis.h"
#include "core/replay_notes.h"
#include "core/test_form.h"
#include "files/smp_file.h"
#include "files/wav_file.h"
#include "phonetogram/pg_param.h"
#include "synth/synth_params.h"
#include "synth/wav_writer.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <limits>
#include <set>

namespace gravon {
namespace {

using testing::ttestform;

class OpenSoundFile : public ::testing::Test {
  protected:
    ttestform t;
    TForm1& f = t.form;
    std::string path(const std::string& name) { return (t.config.root / "files" / name).string(); }

    std::string write_wav(const std::string& name, std::size_t n, tFormat format = tFormat::pcm,
                          int bits = 16) {
        tsinglearr x(n);
        for (std::size_t i = 0; i < n; ++i) x[i] = float(0.5 * std::sin(0.05 * double(i)));
        TWavFile w;
        w.setsampfreq(44100);
        w.setnchans(1);
        w.setnbits(bits);
        w.setformat(format);
        w.setfullscale(0, 1.0);
        const std::string p = path(name);
        w.save_file(p, std::vector<tsinglearr>{x}, false, false);
        return p;
    }

    std::string write_smp(const std::string& name,
                          const std::vector<std::pair<std::string, std::string>>& items,
                          const std::string& unit = "") {
        const std::string p = path(name);
        TSMPfile s;
        EXPECT_TRUE(s.new_file(p));
        s.setnChans(1);
        s.setSfTot(44100);
        s.insert_nonpresent_defaults();
        for (auto& [k, v] : items) s.set_item(k, v);
        if (!unit.empty()) s.setChannelUnit(0, unit);
        tsamplechunk c;
        c.used = 4096;
        for (int i = 0; i < 4096; ++i)
            c.data[std::size_t(i)] = std::int16_t(1000 * std::sin(0.05 * i));
        s.setChannelChunk(0, c);
        EXPECT_TRUE(s.save_file());
        s.close_file();
        return p;
    }
};

TEST_F(OpenSoundFile, OnlyWholeBlocksOf2048ReachTheAnalysis) {
    f.open_any_file(write_wav("a.wav", 4096));
    EXPECT_EQ(f.samplecount, 4096);
    f.open_any_file(write_wav("b.wav", 4095));
    EXPECT_EQ(f.samplecount, 2048);
    EXPECT_FALSE(f.analyzing);
    EXPECT_TRUE(f.analysisisfromsoundfile());
    EXPECT_EQ(f.pgs[0].pgname, "b.wav");
    EXPECT_EQ(f.pgs[1].pgname, "");
    EXPECT_EQ(f.title(), path("b.wav"));
    EXPECT_EQ(f.caption(), path("b.wav") + " - Gravon");
}

TEST_F(OpenSoundFile, WavCalibrationTexts) {
    f.open_any_file(write_wav("pcm.wav", 4096));
    EXPECT_EQ(f.pgs[0].calibstr, "Wav file is possibly not calibrated");
    EXPECT_EQ(f.pgs[0].calstatus, 1);
    EXPECT_EQ(f.pgs[1].calibstr, "-");
    EXPECT_FALSE(f.pgs[1].visible);
    EXPECT_EQ(f.soundfilechname, "Wav channel # 0");
    EXPECT_EQ(f.pgs[0].distance, -1);
    EXPECT_EQ(f.pgs[0].actualdistance, -1);
    f.open_any_file(write_wav("float.wav", 4096, tFormat::ieeefloat, 32));
    EXPECT_EQ(f.pgs[0].calibstr, "Wav file may be calibrated, but calibration is not signed");
    EXPECT_EQ(f.pgs[0].calstatus, 2);
    f.execute_command_line({"/f14.1", write_wav("cal.wav", 4096)});
    EXPECT_EQ(f.pgs[0].calibstr, "Wav file is calibrated from command line");
    EXPECT_EQ(f.pgs[0].calstatus, 2);
    EXPECT_FLOAT_EQ(float(f.audiofsd[0]), 14.1f);
    EXPECT_EQ(f.audiofsd[1], 1.0);
}

TEST_F(OpenSoundFile, CommandLineFullScaleScalesEverySample) {
    const std::string p = write_wav("s.wav", 8192);
    f.open_any_file(p);
    const tsinglearr plain(f.audioarr[0].begin(), f.audioarr[0].begin() + 8192);
    f.execute_command_line({"/f14.1", p});
    for (std::size_t i = 0; i < 8192; i += 97)
        EXPECT_FLOAT_EQ(f.audioarr[0][i], float(double(plain[i]) * float(14.1)));
}

TEST_F(OpenSoundFile, FullScaleAfterTheFileDoesNotApply) {
    const std::string p = write_wav("s.wav", 4096);
    f.execute_command_line({p, "/f14.1"});
    EXPECT_EQ(f.pgs[0].calibstr, "Wav file is possibly not calibrated");
    EXPECT_EQ(f.audiofsd[0], 1.0);
}

TEST_F(OpenSoundFile, SmpCalibrationTexts) {
    f.open_any_file(write_smp("both.smp", {{"calib", "A"}, {"calib0", "B"}, {"site", "Room 4"}}));
    EXPECT_EQ(f.pgs[0].calibstr, "B");
    EXPECT_EQ(f.pgs[0].calstatus, 3);
    EXPECT_EQ(f.pgs[0].recordingsiteid, "Room 4");
    EXPECT_EQ(f.samplecount, 4096);
    f.open_any_file(write_smp("pa.smp", {}, "PA"));
    EXPECT_EQ(f.pgs[0].calibstr, "File appears calibrated, but calibration is not signed");
    EXPECT_EQ(f.pgs[0].calstatus, 2);
    EXPECT_EQ(f.pgs[0].recordingsiteid, "-");
    f.open_any_file(write_smp("none.smp", {}));
    EXPECT_EQ(f.pgs[0].calibstr, "File is not calibrated");
    EXPECT_EQ(f.pgs[0].calstatus, 1);
}

TEST_F(OpenSoundFile, SmpDistancesThatAreNotNumbersBothBecomeMinusOne) {
    f.open_any_file(write_smp("d.smp", {{"micdist0", "0.3"}, {"actmicdist0", "0.15"}}));
    EXPECT_DOUBLE_EQ(f.pgs[0].distance, 0.3);
    EXPECT_DOUBLE_EQ(f.pgs[0].actualdistance, 0.15);
    f.open_any_file(write_smp("e.smp", {{"micdist0", "0.3"}, {"actmicdist0", "near"}}));
    EXPECT_EQ(f.pgs[0].distance, -1);
    EXPECT_EQ(f.pgs[0].actualdistance, -1);
    EXPECT_EQ(f.samplecount, 4096);
}

TEST_F(OpenSoundFile, KnownCalibrationFaultAsksFirst) {
    const std::string p =
        write_smp("drel.smp", {{"dBgain", "0.00"}, {"calib", "x,ab1"}, {"proc0", "Drel 2.1"}});
    t.ui.answer = tanswer::cancel;
    f.open_any_file(p);
    ASSERT_EQ(t.ui.questions.size(), 1u);
    EXPECT_EQ(t.ui.questions[0],
              "This soundfile seems to have been created with a version of Drel\rthat has a "
              "known audio level calibration bug.\rTherefore, the SPL in this phonetogram "
              "cannot be trusted.\r" +
                  p);
    EXPECT_EQ(f.samplecount, 0);
    EXPECT_FALSE(f.analyzing);
    t.ui.answer = tanswer::ok;
    f.open_any_file(p);
    EXPECT_EQ(f.samplecount, 4096);
    // An empty second field does not count as ending in "1".
    t.ui.questions.clear();
    f.open_any_file(
        write_smp("drel2.smp", {{"dBgain", "0.00"}, {"calib", "x"}, {"proc0", "Drel"}}));
    for (const std::string& q : t.ui.questions) EXPECT_EQ(q.find("Drel"), std::string::npos);
}

TEST_F(OpenSoundFile, UnreadableFilesChangeNothingAndNeverCrash) {
    // Fill the left phonetogram with a first analysis.
    const std::string good = write_wav("good.wav", 44100);
    f.open_any_file(good);
    const std::int32_t samples = f.samplecount;
    for (const char* body : {"", "RIFF", "RIFF\x10\0\0\0WAVEfmt ", "not a wav file at all"}) {
        const std::string p = path("bad.wav");
        std::ofstream(p, std::ios::binary) << body;
        f.open_any_file(p);
        EXPECT_FALSE(f.analyzing);
    }
    f.open_any_file(path("missing.wav"));
    f.open_any_file(path("missing.smp"));
    EXPECT_GE(samples, 0);
}

// A text file named .wav, an empty .wav, an empty .smp: the window says what the headless
// program says, and its data, title and recent files stay as they were.
TEST_F(OpenSoundFile, AFileThatGivesNoAnalysisIsAnErrorAndChangesNothing) {
    const std::string good = write_wav("good.wav", 44100);
    f.open_any_file(good);
    const std::int32_t samples = f.samplecount;
    const std::string title = f.caption();
    ASSERT_EQ(f.RecentFiles1.filename(1), good);
    const int recent = f.RecentFiles1.itemcount();
    for (const auto& [name, body] :
         std::vector<std::pair<std::string, std::string>>{{"text.wav", "Dear colleague,\n"},
                                                          {"empty.wav", ""},
                                                          {"empty.smp", ""},
                                                          {"text.flac", "not flac"}}) {
        const std::string p = path(name);
        std::ofstream(p, std::ios::binary) << body;
        t.ui.messages.clear();
        f.open_any_file(p);
        ASSERT_EQ(t.ui.messages.size(), 1u) << name;
        EXPECT_EQ(t.ui.messages[0].kind, tmessagekind::error);
        EXPECT_NE(t.ui.messages[0].text.find(p), std::string::npos) << t.ui.messages[0].text;
        EXPECT_EQ(f.samplecount, samples) << name;
        EXPECT_EQ(f.caption(), title) << name;
        EXPECT_EQ(f.pgs[0].pgname, "good.wav") << name;
        EXPECT_EQ(f.RecentFiles1.filename(1), good) << name;
        EXPECT_EQ(f.RecentFiles1.itemcount(), recent) << name;

        // The headless program's message is the same.
        testing::trecordinginterface batchui;
        TForm1 batch(batchui);
        batch.batchmode = true;
        batch.FormActivate({});
        batch.open_any_file(p);
        ASSERT_EQ(batchui.messages.size(), 1u) << name;
        EXPECT_EQ(batchui.messages[0].text, t.ui.messages[0].text);
    }
}

TEST_F(OpenSoundFile, TheClippingNoteCountsTheFramesThatHoldTheExtremeCode) {
    // A soft tone in frames of 882 samples. Clipped: three equal samples at full scale (hop 11;
    // across the end of hop 20 into hop 21, which they complete) or at the limit, 127/128 of it
    // (hop 30). Not clipped: one or two (hops 3, 10, 5), as a peak-normalised file has; three a
    // step below the limit (hop 40), or three at full scale that are not equal (hop 50).
    tsinglearr x(88200);
    for (std::size_t i = 0; i < x.size(); ++i) x[i] = float(0.1 * std::sin(0.05 * double(i)));
    const auto put = [&](std::size_t at, std::initializer_list<float> v) {
        for (float s : v) x[at++] = s;
    };
    put(3 * 882 + 100, {-1.0f});
    put(10 * 882 + 100, {1.0f});
    put(5 * 882 + 100, {-1.0f, -1.0f});
    put(11 * 882 + 100, {-1.0f, -1.0f, -1.0f});
    put(30 * 882 + 400, {32512.0f / 32768, 32512.0f / 32768, 32512.0f / 32768});
    put(20 * 882 + 880, {-1.0f, -1.0f, -1.0f});
    put(40 * 882 + 10, {32511.0f / 32768, 32511.0f / 32768, 32511.0f / 32768});
    put(50 * 882 + 10, {32767.0f / 32768, -1.0f, 32767.0f / 32768});
    TWavFile w;
    w.setsampfreq(44100);
    w.setnchans(1);
    w.setnbits(16);
    w.setfullscale(0, 1.0);
    const std::string p = path("spikes.wav");
    w.save_file(p, std::vector<tsinglearr>{x}, false, false);
    f.open_any_file(p);
    ASSERT_EQ(t.ui.messages.size(), 1u);
    const std::string& text = t.ui.messages[0].text;
    EXPECT_NE(text.find("is clipped: 3 of 99 frames (3.0 %)"), std::string::npos) << text;
    for (std::size_t k = 0; k < 99; ++k)
        EXPECT_EQ(f.frameclipped[0][k], k == 11 || k == 21 || k == 30 ? 1.0f : 0.0f) << k;

    // A batch run that keeps no samples analyses the same, notes the same clipping, and refuses
    // to save a recording of zeros.
    const tsinglearr spl = f.paramarr[trackspl][0];
    t.ui.messages.clear();
    f.storeaudio = false;
    f.open_any_file(p);
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_NE(t.ui.messages[0].text.find("is clipped: 3 of 99 frames (3.0 %)"), std::string::npos);
    EXPECT_FALSE(f.audiokept());
    EXPECT_EQ(f.paramarr[trackspl][0], spl);
    t.ui.messages.clear();
    const std::string smp = path("spikes_an.smp");
    EXPECT_FALSE(f.save_smp(smp));
    EXPECT_FALSE(std::filesystem::exists(smp));
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_NE(t.ui.messages[0].text.find("samples of this analysis were not kept"),
              std::string::npos);
}

// The notes the headless program prints as warnings reach the window as one message.
TEST_F(OpenSoundFile, TheWindowShowsTheNotesOnADoubtfulAnalysis) {
    // 8-bit samples at full scale and a stereo file: coarse coding, clipping, a channel left
    // out.
    tsinglearr x(44100);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = float(std::sin(0.05 * double(i)) > 0 ? 1 : -1);
    TWavFile w;
    w.setsampfreq(44100);
    w.setnchans(2);
    w.setnbits(8);
    w.setfullscale(0, 1.0);
    w.setfullscale(1, 1.0);
    const std::string p = path("coarse.wav");
    w.save_file(p, std::vector<tsinglearr>{x, x}, false, false);
    f.open_any_file(p);
    ASSERT_EQ(t.ui.messages.size(), 1u);
    const std::string& text = t.ui.messages[0].text;
    EXPECT_EQ(t.ui.messages[0].caption, "The analysis may be doubtful");
    for (const char* part : {"has 2 channels; only channel 0 was analysed", "8-bit samples",
                             "is clipped", "No full scale was given"})
        EXPECT_NE(text.find(part), std::string::npos) << part << " in " << text;
    // The missing calibration is said once; the status panel shows it all the time.
    t.ui.messages.clear();
    f.open_any_file(p);
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_EQ(t.ui.messages[0].text.find("No full scale was given"), std::string::npos);
}

// Found by fuzzing: a WAV header with a sampling rate of 411,364,668 Hz (and 11011 channels)
// sized the analysis window to 16 million samples, and the transform tables for it took more
// than 2 GB. The header as the fuzzer wrote it, with silent sample data.
TEST_F(OpenSoundFile, AbsurdWavSampleRateIsRefusedNamingTheFile) {
    const std::uint8_t header[] = {
        'R',  'I',  'F',  'F',  0x52, 0x01, 0x00, 0x00, 'W',  'A',  'V',  'E',  'f',  'm',  't',
        ' ',  0x12, 0x00, 0x00, 0x00, 0x01, 0x00, 0x03, 0x2b, 0x3c, 0xed, 0x84, 0x18, 0x80, 0xbb,
        0x00, 0x00, 0x06, 0x00, 0x10, 0x00, 0x00, 0x00, 'f',  'a',  'c',  't',  0x04, 0x00, 0x00,
        0x00, 0x90, 0x00, 0x00, 0x00, 'd',  'a',  't',  'a',  0x20, 0x01, 0x00, 0x00};
    std::string bytes(reinterpret_cast<const char*>(header), sizeof header);
    bytes.resize(bytes.size() + 0x120, '\0');
    const std::string p = path("rate.wav");
    std::ofstream(p, std::ios::binary) << bytes;
    const std::int32_t window = f.analyser.windowsize();

    f.open_any_file(p);
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_EQ(t.ui.messages[0].caption, "Cannot open file");
    const std::string& m = t.ui.messages[0].text;
    EXPECT_NE(m.find(p), std::string::npos) << m;
    EXPECT_NE(m.find("sample rate of 411364668 Hz"), std::string::npos) << m;
    EXPECT_NE(m.find("37.5 to 3276812.5 Hz"), std::string::npos) << m;
    // Nothing changed: no new rate, no new window, no analysis.
    EXPECT_EQ(f.advanced.fs, 44100);
    EXPECT_EQ(f.analyser.windowsize(), window);
    EXPECT_FALSE(f.analyzing);
    EXPECT_NE(f.pgs[0].pgname, "rate.wav");
}

// Found by fuzzing: 16,779,008 Hz (with an unknown format tag and a format chunk that claims
// 9 MB) sized the analysis window to 671,160 samples, below the transform's own limit, but
// the noise tables of the two channels alone took 940 MB. The first 60 bytes of the file the
// fuzzer wrote.
TEST_F(OpenSoundFile, WavRateWhoseNoiseTablesTakeAGigabyteIsRefused) {
    const std::uint8_t bytes[] = {
        0x52, 0x49, 0x46, 0x46, 0x54, 0x00, 0x00, 0x00, 0x57, 0x41, 0x56, 0x45, 0x66, 0x6d, 0x74,
        0x20, 0x10, 0x00, 0x90, 0x00, 0x06, 0x37, 0x74, 0x00, 0x00, 0x07, 0x00, 0x01, 0x00, 0x40,
        0x1f, 0x00, 0x00, 0x40, 0x1f, 0x00, 0x00, 0x01, 0x00, 0x08, 0x00, 0x64, 0x61, 0x74, 0x61,
        0x30, 0x00, 0x00, 0x00, 0xff, 0x9a, 0x8c, 0x86, 0x85, 0x87, 0x49, 0x46, 0x46, 0x2c, 0x00};
    const std::string p = path("noise.wav");
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(bytes), sizeof bytes);
    f.open_any_file(p);
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_NE(
        t.ui.messages[0].text.find("Cannot analyse " + p + "\rIts sample rate of 16779008 Hz"),
        std::string::npos)
        << t.ui.messages[0].text;
    EXPECT_EQ(f.advanced.fs, 44100);
    EXPECT_EQ(f.analyser.fftsize(), 2048);
}

TEST_F(OpenSoundFile, SmpRatesTheAnalysisCannotTakeAreRefused) {
    // No rate (an "sftot" of 0), and one that would need a window of gigabytes.
    for (const char* sftot : {"0", "1e12", "30"}) {
        t.ui.messages.clear();
        const std::string p = write_smp("rate.smp", {});
        {
            TSMPfile s;
            ASSERT_TRUE(s.open_file(p, false));
            s.set_item("sftot", sftot);
            ASSERT_TRUE(s.save_file());
        }
        f.open_any_file(p);
        ASSERT_EQ(t.ui.messages.size(), 1u) << sftot;
        EXPECT_NE(t.ui.messages[0].text.find("Cannot analyse " + p), std::string::npos);
        EXPECT_EQ(f.advanced.fs, 44100);
        EXPECT_EQ(f.samplecount, 0) << sftot;
    }
    // The lowest rate taken at the default bandwidth gives a window of 2 samples.
    t.ui.messages.clear();
    const std::string p = write_smp("low.smp", {{"sftot", "37.5"}});
    f.open_any_file(p);
    for (auto& m : t.ui.messages) EXPECT_EQ(m.caption, "The analysis may be doubtful") << m.text;
    EXPECT_EQ(f.analyser.windowsize(), 2);
}

TEST_F(OpenSoundFile, TheAnalysisNeverTakesAWindowOfGigabytes) {
    // However a rate reaches it (a settings dialog, a file): the window stays as it was.
    const std::int32_t window = f.analyser.windowsize();
    for (double fs : {4e8, 1e300, 0.0, -44100.0}) {
        f.set_fs(fs);
        EXPECT_EQ(f.analyser.windowsize(), window) << fs;
    }
    f.set_fs(48000);
    EXPECT_EQ(f.analyser.windowsize(), 1920);
    EXPECT_TRUE(analysis_window_fits(3276812.0, 50, TFFTWindow::Hanning));
    EXPECT_FALSE(analysis_window_fits(3276813.0, 50, TFFTWindow::Hanning));
    EXPECT_FALSE(analysis_window_fits(44100, 0, TFFTWindow::Hanning));
    EXPECT_FALSE(analysis_window_fits(std::nan(""), 50, TFFTWindow::Hanning));
}

TEST_F(OpenSoundFile, NonFiniteSamplesRejectTheirFramesAndLeaveTheRestAsItWas) {
    // A voice after a second of room noise, as float files that keep NaN and infinite samples
    // as they are: one with an infinite sample in the noise the background measurement takes, a
    // NaN and another infinite one in the voice, where the clean file holds zeros; one all NaN.
    synth::tsynthparams sp;
    sp.phrases = {synth::steady_phrase(3.0, 220, 80)};
    sp.leadin = 1.0;
    tsinglearr x = synth::synthesize(sp).floats[0];
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const std::pair<std::size_t, float> bad[] = {
        {20 * 882 + 5, inf}, {150 * 882 + 300, nan}, {160 * 882 + 881, -inf}};
    const std::set<std::size_t> rejected = {20, 21, 150, 151, 160, 161};
    const auto open = [&](const std::string& name, const tsinglearr& s) {
        TWavFile w;
        w.setsampfreq(44100);
        w.setnchans(1);
        w.setnbits(32);
        w.setformat(tFormat::ieeefloat);
        w.setfullscale(0, 1.0);
        w.save_file(path(name), {s}, false, false);
        f.commandlinefsd = {100.0f};
        f.Open_soundfile(path(name), 0, -1);
        std::string all;
        for (const std::string& note : replay_notes(f, path(name), command_line_advice()))
            all += note + "\n";
        EXPECT_EQ(all.find("clipped"), std::string::npos) << all;
        EXPECT_EQ(all.find("digital silence"), std::string::npos) << all;
        return all;
    };
    for (const auto& [k, v] : bad) x[k] = 0.0f;
    open("clean.wav", x);
    const std::int32_t frames = f.frames();
    ASSERT_GT(frames, 170);
    std::array<tsinglearr, ntracks> want;
    for (std::size_t row = 1; row < ntracks; ++row) want[row] = f.paramarr[row][0];

    for (const auto& [k, v] : bad) x[k] = v;
    const std::string notes = open("bad.wav", x);
    ASSERT_EQ(f.frames(), frames);
    EXPECT_NE(notes.find("6 of " + std::to_string(frames) + " frames hold one and were rejected"),
              std::string::npos)
        << notes;
    for (std::size_t k = 0; k < std::size_t(frames); ++k) {
        const auto bits = std::uint16_t(f.paramarr[trackdebug][0][k]);
        ASSERT_EQ((bits & std::uint16_t(tkillreason::nonfinite)) != 0, rejected.count(k) > 0) << k;
        for (std::size_t row = 1; row < ntracks && !rejected.count(k); ++row)
            ASSERT_EQ(f.paramarr[row][0][k], want[row][k]) << "frame " << k << ", track " << row;
    }
    for (const auto& [k, v] : bad) EXPECT_EQ(f.audioarr[0][k], 0.0f); // stored as analysed

    std::fill(x.begin(), x.end(), nan);
    EXPECT_NE(open("allnan.wav", x).find("every frame of "), std::string::npos);
    for (std::size_t k = 0; k < std::size_t(frames); ++k)
        ASSERT_NE(
            std::uint16_t(f.paramarr[trackdebug][0][k]) & std::uint16_t(tkillreason::nonfinite), 0)
            << k;
}

TEST_F(OpenSoundFile, RefusedTypes) {
    f.open_any_file("voice.mp4");
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_EQ(t.ui.messages[0].text, "Cannot open file voice.mp4");
    EXPECT_EQ(t.ui.messages[0].kind, tmessagekind::warning);
    EXPECT_FALSE(f.analysisisfromsoundfile());
}

TEST_F(OpenSoundFile, ReplayIsReproducibleWithDitheredBinning) {
    synth::tsynthparams p;
    p.phrases = {synth::glide_phrase(1.5, 200, 260, 75, 82)};
    const synth::tsynthresult r = synth::synthesize(p);
    const std::string name = path("v.wav");
    synth::write_wav16(name, r.rate, r.channels, r.samples);
    f.advanced.binningmethod = 1;
    f.execute_command_line({"/f100", name});
    const auto first = f.pgs[0].param[pglayeracctime].arr.cells;
    double total = 0;
    for (double v : first) total += v;
    EXPECT_GT(total, 1.0);
    f.open_any_file(name);
    EXPECT_TRUE(f.pgs[0].param[pglayeracctime].arr.cells == first);
}

} // namespace
} // namespace gravon
