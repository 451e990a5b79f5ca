// Speed of the analysis chain on synthesized voices: the per-hop analysis of both channels,
// and a whole sound file replayed through the driver the way opening a file does it.
#include "analysis/analysis_tracks.h"
#include "base/random.h"
#include "core/main_window.h"
#include "core/user_interface.h"
#include "synth/sweep.h"
#include "synth/voice_synth.h"

#include <algorithm>
#include <array>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <memory>
#include <vector>

using namespace gravon;
using namespace gravon::synth;

namespace {

constexpr double kfullscale = 100.0; // Pa at sample value 32767
constexpr std::size_t kreplayblock = 2048;

// A main window after start-up, prepared for a replay as opening a sound file prepares it.
struct tform {
    tsilentinterface ui;
    std::unique_ptr<TForm1> form;

    tform() : form(std::make_unique<TForm1>(ui)) {
        form->FormActivate({});
        prepare();
    }
    void prepare() {
        RandSeed(0);
        form->reset_recording();
        form->Setup_recording_parameters();
        form->holdcount = 0;
        form->arrpos = -1;
        form->audioarrpos = -1;
    }
};

tsynthparams vowel(double f0, double spl, double seconds, std::uint64_t seed) {
    tsynthparams p;
    p.phrases = {steady_phrase(seconds, f0, spl)};
    p.fullscale_pa = kfullscale;
    p.seed = seed;
    p.keep_float = false;
    return p;
}

// Two channels in Pa: channel 0 a vowel at 220 Hz; channel 1 a second vowel at 330 Hz (other
// seed, so its noise and perturbations are independent) or only room noise.
trecarr two_channels(bool voiced_right) {
    const tsynthresult left = synthesize(vowel(220, 80, 4.0, 1));
    tsynthparams rp = vowel(330, 80, 4.0, 2);
    if (!voiced_right) rp.phrases.clear();
    rp.tail = left.length / double(left.rate) - rp.leadin - phonation_end(rp);
    const tsynthresult right = synthesize(rp);
    trecarr l = to_pascals(left), r = to_pascals(right);
    const std::size_t n = std::min(l[0].size(), r[0].size());
    l[0].resize(n);
    r[0].resize(n);
    return {std::move(l[0]), std::move(r[0])};
}

// One iteration analyses one hop. The signal is run through once first (room noise lead-in
// included, so the background noise is measured), then the voiced part is cycled through.
// The hops are cut beforehand so that the timed loop holds nothing but the analysis. The
// stores are rewound now and then so that they never reach the recording limit; that leaves
// the analyser's state untouched.
void analyse_hops(benchmark::State& state, bool voiced_right) {
    const trecarr signal = two_channels(voiced_right);
    tform t;
    TForm1& f = *t.form;
    const std::size_t hop = f.recarr[0].size();
    std::vector<trecarr> hops(signal[0].size() / hop, trecarr(2, tsinglearr(hop)));
    for (std::size_t k = 0; k < hops.size(); ++k)
        for (int c = 0; c < 2; ++c)
            std::copy_n(signal[c].begin() + std::ptrdiff_t(k * hop), hop, hops[k][c].begin());
    const std::array<double, 2> factors{kfullscale, kfullscale};
    for (const trecarr& h : hops) {
        f.holdcount += std::int32_t(hop);
        f.crunch_recarr(h, factors);
    }
    // Voiced hops: from 1.1 s to 4.9 s of the signal (the phonation runs from 1 s to 5 s).
    const std::size_t first = std::size_t(1.1 * 44100) / hop;
    const std::size_t last = std::size_t(4.9 * 44100) / hop;
    std::size_t k = first;
    std::int64_t accepted[2] = {0, 0};
    for (auto _ : state) {
        if (f.arrpos > 20000) f.arrpos = -1, f.audioarrpos = -1;
        f.holdcount += std::int32_t(hop);
        f.crunch_recarr(hops[k], factors);
        if (++k == last) k = first;
        for (int c = 0; c < 2; ++c) accepted[c] += f.last(c).killpoint.empty();
    }
    state.counters["hops_per_s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["s_per_hop"] = benchmark::Counter(
        double(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    const double n = std::max<double>(1.0, double(state.iterations()));
    state.counters["accepted_left"] = double(accepted[0]) / n;
    state.counters["accepted_right"] = double(accepted[1]) / n;
}

void BM_crunch_recarr_voice_left(benchmark::State& state) {
    analyse_hops(state, false);
}
void BM_crunch_recarr_voice_both(benchmark::State& state) {
    analyse_hops(state, true);
}

// A 60 s mono phonation (room noise, then phrases wandering over pitch and level) replayed in
// blocks of 2048 frames with the second channel silent, as opening a WAV file does it.
void BM_whole_file_60s(benchmark::State& state) {
    tsynthparams p;
    p.fullscale_pa = kfullscale;
    p.leadin = 1.0;
    p.tail = 0.2;
    p.phrases = make_sweep(60.0 - p.leadin - p.tail, tsweeprange{}, 1);
    p.keep_float = false;
    const tsynthresult r = synthesize(p);
    const tsinglearr pa = to_pascals(r)[0];
    const double audio_s = double(pa.size()) / r.rate;

    trecarr block(2, tsinglearr(kreplayblock, 0.0f));
    const std::array<double, 2> factors{kfullscale, 1.0};
    std::int64_t frames = 0, accepted = 0;
    double wall = 0, cpu = 0; // s spent in the timed part
    for (auto _ : state) {
        // A fresh window per run, built outside the timing: the stores grow from empty as
        // they do when a file is opened after start-up.
        state.PauseTiming();
        auto t = std::make_unique<tform>();
        TForm1& f = *t->form;
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        const std::clock_t cpustart = std::clock();
        t->prepare();
        for (std::size_t i = 0; i + kreplayblock <= pa.size(); i += kreplayblock) {
            std::copy_n(pa.begin() + std::ptrdiff_t(i), kreplayblock, block[0].begin());
            f.crunch_arr(block, factors);
        }
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpu += double(std::clock() - cpustart) / CLOCKS_PER_SEC;
        state.PauseTiming();
        frames += f.frames();
        for (std::int32_t k = 0; k < f.frames(); ++k)
            accepted += f.paramarr[trackdebug][0][std::size_t(k)] == 0;
        t.reset();
        state.ResumeTiming();
    }
    // Audio seconds per wall second of the analysis.
    state.counters["x_real_time"] = wall > 0 ? audio_s * double(state.iterations()) / wall : 0.0;
    // The same per CPU second, which other work on the machine does not change.
    state.counters["x_real_time_cpu"] = cpu > 0 ? audio_s * double(state.iterations()) / cpu : 0.0;
    state.counters["audio_s"] = audio_s;
    state.counters["accepted_share"] = frames > 0 ? double(accepted) / double(frames) : 0.0;
}

} // namespace

BENCHMARK(BM_crunch_recarr_voice_left)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_crunch_recarr_voice_both)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_whole_file_60s)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5.0);

BENCHMARK_MAIN();
