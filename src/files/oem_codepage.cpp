#include "files/oem_codepage.h"

#include <array>
#include <cstdint>

namespace gravon {

namespace {

// Unicode code points of the OEM bytes 0x80 ... 0xFF (code page 850).
constexpr std::array<std::uint16_t, 128> oemhigh = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557,
    0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB,
    0x00C8, 0x0131, 0x00CD, 0x00CE, 0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE, 0x00DE, 0x00DA, 0x00DB, 0x00D9,
    0x00FD, 0x00DD, 0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
};

void appendutf8(std::string& s, std::uint32_t cp) {
    if (cp < 0x80) {
        s += static_cast<char>(cp);
    } else if (cp < 0x800) {
        s += static_cast<char>(0xC0 | (cp >> 6));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        s += static_cast<char>(0xE0 | (cp >> 12));
        s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at s[i]; returns the code point and advances i, or returns
// 0xFFFFFFFF (and advances by one byte) for a malformed sequence.
std::uint32_t nextcodepoint(const std::string& s, size_t& i) {
    const auto byte = [&s](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char b0 = byte(i);
    int len = b0 < 0x80           ? 1
              : (b0 >> 5) == 0x6  ? 2
              : (b0 >> 4) == 0xE  ? 3
              : (b0 >> 3) == 0x1E ? 4
                                  : 0;
    if (len == 0 || i + len > s.size()) {
        ++i;
        return 0xFFFFFFFFu;
    }
    std::uint32_t cp = len == 1   ? b0
                       : len == 2 ? (b0 & 0x1F)
                       : len == 3 ? (b0 & 0x0F)
                                  : (b0 & 0x07);
    for (int k = 1; k < len; ++k) {
        unsigned char b = byte(i + k);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return 0xFFFFFFFFu;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    // Overlong forms and surrogates are malformed.
    static constexpr std::uint32_t minimum[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < minimum[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return 0xFFFFFFFFu;
    }
    i += len;
    return cp;
}

} // namespace

std::string oemtotext(const std::string& oem) {
    std::string s;
    s.reserve(oem.size());
    for (char ch : oem) {
        unsigned char b = static_cast<unsigned char>(ch);
        appendutf8(s, b < 0x80 ? b : oemhigh[b - 0x80]);
    }
    return s;
}

std::string texttooem(const std::string& text) {
    std::string s;
    s.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        std::uint32_t cp = nextcodepoint(text, i);
        if (cp < 0x80) {
            s += static_cast<char>(cp);
            continue;
        }
        char out = '?';
        for (size_t k = 0; k < oemhigh.size(); ++k)
            if (oemhigh[k] == cp) {
                out = static_cast<char>(0x80 + k);
                break;
            }
        s += out;
    }
    return s;
}

} // namespace gravon
