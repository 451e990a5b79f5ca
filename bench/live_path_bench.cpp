// The live path as the window runs it, without painting: a 30-minute take on a simulated sound
// card whose buffers (24-bit stereo, 1024 frames, about 23 ms) go through the recorder, the
// journal, the intake, the hops and the binning. Each buffer's handling is timed on its own;
// the counters give the worst case, the 99.9th percentile and the median in microseconds of wall
// time and of the thread's CPU time (which leaves out the time a busy machine gave to others),
// and the allocations made while handling buffers, against the growth steps of the stores.
// The take runs about 500 times faster than real time, so its journal is written at some
// 130 MB/s, where the kernel holds writers back to let the disk catch up; at the real rate of
// 264 kB/s it never does. TMPDIR=/dev/shm keeps the journal in memory and shows the path's own
// worst case.
#include "audio/simulated_wave_service.h"
#include "core/main_window.h"
#include "synth/sweep.h"
#include "synth/synth_params.h"
#include "synth/voice_synth.h"

#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <random>
#include <sys/resource.h>
#include <time.h>

namespace {

std::atomic<long> allocations{0};

} // namespace

void* operator new(std::size_t n) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

using namespace gravon;

// CPU time of this thread: what the handling costs, without the time the machine gave to
// others meanwhile.
double thread_cpu_us() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e6 + double(t.tv_nsec) / 1e3;
}

// Every question is answered "no", as a person who wants nothing changed would.
// Page faults of this thread so far: a buffer that takes some may have waited on the kernel
// making memory (large pages zeroed or compacted) rather than on the path's own work.
long thread_page_faults() {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return u.ru_minflt + u.ru_majflt;
}

class tquietinterface : public tuserinterface {
  public:
    tanswer tell(const tfact&) override { return tanswer::no; }
};

struct tdevices : taudiodevices {
    tsimulatedwavein* in = nullptr;
    tsimulatedsource source;
    std::unique_ptr<twaveinservice> make_wavein() override {
        auto p = std::make_unique<tsimulatedwavein>();
        p->names = {"Simulated microphone"};
        p->source = source;
        in = p.get();
        return p;
    }
    std::unique_ptr<twaveoutservice> make_waveout() override {
        auto p = std::make_unique<tsimulatedwaveout>();
        p->names = {"Simulated speakers"};
        return p;
    }
};

void BM_live_take_30min(benchmark::State& state) {
    std::random_device rd;
    const auto root =
        std::filesystem::temp_directory_path() / ("gravon_live_" + std::to_string(rd()));
    setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    // Ten minutes of phrases over pitch and level, played three times over: 30 minutes.
    synth::tsynthparams p;
    p.phrases = synth::make_sweep(600, synth::tsweeprange{}, 1);
    const synth::tsynthresult sound = synth::synthesize(p);
    const auto& s = sound.samples;
    const std::int64_t n = std::int64_t(s.size());

    for (auto _ : state) {
        tdevices devices;
        devices.source = [&](std::int64_t k) {
            // Voice on the left, silence on the right, as 24-bit samples.
            if (k % 2) return 0;
            return std::int32_t(s[std::size_t((k / 2) % n)]) * 256;
        };
        tquietinterface ui;
        TForm1 form(ui);
        form.attach_audio(devices);
        form.FormActivate({});
        form.RecordActionExecute(true);
        form.set_paused(false);

        const std::int64_t buffers = std::int64_t(30 * 60 * 44100.0 / 1024);
        std::vector<double> us, cpu;
        double worstwithoutfaults = 0;
        long faultingbuffers = 0;
        us.reserve(std::size_t(buffers));
        cpu.reserve(std::size_t(buffers));
        long allocs = 0, buffersallocating = 0, growths = 0;
        std::size_t audiocapacity = form.audioarr[0].size();
        std::size_t trackcapacity = form.paramarr[0][0].size();
        for (std::int64_t b = 0; b < buffers && form.recording(); ++b) {
            devices.in->process(1);
            const long before = allocations.load();
            const long f0 = thread_page_faults();
            const double c0 = thread_cpu_us();
            const auto t0 = std::chrono::steady_clock::now();
            devices.in->deliver();
            const auto t1 = std::chrono::steady_clock::now();
            cpu.push_back(thread_cpu_us() - c0);
            if (thread_page_faults() != f0)
                ++faultingbuffers;
            else
                worstwithoutfaults = std::max(worstwithoutfaults, cpu.back());
            const long made = allocations.load() - before;
            us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
            const bool grew = form.audioarr[0].size() != audiocapacity ||
                              form.paramarr[0][0].size() != trackcapacity;
            audiocapacity = form.audioarr[0].size();
            trackcapacity = form.paramarr[0][0].size();
            growths += grew;
            if (made > 0 && !grew) ++buffersallocating;
            allocs += made;
        }
        std::sort(us.begin(), us.end());
        std::sort(cpu.begin(), cpu.end());
        state.counters["worst_cpu_us"] = cpu.back();
        state.counters["worst_cpu_us_without_page_faults"] = worstwithoutfaults;
        state.counters["buffers_with_page_faults"] = double(faultingbuffers);
        state.counters["p999_cpu_us"] = cpu[std::size_t(double(cpu.size() - 1) * 0.999)];
        state.counters["buffers"] = double(us.size());
        state.counters["worst_us"] = us.back();
        state.counters["p999_us"] = us[std::size_t(double(us.size() - 1) * 0.999)];
        state.counters["median_us"] = us[us.size() / 2];
        state.counters["store_growths"] = double(growths);
        state.counters["allocating_buffers_without_growth"] = double(buffersallocating);
        state.counters["allocations"] = double(allocs);
        form.StopActionExecute();
        form.retire_journal();
    }
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
}
BENCHMARK(BM_live_take_30min)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
