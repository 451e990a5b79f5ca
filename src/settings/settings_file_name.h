// Where the options and advanced-settings files live: the file-name rule shared by both.
#pragma once

#include "base/prog_id.h"

#include <string>

namespace gravon {

// The settings folder: the folder of the settings container's per-user settings file
// (application data / company / product name / version), created when missing.
std::string settings_folder(const TProgId& id);

// The file a settings routine reads or writes: an empty name gives the default file of the
// settings folder, the exact name "temp" its temporary copy, any other name is used
// unchanged.
std::string resolve_settings_name(const TProgId& id, const std::string& fname,
                                  const std::string& defaultname, const std::string& tempname);

} // namespace gravon
