// The measures of one channel for one analysis frame, as stored in the analysis tracks and
// binned into the channel's phonetogram.
#pragma once

#include "analysis/kill_point.h"
#include "analysis/voice_measures.h"

#include <cstdint>
#include <limits>

namespace gravon {

struct tchannelmeasures {
    double f0 = 0;       // Hz; 0 when no F0 or rejected
    double semitone = 0; // semitone number of f0 (69 = 440 Hz); 0 when f0 is 0
    double level = 0;    // dB re 20 uPa
    double power = 0;    // mean square of the window, (20 uPa)^2
    double crestlevel = nomeasure;
    double h1h2 = nomeasure;
    double centroid = 0; // Hz
    double hnr = nomeasure;
    std::int32_t maxpartno = 0;
    // Smoothed cepstral peak prominence and spectrum balance, dB; NaN where the hop has none
    // (rejected, or an F0 above the CPPS search band).
    double cpps = std::numeric_limits<double>::quiet_NaN();
    double specbal = std::numeric_limits<double>::quiet_NaN();
    tkillpoint killpoint{std::uint16_t(tkillreason::notanalysed)};

    double peakfreq = 0;     // strongest peak in the band, Hz (of the last hop that searched)
    bool overloaded = false; // overloaded in this hop or in the previous one
    double peak = 0;         // largest magnitude of the unfiltered block, Pa

    bool accepted() const { return killpoint.empty(); }
};

} // namespace gravon
