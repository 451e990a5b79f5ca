// Who was recorded and what was asked of them: the session record that goes with a take, a
// sound file analysed and every phonetogram saved from them. Plain texts, as the user typed
// them; dates as ISO texts ("YYYY-MM-DD", "YYYY-MM-DD hh:mm"), which read the same in every
// locale and sort as dates.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace gravon {

struct tsessionrecord {
    std::string patient; // the clinic's patient id
    std::string name;
    std::string born; // date of birth
    std::string sex;
    std::string clinician;
    std::string date;  // date and time of the session
    std::string task;  // e.g. "Singing profile", "Speech profile" or one of the user's own
    std::string notes; // free text, may hold line breaks

    bool empty() const;
    bool operator==(const tsessionrecord&) const = default;
};

// One field: the key that --session and the file headers name it by, the label the dialog,
// the control panel and the report show, and the most characters it may hold (a header value
// is read back 255 characters at most, so long texts are stored in pieces; the limits keep
// the whole record well inside a header).
struct tsessionfield {
    const char* key;
    const char* label;
    std::string tsessionrecord::*member;
    std::size_t maxchars;
};

inline constexpr std::size_t nsessionfields = 8;
const std::array<tsessionfield, nsessionfields>& session_fields();

// The field of a key ("patient", "name", "born", "sex", "clinician", "date", "task",
// "notes"), ignoring case; nullptr for any other key.
const tsessionfield* session_field(const std::string& key);

// Characters (not bytes) of a UTF-8 text.
std::size_t utf8_length(const std::string& s);

// What is wrong with a record: a field longer than it may be, named with its label; empty
// when the record can be stored.
std::string session_problem(const tsessionrecord& r);

// A date, or a date and time, as every text the user reads shows it, in any locale: ISO with
// four-digit years, to the minute ("1979-03-14", "2026-12-09 14:30"). Seconds (":ss" or the
// recording start's ".ss") and a "T" between date and time go; any other text is returned as
// it stands.
std::string shown_date(const std::string& text);

// Whether two records are known to be of different patients: both give a patient id and the
// ids differ, apart from letter case and blanks at their ends. A record without an id may be
// anyone's.
bool different_patients(const tsessionrecord& a, const tsessionrecord& b);

} // namespace gravon
