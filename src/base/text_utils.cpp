#include "base/text_utils.h"

namespace gravon {

std::string commafield(const std::string& s, int n) {
    if (n <= 0) return {};
    size_t start = 0;
    for (int field = 1;; ++field) {
        size_t comma = s.find(',', start);
        if (field == n)
            return s.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (comma == std::string::npos) return {};
        start = comma + 1;
    }
}

std::string insertbeforeext(const std::string& s, const std::string& ins) {
    size_t dot = s.rfind('.');
    if (dot == std::string::npos) return s + ins;
    return s.substr(0, dot) + ins + s.substr(dot);
}

std::string lowercase(const std::string& s) {
    // Texts are UTF-8: count characters, not bytes, and never cut a multi-byte sequence.
    constexpr size_t maxchars = 100000;
    size_t end = s.size();
    size_t nchars = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        bool continuation = (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80;
        if (continuation) continue;
        if (nchars == maxchars) {
            end = i;
            break;
        }
        ++nchars;
    }
    std::string r = s.substr(0, end);
    // A..Z only, independent of the C locale, so bytes of multi-byte characters stay intact.
    for (char& ch : r)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return r;
}

std::string replaceall(const std::string& s, const std::string& old, const std::string& repl) {
    if (old.empty()) return s;
    std::string r;
    size_t pos = 0;
    for (;;) {
        size_t hit = s.find(old, pos);
        if (hit == std::string::npos) break;
        r.append(s, pos, hit - pos);
        r += repl;
        pos = hit + old.size();
    }
    r.append(s, pos, std::string::npos);
    return r;
}

namespace {

// Position of the "." that starts the file name's extension, npos when there is none.
std::size_t extension_start(const std::string& fname) {
    const std::size_t slash = fname.find_last_of("/\\");
    const std::size_t dot = fname.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::string::npos;
    return dot;
}

} // namespace

std::string lowercase_extension(const std::string& fname) {
    const std::size_t dot = extension_start(fname);
    return dot == std::string::npos ? std::string() : lowercase(fname.substr(dot));
}

std::string change_extension(const std::string& fname, const std::string& ext) {
    const std::size_t dot = extension_start(fname);
    return (dot == std::string::npos ? fname : fname.substr(0, dot)) + ext;
}

std::string without_directory(const std::string& fname) {
    const std::size_t slash = fname.find_last_of("/\\");
    return slash == std::string::npos ? fname : fname.substr(slash + 1);
}

} // namespace gravon
