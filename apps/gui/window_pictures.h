// Pictures of every window around the main window, for looking at them as a user would: each
// dialog filled as it is when opened (every tab of the tabbed ones), both calibration windows,
// the parameter editors and the calibration log.
#pragma once

#include "ui/qt_main_window.h"

#include <string>

namespace gravon {

// Saves the pictures as PNG files in folder; false, with the reason, when one cannot be
// written.
bool save_window_pictures(TMainWindow& window, const std::string& folder, std::string& error);

} // namespace gravon
