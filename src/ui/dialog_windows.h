// The windows around the main window, created once with it and kept for the program's life,
// and the placements of those windows that the options file keeps.
#pragma once

#include "core/user_interface.h"

class QWidget;

namespace gravon {

class TForm1;
class TForm2;
class TForm5;
class TForm6;
class TForm7;
class TForm8;
class TForm11;
class TCalibratorWindow;
class TSoundLevelMeterWindow;
class twaveinservice;
class twaveoutservice;

// Created with the main window as their parent, which owns them. Each is a top-level window.
struct tdialogwindows {
    tdialogwindows(TForm1& form, QWidget& mainwindow);

    TForm1& form;

    TForm5* options;        // "Options", modal
    TForm8* controlpanel;   // "Phonetogram control panel", modeless
    TForm6* statistics;     // "Area statistics", modeless
    TForm7* calibrationlog; // "Calibration log", modal
    TForm2* advanced;       // "Advanced settings", modal
    TForm11* textexport;    // "Export phonetogram as text", modal
    // The calibration windows need the audio services; nullptr until they are created.
    TCalibratorWindow* calibrator = nullptr;
    TSoundLevelMeterWindow* soundlevelmeter = nullptr;
    void create_calibration_windows(QWidget& mainwindow, twaveinservice& in, twaveoutservice& out);
    // The Calibrate action over these windows (the advanced settings on their "Soundcards"
    // page when no recording device is chosen).
    void calibrate() const;

    // The window of an id; nullptr for the main window and for windows not among these.
    QWidget* window(twindowid id) const;
    // For the main window's user interface: false when the id is not one of these windows.
    bool get_window_placement(twindowid id, twindowplace& place, bool& maximized) const;
    bool set_window_placement(twindowid id, const twindowplace& place) const;
    // Shows the control panel, first moved back onto the desktop.
    void show_control_panel() const;
    // The main window's refresh reaches the control panel and the statistics through here.
    void refresh() const;
};

} // namespace gravon
