#include "calibration/calibration_log.h"

#include "base/errors.h"
#include "base/number_text.h"
#include "files/utf8_path.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace gravon {

namespace {

std::string one_line(std::string s) {
    for (char& ch : s)
        if (ch == '\r' || ch == '\n') ch = ' ';
    return s;
}

} // namespace

std::string calibration_log_line(const std::string& datetext, std::int32_t chno,
                                 std::int32_t method, double factor, const std::string& siteid,
                                 const std::string& personid, const std::string& login) {
    std::string s = one_line(datetext) + ", ch " + std::to_string(chno) + ", method " +
                    std::to_string(method) + ", factor " + floattostr(factor) + ", @" +
                    one_line(siteid);
    s += personid.empty() ? std::string(", REMOVED") : ", by " + one_line(personid);
    s += ", " + one_line(login);
    return s;
}

void append_calibration_log(const std::string& fname, const std::string& line) {
    errno = 0;
    std::ofstream out(utf8path(fname), std::ios::binary | std::ios::app);
    if (!out) {
        const int err = errno;
        throw EOSError("Cannot open calibration log " + fname +
                       (err ? ": " + std::string(std::strerror(err)) : std::string()));
    }
    out << line << "\r\n";
    out.flush();
    if (!out) throw EOSError("Cannot write calibration log " + fname);
}

} // namespace gravon
