// Value types and sample blocks shared by the whole system.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace gravon {

struct tcomplex {
    double re = 0;
    double im = 0;
};
struct tsinglecomplex {
    float re = 0;
    float im = 0;
};

using tdoublearr = std::vector<double>;
using tsinglearr = std::vector<float>;
using tcomplexarr = std::vector<tcomplex>;
using tsinglecomplexarr = std::vector<tsinglecomplex>;
using tintarr = std::vector<std::int32_t>;
using tsmallintarr = std::vector<std::int16_t>;
using tbytearr = std::vector<std::uint8_t>;

// Signed 24-bit integer, least significant byte first.
struct tint24 {
    std::uint8_t b[3] = {0, 0, 0};
};
using tint24arr = std::vector<tint24>;

struct tdoublepair {
    double lo = 0;
    double hi = 0;
};

// 16-bit samples, two channels interleaved (frame i = elements 2i and 2i+1).
using TWaveChunk = std::vector<std::int16_t>;
// [channel][sample], sound pressure in Pa.
using trecarr = std::vector<tsinglearr>;

// Raw 16-bit sample data as carried to the FFT and the SMP file.
struct tsamplechunk {
    std::int32_t used = 0;
    std::array<std::int16_t, 16384> data{};
};

} // namespace gravon
