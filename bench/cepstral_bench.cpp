// Speed of the smoothed cepstral peak prominence on a synthesized vowel: a hop's value with the
// default frames (one every 10 ms, one position a hop) and with Praat's (every 2 ms, every
// frame), and the two steps a value is made of, one frame's power cepstrum and the prominence
// of a smoothed cepstrum.
#include "analysis/cepstral_peak.h"
#include "synth/sweep.h"
#include "synth/voice_synth.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <vector>

using namespace gravon;
using namespace gravon::synth;

namespace {

constexpr double kfs = 44100;
constexpr int khop = 882;

std::vector<float> vowel_samples() {
    tsynthparams p;
    p.phrases = {steady_phrase(4.0, 180, 80)};
    p.fullscale_pa = 100;
    p.seed = 1;
    p.keep_float = false;
    const tsynthresult r = synthesize(p);
    std::vector<float> x(r.samples.size() / std::size_t(r.channels));
    for (std::size_t i = 0; i < x.size(); ++i) x[i] = float(r.samples[i * std::size_t(r.channels)]);
    return x;
}

void hops(benchmark::State& state, const tcppssettings& s) {
    const std::vector<float> x = vowel_samples();
    tcppstrack track;
    track.prepare(kfs, khop, s);
    const std::size_t nhops = x.size() / khop;
    std::size_t h = 0;
    for (auto _ : state) {
        if (h == nhops) {
            h = 0;
            track.reset();
        }
        track.push(std::span<const float>(x.data() + h * khop, khop));
        benchmark::DoNotOptimize(track.hopvalue(khop));
        ++h;
    }
}

void BM_cpps_hop_default(benchmark::State& state) {
    tcppssettings s;
    s.timestep = 0.01;
    s.hoppositions = 1;
    hops(state, s);
}

void BM_cpps_hop_every_frame(benchmark::State& state) {
    hops(state, tcppssettings{});
}

void BM_cepstrum_frame(benchmark::State& state) {
    const std::vector<float> x = vowel_samples();
    tpowercepstrum c;
    c.prepare(10000, tcppssettings{});
    std::vector<double> frame(std::size_t(c.windowlength() + 1)),
        cep(std::size_t(c.nquefrencies()));
    // The vowel at 44.1 kHz read as if at 10 kHz: a voice of some 800 Hz, spectrally full.
    for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = x[20000 + i];
    for (auto _ : state) {
        c.compute(frame, cep);
        benchmark::DoNotOptimize(cep.data());
    }
}

void BM_cepstrum_prominence(benchmark::State& state) {
    const std::vector<float> x = vowel_samples();
    tpowercepstrum c;
    c.prepare(10000, tcppssettings{});
    std::vector<double> frame(std::size_t(c.windowlength() + 1)),
        cep(std::size_t(c.nquefrencies())), scratch(cep.size());
    for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = x[20000 + 4 * i];
    c.compute(frame, cep);
    for (auto _ : state) {
        scratch = cep;
        benchmark::DoNotOptimize(c.prominence(scratch));
    }
}

BENCHMARK(BM_cpps_hop_default);
BENCHMARK(BM_cpps_hop_every_frame);
BENCHMARK(BM_cepstrum_frame);
BENCHMARK(BM_cepstrum_prominence);

} // namespace

BENCHMARK_MAIN();
