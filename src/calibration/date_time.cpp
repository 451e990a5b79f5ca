#include "calibration/date_time.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace gravon {

namespace {

// Days from 1 January 1970 of a date in the proleptic Gregorian calendar.
std::int64_t days_from_civil(std::int64_t y, std::int64_t m, std::int64_t d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

struct tcivil {
    std::int64_t y, m, d;
};

tcivil civil_from_days(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t m = mp + (mp < 10 ? 3 : -9);
    return {yoe + era * 400 + (m <= 2), m, d};
}

// 30 December 1899, counted from 1 January 1970.
const std::int64_t epoch = days_from_civil(1899, 12, 30);
// 1 January 0001 and 31 December 9999 as stored values.
const double firstday = double(days_from_civil(1, 1, 1) - epoch);
const double lastday = double(days_from_civil(9999, 12, 31) - epoch) + 1.0;

} // namespace

double encodedatetime(std::int32_t year, std::int32_t month, std::int32_t day, std::int32_t hour,
                      std::int32_t minute, std::int32_t second, std::int32_t millisecond) {
    const double days = double(days_from_civil(year, month, day) - epoch);
    const double frac = ((hour * 60.0 + minute) * 60.0 + second + millisecond / 1000.0) / 86400.0;
    // Before the epoch the fraction still counts forwards from the start of the day.
    return days >= 0 ? days + frac : days - frac;
}

double to_datetime(std::chrono::system_clock::time_point t) {
    const std::time_t tt = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
    if (!localtime_r(&tt, &tm)) return 0.0;
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch());
    std::int32_t milli = std::int32_t(ms.count() % 1000);
    if (milli < 0) milli += 1000;
    return encodedatetime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                          tm.tm_sec, milli);
}

double datetimenow() {
    return to_datetime(std::chrono::system_clock::now());
}

std::string datetimetostr(double t) {
    if (!std::isfinite(t) || t < firstday - 1.0 || t >= lastday) return {};
    const double whole = std::trunc(t);
    const std::int64_t days = std::int64_t(whole);
    // Milliseconds of the day, with a little slack so that a stored 12:00:00 that reads back
    // as 11:59:59.9999999 is shown as 12:00:00.
    std::int64_t ms = std::int64_t(std::floor(std::fabs(t - whole) * 86400000.0 + 1e-3));
    std::int64_t d = days;
    if (ms >= 86400000) {
        ms -= 86400000;
        ++d;
    }
    const tcivil c = civil_from_days(d + epoch);
    if (c.y < 1 || c.y > 9999) return {};
    const std::int64_t s = ms / 1000;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", int(c.y), int(c.m), int(c.d),
                  int(s / 3600), int(s / 60 % 60), int(s % 60));
    return buf;
}

} // namespace gravon
