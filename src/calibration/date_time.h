// Moments stored as a double: whole days since 30 December 1899 plus the time of day as the
// fraction, in local wall-clock time. This is how the calibration file keeps the moment of
// signing, so the value must be kept exactly as stored.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace gravon {

// The moment given, in local time.
double to_datetime(std::chrono::system_clock::time_point t);
// Now, in local time.
double datetimenow();
// The moment of a calendar date and time of day (month 1 ... 12, day 1 ... 31).
double encodedatetime(std::int32_t year, std::int32_t month, std::int32_t day,
                      std::int32_t hour = 0, std::int32_t minute = 0, std::int32_t second = 0,
                      std::int32_t millisecond = 0);
// "YYYY-MM-DD hh:mm:ss" (the seconds rounded down). A negative value counts whole days
// backwards and its fraction forwards, so -1.25 is 29 December 1899 06:00. Empty text for
// values outside the years 1 ... 9999 and for NaN and infinities.
std::string datetimetostr(double t);

} // namespace gravon
