// Timing of the analysis spectrum: a 2048-point transform of a 1764-sample Hanning window,
// read as the analysis reads it (dB and power spectra), and of its parts.
#include "analysis/fft.h"

#include <benchmark/benchmark.h>
#include <cmath>

namespace {

using gravon::TFFT;
using gravon::TFFTWindow;

gravon::tdoublearr testsignal(int w) {
    gravon::tdoublearr x(static_cast<std::size_t>(w));
    for (int i = 0; i < w; ++i)
        x[i] =
            1000.0 * std::sin(0.0441 * i) + 300.0 * std::sin(0.173 * i + 1.0) + std::cos(0.9 * i);
    return x;
}

TFFT analysisfft(int n, int w) {
    TFFT fft;
    fft.setWindow(TFFTWindow::Hanning);
    fft.setFFTSize(n);
    fft.setWindowSize(w);
    return fft;
}

// What one channel of one analysis hop costs: new input, then OutdB and OutAbs2.
void BM_AnalysisSpectrum(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0));
    TFFT fft = analysisfft(2048, w);
    const auto x = testsignal(w);
    for (auto _ : state) {
        fft.setInRe(x);
        benchmark::DoNotOptimize(fft.OutdB().data());
        benchmark::DoNotOptimize(fft.OutAbs2().data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AnalysisSpectrum)->Arg(1764)->Arg(2048);

// The transform alone (real input).
void BM_TransformOnly(benchmark::State& state) {
    TFFT fft = analysisfft(2048, 1764);
    const auto x = testsignal(1764);
    for (auto _ : state) {
        fft.setInRe(x);
        benchmark::DoNotOptimize(fft.OutRe().data());
    }
}
BENCHMARK(BM_TransformOnly);

// A complex input (IgnoreInIm off) runs the full-size transform.
void BM_ComplexTransform(benchmark::State& state) {
    TFFT fft = analysisfft(2048, 1764);
    fft.setIgnoreInIm(false);
    const auto x = testsignal(1764);
    fft.setInIm(x);
    for (auto _ : state) {
        fft.setInRe(x);
        benchmark::DoNotOptimize(fft.OutRe().data());
    }
}
BENCHMARK(BM_ComplexTransform);

// Derived outputs on a transform already computed.
void BM_OutdBOnly(benchmark::State& state) {
    TFFT fft = analysisfft(2048, 1764);
    fft.setInRe(testsignal(1764));
    fft.OutRe();
    for (auto _ : state) {
        fft.setDirty(true);
        benchmark::DoNotOptimize(fft.OutdB().data());
    }
}
BENCHMARK(BM_OutdBOnly);

// Two channels per 20 ms hop: the real-time factor of the spectra alone is
// 0.020 s / (2 * time per item).
void BM_HopTwoChannels(benchmark::State& state) {
    TFFT fft1 = analysisfft(2048, 1764);
    TFFT fft2 = analysisfft(2048, 1764);
    const auto x = testsignal(1764);
    for (auto _ : state) {
        fft1.setInRe(x);
        fft2.setInRe(x);
        benchmark::DoNotOptimize(fft1.OutdB().data());
        benchmark::DoNotOptimize(fft1.OutAbs2().data());
        benchmark::DoNotOptimize(fft2.OutdB().data());
        benchmark::DoNotOptimize(fft2.OutAbs2().data());
    }
    state.counters["realtime_x"] = benchmark::Counter(
        0.020 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_HopTwoChannels);

} // namespace

BENCHMARK_MAIN();
