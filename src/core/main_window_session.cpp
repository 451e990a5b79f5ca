// The main window's session record: who was recorded, by whom, doing what. It travels with
// the recording phonetograms, so that every file saved from them carries it.
#include "core/main_window.h"

#include <chrono>
#include <ctime>

namespace gravon {

namespace {

std::string session_time_text(tdatetime t) {
    const std::time_t tt = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
    localtime_r(&tt, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M", &tm);
    return buf;
}

} // namespace

tsessionrecord TForm1::session() const {
    return pgs.empty() ? tsessionrecord{} : pgs[0].session;
}

void TForm1::set_session(const tsessionrecord& r) {
    // Another patient's take or file: the baseline was the patient's before. A comparison the
    // user accepted across patients stays while the patient stays.
    const std::int32_t b = baseline_pg();
    const bool otherpatient = b >= 0 && different_patients(pgs[std::size_t(b)].session, r) &&
                              session().patient != r.patient;
    for (std::size_t c = 0; c < 2 && c < pgs.size(); ++c) pgs[c].session = r;
    // The take's journal keeps its record as it stands, for a recovery.
    if (journal.isopen() && !journal.failed()) begin_journal_segment(false);
    if (otherpatient) {
        drop_baseline();
        fix_things();
    }
    // Kept with the options, so that the next start offers it again.
    if (!r.clinician.empty()) options.clinician = r.clinician;
    ui.refresh_control_panel();
}

void TForm1::begin_session(tsessionrecord r) {
    for (const auto& [key, value] : commandlinesession)
        if (const tsessionfield* f = session_field(key)) r.*f->member = value;
    set_session(r);
}

bool TForm1::SessionDetailsActionExecute() {
    tsessionrecord r = session();
    if (r.clinician.empty()) r.clinician = options.clinician;
    if (!ui.edit_session(r, false)) return false;
    if (const std::string why = session_problem(r); !why.empty()) {
        ui.tell(message_fact("Session details", why, tmessagekind::error));
        return false;
    }
    set_session(r);
    return true;
}

// The date and time of a take are those of its start; the rest of its record is the one
// entered for it, or the one before (the same patient's next task).
void TForm1::begin_take_session() {
    tsessionrecord r = session();
    r.date = session_time_text(recordingstarttime);
    begin_session(r);
}

bool TForm1::offer_take_session() {
    tsessionrecord r = session();
    r.date = session_time_text(std::chrono::system_clock::now());
    if (r.clinician.empty()) r.clinician = options.clinician;
    if (!ui.edit_session(r, true)) return false;
    if (const std::string why = session_problem(r); !why.empty()) {
        ui.tell(message_fact("Session details", why, tmessagekind::error));
        return false;
    }
    set_session(r);
    return true;
}

} // namespace gravon
