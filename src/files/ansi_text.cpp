#include "files/ansi_text.h"

#include <cstdint>

namespace gravon {

namespace {

// Code points of the bytes 0x80 ... 0x9F; the undefined bytes keep their own value.
constexpr char32_t cp1252high[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void append_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

int ansi_of(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
    for (int i = 0; i < 32; ++i)
        if (cp1252high[i] == c) return 0x80 + i;
    return '?';
}

// Decodes one UTF-8 sequence at s[i]; returns its length, or 0 when it is not valid UTF-8.
size_t decode_utf8(std::string_view s, size_t i, char32_t& c) {
    const auto b0 = static_cast<std::uint8_t>(s[i]);
    size_t len;
    char32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2, c = b0 & 0x1F, min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3, c = b0 & 0x0F, min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4, c = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + len > s.size()) return 0;
    for (size_t k = 1; k < len; ++k) {
        const auto b = static_cast<std::uint8_t>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        c = (c << 6) | (b & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return len;
}

} // namespace

std::string utf8_to_ansi(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<std::uint8_t>(s[i]);
        if (b < 0x80) {
            out += s[i++];
            continue;
        }
        char32_t c;
        const size_t len = decode_utf8(s, i, c);
        if (len == 0) {
            out += s[i++];
        } else {
            out += static_cast<char>(ansi_of(c));
            i += len;
        }
    }
    return out;
}

std::string ansi_to_utf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char ch : s) {
        const auto b = static_cast<std::uint8_t>(ch);
        if (b < 0x80)
            out += ch;
        else if (b < 0xA0)
            append_utf8(out, cp1252high[b - 0x80]);
        else
            append_utf8(out, b);
    }
    return out;
}

} // namespace gravon
