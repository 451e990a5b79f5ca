// Long phonations that wander over a range of pitches and levels, for test corpora and
// benchmarks.
#pragma once

#include "synth/synth_params.h"

#include <cstdint>
#include <vector>

namespace gravon::synth {

struct tsweeprange {
    double lo_semitone = 43; // 98 Hz
    double hi_semitone = 79; // 784 Hz
    double lo_spl = 60;
    double hi_spl = 100;
};

// Phrases of 3 to 8 s separated by breathing gaps of 0.3 to 0.8 s, covering `seconds` from
// the phonation start. Within a phrase the voice moves between points 0.4 to 1.5 s apart, at
// most 12 semitones and 12 dB per second (well inside the analysis's rate limits), over a
// level band that rises with the pitch like a voice range profile: at the lowest pitch the
// lower 65 % of the level range, at the highest pitch the upper 65 %. Deterministic from the
// seed (its own stream). Raises EGravonError for an empty or inverted range or a duration
// outside 1 to 3600 s.
std::vector<tphrase> make_sweep(double seconds, const tsweeprange& range, std::uint64_t seed);

} // namespace gravon::synth
