// The calibration of a sound file recorded elsewhere: a full scale the user types in when the
// file is analysed, or one measured from a reference recorded with it (a calibrator's tone, a
// vowel read on a sound level meter), kept per file so that it is applied whenever the file
// is opened again.
#include "base/errors.h"
#include "base/number_text.h"
#include "base/system_utils.h"
#include "base/text_utils.h"
#include "calibration/calibration_model.h"
#include "calibration/date_time.h"
#include "core/main_window.h"
#include "core/sound_file_source.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace gravon {

namespace {

constexpr const char* filecalibrationsname = "GravonFileCalibrations.txt";
// Channels whose full scale the dialog offers; a file with more is analysed in its first ones
// only anyway (the window analyses channel 0).
constexpr std::size_t maxfullscalechannels = 16;

treferenceresult measure_reference(const tsoundsource& source, std::int32_t channel,
                                   const treference& ref, const std::string& name) {
    const std::string bad = treferencemeter::check(ref, source.fs, source.expected, name);
    if (!bad.empty()) throw EGravonError(bad);
    treferencemeter meter(ref, source.fs);
    const std::size_t got = source.read(channel, [&](std::span<const float> s) { meter.add(s); });
    return meter.result(name, std::int64_t(got));
}

tfilecalibration reference_file_calibration(const treference& ref, std::int32_t channel,
                                            const treferenceresult& r, const std::string& signer) {
    tfilecalibration c;
    c.fullscale = r.fullscale;
    c.status = signer.empty() ? 2 : 3;
    c.text =
        reference_calibration_text(ref, channel, r.fullscale, signer, datetimetostr(datetimenow()));
    c.distance = ref.distance;
    c.referencestart = r.extentstart;
    c.referenceend = r.extentend;
    return c;
}

std::string trimmed(const std::string& s) {
    const std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// Who signs a calibration made on the command line: the person logged in.
std::string login_name() {
    try {
        return username();
    } catch (const EGravonError&) {
        return "";
    }
}

} // namespace

std::string TForm1::file_calibrations_filename() const {
    TQUBFile q;
    q.setProgId(&progid);
    q.setSettingsFileName(filecalibrationsname);
    return q.settings_filename();
}

std::optional<tfilecalibration> TForm1::replay_calibration(const std::string& fname,
                                                           std::int32_t channel,
                                                           const tsoundsource& source) {
    if (fgivencalibration) {
        std::optional<tfilecalibration> c = std::move(fgivencalibration);
        fgivencalibration.reset();
        return c;
    }
    if (commandlinereference) {
        const treferenceresult r = measure_reference(source, channel, *commandlinereference, fname);
        return reference_file_calibration(*commandlinereference, channel, r, login_name());
    }
    if (std::size_t(channel) < commandlinefsd.size()) {
        tfilecalibration c;
        c.fullscale = commandlinefsd[std::size_t(channel)];
        c.status = 2;
        c.text = source.calibratedtext;
        return c;
    }
    if (policy.usersfiles) return file_calibrations().find(fname, channel);
    return std::nullopt;
}

tlevelcalibration TForm1::channel_calibration(int c) const {
    tlevelcalibration r;
    r.text = calibration_info(c);
    if (c != 0 && c != 1) return r;
    const std::size_t ch = std::size_t(c);
    r.status = ch < pgs.size() ? pgs[ch].calstatus : calstatusunknown;
    if (fanalysisisfromsoundfile)
        r.calibrated = c == 0 && soundfilecalibrated;
    else
        r.calibrated = commandlinecalibration || calibrationstatus[ch] == calstatusunsigned ||
                       calibrationstatus[ch] == calstatussigned;
    return r;
}

void TForm1::opensoundfileactionExecute(const std::string& fname) {
    tfullscalequestion q;
    q.filename = fname;
    q.analysedchannel = replay_channel();
    tsoundfilesource file;
    // A file that cannot be read is refused by the replay, which says why.
    if (!file.open(fname, q.analysedchannel).empty()) {
        Open_soundfile(fname, 0, -1);
        return;
    }
    // A file whose header keeps its calibration is only shown it.
    if (lowercase_extension(fname) == ".smp") {
        if (file.source.header) q.headercalibration = file.source.header->calibration.text;
        if (!file.source.header || ui.ask_full_scale(q)) Open_soundfile(fname, 0, -1);
        return;
    }
    const std::size_t n =
        std::min<std::size_t>(std::size_t(std::max(file.source.nchans, 0)), maxfullscalechannels);
    tfilecalibrations store = file_calibrations();
    for (std::size_t c = 0; c < n; ++c) {
        std::string value, text;
        if (const auto kept = store.find(fname, std::int32_t(c))) {
            value = floattostrdot(kept->fullscale);
            text = kept->text;
        } else if (c < commandlinefsd.size()) {
            value = floattostrdot(commandlinefsd[c]);
            text = file.source.calibratedtext;
        }
        q.values.push_back(value);
        q.texts.push_back(text);
    }
    const std::vector<std::string> before = q.values;
    if (!ui.ask_full_scale(q)) return;
    q.values.resize(n);
    // Every value is checked before any is kept: a typing error changes nothing.
    std::vector<double> given(n, 0.0);
    for (std::size_t c = 0; c < n; ++c) {
        const std::string v = trimmed(q.values[c]);
        if (v.empty()) continue;
        double x = 0;
        try {
            x = strtofloatdot(replaceall(v, ",", "."));
        } catch (const EConvertError&) {
            x = -1;
        }
        if (!std::isfinite(x) || !(x > 0)) {
            ui.tell(message_fact("Cannot analyse file",
                                 "'" + v + "' is not a valid full scale for channel " +
                                     std::to_string(c) + " of " + fname +
                                     ": it must be a positive number of Pa",
                                 tmessagekind::error));
            return;
        }
        given[c] = x;
    }
    try {
        for (std::size_t c = 0; c < n; ++c) {
            // What was shown and not changed stays as it was made (a reference keeps its text).
            if (trimmed(q.values[c]) == before[c]) continue;
            if (given[c] > 0) {
                tfilecalibration cal;
                cal.fullscale = given[c];
                cal.status = 2;
                cal.text = given_fullscale_text(file.kind, given[c]);
                store.remember(fname, std::int32_t(c), cal);
                if (std::int32_t(c) == q.analysedchannel) fgivencalibration = cal;
            } else {
                store.forget(fname, std::int32_t(c));
            }
        }
    } catch (const EGravonError& e) {
        // The value applies all the same; only the next opening will not know it.
        ui.tell(message_fact("Full scale not kept", e.what(), tmessagekind::warning));
    }
    Open_soundfile(fname, 0, -1);
    fgivencalibration.reset();
}

bool TForm1::reference_calibration_possible(std::string* why) const {
    const auto no = [&](const std::string& text) {
        if (why) *why = text;
        return false;
    };
    if (analyzing || frecording) return no("Wait until the analysis or the recording has ended.");
    if (!fanalysisisfromsoundfile || soundfilename.empty() || soundfilechannels <= 0)
        return no("Analyse the sound file first (Analyze soundfile... in the File menu): the "
                  "reference is measured in the file the window shows.");
    if (lowercase_extension(soundfilename) == ".smp")
        return no(soundfilename + " is an SMP file: it keeps the calibration of its header.");
    return true;
}

tfilewaveform TForm1::soundfile_waveform(std::int32_t width) {
    std::string why;
    if (!reference_calibration_possible(&why)) throw EGravonError(why);
    tsoundfilesource file;
    why = file.open(soundfilename);
    if (!why.empty()) throw EGravonError(why);
    tfilewaveform w;
    w.channel = replay_channel();
    w.fs = file.source.fs;
    const std::size_t columns = std::size_t(std::max(width, 1));
    w.columns.assign(columns, tminmax{0, 0});
    const double total = double(std::max<std::int64_t>(file.source.expected, 1));
    std::vector<bool> seen(columns, false);
    std::int64_t pos = 0;
    file.source.read(w.channel, [&](std::span<const float> s) {
        for (float v : s) {
            const std::size_t c =
                std::min(columns - 1, std::size_t(double(pos++) * double(columns) / total));
            const auto x =
                std::int16_t(std::clamp(std::lround(double(v) * 32767.0), -32768L, 32767L));
            tminmax& m = w.columns[c];
            if (!seen[c]) {
                m.min = m.max = x;
                seen[c] = true;
            }
            m.min = std::min(m.min, x);
            m.max = std::max(m.max, x);
        }
    });
    w.duration = w.fs > 0 ? double(pos) / w.fs : 0;
    return w;
}

bool TForm1::calibrate_from_reference(const treference& ref, const std::string& signer) {
    const auto refuse = [&](const std::string& why) {
        ui.tell(message_fact("Cannot calibrate from the reference", why, tmessagekind::error));
        return false;
    };
    std::string why;
    if (!reference_calibration_possible(&why)) return refuse(why);
    const std::string fname = soundfilename;
    tsoundfilesource file;
    why = file.open(fname);
    if (!why.empty()) return refuse(why);
    const std::int32_t channel = replay_channel();
    if (channel >= file.source.nchans)
        return refuse(fname + " has no channel " + std::to_string(channel));
    tfilecalibration c;
    try {
        const treferenceresult r = measure_reference(file.source, channel, ref, fname);
        c = reference_file_calibration(ref, channel, r, signer);
    } catch (const EGravonError& e) {
        return refuse(e.what());
    }
    if (policy.usersfiles) {
        try {
            file_calibrations().remember(fname, channel, c);
        } catch (const EGravonError& e) {
            ui.tell(message_fact("Calibration not kept", e.what(), tmessagekind::warning));
        }
    }
    fgivencalibration = c;
    freanalysis = true;
    Open_soundfile(fname, 0, -1);
    freanalysis = false;
    fgivencalibration.reset();
    return soundfileanalysed;
}

} // namespace gravon
