// Binning of accepted analysis frames into a phonetogram: the frame's F0 and level pick the
// cell (or the four cells around the point), the cell's accumulated time grows by the frame
// duration and its measure layers keep time-weighted means.
#pragma once

#include "phonetogram/phonetogram.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <string>

namespace gravon {

// Values of the `binningmethod` advanced setting.
inline constexpr std::int32_t binroundtonearest = 0; // nearest cell
inline constexpr std::int32_t binadddither = 1;      // nearest cell after uniform dither
inline constexpr std::int32_t bindistribute = 2;     // bilinear split over four cells
inline constexpr std::int32_t defaultbinningmethod = bindistribute;

// Dialog captions of the methods, by value.
inline constexpr std::array<const char*, 3> binningmethodcaptions = {
    "Round to nearest bin", "Add dither", "Distribute contribution over four bins"};

// Where a point (semitone number s, level in dB) lands: base cell (x, y) and the fractions
// fx, fy towards x + 1 and y + 1. inrange is false when the point is not binned.
struct tbinplacement {
    std::int32_t x = 0;
    std::int32_t y = 0;
    double fx = 0;
    double fy = 0;
    bool inrange = false;
};

// The placement rule. The dither method draws two values from the shared generator (first for
// the semitone, then for the level) whether or not the point turns out to be in range, so
// the sequence of draws depends only on the sequence of frames. A method other than 0, 1, 2
// (only reachable by editing a settings file) places like the default method.
// The base cell must satisfy 0 <= x < nf0bins - 1 and 0 <= y < nlevelbins - 1, since the
// update reaches x + 1 and y + 1; non-finite coordinates are never in range.
tbinplacement place_point(std::int32_t binningmethod, double semitone, double level);

// What the analysis hands over for one accepted frame of one channel.
struct tbinningframe {
    double f0 = 0;           // Hz
    double level = 0;        // dB re 20 uPa
    double h1h2 = 0;         // dB
    double hnr = 0;          // dB
    double centroid = 0;     // Hz
    double crestlevel = 0;   // dB
    double maxpartno = 0;    // strongest partial number
    double cpps = NAN;       // dB; NaN when the frame has none
    double specbal = NAN;    // dB; NaN when the frame has none
    double duration = 0;     // hop duration H/fs in s
    bool overloaded = false; // the channel overloaded in this hop or the previous one
};

// Bins one accepted frame into pg (layers 0..6; layer 7 is not touched). Each of the four
// cells (x + i, y + j) receives the share duration * weight of the time, while its measure
// means take the frame with the full duration as weight, also where the share is zero; with
// overloaded set, all four cells get 1.0 in layer 0. A non-finite measure leaves that layer's
// mean unchanged. Returns whether the frame was binned (false when out of range or the
// duration is not positive). Raises EGravonError when pg lacks the layers or grid the
// binning writes.
bool bin_frame(tpg& pg, std::int32_t binningmethod, const tbinningframe& frame);

} // namespace gravon
