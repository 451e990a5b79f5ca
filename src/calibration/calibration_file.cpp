#include "calibration/calibration_file.h"

#include <cmath>

namespace gravon {

namespace {

std::string key(const char* name, int ch) {
    return name + std::to_string(ch);
}

} // namespace

void write_calibration(TQUBFile& q, const tcalibrationrecord& r) {
    q.setFileId(calibrationfileid);
    q.writestring(calibrationsection, "Soundcard", r.soundcard);
    for (int c = 0; c < 2; ++c) {
        const tchannelcalibration& ch = r.ch[std::size_t(c)];
        q.writestring(calibrationsection, key("SignedPersonID", c), ch.personid);
        q.writefloat(calibrationsection, key("SignedCalibrationDate", c), ch.date);
        q.writefloat(calibrationsection, key("SignedFactor", c), ch.factor);
    }
}

std::string calibration_soundcard(const TQUBFile& q) {
    if (q.FileId() != calibrationfileid) return {};
    try {
        return q.readstring(calibrationsection, "Soundcard", "");
    } catch (const EQUBfileError&) {
        return {};
    }
}

tcalibrationload read_calibration(const TQUBFile& q, bool specificdevice,
                                  const std::string& devicename) {
    tcalibrationload r;
    if (q.FileId() != calibrationfileid) return r;
    try {
        r.soundcard = q.readstring(calibrationsection, "Soundcard", "");
    } catch (const EQUBfileError&) {
        return r;
    }
    r.validfile = true;
    for (int c = 0; c < 2; ++c) {
        std::int32_t& status = r.status[std::size_t(c)];
        if (!specificdevice) {
            status = calstatusnosoundcard;
            continue;
        }
        // A device whose name cannot be found cannot be shown to be the one the file
        // belongs to.
        if (devicename.empty() || r.soundcard != devicename) {
            status = calstatusothersoundcard;
            continue;
        }
        tchannelcalibration v;
        try {
            v.personid = q.readstring(calibrationsection, key("SignedPersonID", c), v.personid);
            v.date = q.readfloat(calibrationsection, key("SignedCalibrationDate", c), v.date);
            v.factor = q.readfloat(calibrationsection, key("SignedFactor", c), v.factor);
        } catch (const EQUBfileError&) {
            status = calstatusuncalibrated;
            continue;
        }
        if (!std::isfinite(v.date) || !std::isfinite(v.factor) || !(v.factor > 0)) {
            status = calstatusuncalibrated;
            continue;
        }
        r.ch[std::size_t(c)] = v;
        status = v.personid.empty() ? calstatusuncalibrated : calstatussigned;
    }
    return r;
}

} // namespace gravon
