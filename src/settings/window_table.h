// The windows whose positions the options file keeps, with their sections and keys.
#pragma once

#include <array>
#include <cstdint>

namespace gravon {

enum class twindowid : std::int32_t {
    mainwindow = 0,
    advancedsettingswindow,
    calibratorwindow,  // calibration with an acoustic calibrator
    calibrationwindow, // calibration with a sound level meter
    optionswindow,
    statisticswindow,
    calibrationlogwindow,
    phonetogramviewwindow, // the phonetogram control panel
};
inline constexpr std::size_t nwindowids = 8;

struct twindowentry {
    twindowid id;
    // Sections are matched without regard to case; the main window's section has always been
    // written in one spelling and read in the other, and both are kept so that files stay
    // byte-identical.
    const char* writesection;
    const char* readsection;
    bool hassize; // "Height" and "Width" are kept besides "Top" and "Left"
};

inline constexpr std::array<twindowentry, nwindowids> windowtable = {{
    {twindowid::mainwindow, "Mainwindow", "MainWindow", true},
    {twindowid::advancedsettingswindow, "AdvancedSettingsWindow", "AdvancedSettingsWindow", false},
    {twindowid::calibratorwindow, "CalibratorWindow", "CalibratorWindow", false},
    {twindowid::calibrationwindow, "CalibrationWindow", "CalibrationWindow", false},
    {twindowid::optionswindow, "OptionsWindow", "OptionsWindow", false},
    {twindowid::statisticswindow, "StatisticsWindow", "StatisticsWindow", true},
    {twindowid::calibrationlogwindow, "CalibrationLogWindow", "CalibrationLogWindow", false},
    {twindowid::phonetogramviewwindow, "PhonetogramViewWindow", "PhonetogramViewWindow", false},
}};

} // namespace gravon
