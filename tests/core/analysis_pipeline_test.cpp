// The analysis from recorder intake to phonetogram cells, on synthesized voices whose pitch
// and level are known.
#include "base/pitch.h"
#include "phonetogram/binning.h"
#include "phonetogram/pg_param.h"
#include "synth/synth_params.h"
#include "test_form.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace gravon {
namespace {

using testing::stereo_of;
using testing::ttestform;

synth::tsynthparams steady(double f0, double spl, double seconds = 1.5) {
    synth::tsynthparams p;
    p.phrases = {synth::steady_phrase(seconds, f0, spl)};
    p.vibrato_cents = 0;
    p.leadin = 0.5;
    return p;
}

double layer_sum(const tpg& pg, std::size_t layer) {
    double s = 0;
    for (int x = 0; x < nf0bins; ++x)
        for (int y = 0; y < nlevelbins; ++y) s += pg.param[layer].arr[x][y];
    return s;
}

double column_time(const tpg& pg, int x) {
    double s = 0;
    for (int y = 0; y < nlevelbins; ++y) s += pg.param[pglayeracctime].arr[x][y];
    return s;
}

double row_time(const tpg& pg, int y) {
    double s = 0;
    for (int x = 0; x < nf0bins; ++x) s += pg.param[pglayeracctime].arr[x][y];
    return s;
}

class Pipeline : public ::testing::Test {
  protected:
    ttestform t;
    TForm1& f = t.form;
    void SetUp() override {
        // Levels as the microphone delivers them: no referral to the standard distance.
        f.advanced.calibrationrecalculate = false;
    }
    void record(const synth::tsynthparams& p, std::size_t block = 1024) {
        t.start();
        t.feed(stereo_of(synth::synthesize(p)), block);
        f.StopActionExecute();
    }
};

TEST_F(Pipeline, SteadyVowelLandsInItsCell) {
    f.advanced.binningmethod = binroundtonearest;
    record(steady(220, 80));
    const tpg& pg = f.pgs[0];
    const double total = layer_sum(pg, pglayeracctime);
    EXPECT_GT(total, 1.2); // of 1.5 s voiced
    EXPECT_LE(total, 1.52);
    EXPECT_GT(column_time(pg, 57), 0.95 * total);
    double best = 0;
    int besty = -1;
    for (int y = 0; y < nlevelbins; ++y)
        if (row_time(pg, y) > best) best = row_time(pg, y), besty = y;
    EXPECT_NEAR(besty, 80, 1);
    EXPECT_GT(row_time(pg, 79) + row_time(pg, 80) + row_time(pg, 81), 0.9 * total);
    // The measure layers hold plausible means in the main cell.
    EXPECT_GT(pg.param[pglayerhnr].arr[57][80], 10);
    EXPECT_GT(pg.param[pglayercentroid].arr[57][80], 220);
    EXPECT_LT(pg.param[pglayercentroid].arr[57][80], 4000);
    EXPECT_GT(pg.param[pglayercrest].arr[57][80], 3);
    EXPECT_LT(pg.param[pglayercrest].arr[57][80], 20);
    EXPECT_GE(pg.param[pglayermaxpartno].arr[57][80], 1);
    EXPECT_EQ(layer_sum(pg, pglayersolidcolor), 0);
    // Nothing reaches the silent right channel.
    EXPECT_EQ(layer_sum(f.pgs[1], pglayeracctime), 0);
}

TEST_F(Pipeline, DistributedVowelSharesItsNeighbours) {
    record(steady(220, 80));
    const tpg& pg = f.pgs[0];
    const double total = layer_sum(pg, pglayeracctime);
    // Semitone 57.0 sits on the column, so the split puts the time into 56/57 or 57/58.
    EXPECT_GT(column_time(pg, 56) + column_time(pg, 57) + column_time(pg, 58), 0.99 * total);
    EXPECT_GT(column_time(pg, 57), 0.5 * total);
}

TEST_F(Pipeline, GlideFillsTheColumnsItPasses) {
    synth::tsynthparams p;
    p.phrases = {synth::glide_phrase(3.0, 150, 300, 80, 80)};
    p.vibrato_cents = 0;
    p.leadin = 0.5;
    record(p);
    const tpg& pg = f.pgs[0];
    const int lo = int(std::floor(freqtosemitone(150))), hi = int(std::floor(freqtosemitone(300)));
    for (int x = 0; x < nf0bins; ++x) {
        if (x >= lo && x <= hi + 1) continue;
        EXPECT_EQ(column_time(pg, x), 0) << "column " << x;
    }
    for (int x = lo + 1; x < hi; ++x) EXPECT_GT(column_time(pg, x), 0.05) << "column " << x;
}

TEST_F(Pipeline, RoomNoiseAloneIsNeverAccepted) {
    synth::tsynthparams p;
    p.phrases.clear();
    p.leadin = 4.0;
    p.tail = 0;
    p.noise_spl = 45;
    record(p);
    EXPECT_GT(f.frames(), 150);
    EXPECT_EQ(layer_sum(f.pgs[0], pglayeracctime), 0);
    for (int k = 0; k < f.frames(); ++k) EXPECT_NE(f.paramarr[trackdebug][0][std::size_t(k)], 0);
}

TEST_F(Pipeline, ClippedStretchMarksTheOverloadLayer) {
    synth::tsynthparams p = steady(220, 97);
    p.fullscale_pa = 2.0;
    p.clip = true;
    p.clip_level = 1.0;
    f.signedfactors = {2.0, 2.0};
    record(p);
    EXPECT_GT(layer_sum(f.pgs[0], pglayeracctime), 0.2);
    EXPECT_GT(layer_sum(f.pgs[0], pglayersolidcolor), 0);
}

TEST_F(Pipeline, FirstHopAfterEveryStartIsRejected) {
    const auto voice = stereo_of(synth::synthesize(steady(220, 80, 1.0)));
    t.start();
    t.feed(voice);
    f.StopActionExecute();
    const std::int32_t first = f.frames();
    t.start();
    t.feed(voice);
    f.StopActionExecute();
    EXPECT_NE(f.paramarr[trackdebug][0][0], 0);
    EXPECT_NE(f.paramarr[trackdebug][0][std::size_t(first)], 0);
    // Later frames of the voice are accepted.
    int accepted = 0;
    for (int k = first; k < f.frames(); ++k)
        if (f.paramarr[trackdebug][0][std::size_t(k)] == 0) ++accepted;
    EXPECT_GT(accepted, 20);
}

TEST_F(Pipeline, BlockLengthDoesNotChangeTheResult) {
    const auto voice = stereo_of(synth::synthesize(steady(330, 75, 0.8)));
    auto run = [&](std::size_t block) {
        ttestform other;
        other.form.advanced.calibrationrecalculate = false;
        other.start();
        other.feed(voice, block);
        other.form.StopActionExecute();
        return std::make_tuple(other.form.paramarr, other.form.audioarr,
                               other.form.pgs[0].param[pglayeracctime].arr.cells,
                               other.form.pgs[0].param[pglayerhnr].arr.cells);
    };
    const auto whole = run(voice.size());
    for (std::size_t block : {std::size_t(1), std::size_t(777), std::size_t(2048)}) {
        const auto r = run(block);
        EXPECT_TRUE(std::get<0>(r) == std::get<0>(whole)) << block;
        EXPECT_TRUE(std::get<1>(r) == std::get<1>(whole)) << block;
        EXPECT_TRUE(std::get<2>(r) == std::get<2>(whole)) << block;
        EXPECT_TRUE(std::get<3>(r) == std::get<3>(whole)) << block;
    }
}

TEST_F(Pipeline, PauseMovesTheLiveValuesButStoresNothing) {
    const auto voice = stereo_of(synth::synthesize(steady(220, 80, 1.0)));
    t.start();
    t.feed(std::vector<std::int16_t>(voice.begin(), voice.begin() + 2 * 22050));
    const std::int32_t frames = f.frames(), samples = f.audiosamples();
    const std::vector<double> cells = f.pgs[0].param[pglayeracctime].arr.cells;
    f.set_paused(true);
    std::vector<double> levels;
    const std::vector<std::int16_t> rest(voice.begin() + 2 * 22050, voice.end());
    for (std::size_t i = 0; i < rest.size(); i += 2 * 882 * 5) {
        t.feed(std::vector<std::int16_t>(
            rest.begin() + std::ptrdiff_t(i),
            rest.begin() + std::ptrdiff_t(std::min(rest.size(), i + 2 * 882 * 5))));
        levels.push_back(f.live(0).level);
    }
    EXPECT_EQ(f.frames(), frames);
    EXPECT_EQ(f.audiosamples(), samples);
    EXPECT_TRUE(f.pgs[0].param[pglayeracctime].arr.cells == cells);
    ASSERT_GT(levels.size(), 3u);
    EXPECT_NE(levels.front(), levels.back());
    EXPECT_GT(*std::max_element(levels.begin(), levels.end()), 60); // the voice, not silence
}

TEST_F(Pipeline, LouderChannelBlocksTheOther) {
    synth::tsynthparams p = steady(220, 80);
    p.second = synth::tsecondchannel::crosstalk;
    p.crosstalk_db = 20;
    f.advanced.leftblockright = true;
    f.advanced.rightblockleft = true;
    record(p);
    EXPECT_GT(layer_sum(f.pgs[0], pglayeracctime), 1.0);
    EXPECT_EQ(layer_sum(f.pgs[1], pglayeracctime), 0);
    int blocked = 0;
    for (int k = 0; k < f.frames(); ++k)
        if (std::uint32_t(f.paramarr[trackdebug][1][std::size_t(k)]) & 64u) ++blocked;
    EXPECT_GT(blocked, 50);
}

TEST_F(Pipeline, CrossTalkIsAcceptedWithoutTheSwitches) {
    synth::tsynthparams p = steady(220, 80);
    p.second = synth::tsecondchannel::crosstalk;
    p.crosstalk_db = 10;
    record(p);
    EXPECT_GT(layer_sum(f.pgs[1], pglayeracctime), 0.5);
}

TEST_F(Pipeline, MostNegativeSampleOverloadsThisHopAndTheNext) {
    t.start();
    std::vector<std::int16_t> block(2 * 882 * 4, 0);
    block[2 * (882 * 1 + 10)] = -32768;    // hop 1, left
    block[2 * (882 * 3 + 10) + 1] = 32767; // hop 3, right
    std::vector<std::array<bool, 2>> flags;
    bool last = false;
    for (int h = 0; h < 4; ++h) {
        TWaveChunk chunk(block.begin() + 2 * 882 * h, block.begin() + 2 * 882 * (h + 1));
        f.MPCRecord1Fetch(chunk, 2 * 882, last);
        flags.push_back({f.last(0).overloaded, f.last(1).overloaded});
    }
    EXPECT_FALSE(flags[0][0]);
    EXPECT_TRUE(flags[1][0]);
    EXPECT_TRUE(flags[2][0]);
    EXPECT_FALSE(flags[3][0]);
    for (auto& fl : flags) EXPECT_FALSE(fl[1]);
}

TEST_F(Pipeline, DistanceCorrectionScalesThePressure) {
    const auto voice = stereo_of(synth::synthesize(steady(220, 80, 1.0)));
    auto mean_level = [&](bool recalc, double actual) {
        ttestform other;
        other.form.advanced.calibrationrecalculate = recalc;
        other.start();
        other.form.pgs[0].actualdistance = actual;
        other.feed(voice);
        other.form.StopActionExecute();
        double s = 0;
        int n = 0;
        for (int k = 0; k < other.form.frames(); ++k)
            if (other.form.paramarr[trackdebug][0][std::size_t(k)] == 0)
                s += other.form.paramarr[trackspl][0][std::size_t(k)], ++n;
        return s / n;
    };
    const double plain = mean_level(false, 0.3);
    EXPECT_NEAR(mean_level(true, 0.6) - plain, 20 * std::log10(2.0), 0.01);
    EXPECT_NEAR(mean_level(true, 0.3) - plain, 0, 1e-9);
}

// Said once for each Record that meets it, however many blocks (of a recorder or of a
// journal) come after.
TEST_F(Pipeline, MaximumRecordingTimeStopsAndDropsTheBlock) {
    t.start();
    f.audioarrpos = maxaudioarrpos;
    const std::int32_t frames = f.frames();
    std::vector<std::int16_t> block(2 * 2048, 100);
    bool last = false;
    const auto fetch = [&] {
        for (int i = 0; i < 50; ++i) {
            f.audioarrpos = maxaudioarrpos;
            f.MPCRecord1Fetch(block, std::int32_t(block.size()), last);
        }
    };
    fetch();
    EXPECT_FALSE(f.recording());
    EXPECT_EQ(f.frames(), frames);
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_EQ(t.ui.messages[0].caption, "Max time reached");
    EXPECT_EQ(t.ui.messages[0].text, "Maximum recording time reached");
    t.start();
    fetch();
    EXPECT_EQ(t.ui.messages.size(), 2u);
}

TEST_F(Pipeline, StopTrimsTheStoresToWholeFrames) {
    t.start();
    t.feed(std::vector<std::int16_t>(2 * 10000, 50));
    f.StopActionExecute();
    EXPECT_EQ(f.frames(), 10000 / 882);
    EXPECT_EQ(f.audiosamples(), f.frames() * f.downsamplingfactor / 2);
    EXPECT_EQ(f.audioarr[0].size(), std::size_t(f.audiosamples()));
    EXPECT_EQ(f.paramarr[trackspl][0].size(), std::size_t(f.frames()));
    EXPECT_DOUBLE_EQ(f.pgs[0].recordedtime, f.audiosamples() / 44100.0);
}

TEST_F(Pipeline, RecordStartsPausedByDefault) {
    f.RecordActionExecute(true);
    EXPECT_TRUE(f.paused());
    t.feed(stereo_of(synth::synthesize(steady(220, 80, 0.5))));
    EXPECT_EQ(f.frames(), 0);
    f.StopActionExecute();
    EXPECT_FALSE(f.paused());
}

} // namespace
} // namespace gravon
