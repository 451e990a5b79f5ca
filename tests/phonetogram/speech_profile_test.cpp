#include "base/pitch.h"
#include "phonetogram/binning.h"
#include "phonetogram/profile_summary.h"
#include "phonetogram/speech_profile.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace gravon;

namespace {

double hz(double s) {
    return 440.0 * std::pow(2.0, (s - 69.0) / 12.0);
}

// A read passage in 20 ms frames: a quarter of the time at A3 and 60 dB, half at C4 and 70 dB,
// a quarter at E4 and 80 dB, the syllables taking turns as speech does.
tpg speech_take() {
    tpg pg = make_empty_pg();
    pg.param = default_recording_pgparams();
    pg.session.task = "Speech";
    for (int k = 0; k < 50; ++k)
        for (const auto& [s, level] : {std::pair{57, 60.0}, {60, 70.0}, {60, 70.0}, {64, 80.0}})
            bin_frame(pg, binroundtonearest, {.f0 = hz(s), .level = level, .duration = 0.02});
    return pg;
}

TEST(SpeechProfile, PercentilesRangeAndLeqOfAKnownDistribution) {
    const tspeechstatistics s = speech_statistics(speech_take());
    EXPECT_NEAR(s.time, 4.0, 1e-9);
    // Interpolated within the bins: from a column's lower edge at the first, between upper
    // edges across the empty columns after it.
    EXPECT_NEAR(s.f0[0], hz(56.5) + 0.2 * (hz(57.5) - hz(56.5)), 1e-9);
    EXPECT_NEAR(s.f0[1], hz(57.5) + 0.5 * (hz(60.5) - hz(57.5)), 1e-9);
    EXPECT_NEAR(s.f0[2], hz(60.5) + 0.8 * (hz(64.5) - hz(60.5)), 1e-9);
    EXPECT_NEAR(s.spl[0], 59.7, 1e-9);
    EXPECT_NEAR(s.spl[1], 65.5, 1e-9);
    EXPECT_NEAR(s.spl[2], 78.5, 1e-9);
    EXPECT_NEAR(s.rangest, 12.0 * std::log2(s.f0[2] / s.f0[0]), 1e-12);
    EXPECT_NEAR(s.leq, 10.0 * std::log10((1e6 + 2e7 + 1e8) / 4.0), 1e-9);

    const tspeechstatistics none = speech_statistics(make_empty_pg());
    EXPECT_TRUE(none.empty());
    EXPECT_EQ(none.leq, -100);
    EXPECT_EQ(none.rangest, 0);
}

TEST(SpeechProfile, TasksThatAreSpeech) {
    for (const char* t : {"Speech", "speech profile", "  SPEECH, reading"})
        EXPECT_TRUE(is_speech_task(t)) << t;
    for (const char* t : {"", "Singing profile", "Spee", "Free speech"})
        EXPECT_FALSE(is_speech_task(t)) << t;
}

TEST(SpeechProfile, OverlaidOnlyOverAnotherVisibleProfile) {
    tpglist list;
    set_nchans(list, 3);
    list.pgs[2] = speech_take();
    EXPECT_FALSE(speech_overlaid(list, 2)); // alone
    list.pgs[0].param[pglayeracctime].arr[60][80] = 1;
    EXPECT_TRUE(speech_overlaid(list, 2));
    EXPECT_FALSE(speech_overlaid(list, 0));
    list.pgs[0].visible = false;
    EXPECT_FALSE(speech_overlaid(list, 2));
    list.pgs[0].visible = true;
    list.pgs[0].session.task = "Speech"; // two speech profiles: neither is a voice range profile
    EXPECT_FALSE(speech_overlaid(list, 2));
    list.pgs[0].session.task = "Singing profile";
    list.pgs[2].visible = false;
    EXPECT_FALSE(speech_overlaid(list, 2));
    EXPECT_FALSE(speech_overlaid(list, 7));
}

TEST(ProfileSummary, ExtremesAreaAndContourOfTheCellsOfAnArea) {
    tbinmask area = make_binmask();
    for (int y = 62; y <= 90; ++y) area[48][y] = 1;
    for (int y = 58; y <= 95; ++y) area[49][y] = 1;
    area[50][70] = 1;
    for (int y = 66; y <= 71; ++y) area[53][y] = 1; // a part apart from the rest
    const tprofilesummary s = profile_summary(area);
    EXPECT_EQ(s.cells, 29 + 38 + 1 + 6);
    EXPECT_EQ(s.lowmidi, 48);
    EXPECT_EQ(s.highmidi, 53);
    EXPECT_EQ(s.range_st(), 5);
    EXPECT_EQ(s.minspl, 58);
    EXPECT_EQ(s.maxspl, 95);
    const std::vector<tcontourstep> contour = {
        {48, 62, 90}, {49, 58, 95}, {50, 70, 70}, {53, 66, 71}};
    EXPECT_EQ(s.contour, contour);
    EXPECT_TRUE(profile_summary(make_binmask()).empty());
    EXPECT_TRUE(profile_summary(tbinmask(3, 3, 1)).empty()); // not the grid
}

} // namespace
