// The batch run of the command line end to end: analyse a calibrated WAV, save the three
// result files, and read them back.
#include "core/test_form.h"
#include "files/smp_file.h"
#include "phonetogram/pg_param.h"
#include "synth/synth_params.h"
#include "synth/wav_writer.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace gravon {
namespace {

namespace fs = std::filesystem;
using testing::ttestform;

class BatchRun : public ::testing::Test {
  protected:
    ttestform t;
    TForm1& f = t.form;
    std::string voice;

    void SetUp() override {
        synth::tsynthparams p;
        p.phrases = {synth::glide_phrase(2.0, 200, 260, 76, 84)};
        p.fullscale_pa = 14.1 * 4;
        const synth::tsynthresult r = synth::synthesize(p);
        voice = (t.config.root / "files" / "voice.wav").string();
        synth::write_wav16(voice, r.rate, r.channels, r.samples);
    }
    std::string result(const std::string& name) {
        return (t.config.root / "files" / name).string();
    }
};

TEST_F(BatchRun, WritesThreeFilesThatReadBackAsAnalysed) {
    EXPECT_TRUE(f.execute_command_line({"/f56.4", voice, "/s", "/c"}));
    EXPECT_TRUE(f.closerequested);
    for (const char* name : {"voice_pg.stdpg", "voice_an.smp", "voice_an.kavell"})
        EXPECT_TRUE(fs::exists(result(name))) << name;
    EXPECT_FALSE(f.stdpgmodified());
    EXPECT_FALSE(f.soundmodified());
    // Closing after /s has nothing left to ask.
    EXPECT_TRUE(f.FormCloseQuery());
    EXPECT_TRUE(t.ui.questions.empty());

    double total = 0;
    for (double v : f.pgs[0].param[pglayeracctime].arr.cells) total += v;
    ASSERT_GT(total, 1.5);

    // The phonetogram read back equals the one analysed, cell for cell (stored as 32-bit
    // floats).
    ttestform other;
    ASSERT_TRUE(other.form.open_stdpg(result("voice_pg.stdpg"), 2));
    ASSERT_EQ(other.form.pgs.size(), 3u);
    const tpg& back = other.form.pgs[2];
    const tpg& orig = f.pgs[0];
    for (std::size_t layer = pglayeracctime; layer <= pglayermaxpartno; ++layer) {
        ASSERT_LT(layer, back.param.size());
        EXPECT_EQ(back.param[layer].name, orig.param[layer].name);
        for (int x = 0; x < nf0bins; ++x)
            for (int y = 0; y < nlevelbins; ++y) {
                const double a = orig.param[layer].arr[x][y];
                if (orig.param[pglayeracctime].arr[x][y] <= 0) continue;
                EXPECT_EQ(back.param[layer].arr[x][y], double(float(a)))
                    << layer << " " << x << " " << y;
            }
    }

    // The SMP holds the audio and the default tracks (SPL, fo) of channel 0.
    TSMPfile smp;
    ASSERT_TRUE(smp.open_file(result("voice_an.smp"), true));
    ASSERT_EQ(smp.nChans(), 3);
    const std::int32_t hop = f.downsamplingfactor / 2;
    std::vector<std::vector<double>> ch(3);
    for (int c = 0; c < 3; ++c) {
        const tdoublepair range = smp.ChannelRange(c), view = smp.ChannelView(c);
        tsamplechunk chunk;
        smp.ChannelRewind(c);
        for (;;) {
            smp.ChannelChunk(c, chunk);
            if (chunk.used <= 0) break;
            for (std::int32_t i = 0; i < chunk.used; ++i)
                ch[std::size_t(c)].push_back(view.lo + (chunk.data[std::size_t(i)] - range.lo) *
                                                           (view.hi - view.lo) /
                                                           (range.hi - range.lo));
        }
    }
    ASSERT_EQ(ch[0].size(), std::size_t(f.audiosamples()));
    const double step = std::fabs(smp.ChannelView(0).hi) / 32768.0;
    for (std::size_t i = 0; i < ch[0].size(); i += 101)
        EXPECT_NEAR(ch[0][i], f.audioarr[0][i], 2 * step) << i;
    const double fostep = (smp.ChannelView(2).hi - smp.ChannelView(2).lo) / 65536.0;
    for (std::int32_t k = 0; k < f.frames(); ++k) {
        // Each frame value is repeated over the frame's samples.
        const double fo = f.paramarr[trackfo][0][std::size_t(k)];
        const double saved = ch[2][std::size_t(k * hop + hop / 2)];
        if (fo > 0) {
            EXPECT_NEAR(saved, fo, 2 * fostep) << k;
        }
    }
}

TEST_F(BatchRun, SaveBeforeAnyFileUsesAnEmptyBaseName) {
    const fs::path old = fs::current_path();
    fs::current_path(t.config.root / "files");
    f.execute_command_line({"/s"});
    fs::current_path(old);
    for (const char* name : {"_pg.stdpg", "_an.smp", "_an.kavell"})
        EXPECT_TRUE(fs::exists(t.config.root / "files" / name)) << name;
}

TEST_F(BatchRun, SameInputGivesTheSameResultFiles) {
    f.execute_command_line({"/f56.4", voice, "/s"});
    const auto read = [](const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string first = read(result("voice_an.kavell"));
    const tpgarr cells = f.pgs[0].param[pglayeracctime].arr;
    ttestform again;
    again.form.execute_command_line({"/f56.4", voice, "/s"});
    EXPECT_TRUE(again.form.pgs[0].param[pglayeracctime].arr.cells == cells.cells);
    EXPECT_FALSE(first.empty());
}

} // namespace
} // namespace gravon
