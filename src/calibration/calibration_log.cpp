#include "calibration/calibration_log.h"

#include "base/errors.h"
#include "base/number_text.h"
#include "files/file_descriptor.h"
#include "files/safe_file.h"
#include "files/utf8_path.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>

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
    const tfiledescriptor fd(
        ::open(utf8path(fname).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
    if (!fd) throw EOSError("Cannot open calibration log " + fname + ": " + std::strerror(errno));
    // Two programs that calibrate at once write whole lines.
    ::flock(fd.get(), LOCK_EX);
    append_file_safely(fd.get(), fname, line + "\r\n");
}

} // namespace gravon
