#include "core/advanced_settings_page.h"

#include "analysis/fft.h"
#include "base/errors.h"
#include "base/number_text.h"
#include "base/pitch.h"
#include "core/main_window.h"
#include "core/reset_all_question.h"
#include "settings/settings_file_name.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <span>
#include <sstream>

namespace gravon {

namespace {

constexpr std::int32_t maxdigits = 20;

// The edits that show a setting's number as it is, in runs in the order the apply takes them.
struct tnumberedit {
    const char* field;
    std::string tadvancedpage::*edit;
    double tadvancedsettings::*value;
};
using tnumberedits = std::span<const tnumberedit>;
constexpr tnumberedit f0edits[] = {
    {"lof0limitedit", &tadvancedpage::lof0limitedit, &tadvancedsettings::lof0limit},
    {"hif0limitedit", &tadvancedpage::hif0limitedit, &tadvancedsettings::hif0limit},
    {"hpfreqedit", &tadvancedpage::hpfreqedit, &tadvancedsettings::hpfreq},
    {"cppsmaxf0edit", &tadvancedpage::cppsmaxf0edit, &tadvancedsettings::cppsmaxf0},
};
constexpr tnumberedit thresholdedits[] = {
    {"minsnredit", &tadvancedpage::minsnredit, &tadvancedsettings::minsnr},
    {"minhnredit", &tadvancedpage::minhnredit, &tadvancedsettings::minhnr},
    {"maxneglevelspeededit", &tadvancedpage::maxneglevelspeededit,
     &tadvancedsettings::maxneglevelspeed},
    {"maxposlevelspeededit", &tadvancedpage::maxposlevelspeededit,
     &tadvancedsettings::maxposlevelspeed},
    {"maxf0speededit", &tadvancedpage::maxf0speededit, &tadvancedsettings::maxf0speed},
    {"minrelpartialleveledit", &tadvancedpage::minrelpartialleveledit,
     &tadvancedsettings::minrelpartiallevel},
};
constexpr tnumberedit blockedits[] = {
    {"minsubharmonicratioedit", &tadvancedpage::minsubharmonicratioedit,
     &tadvancedsettings::minsubharmonicratio},
    {"lfblockthresholdedit", &tadvancedpage::lfblockthresholdedit,
     &tadvancedsettings::lfblockthreshold},
    {"hfblockthresholdedit", &tadvancedpage::hfblockthresholdedit,
     &tadvancedsettings::hfblockthreshold},
    {"maxhfblockleveledit", &tadvancedpage::maxhfblockleveledit,
     &tadvancedsettings::maxhfblocklevel},
};

// The number of decimals a pattern "0.00..." asks for.
std::int32_t pattern_decimals(const std::string& pattern) {
    return std::max<std::int32_t>(0, std::int32_t(pattern.size()) - 2);
}

// An integer of an edit, or nothing.
std::optional<std::int32_t> integer_of(const std::string& text) {
    try {
        return read_integer(text);
    } catch (const EConvertError&) {
        return std::nullopt;
    }
}

std::optional<double> number_of(const std::string& text) {
    try {
        return read_number(text);
    } catch (const EConvertError&) {
        return std::nullopt;
    }
}

std::int32_t clamp_digits(std::int32_t n) {
    return std::clamp(n, 0, maxdigits);
}

// A decimals edit: the count and its pattern, and the example written with them.
std::string set_decimals(std::int32_t& ndec, std::string& pattern, const std::string& text,
                         double example, const char* unit) {
    const std::optional<std::int32_t> n = integer_of(text);
    if (!n) return " ";
    ndec = clamp_digits(*n);
    pattern = decimals_pattern(ndec);
    return formatfloat(pattern, example) + unit;
}

} // namespace

std::string decimals_pattern(std::int32_t n) {
    return "0." + std::string(std::size_t(std::max(0, n)), '0');
}

tadvancedpage advanced_page_of(const TForm1& form) {
    const tadvancedsettings& a = form.advanced;
    tadvancedpage p;
    p.hileveledit = formatfloat("0.00", a.hilevel);
    p.loleveledit = formatfloat("0.00", a.lolevel);
    p.lokeyedit = std::to_string(a.lokey);
    p.hikeyedit = std::to_string(a.lokey + a.nkeys - 1);
    p.ndig = a.nsigdig;
    p.ndecsec = pattern_decimals(a.secformat);
    p.ndecdb = pattern_decimals(a.dbformat);
    p.sigdigitsedit = std::to_string(p.ndig);
    p.secdecimalsedit = std::to_string(p.ndecsec);
    p.dbdecimalsedit = std::to_string(p.ndecdb);
    p.secstr = a.secformat;
    p.dbstr = a.dbformat;
    p.hideisolatedbins = a.hideisolatedbins;
    p.timethresholdedit = number_text(a.timethreshold * 1000.0);
    p.includeadjacentbins = a.includeadjacentbins;
    p.adjacentfactoredit = number_text(a.adjacentinclusionfactor);

    p.locationidedit = form.locationid;
    p.saveoptionsonexit = a.saveoptionsonexit;
    p.saveadvancedsettingsonexit = a.saveadvancedsettingsonexit;
    p.savestdpgchannos = a.savestdpgchannos;
    p.savekavellchannel = a.savekavellchannel;
    p.savesmpchannel = a.savesmpchannel;
    p.savewavchannel = a.savewavchannel;
    p.amplifykavellaudio = a.amplifykavellaudio;
    p.amplifysmpaudio = a.amplifysmpaudio;
    p.amplifywavaudio = a.amplifywavaudio;

    p.fsedit = number_text(a.fs);
    p.outputdevices = form.audiodevicenames.output;
    p.inputdevices = form.audiodevicenames.input;
    p.noisedevice = a.playdevice;
    p.keyboarddevice = a.keyboarddevice;
    p.calibrationdevice = a.calibrationdevice;
    p.recorddevice = a.recorddevice;
    p.noiseplayleft = a.noiseplayleft;
    p.noiseplayright = a.noiseplayright;
    p.keyboardplayleft = a.keyboardplayleft;
    p.keyboardplayright = a.keyboardplayright;
    p.calibrationtoneplayleft = a.calibrationtoneplayleft;
    p.calibrationtoneplayright = a.calibrationtoneplayright;
    p.use24bits = a.use24bits;

    for (std::size_t c = 0; c < 2; ++c) {
        // A stored method beyond the offered ones shows as none chosen.
        const std::int32_t m = a.calibrationmethod[c];
        p.calibrationmethod[c] = m >= 0 && m < nofferedcalibrationmethods ? m : -1;
        p.distanceedit[c] = number_text(a.standardactualdistance(std::int32_t(c)) * 1000.0);
        p.noiseloedit[c] = number_text(a.noiselo[c]);
        p.noisehiedit[c] = number_text(a.noisehi[c]);
    }
    p.calibratorspledit = number_text(a.calibratorspl);
    p.overloadlimitedit = number_text(a.calibratoroverloadlimit);
    p.calibrationrecalculate = a.calibrationrecalculate;
    p.expirationdaysedit = number_text(a.calibrationexpirationdays);

    for (tnumberedits edits :
         {tnumberedits(f0edits), tnumberedits(thresholdedits), tnumberedits(blockedits)})
        for (const tnumberedit& e : edits) p.*e.edit = number_text(a.*e.value);
    p.fftbwedit = number_text(a.fftbw);
    p.fftwindow = a.fftwindow;
    p.subharmonicguard = a.subharmonicguard;
    p.leftblockright = a.leftblockright;
    p.rightblockleft = a.rightblockleft;
    p.leftblockrightthresholdedit = number_text(a.leftblockrightthreshold);
    p.rightblockleftthresholdedit = number_text(a.rightblockleftthreshold);
    p.keyboardblock = a.keyboardblock;
    p.noisequantileedit = number_text(a.noisequantile * 100.0);
    p.holdnoiseedit = number_text(a.holdnoisemeasurementtime);
    p.binningmethod = a.binningmethod;

    p.stdpgparams = a.stdpgparams;
    p.displayparams = a.displayparams;
    p.nsigdig = a.nsigdig;
    p.signedfactors = form.signedfactors;
    p.calibrationsoundcard = form.calibrationsoundcard;
    p.applyandsaveenabled = !form.analysisisfromsoundfile();
    return p;
}

tapplyresult apply_advanced_page(TForm1& form, const tadvancedpage& p) {
    tadvancedsettings& a = form.advanced;
    const tapplyresult r = run_field_apply([&](tfieldapply& f) {
        const auto num = [&](const char* field, const std::string& text) {
            f.field(field);
            return read_number(text);
        };
        a.hilevel = num("hileveledit", p.hileveledit);
        a.lolevel = num("loleveledit", p.loleveledit);
        f.field("lokeyedit");
        a.lokey = read_integer(p.lokeyedit);
        f.field("hikeyedit");
        // A highest key below the lowest would leave a keyboard without keys.
        a.nkeys = std::clamp(read_integer(p.hikeyedit) - a.lokey + 1, 1, 256);
        a.timethreshold = num("timethresholdedit", p.timethresholdedit) / 1000.0;
        a.hideisolatedbins = p.hideisolatedbins;
        a.includeadjacentbins = p.includeadjacentbins;
        a.adjacentinclusionfactor = num("adjacentfactoredit", p.adjacentfactoredit);
        a.nsigdig = p.ndig;
        a.dbformat = p.dbstr;
        a.secformat = p.secstr;
        a.recorddevice = p.recorddevice;
        a.playdevice = p.noisedevice;
        a.keyboarddevice = p.keyboarddevice;
        a.calibrationdevice = p.calibrationdevice;
        form.set_use24bits(p.use24bits);
        form.set_fs(num("fsedit", p.fsedit));
        a.noiseplayleft = p.noiseplayleft;
        a.noiseplayright = p.noiseplayright;
        a.keyboardplayleft = p.keyboardplayleft;
        a.keyboardplayright = p.keyboardplayright;
        a.calibrationtoneplayleft = p.calibrationtoneplayleft;
        a.calibrationtoneplayright = p.calibrationtoneplayright;
        a.stdpgparams = p.stdpgparams;
        a.displayparams = p.displayparams;
        // The darkness index and the per-parameter flags follow the display list's length.
        form.set_zparam(form.options.zparam());
        form.options.showstatsparam.resize(a.displayparams.size(), false);
        for (std::size_t c = 0; c < 2; ++c)
            if (p.calibrationmethod[c] >= 0) a.calibrationmethod[c] = p.calibrationmethod[c];
        a.calibratorspl = num("calibratorspledit", p.calibratorspledit);
        a.calibratoroverloadlimit = num("overloadlimitedit", p.overloadlimitedit);
        form.set_standardactualdistance(0, num("distanceedit0", p.distanceedit[0]) / 1000.0);
        form.set_standardactualdistance(1, num("distanceedit1", p.distanceedit[1]) / 1000.0);
        a.calibrationrecalculate = p.calibrationrecalculate;
        a.calibrationexpirationdays = num("expirationdaysedit", p.expirationdaysedit);
        for (const tnumberedit& e : f0edits) a.*e.value = num(e.field, p.*e.edit);
        a.fftwindow = p.fftwindow;
        form.set_fftbw(num("fftbwedit", p.fftbwedit));
        a.leftblockright = p.leftblockright;
        a.rightblockleft = p.rightblockleft;
        a.leftblockrightthreshold =
            num("leftblockrightthresholdedit", p.leftblockrightthresholdedit);
        a.rightblockleftthreshold =
            num("rightblockleftthresholdedit", p.rightblockleftthresholdedit);
        a.keyboardblock = p.keyboardblock;
        for (const tnumberedit& e : thresholdedits) a.*e.value = num(e.field, p.*e.edit);
        a.subharmonicguard = p.subharmonicguard;
        for (const tnumberedit& e : blockedits) a.*e.value = num(e.field, p.*e.edit);
        a.noisequantile = num("noisequantileedit", p.noisequantileedit) / 100.0;
        a.noiselo[0] = num("noiseloedit0", p.noiseloedit[0]);
        a.noisehi[0] = num("noisehiedit0", p.noisehiedit[0]);
        a.noiselo[1] = num("noiseloedit1", p.noiseloedit[1]);
        a.noisehi[1] = num("noisehiedit1", p.noisehiedit[1]);
        a.holdnoisemeasurementtime = num("holdnoiseedit", p.holdnoiseedit);
        a.binningmethod = p.binningmethod;
        a.saveoptionsonexit = p.saveoptionsonexit;
        a.saveadvancedsettingsonexit = p.saveadvancedsettingsonexit;
        a.savekavellchannel = p.savekavellchannel;
        a.amplifykavellaudio = p.amplifykavellaudio;
        a.savesmpchannel = p.savesmpchannel;
        a.amplifysmpaudio = p.amplifysmpaudio;
        a.savewavchannel = p.savewavchannel;
        a.amplifywavaudio = p.amplifywavaudio;
        a.savestdpgchannos = p.savestdpgchannos;
        form.locationid = p.locationidedit;
        a.locationid = p.locationidedit;
    });
    if (r) return r;
    form.open_calibration("");
    form.fix_things();
    return std::nullopt;
}

std::string set_significant_digits(tadvancedpage& p, const std::string& text) {
    const std::optional<std::int32_t> n = integer_of(text);
    if (!n) return " ";
    p.ndig = clamp_digits(*n);
    return sigdigits(p.ndig, 800.0 / 7.0) + " Hz";
}

std::string set_time_decimals(tadvancedpage& p, const std::string& text) {
    return set_decimals(p.ndecsec, p.secstr, text, 905.0 / 7.0, " s");
}

std::string set_level_decimals(tadvancedpage& p, const std::string& text) {
    return set_decimals(p.ndecdb, p.dbstr, text, 90.0 / 7.0, " dB");
}

tadvancedderived advanced_derived(const tadvancedpage& p) {
    tadvancedderived d;
    const std::optional<double> bw = number_of(p.fftbwedit);
    const std::int32_t w = std::clamp(p.fftwindow, 0, fftwindowblackman);
    d.windowlength = bw ? "Window length: " +
                              sigdigits(p.nsigdig, windowsizefactor(TFFTWindow(w)) / *bw * 1000.0) +
                              " ms"
                        : "Window length: -";
    for (std::int32_t m : p.calibrationmethod) {
        d.calibratorgroupvisible = d.calibratorgroupvisible || m == 1;
        d.loudspeakergroupvisible = d.loudspeakergroupvisible || (m >= 2 && m <= 4);
    }
    const bool mapping =
        p.selectedmapping >= 0 && p.selectedmapping < std::int32_t(p.stdpgparams.size());
    const bool display =
        p.selecteddisplay >= 0 && p.selecteddisplay < std::int32_t(p.displayparams.size());
    d.editmappingenabled = d.removemappingenabled = mapping;
    d.editdisplayenabled = display;
    d.removedisplayenabled = display && p.selecteddisplay > 0;
    if (mapping) {
        const std::string& name = p.stdpgparams[std::size_t(p.selectedmapping)].name;
        d.editmappingcaption = "Edit " + name + " mapping";
        d.removemappingcaption = "Remove " + name + " mapping";
    } else {
        d.editmappingcaption = "Edit stdpg parameter mapping";
        d.removemappingcaption = "Remove stdpg parameter mapping";
    }
    if (display) {
        const std::string& name = p.displayparams[std::size_t(p.selecteddisplay)].name;
        d.editdisplaycaption = "Edit display of " + name;
        d.removedisplaycaption = "Remove display of " + name;
    } else {
        d.editdisplaycaption = "Edit display parameter";
        d.removedisplaycaption = "Remove display parameter";
    }
    if (const auto k = integer_of(p.lokeyedit)) d.lokeynote = notename(*k, false);
    if (const auto k = integer_of(p.hikeyedit)) d.hikeynote = notename(*k, false);
    const double g = std::pow(10.0, 0.05);
    for (std::size_t c = 0; c < 2; ++c) {
        const std::string prefix = c == 0 ? "L: " : "R: ";
        const std::optional<double> dist = number_of(p.distanceedit[c]);
        d.distancerange[c] = prefix;
        d.maxlevelat300[c] = prefix;
        if (dist)
            d.distancerange[c] +=
                formatfloat("0", *dist / g) + "-" + formatfloat("0", *dist * g) + " mm";
        const double fullscale = p.signedfactors[c] / 2e-5 / std::sqrt(2.0);
        if (dist)
            d.maxlevelat300[c] +=
                formatfloat("0.0", 20.0 * std::log10(*dist / 300.0 * fullscale)) + " dB";
        d.maxlevelatmic[c] = prefix + formatfloat("0.0", 20.0 * std::log10(fullscale)) + " dB";
    }
    d.calibrationsoundcard = p.calibrationsoundcard;
    return d;
}

std::vector<std::string> mapping_lines(const tadvancedpage& p) {
    std::vector<std::string> lines;
    for (const tstdpgparam& m : p.stdpgparams) {
        const bool valid =
            m.displaymapping >= 0 && m.displaymapping < std::int32_t(p.displayparams.size());
        // A mapping to a display parameter that is gone shows its number.
        lines.push_back(m.name + " -> " +
                        (valid ? p.displayparams[std::size_t(m.displaymapping)].name
                               : "(" + std::to_string(m.displaymapping) + ")"));
    }
    return lines;
}

std::vector<std::string> display_lines(const tadvancedpage& p) {
    std::vector<std::string> lines;
    for (const tdisplayparam& d : p.displayparams)
        lines.push_back(d.axisunit.empty() ? d.name : d.name + " [" + d.axisunit + "]");
    return lines;
}

void remove_selected_mapping(tadvancedpage& p) {
    const std::int32_t k = p.selectedmapping;
    if (k < 0 || k >= std::int32_t(p.stdpgparams.size())) return;
    p.stdpgparams.erase(p.stdpgparams.begin() + k);
    p.selectedmapping = -1;
}

void remove_selected_display(tadvancedpage& p) {
    const std::int32_t k = p.selecteddisplay;
    if (k < 1 || k >= std::int32_t(p.displayparams.size())) return;
    for (tstdpgparam& m : p.stdpgparams) {
        if (m.displaymapping == k)
            m.displaymapping = 0;
        else if (m.displaymapping > k)
            --m.displaymapping;
    }
    p.displayparams.erase(p.displayparams.begin() + k);
    p.selecteddisplay = -1;
}

bool store_mapping(tadvancedpage& p, std::int32_t index, const std::string& name,
                   std::int32_t displayindex) {
    if (name.empty() || displayindex < 0 || displayindex >= std::int32_t(p.displayparams.size()))
        return false;
    if (index < 0) {
        p.stdpgparams.emplace_back();
        index = std::int32_t(p.stdpgparams.size()) - 1;
    }
    if (index >= std::int32_t(p.stdpgparams.size())) return false;
    p.stdpgparams[std::size_t(index)].name = name;
    p.stdpgparams[std::size_t(index)].displaymapping = displayindex;
    return true;
}

bool store_display(tadvancedpage& p, std::int32_t index, const std::string& name,
                   const std::string& unit) {
    if (name.empty()) return false;
    if (index < 0) {
        tdisplayparam d;
        d.min = 0.0;
        d.max = 1.0;
        d.logarithmic = false;
        p.displayparams.push_back(d);
        index = std::int32_t(p.displayparams.size()) - 1;
    }
    if (index >= std::int32_t(p.displayparams.size())) return false;
    p.displayparams[std::size_t(index)].name = name;
    p.displayparams[std::size_t(index)].axisunit = unit;
    return true;
}

void remove_all_calibrations(TForm1& form) {
    // Both channels go, even when the first one's file or log line cannot be written: the
    // user asked for no calibration, and half of one would be worse.
    std::string failure;
    for (std::int32_t ch = 0; ch < 2; ++ch) {
        try {
            form.sign_calibration(ch, "", -1, 100.0);
        } catch (const EGravonError& e) {
            if (failure.empty()) failure = e.what();
        }
    }
    if (!failure.empty()) throw EGravonError(failure);
}

bool reset_all_advanced_settings(TForm1& form) {
    return reset_all_after_asking(form, "advanced settings", &TForm1::set_advanced_to_default);
}

std::string read_calibration_log(const TForm1& form) {
    const std::string name = form.calibration_log_filename();
    std::ifstream in(name, std::ios::binary);
    if (!in)
        throw EOSError("Cannot open file \"" + name + "\". The system cannot find the file " +
                       "specified");
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace gravon
