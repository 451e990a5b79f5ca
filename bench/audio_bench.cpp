// What the audio path costs per buffer on the interface thread: filling a keyboard-tone or
// masking-noise buffer, and a recorder handing one block to its owner and queuing it again.
// Each must take a small part of the buffer's own duration (46 ms for 2048 frames at 44.1 kHz).
#include "audio/keyboard_tone.h"
#include "audio/mpc_record.h"
#include "audio/noise_generator.h"
#include "audio/simulated_wave_service.h"

#include <benchmark/benchmark.h>

namespace {

constexpr double fs = 44100.0;

// 2048 stereo frames of a held key: 30 harmonics (default), with or without formants.
void BM_KeyboardToneBuffer(benchmark::State& state) {
    gravon::tkeyboardtone tone;
    tone.fs = fs;
    tone.settings.voicelike = state.range(0) != 0;
    tone.note_on(57); // 220 Hz: all 30 harmonics below half the rate
    gravon::TWaveChunk buffer(4096);
    for (auto _ : state) {
        tone.fill(buffer, 4096);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetItemsProcessed(state.iterations() * 2048);
}
BENCHMARK(BM_KeyboardToneBuffer)->Arg(0)->Arg(1);

// 2048 stereo frames of pink (0), low-passed (1) and white (2) noise.
void BM_NoiseBuffer(benchmark::State& state) {
    gravon::tnoisegenerator noise(fs);
    noise.settings.noisespectrum = static_cast<std::int32_t>(state.range(0));
    gravon::TWaveChunk buffer(4096);
    for (auto _ : state) {
        noise.fill(buffer, 4096);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetItemsProcessed(state.iterations() * 2048);
}
BENCHMARK(BM_NoiseBuffer)->Arg(0)->Arg(1)->Arg(2);

// The main window's recorder: 64 buffers of 2048 24-bit samples; one iteration is one block
// delivered and queued again (the device's own filling included).
void BM_RecorderBlock(benchmark::State& state) {
    gravon::tsimulatedwavein device;
    gravon::TMPCRecord rec(device);
    rec.setnChans(2);
    rec.setsfTot(88200);
    rec.setnBits(24);
    rec.setnBuffers(64);
    rec.setnChunkSamples(2048);
    std::int64_t samples = 0;
    rec.OnFetch24 = [&](const gravon::tint24arr&, std::int32_t used, bool&) { samples += used; };
    rec.Run();
    for (auto _ : state) device.run(1);
    benchmark::DoNotOptimize(samples);
    state.SetItemsProcessed(state.iterations() * 1024);
}
BENCHMARK(BM_RecorderBlock);

} // namespace

BENCHMARK_MAIN();
