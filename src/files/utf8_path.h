// File names are UTF-8 text in the application; these give the platform's path for them
// (on Windows a narrow std::string path would be read in the ANSI code page instead).
#pragma once

#include <filesystem>
#include <string>

namespace gravon {

inline std::filesystem::path utf8path(const std::string& name) {
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

inline std::string pathtoutf8(const std::filesystem::path& p) {
    std::u8string s = p.u8string();
    return std::string(s.begin(), s.end());
}

} // namespace gravon
