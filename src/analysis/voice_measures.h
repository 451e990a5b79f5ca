// The voice measures of one channel's analysis frame: level and crest of the window, H1/H2,
// spectral power centroid and harmonic-to-noise ratio.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace gravon {

struct tfilterrun;

// Value of crest level, H1/H2 and HNR when the measure does not exist.
inline constexpr double nomeasure = -50.0;

struct tlevelcrest {
    double power = 0;              // mean square of the window, (20 uPa)^2
    double level = 0;              // dB re 20 uPa
    double crestlevel = nomeasure; // peak-to-RMS in dB
};

// x: the analysis window in units of 20 uPa, untapered. The peak is the largest sample value
// counted from 0, so negative samples never count; a window without a positive sample has
// no crest level.
tlevelcrest level_and_crest(std::span<const double> x);
// The same from the sum of the squares, taken in sample order, and the peak of count
// samples, for a caller that has them already.
tlevelcrest level_and_crest_of(double sumsquares, double peak, std::size_t count);

// Level difference of the first two harmonics in dB from the N-bin dB spectrum, for the
// strongest bin m and its harmonic number maxpartno >= 1; nomeasure when a harmonic's bin
// has no neighbour on both sides.
double h1h2_level(std::span<const double> outdb, int m, std::int32_t maxpartno);

// Spectral power centroid in Hz over the lower half (bins 0...N/2-1) of the N-bin power
// spectrum; 0 for a spectrum without power.
double spectral_centroid(std::span<const double> outabs2, double fs);
// The same from the sums already taken over bins 0...N/2-1: moment = sum of k * P[k],
// total = sum of P[k].
double spectral_centroid(double moment, double total, double fs, std::size_t fftsize);

// 10 log10 of the mean power of the marked bins over the mean power of the unmarked bins
// among bins 0...N/2-1; nomeasure when a class is empty or a mean is not positive.
double harmonic_to_noise(std::span<const double> outabs2, std::span<const std::uint8_t> isharm);

// The spectral centroid and the harmonic-to-noise ratio in one pass over the spectrum, each
// the same as taken on its own: the sums of both run side by side instead of one after the
// other. The pass takes a step of alongside, when given, every few bins.
struct tcentroidhnr {
    double centroid = 0;
    double hnr = nomeasure;
};
tcentroidhnr centroid_and_hnr(std::span<const double> outabs2, std::span<const std::uint8_t> isharm,
                              double fs, tfilterrun* alongside = nullptr);

} // namespace gravon
