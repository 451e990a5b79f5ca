// The whole analysis, bit for bit: synthesized signals run through the recorder intake and
// the sound-file replay, and every stored track value, audio sample, phonetogram cell, noise
// table entry and live value is folded into checksums of its exact bit patterns. The golden
// checksums were taken from the straightforward implementation of the analysis, before any of
// its work was skipped, cached or reordered for speed, so a faster analysis that changes any
// result in any bit fails here.
//
// To print the checksums of the current code (after a deliberate change of the results):
//   GRAVON_PRINT_CHECKSUMS=1 ./analysis_equivalence_test
#include "core/test_form.h"
#include "phonetogram/pg_param.h"
#include "synth/sweep.h"
#include "synth/synth_params.h"
#include "synth/wav_writer.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace gravon {
namespace {

using testing::stereo_of;
using testing::ttestform;

// FNV-1a over the bytes of the values, in order.
struct tchecksum {
    std::uint64_t h = 14695981039346656037ull;
    std::uint64_t n = 0;
    void bytes(const void* p, std::size_t len) {
        const auto* b = static_cast<const unsigned char*>(p);
        for (std::size_t i = 0; i < len; ++i) {
            h ^= b[i];
            h *= 1099511628211ull;
        }
    }
    template <class T> void add(T v) {
        bytes(&v, sizeof v);
        ++n;
    }
};

struct tsums {
    std::uint64_t tracks = 0, audio = 0, cells = 0, noise = 0, live = 0, display = 0;
    std::int32_t frames = 0, samples = 0, accepted = 0;
};

bool printing() {
    return std::getenv("GRAVON_PRINT_CHECKSUMS") != nullptr;
}

void add_measures(tchecksum& c, const tchannelmeasures& m) {
    c.add(m.f0);
    c.add(m.semitone);
    c.add(m.level);
    c.add(m.power);
    c.add(m.crestlevel);
    c.add(m.h1h2);
    c.add(m.centroid);
    c.add(m.hnr);
    c.add(m.maxpartno);
    c.add(m.killpoint.value());
    c.add(m.peakfreq);
    c.add(m.overloaded);
    c.add(m.peak);
}

// The spectra, partial flags and noise quantiles as the live display reads them.
void add_display(tchecksum& c, TForm1& f) {
    for (int ch = 0; ch < 2; ++ch) {
        for (double v : f.analyser.outdb(ch)) c.add(v);
        for (double v : f.analyser.outabs2(ch)) c.add(v);
        for (auto v : f.analyser.isharm(ch)) c.add(v);
        for (double v : f.analyser.specnoisequantile(ch)) c.add(v);
    }
    c.add(f.analyser.peakfreq());
}

tsums sums_of(TForm1& f, std::uint64_t display) {
    tsums s;
    s.frames = f.frames();
    s.samples = f.audiosamples();
    tchecksum tracks, audio, cells, noise, live;
    // The voice-quality rows and layers came later; the golden sums cover the ones before.
    for (std::size_t row = 1; row < std::size_t(trackcpps); ++row)
        for (int ch = 0; ch < 2; ++ch)
            for (int k = 0; k < f.frames(); ++k) tracks.add(f.paramarr[row][ch][std::size_t(k)]);
    for (int ch = 0; ch < 2; ++ch)
        for (int k = 0; k < f.audiosamples(); ++k) audio.add(f.audioarr[ch][std::size_t(k)]);
    for (int p = 0; p < 2; ++p) {
        const std::vector<tpgparam>& layers = f.pgs[std::size_t(p)].param;
        for (std::size_t l = 0; l < layers.size() && l < pglayercpps; ++l)
            for (double v : layers[l].arr.cells) cells.add(v);
        cells.add(f.pgs[std::size_t(p)].recordedtime);
    }
    for (int ch = 0; ch < 2; ++ch) {
        const tbackgroundnoise& nz = f.analyser.noise(ch);
        noise.add(nz.spechistcount());
        for (double v : nz.specnoisequantile()) noise.add(v);
        for (int k = 0; k < nz.nbins(); ++k)
            for (int i = 0; i < tbackgroundnoise::nclasses; ++i) noise.add(nz.spechist(k, i));
        add_measures(live, f.live(ch));
        add_measures(live, f.last(ch));
        live.add(f.analyser.prevpower(ch));
        live.add(f.analyser.prevf0(ch));
        live.add(f.audiopeak[std::size_t(ch)]);
        live.add(f.recarroverloaded[std::size_t(ch)]);
    }
    for (int k = 0; k < f.frames(); ++k)
        for (int ch = 0; ch < 2; ++ch)
            if (f.paramarr[trackdebug][ch][std::size_t(k)] == 0.0f) ++s.accepted;
    s.tracks = tracks.h;
    s.audio = audio.h;
    s.cells = cells.h;
    s.noise = noise.h;
    s.live = live.h;
    s.display = display;
    return s;
}

void expect_sums(const char* name, const tsums& got, const tsums& want) {
    if (printing()) {
        std::printf("    // %s\n    {0x%016llxull, 0x%016llxull, 0x%016llxull, 0x%016llxull,\n"
                    "     0x%016llxull, 0x%016llxull, %d, %d, %d},\n",
                    name, (unsigned long long)got.tracks, (unsigned long long)got.audio,
                    (unsigned long long)got.cells, (unsigned long long)got.noise,
                    (unsigned long long)got.live, (unsigned long long)got.display, got.frames,
                    got.samples, got.accepted);
        return;
    }
    EXPECT_EQ(got.frames, want.frames) << name;
    EXPECT_EQ(got.samples, want.samples) << name;
    EXPECT_EQ(got.accepted, want.accepted) << name;
    EXPECT_EQ(got.tracks, want.tracks) << name << ": tracks differ";
    EXPECT_EQ(got.audio, want.audio) << name << ": audio differs";
    EXPECT_EQ(got.cells, want.cells) << name << ": phonetogram cells differ";
    EXPECT_EQ(got.noise, want.noise) << name << ": noise tables differ";
    EXPECT_EQ(got.live, want.live) << name << ": live values differ";
    EXPECT_EQ(got.display, want.display) << name << ": display spectra differ";
}

synth::tsynthparams steady(double f0, double spl, double seconds) {
    synth::tsynthparams p;
    p.phrases = {synth::steady_phrase(seconds, f0, spl)};
    return p;
}

class Equivalence : public ::testing::Test {
  protected:
    ttestform t;
    TForm1& f = t.form;
    tchecksum display; // display spectra, read after every hop where asked

