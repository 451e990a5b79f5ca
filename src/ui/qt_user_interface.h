// The application core's user interface on Qt: modal message boxes and questions, file
// dialogs, event processing during a replay, window placements. What only the main window
// can do (repainting, refreshing its actions, progress, the control panel) goes to it
// directly.
#pragma once

#include "core/user_interface.h"

#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <array>
#include <chrono>
#include <functional>
#include <string>

namespace gravon {

class TMainWindow;

// "Description (*.ext)|*.ext|..." as a Qt name filter ("Description (*.ext);;...").
QString qt_name_filter(const std::string& filter);
// "\r" breaks lines in the core's texts.
QString qt_text(const std::string& text);

// Replacements for the modal dialogs, for runs without a person (tests). An unset member
// leaves the real dialog.
struct tdialogscript {
    std::function<void(const std::string& caption, const std::string& text, tmessagekind)> message;
    std::function<tanswer(const std::string& caption, const std::string& text, tbuttons)> question;
    // Save and open dialogs: the chosen names, none when cancelled.
    std::function<QStringList(const std::string& caption, bool save)> filenames;
    // The full scales of a file about to be analysed: false cancels.
    std::function<bool(tfullscalequestion& q)> fullscale;
    // The session details dialog: false for Cancel.
    std::function<bool(tsessionrecord& r, bool atrecord)> session;
    // Record with a channel not calibrated: false does not record.
    std::function<bool(const std::string& text)> uncalibrated;
};

class TQtUserInterface : public tuserinterface {
  public:
    // Dialogs are centred on window.
    explicit TQtUserInterface(QWidget& window);
    ~TQtUserInterface() override;
    TQtUserInterface(const TQtUserInterface&) = delete;
    TQtUserInterface& operator=(const TQtUserInterface&) = delete;

    // A modal message box or question; notes together in one warning box.
    tanswer tell(const tfact& fact) override;
    bool ask_full_scale(tfullscalequestion& q) override;
    // Coalesced: one repaint hook call at most per screen refresh (16 ms).
    void request_repaint() override;
    void process_events() override;
    void refresh_actions() override;
    void progress(const std::string& what, double fraction) override;
    void progress_done() override;
    void refresh_control_panel() override;
    void refresh_device_lists() override;
    void show_control_panel() override;
    void select_phonetogram(std::int32_t pgno) override;
    bool edit_session(tsessionrecord& r, bool atrecord) override;
    bool confirm_uncalibrated_record(const std::string& text) override;
    bool get_window_placement(twindowid w, twindowplace& place, bool& maximized) override;
    void set_window_placement(twindowid w, const twindowplace& place) override;
    bool get_desktop_work_area(tscreenrect& area) override;
    std::string save_file_name(const std::string& caption, const std::string& filter,
                               const std::string& defaultext) override;
    std::string save_file_name_from(const std::string& caption, const std::string& filter,
                                    const std::string& defaultext,
                                    const std::string& initialname) override;

    // An open dialog; multiple lets the user pick several files. Empty when cancelled.
    QStringList open_file_names(const std::string& caption, const std::string& filter,
                                bool multiple);

    // The windows whose placement the options keep; the main window is registered already.
    void register_window(twindowid w, QWidget* widget);
    // Locks or unlocks the registered windows other than the main window (their controls
    // would change the data while a sound file is analysed).
    void set_other_windows_enabled(bool enabled);

    tdialogscript script;
    // No person is there to answer (a command line that closes the window, /c): messages go to
    // standard error and questions are answered No, or Cancel where No is not offered, so that
    // nothing waits for a click that never comes.
    bool unattended = false;

    // The main window, once it is built and until it goes: what the core reports before or
    // after reaches no widget.
    void attach(TMainWindow* window) { fmain = window; }
    // The reading passage the session dialog edits with a speech task (the options' field).
    std::string* readingpassage = nullptr;

  private:
    void show_message(const tfact& fact);
    tanswer ask(const tfact& fact);
    void repaint_now();

    QWidget& fwindow;
    TMainWindow* fmain = nullptr;
    std::array<QPointer<QWidget>, nwindowids> fwindows;
    QTimer frepainttimer;
    std::chrono::steady_clock::time_point flastpaint{};
};

} // namespace gravon
