// Masking noise for headphones: triangular white noise from the shared random generator,
// coloured pink or low-passed, with a raised-cosine onset over the first two seconds. One
// frame value feeds both channels.
#pragma once

#include "analysis/filter_sections.h"
#include "base/types.h"

#include <array>
#include <cstdint>

namespace gravon {

struct tnoisesettings {
    // 0 pink, 1 white low-passed at 2 kHz (-6 dB/octave), anything else white.
    std::int32_t noisespectrum = 0;
    // dB; -20 makes unfiltered noise span the whole 16-bit range.
    double noiselevel = -20.0;
    bool softnoiseonset = true;
    bool noiseplayleft = true;
    bool noiseplayright = true;
};

struct tnoisegenerator {
    // The colouring filters are designed once, for the sampling rate of the program's start.
    explicit tnoisegenerator(double fs);

    // A new noise begins: the onset starts again from silence.
    void start(double fs);
    // The next frame value, before conversion to a sample; draws two random numbers.
    double next();
    // Fills `used` interleaved stereo samples.
    void fill(TWaveChunk& arr, std::int32_t used);

    tnoisesettings settings;
    std::int32_t noiseonsetcount = 0;
    std::int32_t noiseonsetnsamples = 0;
    double noiseonsetgain = 0.0;

  private:
    std::array<TRealFilterSection, 10> pinkfilters;
    TRealFilterSection brownnoisefilter;
    // The level as a factor, worked out again only when the level changes.
    double flevel = -20.0;
    double fgain = 1.0;
};

} // namespace gravon
