// Timing of the whole-file analysis as the command line runs it: a synthesized sweep, written
// as a mono 16-bit WAV file, opened and replayed through the analysis driver, and the same
// samples handed to the driver directly (without the file). The counter "x_realtime" is the
// number of seconds of sound analysed per second.
#include "core/main_window.h"
#include "synth/sweep.h"
#include "synth/synth_params.h"
#include "synth/voice_synth.h"
#include "synth/wav_writer.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

namespace {

using namespace gravon;

// Questions are answered No and messages dropped, as in a batch run.
// Every question is answered "no", as a person who wants nothing changed would.
class tquietinterface : public tuserinterface {
  public:
    tanswer tell(const tfact&) override { return tanswer::no; }
};

// A temporary folder holding the sound file and standing in for the per-user settings, so
// that no settings of the machine's user change the analysis.
struct tbenchfiles {
    std::filesystem::path root;
    std::string wavname;
    double seconds = 0;
    synth::tsynthresult sound;

    explicit tbenchfiles(double sweepseconds) {
        std::random_device rd;
        root = std::filesystem::temp_directory_path() / ("gravon_bench_" + std::to_string(rd()));
        std::filesystem::create_directories(root / "config");
        setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        setenv("XDG_CONFIG_DIRS", (root / "common").c_str(), 1);
        synth::tsynthparams p;
        p.phrases = synth::make_sweep(sweepseconds, synth::tsweeprange{}, 1);
        p.keep_float = false;
        sound = synth::synthesize(p);
        wavname = (root / "sweep.wav").string();
        synth::write_wav16(wavname, sound.rate, 1, sound.samples);
        seconds = double(sound.length) / sound.rate;
    }
    ~tbenchfiles() {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
};

tbenchfiles& files() {
    static tbenchfiles f(120);
    return f;
}

// The command line's "/f100 sweep.wav": open, replay, analyse.
void BM_ReplayWavFile(benchmark::State& state) {
    tbenchfiles& f = files();
    tquietinterface ui;
    TForm1 form(ui);
    form.FormActivate({});
    form.commandlinefsd = {100.0f};
    for (auto _ : state) {
        form.Open_soundfile(f.wavname, 0, -1);
        benchmark::DoNotOptimize(form.frames());
    }
    state.counters["x_realtime"] =
        benchmark::Counter(f.seconds * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReplayWavFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// The driver alone: the samples in Pa, in blocks of 2048 frames, the right channel silent.
void BM_DriverMonoBlocks(benchmark::State& state) {
    tbenchfiles& f = files();
    tquietinterface ui;
    TForm1 form(ui);
    form.FormActivate({});
    const trecarr pa = synth::to_pascals(f.sound);
    const std::size_t n = pa[0].size();
    trecarr block(2, tsinglearr(2048, 0.0f));
    const std::array<double, 2> factors{100.0, 1.0};
    for (auto _ : state) {
        form.reset_recording();
        form.Setup_recording_parameters();
        form.holdcount = 0;
        form.reserve_stores(n);
        for (std::size_t i = 0; i + 2048 <= n; i += 2048) {
            std::copy_n(pa[0].begin() + std::ptrdiff_t(i), 2048, block[0].begin());
            form.crunch_arr(block, factors);
        }
        benchmark::DoNotOptimize(form.frames());
        form.reset_audio_store();
    }
    state.counters["x_realtime"] =
        benchmark::Counter(f.seconds * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DriverMonoBlocks)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
