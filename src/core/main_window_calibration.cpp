// The main window's calibration: loading and saving the calibration file, signing and
// removing a channel's calibration, the log, and the texts and warnings shown per channel.
#include "base/errors.h"
#include "base/number_text.h"
#include "base/system_utils.h"
#include "calibration/calibration_file.h"
#include "calibration/calibration_log.h"
#include "calibration/calibration_model.h"
#include "calibration/date_time.h"
#include "core/main_window.h"
#include "files/utf8_path.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace gravon {

namespace {

// A container that knows the program's settings folder, named name there.
TQUBFile settings_container(const TProgId& id, const char* name) {
    TQUBFile q;
    q.setProgId(&id);
    q.setSettingsFileName(name);
    return q;
}

} // namespace

std::string TForm1::calibration_filename() const {
    return settings_container(progid, calibrationfilename).settings_filename();
}

std::string TForm1::calibration_log_filename() const {
    return settings_container(progid, calibrationlogfilename).settings_filename();
}

bool TForm1::recording_device_selected() const {
    return !advanced.recorddevice.empty();
}

std::string TForm1::recording_device_name() const {
    return advanced.recorddevice;
}

std::string TForm1::calibration_info(int c) const {
    if (c != 0 && c != 1) return calibration_status_text(calstatusunknown, 0.0, "");
    const std::size_t ch = std::size_t(c);
    if (fanalysisisfromsoundfile) {
        const std::int32_t status = ch < pgs.size() ? pgs[ch].calstatus : calstatusunknown;
        return soundfile_calibration_text(status, filecalibrationinfo);
    }
    if (commandlinecalibration)
        return "Calibrated from command line, full scale " + roundsigdigits(7, signedfactors[ch]) +
               " Pa";
    return calibration_status_text(calibrationstatus[ch], signedcalibrationdate[ch],
                                   signedpersonid[ch]);
}

bool TForm1::calibration_warning(int c) const {
    if (c != 0 && c != 1) return true;
    const std::size_t ch = std::size_t(c);
    const std::int32_t status = ch < pgs.size() ? pgs[ch].calstatus : calstatusunknown;
    if (commandlinecalibration && !fanalysisisfromsoundfile) return false;
    return calibration_warning_flag(advanced.calibrationexpirationdays, fanalysisisfromsoundfile,
                                    datetimenow(), signedcalibrationdate[ch], status);
}

void TForm1::calibrate_live_from_command_line() {
    if (commandlinefsd.empty()) return;
    // /f gives the full scale of the sound card's channels, as it does for a file's.
    for (std::size_t c = 0; c < 2; ++c) {
        signedfactors[c] = commandlinefsd[std::min(c, commandlinefsd.size() - 1)];
        calibrationstatus[c] = 2;
    }
    commandlinecalibration = true;
    advanced.calibrationrecalculate = false;
}

void TForm1::save_calibration(const std::string& fname) {
    calibrationsoundcard = recording_device_name();
    tcalibrationrecord r;
    r.soundcard = calibrationsoundcard;
    for (std::size_t c = 0; c < 2; ++c)
        r.ch[c] = {signedpersonid[c], signedcalibrationdate[c], signedfactors[c]};
    TQUBFile q = settings_container(progid, calibrationfilename);
    write_calibration(q, r);
    q.save_file(fname);
    q.clear();
}

