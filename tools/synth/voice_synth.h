// Synthesis of a calibrated test phonation with its ground truth.
#pragma once

#include "base/types.h"
#include "synth/synth_params.h"

#include <array>
#include <cstdint>
#include <vector>

namespace gravon::synth {

// Ground truth of one 20 ms frame. Frame i covers samples [i*H, (i+1)*H) with
// H = round(rate / 50) (882 at 44.1 kHz), the hop of the analysis with its default settings;
// the analysis window of analysis frame i spans truth frames i-1 and i.
struct tsynthframe {
    double time = 0;     // start of the frame, s from the start of the signal
    bool voiced = false; // the whole frame lies inside a phrase, clear of its onset/offset
    double f0 = 0;       // Hz: the contour (with vibrato) averaged in semitones; 0 unvoiced
    double semitone = 0; // 12*log2(f0/440) + 69; 0 unvoiced
    // RMS level of each channel's int16 samples as stored (dB re 20 uPa, i.e.
    // 10*log10(mean square / (20 uPa)^2 + 1e-100), like the analysis's level).
    // spl[1] is only meaningful for two channels.
    std::array<double, 2> spl{};
    std::int32_t clipped = 0; // samples of this frame (all channels) changed by the clipping
};

// One glottal period as it was generated.
struct tsynthpulse {
    double time = 0;         // start of the period (glottal opening), s from signal start
    double period = 0;       // length given to this period, s (jitter included)
    double amplitude_db = 0; // shimmer applied to this period, dB
};

struct tsynthresult {
    std::int32_t rate = 44100;
    std::int32_t channels = 1;
    double fullscale_pa = 100;      // Pa at sample value 1.0 / 32767
    std::int32_t framelength = 882; // samples per truth frame
    std::int64_t length = 0;        // samples per channel (a whole number of frames)
    // int16 samples, channels interleaved (frame i = elements 2i and 2i+1 for two channels).
    std::vector<std::int16_t> samples;
    // Unquantised samples per channel [channel][sample], 1.0 = full scale; after clipping.
    // Empty unless tsynthparams::keep_float.
    std::vector<tsinglearr> floats;
    std::vector<tsynthframe> frames;
    std::vector<tsynthpulse> pulses;
};

// Synthesizes the phonation. Deterministic: the same parameters and seed give the same
// samples bit for bit. Raises EGravonError for invalid parameters (validate_synth_params)
// and, without clipping, when the signal would exceed full scale.
tsynthresult synthesize(const tsynthparams& params);

// The int16 samples as sound pressure in Pa, [channel][sample] (the scaling of a calibrated
// 16-bit intake: sample / 32767 * full scale).
trecarr to_pascals(const tsynthresult& r);

// Level in dB SPL of a mean square in Pa^2, as the truth frames report it.
double pa2_to_spl(double mean_square_pa2);

} // namespace gravon::synth
