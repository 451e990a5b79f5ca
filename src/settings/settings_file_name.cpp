#include "settings/settings_file_name.h"

#include "files/qub_file.h"

#include <filesystem>

namespace gravon {

std::string settings_folder(const TProgId& id) {
    TQUBFile f;
    f.setProgId(&id);
    return std::filesystem::path(f.settings_filename()).parent_path().string();
}

std::string resolve_settings_name(const TProgId& id, const std::string& fname,
                                  const std::string& defaultname, const std::string& tempname) {
    if (fname.empty()) return (std::filesystem::path(settings_folder(id)) / defaultname).string();
    if (fname == "temp") return (std::filesystem::path(settings_folder(id)) / tempname).string();
    return fname;
}

} // namespace gravon
