// The synthesizer's own pseudo-random generator. It is deliberately separate from the
// application's shared generator: making a test signal must never shift the sequence that the
// analysis draws from (dithered binning depends on it).
#pragma once

#include <cstdint>

namespace gravon::synth {

// SplitMix64: small, fast and statistically sound enough for noise, jitter and shimmer.
// Separate streams of one seed are independent, so each random ingredient of a phonation
// (jitter, shimmer, room noise per channel, aspiration, dither, sweep layout) draws from its
// own stream and changing one ingredient leaves the others bit-identical.
class TSynthRandom {
  public:
    explicit TSynthRandom(std::uint64_t seed, std::uint64_t stream = 0);

    std::uint64_t next();
    // Uniform in [0, 1).
    double uniform();
    // Uniform in [-1, 1).
    double symmetric() { return 2.0 * uniform() - 1.0; }
    // Standard normal (Box-Muller, both values of a pair are used).
    double gauss();
    // Cheap unit-variance, zero-mean noise sample (sum of four uniforms); meant for audio
    // noise that is filtered afterwards, where the exact distribution does not matter.
    double noise();

  private:
    std::uint64_t state_;
    double spare_ = 0;
    bool hasspare_ = false;
};

// Stream numbers used by the synthesizer.
enum class tsynthstream : std::uint64_t {
    jitter = 1,
    shimmer = 2,
    roomleft = 3,
    roomright = 4,
    aspiration = 5,
    dither = 6,
    sweep = 7,
};

inline TSynthRandom make_stream(std::uint64_t seed, tsynthstream s) {
    return TSynthRandom(seed, static_cast<std::uint64_t>(s));
}

} // namespace gravon::synth
