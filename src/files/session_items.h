// The session record as header items of the SMP files and phonetogram files Gravon writes:
// "session.patient", "session.name", "session.born", "session.sex", "session.clinician",
// "session.date", "session.task" and "session.notes". Readers that do not know them pass
// them by, and a file without them reads as an empty record.
//
// Header text is held in the OEM code page (850), which has no form for most characters
// beyond Western European ones (Polish, Czech, Greek, Cyrillic, CJK, ...). Rather than let
// such a character become "?", the value holds it as the escape "\u{hex}" of its code point;
// a backslash is written "\\" and a line break "\n". The value stays readable wherever the
// code page can show it, and reads back exactly. A value longer than a header value may be
// (255 characters) continues in the items key + ".2", key + ".3", ...
#pragma once

#include "files/smp_file.h"
#include "phonetogram/session_record.h"

#include <string>

namespace gravon {

inline constexpr const char* sessionitemprefix = "session.";

// The text as a header value: every character the code page holds as itself, the others,
// backslashes and line breaks escaped. A blank at either end is escaped too, so that no tool
// that trims values can shorten it.
std::string header_text_value(const std::string& text);
// The text a header value stands for. An escape that is not one of the three is kept as it
// stands.
std::string header_value_text(const std::string& value);

// Stores text under key as header values: key, then key + ".2", key + ".3", ... when it is
// longer than one value may be. An empty text stores nothing.
void write_text_items(TSMPfile& file, const std::string& key, const std::string& text);
// The text stored under key; empty when there is none.
std::string read_text_items(const TSMPfile& file, const std::string& key);
// Removes every item whose key begins with prefix, in whatever letter case, so that what an
// earlier version of the header held leaves nothing behind.
void erase_items_with_prefix(TSMPfile& file, const std::string& prefix);

// Replaces the session items of file by those of r (an empty field has none).
void write_session_items(TSMPfile& file, const tsessionrecord& r);
// The record the items of file hold; an empty record when it has none.
tsessionrecord read_session_items(const TSMPfile& file);

} // namespace gravon
