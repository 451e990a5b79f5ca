// The only way the application core reaches the user. The Qt window implements it with real
// dialogs; the headless program writes to standard error and answers questions itself.
#pragma once

#include "base/window_placement.h"
#include "phonetogram/session_record.h"
#include "settings/window_table.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

enum class tmessagekind { information, warning, error, confirmation };

enum class tbuttons { ok, yes_no, yes_no_cancel, ok_cancel };

enum class tanswer { ok, yes, no, cancel };

// The full scale of a sound file about to be analysed, per channel, as /f gives it.
struct tfullscalequestion {
    std::string filename;
    // Not empty when the file's header carries a calibration (or says it has none): the file
    // keeps it, and no full scale is asked for.
    std::string headercalibration;
    // The channel the window analyses.
    std::int32_t analysedchannel = 0;
    // Per file channel: the full scale in Pa as text ("" none), which the interface changes,
    // and how the current one was made ("" none).
    std::vector<std::string> values;
    std::vector<std::string> texts;
};

class tuserinterface {
  public:
    virtual ~tuserinterface() = default;

    // A modal message box; returns when the user has dismissed it.
    virtual void message_box(const std::string& caption, const std::string& text,
                             tmessagekind kind) = 0;

    // A modal question. Implementations that cannot ask a person answer for them.
    virtual tanswer question(const std::string& caption, const std::string& text,
                             tbuttons buttons) = 0;

    // A message from where no modal loop may run (a sound buffer's handler: the loop would
    // deliver further buffers inside it, out of order). The interface shows it as a message
    // box once the current event is handled; one without an event loop shows it at once.
    virtual void post_message(const std::string& caption, const std::string& text,
                              tmessagekind kind) {
        message_box(caption, text, kind);
    }

    // Shows the full scales of a file before it is analysed and lets the user change them;
    // false when the user cancelled. Implementations that cannot ask a person keep them.
    virtual bool ask_full_scale(tfullscalequestion& q) { return true; }

    // The phonetogram view should be repainted soon. Requests coalesce: many requests before
    // the next paint give one paint, so that analysing a hop never paints.
    virtual void request_repaint() {}

    // Let the window handle pending events (during a long file analysis).
    virtual void process_events() {}

    // The state behind the window's actions, captions and menus has changed (the end of
    // fix_things): the window brings them in line.
    virtual void refresh_actions() {}

    // Progress of a long operation, 0..1; done() when it ends.
    virtual void progress(const std::string& what, double fraction) {}
    virtual void progress_done() {}

    // The control panel should show the current state again.
    virtual void refresh_control_panel() {}

    // The lists of sound devices changed (a device was plugged in or out): the windows that
    // list them list them again, keeping what is chosen.
    virtual void refresh_device_lists() {}

    // Shows the phonetogram control panel.
    virtual void show_control_panel() {}

    // The main window should close once the current command line is processed.
    virtual void request_close() {}

    // ---- Window placements (kept in the options file) ----
    // The current placement of a window. False when the interface has no such window; the
    // core then keeps the values it last read or wrote.
    virtual bool get_window_placement(twindowid w, twindowplace& place, bool& maximized) {
        return false;
    }
    // Moves and sizes a window (already brought back onto the desktop by the core).
    virtual void set_window_placement(twindowid w, const twindowplace& place) {}
    // The desktop's work area. False without a desktop: stored positions are then kept as
    // they are.
    virtual bool get_desktop_work_area(tscreenrect& area) { return false; }

    // A save dialog: caption, filter ("Description (*.ext)|*.ext|..."), default extension
    // (".smp"); the dialog asks before an existing file is overwritten. Returns the chosen
    // name, or "" when the user cancelled (or no person can be asked).
    virtual std::string save_file_name(const std::string& caption, const std::string& filter,
                                       const std::string& defaultext) {
        return "";
    }

    // The session details dialog on r. atrecord: offered at the first Record of a take, whose
    // start gives the date and time. Returns whether the user accepted it (r then holds what
    // was entered); an interface without a person accepts r as it is.
    virtual bool edit_session(tsessionrecord& r, bool atrecord) { return true; }

    // Asked at the first Record of a take when a shown channel is not calibrated; text says
    // which and what that means. Returns whether to record all the same. An interface without
    // a person records (the headless program notes it with the take).
    virtual bool confirm_uncalibrated_record(const std::string& text) { return true; }

    // The control panel should select phonetogram pgno in its list of phonetograms.
    virtual void select_phonetogram(std::int32_t pgno) {}

    // The same dialog proposing initialname as the file name. Implementations that cannot
    // propose a name show the dialog without it.
    virtual std::string save_file_name_from(const std::string& caption, const std::string& filter,
                                            const std::string& defaultext,
                                            const std::string& initialname) {
        return save_file_name(caption, filter, defaultext);
    }
};

// Shows nothing and answers No (or Cancel when No is not offered). Useful for tests and as a
// base for implementations that only care about some of the calls.
class tsilentinterface : public tuserinterface {
  public:
    void message_box(const std::string&, const std::string&, tmessagekind) override {}
    tanswer question(const std::string&, const std::string&, tbuttons buttons) override {
        return buttons == tbuttons::ok || buttons == tbuttons::ok_cancel ? tanswer::cancel
                                                                         : tanswer::no;
    }
};

} // namespace gravon