    // The checksums are those of the F0 search without the subharmonic guard, which the
    // guard switched off must give bit for bit.
    void SetUp() override {
        f.advanced.calibrationrecalculate = false;
        f.advanced.subharmonicguard = false;
    }

    // Reads the live display after every hop from now on.
    void watch_display() {
        f.onhopanalysed = [this] { add_display(display, f); };
    }
    void record(const std::vector<std::int16_t>& stereo, std::size_t block = 1024) {
        t.start();
        t.feed(stereo, block);
        f.StopActionExecute();
    }
    tsums finish() {
        add_display(display, f);
        return sums_of(f, display.h);
    }
};

// ---- Recorder intake ----

TEST_F(Equivalence, MonoVowelWithSilentRightChannel) {
    watch_display();
    synth::tsynthparams p = synth::make_example_params();
    record(stereo_of(synth::synthesize(p)));
    expect_sums("MonoVowelWithSilentRightChannel", finish(),
                {0xf3d2feade05e1cfcull, 0x9afbddd55f6876b7ull, 0x693f1086ae5642acull,
                 0xaea9406b48bef0f8ull, 0x8fd4620eb3ec2028ull, 0x8dd79338560ea80cull, 260, 229320,
                 199});
}

TEST_F(Equivalence, StereoCrossTalkWithBlocking) {
    synth::tsynthparams p = steady(196, 82, 3.0);
    p.phrases.push_back(synth::glide_phrase(2.0, 300, 150, 70, 90));
    p.phrases[1].points[0].time = 3.5;
    p.phrases[1].points[1].time = 5.5;
    p.second = synth::tsecondchannel::crosstalk;
    p.crosstalk_db = 8;
    f.advanced.leftblockright = true;
    f.advanced.rightblockleft = true;
    f.advanced.leftblockrightthreshold = 6;
    record(stereo_of(synth::synthesize(p)), 700);
    expect_sums("StereoCrossTalkWithBlocking", finish(),
                {0xa6bc9f976073908eull, 0xd8fa15591856fb97ull, 0x3b1d561721891d08ull,
                 0x4814c2f660abe231ull, 0x7f19662ae401b9a8ull, 0x0dd33a61f60207d8ull, 335, 295470,
                 246});
}

TEST_F(Equivalence, StereoCrossTalkWithoutBlocking) {
    synth::tsynthparams p = steady(440, 78, 2.5);
    p.second = synth::tsecondchannel::crosstalk;
    p.crosstalk_db = 12;
    p.seed = 5;
    record(stereo_of(synth::synthesize(p)), 2048);
    expect_sums("StereoCrossTalkWithoutBlocking", finish(),
                {0x33b16207415fd98bull, 0x9cf31844cdf277e7ull, 0x6d005d73b637b869ull,
                 0x56a6567b3b3d2b18ull, 0x597dec867556c918ull, 0xff91229368884225ull, 185, 163170,
                 246});
}

TEST_F(Equivalence, RoomNoiseOnly) {
    watch_display();
    synth::tsynthparams p;
    p.phrases.clear();
    p.leadin = 3.0;
    p.noise_spl = 38;
    p.second = synth::tsecondchannel::noise;
    record(stereo_of(synth::synthesize(p)), 512);
    expect_sums("RoomNoiseOnly", finish(),
                {0x47a099e7fd2f7489ull, 0x4d83af22f4c54fa5ull, 0x0b7825fc033230bdull,
                 0x8a4ac632f27ac3caull, 0x8eaf5444a0615fbcull, 0xffd7d46949b96f1bull, 160, 141120,
                 0});
}

TEST_F(Equivalence, ClippedLoudVoice) {
    synth::tsynthparams p = steady(262, 118, 2.0);
    p.clip = true;
    p.clip_level = 0.6;
    record(stereo_of(synth::synthesize(p)), 1000);
    expect_sums("ClippedLoudVoice", finish(),
                {0x49798877cc30efd8ull, 0x02de0fc8a1b3c10cull, 0x7dec1f137e8989d3ull,
                 0xd3e0d3287ac8c13eull, 0x0ce33021c08ae399ull, 0xe9d900ddc97a3ac5ull, 160, 141120,
                 99});
}

// The right channel carries noise, then exact silence, then noise again: the high-pass
// filters ring out into the silence, and the silence ends inside a hop.
TEST_F(Equivalence, RightChannelFallsSilentAndWakesUp) {
    watch_display();
    synth::tsynthparams p = steady(330, 80, 4.0);
    p.second = synth::tsecondchannel::noise;
    p.noise_spl = 40;
    std::vector<std::int16_t> s = stereo_of(synth::synthesize(p));
    const std::size_t frames = s.size() / 2;
    for (std::size_t i = frames / 4; i < frames / 4 + 44100 * 2 + 300; ++i) s[2 * i + 1] = 0;
    // A single sample in the middle of the silence.
    s[2 * (frames / 4 + 44100) + 1] = 3;
    record(s, 1024);
    expect_sums("RightChannelFallsSilentAndWakesUp", finish(),
                {0xddc3e39679ede123ull, 0xb05883f4e24f0983ull, 0xa255421009bc9709ull,
                 0xc1cb33c15fd0f930ull, 0xaaad81ee23e5b0f7ull, 0x334f34ac1c282407ull, 260, 229320,
                 193});
}

// Settings under which a silent window passes the block tests and enters the noise count,
// and settings changed between deliveries: the search band, the quantile and the noise range.
TEST_F(Equivalence, UnusualSettingsAndChangesBetweenDeliveries) {
    watch_display();
    f.advanced.noiselo = {-2000.0, -2000.0};
    f.advanced.noisehi = {45.0, 60.0};
    f.advanced.maxhfblocklevel = -4000;
    f.advanced.lfblockthreshold = 4000;
    f.advanced.noisequantile = 0.25;
    synth::tsynthparams p = steady(150, 75, 6.0);
    p.leadin = 1.5;
    p.seed = 9;
    const std::vector<std::int16_t> s = stereo_of(synth::synthesize(p));
    t.start();
    const std::size_t third = (s.size() / 2 / 3) * 2;
    t.feed({s.begin(), s.begin() + std::ptrdiff_t(third)}, 1024);
    f.analysisparams.noisequantile = 0.75;
    f.analysisparams.lof0limit = 80;
    f.analysisparams.hif0limit = 1200;
    t.feed({s.begin() + std::ptrdiff_t(third), s.begin() + std::ptrdiff_t(2 * third)}, 333);
    f.analysisparams.noisequantile = 0.5;
    f.analysisparams.lof0limit = 60;
    f.analysisparams.hif0limit = 2500;
    f.analysisparams.noiselo = {25.0, 25.0};
    f.analysisparams.maxhfblocklevel = 70;
    f.analysisparams.lfblockthreshold = -10;
    t.feed({s.begin() + std::ptrdiff_t(2 * third), s.end()}, 4096);
    f.StopActionExecute();
    expect_sums("UnusualSettingsAndChangesBetweenDeliveries", finish(),
                {0x058fbd8e4ff73167ull, 0x6ad0f15933137537ull, 0x5d696ea0f662d3e6ull,
                 0x4b96d87fb781f3cfull, 0xb9c6dfa8c2e4602aull, 0xecb4adfd2c2dfd19ull, 385, 339570,
                 118});
}

// A pause keeps the noise measurement and the live values running; a second start appends.
TEST_F(Equivalence, PauseAndSecondStart) {
    synth::tsynthparams p = steady(247, 84, 3.0);
    p.second = synth::tsecondchannel::crosstalk;
    const std::vector<std::int16_t> s = stereo_of(synth::synthesize(p));
    const std::size_t half = (s.size() / 4) * 2;
    t.start();
    t.feed({s.begin(), s.begin() + std::ptrdiff_t(half / 2)});
    f.set_paused(true);
    t.feed({s.begin() + std::ptrdiff_t(half / 2), s.begin() + std::ptrdiff_t(half)});
    f.set_paused(false);
    f.StopActionExecute();
    t.start();
    t.feed({s.begin() + std::ptrdiff_t(half), s.end()}, 1500);
    f.StopActionExecute();
    expect_sums("PauseAndSecondStart", finish(),
                {0xc722f25f4a4bd773ull, 0x49bc23d1c544ecd0ull, 0x345960eade77187full,
                 0xfece15c495b3de2aull, 0x2dbaa7418eb227e5ull, 0x04a7b6143c7440a2ull, 157, 138474,
                 170});
}

// ---- Sound-file replay, as the command line runs it ----

TEST_F(Equivalence, SweepReplayedFromWavFile) {
    synth::tsynthparams p;
    p.phrases = synth::make_sweep(40, synth::tsweeprange{}, 7);
    p.leadin = 1.0;
    const synth::tsynthresult r = synth::synthesize(p);
    const std::string name = (t.config.root / "files" / "sweep.wav").string();
    synth::write_wav16(name, r.rate, 1, r.samples);
    f.commandlinefsd = {100.0f};
    f.Open_soundfile(name, 0, -1);
    expect_sums("SweepReplayedFromWavFile", finish(),
                {0x0d5de53bb0a9f231ull, 0x7ff9010115b37876ull, 0x4f2b330e2f834ca8ull,
                 0xf6234a783c3faaa8ull, 0xcdbaca748092f7b7ull, 0x2a51da95aebe420aull, 2008, 1771056,
                 1758});
}

TEST_F(Equivalence, StereoWavFileRightChannelReplayed) {
    synth::tsynthparams p = steady(175, 88, 2.5);
    p.second = synth::tsecondchannel::crosstalk;
    const synth::tsynthresult r = synth::synthesize(p);
    const std::string name = (t.config.root / "files" / "stereo.wav").string();
    synth::write_wav16(name, r.rate, 2, r.samples);
    f.commandlinefsd = {100.0f, 50.0f};
    f.Open_soundfile(name, 1, -1);
    expect_sums("StereoWavFileRightChannelReplayed", finish(),
                {0x12d1a2d876a79435ull, 0x3dd88944f91a3d90ull, 0x05139d3f71aa9b47ull,
                 0x278d11ba4d18c81aull, 0x19432b30c32e0abdull, 0x6c197fee2517fc87ull, 183, 161406,
                 123});
}

} // namespace
} // namespace gravon
