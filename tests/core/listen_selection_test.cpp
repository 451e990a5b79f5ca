// "Listen to selection" and the voice-map file actions of the window, on a take of two steady
// vowels one after the other (200 Hz, then 330 Hz) and on simulated sound cards: which frames
// play, what reaches the card, what is said when nothing can play; the voice map written from
// the window and opened again by the open dialog's path and by a drop.
#include "base/pitch.h"
#include "core/action_states.h"
#include "core/selection_sound.h"
#include "core/sim_devices.h"
#include "core/test_form.h"
#include "files/voicemap_file.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>

namespace gravon {
namespace {

constexpr double leadin = 0.5;
constexpr double firstend = 1.2;    // 200 Hz from 0 to 1.2 s of the phonation
constexpr double secondstart = 1.6; // 330 Hz from 1.6 to 2.8 s
constexpr double secondend = 2.8;

std::vector<std::int16_t> two_vowels() {
    synth::tsynthparams p;
    synth::tphrase second;
    second.points = {{secondstart, freqtosemitone(330), 95}, {secondend, freqtosemitone(330), 95}};
    p.phrases = {synth::steady_phrase(firstend, 200, 95), second};
    p.vibrato_cents = 0;
    p.leadin = leadin;
    return testing::stereo_of(synth::synthesize(p));
}

class ListenSelection : public ::testing::Test {
  protected:
    void SetUp() override {
        f.advanced.calibrationrecalculate = false;
        t.start();
        t.feed(two_vowels());
        f.StopActionExecute();
        ASSERT_GT(f.frames(), 100);
        f.attach_audio(devices);
    }
    // The selection is the columns around the vowel's F0, at every level.
    void select_column(double hz) {
        const std::int32_t x = std::int32_t(std::lround(freqtosemitone(hz)));
        f.clear_area_selection_action();
        ASSERT_TRUE(f.select_bins(x - 1, 0, x + 1, nlevelbins - 1));
    }
    tsimulatedwaveout& listenout() { return *devices.outs.at(2); }

