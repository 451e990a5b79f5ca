// A vocal-tract resonance.
#pragma once

namespace gravon::synth {

// Centre frequency and bandwidth in Hz.
struct tformant {
    double freq = 0;
    double bandwidth = 0;
};

} // namespace gravon::synth
