// "Listen to selection" on a take of two steady vowels and simulated sound cards: which frames
// play, what reaches the card, what is said when nothing can play; and the voice map that the
// window writes of the take.
#include "core/action_states.h"
#include "core/selection_sound.h"
#include "core/sim_devices.h"
#include "support/two_vowels.h"

#include <array>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>

namespace gravon {
namespace {

class ListenSelection : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::record_two_vowels(t);
        f.attach_audio(devices);
    }
    testing::ttestform t;
    TForm1& f = t.form;
    testing::tsimdevices devices;
};

TEST_F(ListenSelection, TheFramesOfTheSelectedCellsPlayInTimeOrderAndOnlyThey) {
    tsimulatedwaveout& card = devices.listen();
    // The vowel, and its stretch of the take in s (the analysis window reaches a hop back).
    const std::array<double, 3> vowels[] = {{200.0, 0.45, 1.75}, {330.0, 2.05, 3.35}};
    for (const auto& [hz, from, to] : vowels) {
        ASSERT_TRUE(testing::select_vowel(f, hz));
        const std::vector<tsoundrun> runs = selected_sound_runs(f, f);
        ASSERT_FALSE(runs.empty()) << hz;
        std::int64_t total = 0, end = 0;
        for (const tsoundrun& r : runs) {
            EXPECT_EQ(r.channel, 0);
            EXPECT_GE(r.first, end) << "in time order";
            EXPECT_GE(r.first, from * f.storefs) << hz;
            EXPECT_LE(r.last, to * f.storefs) << hz;
            total += r.last - r.first;
            end = r.last;
        }
        EXPECT_GT(double(total) / f.storefs, 1.05) << "nearly all of the vowel's frames";

        // The card plays the runs' samples over the full scale, faded in at the cut.
        const std::vector<float> sound = selection_sound(f, runs, f.storefs);
        ASSERT_EQ(std::int64_t(sound.size()), total);
        const std::int64_t mid = (runs[0].last - runs[0].first) / 2;
        EXPECT_FLOAT_EQ(sound[std::size_t(mid)],
                        float(f.audioarr[0][std::size_t(runs[0].first + mid)] / f.audiofsd[0]));
        EXPECT_LT(std::fabs(sound.front()), 1e-3f * std::fabs(sound[std::size_t(mid)]) + 1e-6f);
        card.played.clear();
        f.ListenToSelectionActionExecute();
        EXPECT_TRUE(action_states(f)[tactionid::stop].enabled);
        card.run(1000);
        EXPECT_FALSE(f.listening());
        EXPECT_FALSE(action_states(f)[tactionid::stop].enabled);
        const std::size_t lead = std::size_t(std::lround(heldsoundlead * f.storefs));
        ASSERT_GE(card.played.size(), lead + sound.size());
        for (std::size_t i = 0; i < sound.size(); i += 97)
            ASSERT_NEAR(card.played[lead + i], sound[i] * 32767.0, 1.0) << i;
    }

    // Stop ends it at once and leaves the take's end where it was.
    const auto ended = f.recordingendtime;
    f.ListenToSelectionActionExecute();
    ASSERT_TRUE(f.listening());
    f.StopActionExecute();
    EXPECT_FALSE(card.isopen());
    EXPECT_TRUE(f.recordingendtime == ended);
    EXPECT_TRUE(t.ui.messages.empty()) << t.ui.messages[0].text;
}

TEST_F(ListenSelection, NothingPlaysWithoutTheTakesSamplesAndTheMessageSaysWhy) {
    namespace fs = std::filesystem;
    const std::string folder = t.config.root.string();
    f.clear_area_selection_action();
    EXPECT_FALSE(action_states(f)[tactionid::listentoselection].enabled);
    // The take's voice map: one file for the one channel with time, two for two.
    ASSERT_TRUE(f.export_voicemap_action(folder + "/take_VRP.csv"));
    f.pgs[1].param[pglayeracctime].arr[60][70] = 1.0;
    ASSERT_TRUE(f.export_voicemap_action(folder + "/two_VRP.csv"));
    EXPECT_TRUE(fs::exists(folder + "/twoL_VRP.csv") && fs::exists(folder + "/twoR_VRP.csv"));
    f.pgs[1].param[pglayeracctime].arr[60][70] = 0;
    EXPECT_FALSE(f.export_voicemap_action(folder + "/no/such/x_VRP.csv"));

    // Its cells selected in the map opened beside it, not in the take's own: no frame.
    ASSERT_TRUE(f.open_phonetogram(folder + "/take_VRP.csv", f.nchans()));
    f.pgs[0].visible = false;
    f.select_all_area_action(2);
    ASSERT_TRUE(action_states(f)[tactionid::listentoselection].enabled);
    f.ListenToSelectionActionExecute();
    // The take discarded, its map opened alone: no sound at all.
    f.NewRecordingActionExecute();
    ASSERT_TRUE(f.open_phonetogram(folder + "/take_VRP.csv", f.nchans()));
    f.select_all_area_action(f.nchans() - 1);
    f.ListenToSelectionActionExecute();

    EXPECT_FALSE(devices.listen().isopen());
    ASSERT_EQ(t.ui.messages.size(), 3u);
    EXPECT_EQ(t.ui.messages[0].caption, "Cannot save file");
    EXPECT_NE(t.ui.messages[0].text.find("no/such/x_VRP.csv"), std::string::npos);
    EXPECT_NE(t.ui.messages[1].text.find("no frame of the sound in memory"), std::string::npos);
    EXPECT_NE(t.ui.messages[2].text.find("not in memory"), std::string::npos);
}

} // namespace
} // namespace gravon