    testing::ttestform t;
    TForm1& f = t.form;
    testing::tsimdevices devices;
};

TEST_F(ListenSelection, TheFramesOfTheSelectedCellsPlayInTimeOrderAndOnlyThey) {
    struct tcase {
        double hz, from, to; // the vowel and its stretch of the take, s
    };
    for (const tcase& c : {tcase{200, leadin, leadin + firstend},
                           tcase{330, leadin + secondstart, leadin + secondend}}) {
        select_column(c.hz);
        const std::vector<tsoundrun> runs = selected_sound_runs(f, f);
        ASSERT_FALSE(runs.empty()) << c.hz;
        const std::int64_t hop = f.audiosamples() / f.frames();
        std::int64_t total = 0, end = 0;
        for (const tsoundrun& r : runs) {
            EXPECT_EQ(r.channel, 0);
            EXPECT_GE(r.first, end) << "in time order";
            EXPECT_EQ(r.first % hop, 0);
            // The analysis window reaches one hop back.
            EXPECT_GE(r.first, (c.from - 0.05) * f.storefs) << c.hz;
            EXPECT_LE(r.last, (c.to + 0.05) * f.storefs) << c.hz;
            for (std::int64_t k = r.first / hop; k < r.last / hop; ++k) {
                std::int32_t x = 0, y = 0;
                ASSERT_TRUE(frame_cell(f, 0, std::int32_t(k), x, y));
                EXPECT_NEAR(x, freqtosemitone(c.hz), 1.5);
            }
            total += r.last - r.first;
            end = r.last;
        }
        // Nearly every frame of the vowel is in.
        EXPECT_GT(double(total) / f.storefs, c.to - c.from - 0.15) << c.hz;

        // The sound is the runs' samples over the full scale, faded at every cut.
        const std::vector<float> sound = selection_sound(f, runs, f.storefs);
        ASSERT_EQ(std::int64_t(sound.size()), total);
        const std::int64_t mid = (runs[0].last - runs[0].first) / 2;
        EXPECT_FLOAT_EQ(sound[std::size_t(mid)],
                        float(f.audioarr[0][std::size_t(runs[0].first + mid)] / f.audiofsd[0]));
        EXPECT_LT(std::fabs(sound.front()), 1e-3f * (1.0f + std::fabs(sound[1000])));

        // What the card plays is that sound, and Stop goes off when it has played.
        listenout().played.clear();
        EXPECT_TRUE(f.listen_possible());
        f.ListenToSelectionActionExecute();
        EXPECT_TRUE(f.listening());
        EXPECT_TRUE(action_states(f)[tactionid::stop].enabled);
        listenout().run(1000);
        EXPECT_FALSE(f.listening());
        EXPECT_FALSE(action_states(f)[tactionid::stop].enabled);
        ASSERT_GE(listenout().played.size(), sound.size());
        for (std::size_t i = 0; i < sound.size(); i += 97)
            ASSERT_NEAR(listenout().played[i], sound[i] * 32767.0, 1.0) << i;
    }
    EXPECT_TRUE(t.ui.messages.empty()) << t.ui.messages[0].text;

    // Stop ends the playing at once and leaves the take's end where it was.
    const auto ended = f.recordingendtime;
    f.ListenToSelectionActionExecute();
    ASSERT_TRUE(f.listening());
    f.StopActionExecute();
    EXPECT_FALSE(f.listening());
    EXPECT_FALSE(listenout().isopen());
    EXPECT_EQ(f.recordingendtime, ended);
}

TEST_F(ListenSelection, NothingPlaysWithoutTheSamplesAndTheMessageSaysWhy) {
    // No selection: nothing to do.
    f.clear_area_selection_action();
    EXPECT_FALSE(f.listen_possible());
    EXPECT_FALSE(action_states(f)[tactionid::listentoselection].enabled);

    // The take's cells selected only in another phonetogram (its voice map): no frame of the
    // take lies in a selected cell of its own.
    const std::string map = t.config.root.string() + "/take_VRP.csv";
    ASSERT_TRUE(f.export_voicemap_action(map));
    ASSERT_TRUE(f.open_phonetogram(map, f.nchans()));
    f.pgs[0].visible = false;
    f.select_all_area_action(2);
    ASSERT_TRUE(f.listen_possible());
    f.ListenToSelectionActionExecute();
    EXPECT_FALSE(f.listening());
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_NE(t.ui.messages[0].text.find("no frame of the sound in memory"), std::string::npos)
        << t.ui.messages[0].text;

    // The take discarded: its phonetogram, opened from its file, has no sound.
    t.ui.answer = tanswer::no;
    f.NewRecordingActionExecute();
    ASSERT_EQ(f.frames(), 0);
    ASSERT_TRUE(f.open_phonetogram(map, f.nchans()));
    f.select_all_area_action(f.nchans() - 1);
    ASSERT_TRUE(f.listen_possible());
    f.ListenToSelectionActionExecute();
    EXPECT_FALSE(f.listening());
    EXPECT_FALSE(listenout().isopen());
    ASSERT_EQ(t.ui.messages.size(), 2u);
    EXPECT_NE(t.ui.messages[1].text.find("not in memory"), std::string::npos)
        << t.ui.messages[1].text;
}

TEST_F(ListenSelection, TheVoiceMapIsWrittenFromTheWindowAndOpensByTheDialogAndByADrop) {
    namespace fs = std::filesystem;
    const std::string folder = t.config.root.string();
    // One channel with time: one file, which opens as a phonetogram with the take's time.
    ASSERT_TRUE(f.export_voicemap_action(folder + "/one_VRP.csv"));
    for (const std::string& how : {"dialog", "drop"}) {
        const std::int32_t k = f.nchans();
        if (how == "dialog")
            ASSERT_TRUE(f.open_phonetogram(folder + "/one_VRP.csv", k));
        else
            f.open_any_file(folder + "/one_VRP.csv");
        ASSERT_EQ(f.nchans(), k + 1) << how;
        double want = 0, got = 0;
        for (int x = 0; x < nf0bins; ++x)
            for (int y = 0; y < nlevelbins; ++y) {
                want += f.pgs[0].param[pglayeracctime].arr[x][y];
                got += f.pgs[std::size_t(k)].param[pglayeracctime].arr[x][y];
            }
        EXPECT_NEAR(got, want, 0.01) << how;
        EXPECT_EQ(f.pgs[std::size_t(k)].param.size(), f.pgs[0].param.size() + 1) << how;
    }

    // Both channels with time: a file each, the letter before the ending the tools look for.
    f.pgs[1].param[pglayeracctime].arr[60][70] = 1.0;
    ASSERT_TRUE(f.export_voicemap_action(folder + "/two_VRP.csv"));
    EXPECT_TRUE(fs::exists(folder + "/twoL_VRP.csv"));
    EXPECT_TRUE(fs::exists(folder + "/twoR_VRP.csv"));
    EXPECT_FALSE(fs::exists(folder + "/two_VRP.csv"));

    // A file that cannot be written: a message names it.
    const std::string bad = folder + "/no/such/folder/x_VRP.csv";
    f.pgs[1].param[pglayeracctime].arr[60][70] = 0;
    EXPECT_FALSE(f.export_voicemap_action(bad));
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_EQ(t.ui.messages[0].caption, "Cannot save file");
    EXPECT_NE(t.ui.messages[0].text.find(bad), std::string::npos) << t.ui.messages[0].text;
    EXPECT_FALSE(fs::exists(folder + "/no"));
}

} // namespace
} // namespace gravon
