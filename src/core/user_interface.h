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

// What a fact is: a message of its weight, notes on a doubtful result, or a question that
// wants an answer.
enum class tmessagekind { information, warning, error, notes, question };

enum class tbuttons { ok, yes_no, yes_no_cancel, ok_cancel };

enum class tanswer { ok, yes, no, cancel };

// The caption of the notes on an analysis whose result is there but doubtful.
inline constexpr const char* doubtfulcaption = "The analysis may be doubtful";

// The notes in one message text: sentences of the command line's kind, which begin in lower
// case, each begun in upper case and set off from the next by an empty line.
std::string notes_text(const std::vector<std::string>& notes);

// Something the core tells the user. A front end shows it in its own way: the window as a box,
// the headless program as lines on standard error.
struct tfact {
    tmessagekind kind = tmessagekind::information;
    std::string caption;
    // Of a message or a question.
    std::string text;
    // Of notes: what makes a result doubtful, one sentence per note.
    std::vector<std::string> notes;
    // Of a question: the answers offered.
    tbuttons buttons = tbuttons::ok;
    // Told from where no modal loop may run (a sound buffer's handler: the loop would deliver
    // further buffers inside it, out of order). The window shows it once the current event is
    // handled; a front end without an event loop shows it at once.
    bool deferred = false;
};

tfact message_fact(const std::string& caption, const std::string& text, tmessagekind kind);
tfact posted_fact(const std::string& caption, const std::string& text, tmessagekind kind);
tfact question_fact(const std::string& caption, const std::string& text, tbuttons buttons);
tfact notes_fact(const std::string& caption, const std::vector<std::string>& notes);

// The fact as one message box: notes together in a warning, each begun in upper case.
tfact as_message(const tfact& fact);

// The answer of a front end that cannot ask a person: the one that changes nothing, No, or
// Cancel when No is not offered. A message is answered Ok.
tanswer unattended_answer(const tfact& fact);

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

    // Shows a fact and, for a question, returns the user's answer (Ok for the others). A
    // message or a question is modal unless deferred. Implementations that cannot ask a
    // person answer for them.
    virtual tanswer tell(const tfact& fact) = 0;

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
    tanswer tell(const tfact& fact) override { return unattended_answer(fact); }
};

} // namespace gravon
