#include "base/g711.h"

namespace gravon {

namespace {

// Number of the segment (0..7) holding magnitude m, given the upper end of segment 0; every
// further segment doubles the range. 8 means beyond the last segment.
int segmentof(int m, int segment0end) {
    int seg = 0;
    int end = segment0end;
    while (seg < 8 && m > end) {
        ++seg;
        end = end * 2 + 1;
    }
    return seg;
}

constexpr int ulawbias = 0x84; // 132: added before segmenting so that segments are octaves
constexpr int ulawclip = 8159; // largest 14-bit magnitude that the code can carry

} // namespace

std::uint8_t lineartoalaw(std::int16_t sample) {
    int pcm = sample >> 3; // 13-bit value, arithmetic shift keeps the sign
    int mask;
    if (pcm >= 0) {
        mask = 0xD5; // sign bit set for positive values, even bits inverted
    } else {
        mask = 0x55;
        pcm = -pcm - 1; // one's complement: -1 maps to the smallest negative code
    }
    int seg = segmentof(pcm, 0x1F);
    if (seg >= 8) return std::uint8_t(0x7F ^ mask);
    int code = seg << 4;
    code |= seg < 2 ? (pcm >> 1) & 0x0F : (pcm >> seg) & 0x0F;
    return std::uint8_t(code ^ mask);
}

std::int16_t alawtolinear(std::uint8_t code) {
    int a = code ^ 0x55;
    int t = (a & 0x0F) << 4;
    int seg = (a & 0x70) >> 4;
    if (seg == 0) {
        t += 8;
    } else {
        t += 0x108;
        t <<= seg - 1;
    }
    return std::int16_t((a & 0x80) ? t : -t);
}

std::uint8_t lineartoulaw(std::int16_t sample) {
    int pcm = sample >> 2; // 14-bit value
    int mask;
    if (pcm < 0) {
        pcm = -pcm;
        mask = 0x7F;
    } else {
        mask = 0xFF;
    }
    if (pcm > ulawclip) pcm = ulawclip;
    pcm += ulawbias >> 2;
    int seg = segmentof(pcm, 0x3F);
    if (seg >= 8) return std::uint8_t(0x7F ^ mask);
    int code = (seg << 4) | ((pcm >> (seg + 1)) & 0x0F);
    return std::uint8_t(code ^ mask);
}

std::int16_t ulawtolinear(std::uint8_t code) {
    int u = ~code & 0xFF;
    int t = ((u & 0x0F) << 3) + ulawbias;
    t <<= (u & 0x70) >> 4;
    return std::int16_t((u & 0x80) ? ulawbias - t : t - ulawbias);
}

} // namespace gravon
