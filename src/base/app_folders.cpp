#include "base/app_folders.h"

#include <cstdlib>
#include <filesystem>

namespace gravon {

namespace fs = std::filesystem;

namespace {

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string without_trailing_separator(std::string s) {
    while (s.size() > 1 && (s.back() == '/' || s.back() == '\\')) s.pop_back();
    return s;
}

std::string user_config_folder() {
    // Relative values are to be ignored by the base-directory rules.
    std::string xdg = env("XDG_CONFIG_HOME");
    if (!xdg.empty() && fs::path(xdg).is_absolute()) return without_trailing_separator(xdg);
    std::string home = env("HOME");
    if (!home.empty() && fs::path(home).is_absolute())
        return (fs::path(without_trailing_separator(home)) / ".config").string();
    return {};
}

std::string user_home_subfolder(const char* xdgvar, const char* below) {
    std::string xdg = env(xdgvar);
    if (!xdg.empty() && fs::path(xdg).is_absolute()) return without_trailing_separator(xdg);
    std::string home = env("HOME");
    if (!home.empty() && fs::path(home).is_absolute())
        return (fs::path(without_trailing_separator(home)) / below).string();
    return {};
}

std::string common_config_folder() {
    const std::string dirs = env("XDG_CONFIG_DIRS");
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t colon = dirs.find(':', start);
        std::string entry =
            dirs.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!entry.empty() && fs::path(entry).is_absolute())
            return without_trailing_separator(entry);
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return "/etc/xdg";
}

} // namespace

std::string app_data_folder(tappfolder which) {
    switch (which) {
    case tappfolder::roamingappdata:
    case tappfolder::localappdata:
        // Settings do not roam between machines here; both live with the user's configuration.
        return user_config_folder();
    case tappfolder::commonappdata:
        return common_config_folder();
    }
    return {};
}

std::string user_data_folder() {
    return user_home_subfolder("XDG_DATA_HOME", ".local/share");
}

std::string system_folder() {
    std::error_code ec;
    fs::path p = fs::temp_directory_path(ec);
    if (ec || p.empty()) return "/tmp";
    return without_trailing_separator(p.string());
}

std::string program_file_name() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && !exe.stem().empty()) return exe.stem().string();
    return "program";
}

} // namespace gravon
