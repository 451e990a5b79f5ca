// Pitch and level conversions, note names and "nice" axis steps.
//
// Semitone numbers follow the MIDI scale: 69 is 440 Hz (A4), 60 is middle C (C4), one unit per
// equal-tempered semitone. Levels are 10*log10 of a power or 20*log10 of an amplitude.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

namespace gravon {

// Constants used by the level and step computations.
inline constexpr double ln10 = 2.302585092994045684;                // ln 10
inline constexpr double ln2 = 0.6931471805599453094;                // ln 2
inline constexpr double sqrt2 = 1.4142135623730950488;              // sqrt 2
inline constexpr double sqrt10 = 3.1622776601683793320;             // sqrt 10
inline constexpr double sqrt50 = 7.0710678118654752440;             // sqrt 50
inline constexpr double tenoverlog2of10 = 3.0102999566398119521;    // 10 / log2(10)
inline constexpr double twentyoverlog2of10 = 6.0205999132796239042; // 20 / log2(10)

// 12*log2(f/440) + 69. -inf for f = 0, NaN for negative f.
inline double freqtosemitone(double f) {
    return 12.0 * std::log2(f / 440.0) + 69.0;
}
// 440*2^((s-69)/12).
inline double semitonetofreq(double s) {
    return 440.0 * std::exp2((s - 69.0) / 12.0);
}

// True for the pitch classes C#, Eb, F#, Ab and Bb (any octave, also below semitone 0).
bool isblackkey(std::int32_t n);

// 10*log10(x) of a power and 20*log10(x) of an amplitude, as a constant times log2(x).
// x = 0 gives -inf, negative x NaN; callers that take levels of signal data rely on that
// rather than on an exception.
inline double powerlevel(double x) {
    return tenoverlog2of10 * std::log2(x);
}
inline double amplitudelevel(double x) {
    return twentyoverlog2of10 * std::log2(x);
}
// 10^x, 2^x, log10 x and log2 x.
inline double power10(double x) {
    return std::pow(10.0, x);
}
inline double power2(double x) {
    return std::exp2(x);
}
inline double log10x(double x) {
    return std::log10(x);
}
inline double log2x(double x) {
    return std::log2(x);
}

// Note name of semitone number s: pitch class and octave ("C4" for 60, "A4" for 69), of s
// rounded half to even. With cents the deviation from that note follows in two significant
// digits with a sign: "A4 +12 cent", "A3 -5 cent". "-" when s is not a finite number.
std::string notename(double s, bool withcents);
// notename(freqtosemitone(f), withcents) when f > 0, else "-".
std::string freqnotename(double f, bool withcents);

// A step of 1, 2 or 5 times a power of ten, nearest to x on a logarithmic scale. 0 for
// x <= 0 or NaN; +inf stays +inf.
double nicestep(double x);

} // namespace gravon