void TForm1::open_calibration(const std::string& fname) {
    for (std::size_t c = 0; c < 2; ++c) {
        signedpersonid[c].clear();
        signedcalibrationdate[c] = 0.0;
        signedfactors[c] = uncalibratedfactor;
    }
    TQUBFile q = settings_container(progid, calibrationfilename);
    // A missing or unreadable file leaves the container without a calibration id, so both
    // channels come out uncalibrated without a message.
    q.open_file(fname);
    // A signed calibration belongs to its device. When no device is chosen (the advanced
    // settings were not saved since the device was chosen for calibrating), the
    // calibration's own device is, when it is connected: otherwise a restart would lose
    // the calibration.
    if (!recording_device_selected()) {
        const std::string card = calibration_soundcard(q);
        const auto& names = audiodevicenames.input;
        const auto it = card.empty() ? names.end() : std::find(names.begin(), names.end(), card);
        if (it != names.end()) advanced.recorddevice = card;
    }
    const tcalibrationload r =
        read_calibration(q, recording_device_selected(), recording_device_name());
    q.clear();
    if (r.validfile) calibrationsoundcard = r.soundcard;
    for (std::size_t c = 0; c < 2; ++c) {
        signedpersonid[c] = r.ch[c].personid;
        signedcalibrationdate[c] = r.ch[c].date;
        signedfactors[c] = r.ch[c].factor;
        calibrationstatus[c] = r.status[c];
        // A phonetogram replayed from a sound file keeps the calibration of that file.
        if (!fanalysisisfromsoundfile && c < pgs.size()) {
            pgs[c].calstatus = calibrationstatus[c];
            pgs[c].calibstr = calibration_info(int(c));
        }
    }
}

void TForm1::sign_calibration(std::int32_t chno, const std::string& personid, std::int32_t method,
                              double factor) {
    if (chno != 0 && chno != 1)
        throw ERangeError("There is no channel " + std::to_string(chno) + " to calibrate");
    if (!std::isfinite(factor) || !(factor > 0))
        throw EGravonError("The calibration factor " + floattostr(factor) +
                           " is not a positive number");
    const std::size_t c = std::size_t(chno);
    // A calibration that cannot be stored is not taken: after a restart it would be gone,
    // and the window would have shown levels that no file backs.
    const std::string oldperson = signedpersonid[c], oldsoundcard = calibrationsoundcard;
    const double olddate = signedcalibrationdate[c], oldfactor = signedfactors[c];
    const std::int32_t oldstatus = calibrationstatus[c];
    const auto restore = [&] {
        signedpersonid[c] = oldperson;
        signedcalibrationdate[c] = olddate;
        signedfactors[c] = oldfactor;
        calibrationstatus[c] = oldstatus;
        calibrationsoundcard = oldsoundcard;
        if (!fanalysisisfromsoundfile && c < pgs.size()) {
            pgs[c].calstatus = calibrationstatus[c];
            pgs[c].calibstr = calibration_info(chno);
        }
    };
    signedpersonid[c] = personid;
    signedcalibrationdate[c] = datetimenow();
    signedfactors[c] = factor;
    if (method == -1) {
        calibrationstatus[c] = calstatusuncalibrated;
    } else {
        calibrationsoundcard = recording_device_name();
        calibrationstatus[c] = personid.empty() ? calstatusunsigned : calstatussigned;
    }
    // The phonetogram gets its new status before the file and the log are written, so that
    // a failing log cannot leave it showing the old calibration.
    if (!fanalysisisfromsoundfile && c < pgs.size()) {
        pgs[c].calstatus = calibrationstatus[c];
        pgs[c].calibstr = calibration_info(chno);
    }
    try {
        save_calibration("");
    } catch (const EGravonError& e) {
        restore();
        const std::string side = chno == 0 ? "left" : "right";
        throw EGravonError((method == -1
                                ? "The calibration of the " + side + " channel was not removed: "
                                : "The calibration of the " + side + " channel was not signed: ") +
                           std::string(e.what()));
    }
    try {
        log_calibration(chno, personid, method, factor);
    } catch (...) {
        fix_things();
        throw;
    }
    fix_things();
}

void TForm1::log_calibration(std::int32_t chno, const std::string& personid, std::int32_t method,
                             double factor) {
    if (chno != 0 && chno != 1)
        throw ERangeError("There is no channel " + std::to_string(chno) + " to log");
    const std::size_t c = std::size_t(chno);
    const std::string site = c < pgs.size() ? pgs[c].recordingsiteid : std::string();
    // The login name first: when it cannot be read, no line is written.
    const std::string line = calibration_log_line(datetimetostr(signedcalibrationdate[c]), chno,
                                                  method, factor, site, personid, username());
    append_calibration_log(calibration_log_filename(), line);
}

} // namespace gravon
