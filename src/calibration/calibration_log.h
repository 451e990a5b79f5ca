// The calibration log: a plain-text file with one line per signing or removal, only ever
// appended to.
#pragma once

#include <cstdint>
#include <string>

namespace gravon {

// One log line (without the line end):
// datetext + ", ch " + chno + ", method " + method + ", factor " + factor (plain number text,
// locale separator) + ", @" + siteid + (", by " + personid, or ", REMOVED" when personid is
// empty) + ", " + login. Line breaks inside the texts become blanks, so that every entry
// stays one line.
std::string calibration_log_line(const std::string& datetext, std::int32_t chno,
                                 std::int32_t method, double factor, const std::string& siteid,
                                 const std::string& personid, const std::string& login);

// Appends line and a line end to the file, creating it when missing. Raises EOSError naming
// the file when it cannot be opened or written.
void append_calibration_log(const std::string& fname, const std::string& line);

} // namespace gravon
