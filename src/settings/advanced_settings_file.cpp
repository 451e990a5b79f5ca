#include "settings/advanced_settings_file.h"

#include "analysis/hop_analysis.h"
#include "base/number_text.h"

#include <cmath>

namespace gravon {

namespace {

constexpr const char* general = "General";

std::string ikey(const char* name, std::size_t i) {
    return name + std::to_string(i);
}

struct tfloatkey {
    const char* key;
    double tadvancedsettings::*field;
};
// The run of analysis thresholds after "FFTBandwidth".
constexpr std::array<tfloatkey, 10> thresholdkeys = {{
    {"MinSNR", &tadvancedsettings::minsnr},
    {"MaxNegLevelSpeed", &tadvancedsettings::maxneglevelspeed},
    {"MaxPosLevelSpeed", &tadvancedsettings::maxposlevelspeed},
    {"MaxfoSpeed", &tadvancedsettings::maxf0speed},
    {"MinHNR", &tadvancedsettings::minhnr},
    {"MinRelPartialLevel", &tadvancedsettings::minrelpartiallevel},
    {"LFBlockthreshold", &tadvancedsettings::lfblockthreshold},
    {"HFBlockthreshold", &tadvancedsettings::hfblockthreshold},
    {"MaxHFBlocklevel", &tadvancedsettings::maxhfblocklevel},
    {"NoiseQuantile", &tadvancedsettings::noisequantile},
}};

struct tsavesection {
    const char* section;
    tsavetable tadvancedsettings::*table;
    bool tadvancedsettings::*amplify;
};
constexpr std::array<tsavesection, 3> savesections = {{
    {"SaveKavell", &tadvancedsettings::savekavellchannel, &tadvancedsettings::amplifykavellaudio},
    {"SaveSMP", &tadvancedsettings::savesmpchannel, &tadvancedsettings::amplifysmpaudio},
    {"SaveWAV", &tadvancedsettings::savewavchannel, &tadvancedsettings::amplifywavaudio},
}};

struct tdevicekey {
    const char* key;
    std::int32_t tadvancedsettings::*field;
    bool input;
};
constexpr std::array<tdevicekey, 4> devicekeys = {{
    {"PlaySoundcard", &tadvancedsettings::playdevice, false},
    {"CalibrationSoundcard", &tadvancedsettings::calibrationdevice, false},
    {"KeyboardSoundcard", &tadvancedsettings::keyboarddevice, false},
    {"RecordSoundcard", &tadvancedsettings::recorddevice, true},
}};

// A rate or bandwidth the analysis can size a window from.
void get_positive(tsettingsreader& r, const char* section, const char* key, double& v) {
    const double x = r.readfloat(section, key, v);
    if (std::isfinite(x) && x > 0)
        v = x;
    else
        r.note(section, key,
               "must be a positive number, not " +
                   (std::isfinite(x) ? floattostrdot(x) : std::string("a non-finite value")));
}

} // namespace

void write_advanced_settings(TQUBFile& f, const tadvancedsettings& a,
                             const taudiodevicenames& devices) {
    for (const tdevicekey& d : devicekeys)
        f.writestring(general, d.key,
                      device_name(d.input ? devices.input : devices.output, a.*d.field));
    f.writebool(general, "NoisePlayLeft", a.noiseplayleft);
    f.writebool(general, "NoisePlayRight", a.noiseplayright);
    f.writebool(general, "CalibrationTonePlayLeft", a.calibrationtoneplayleft);
    f.writebool(general, "CalibrationTonePlayRight", a.calibrationtoneplayright);
    f.writebool(general, "KeyboardPlayLeft", a.keyboardplayleft);
    f.writebool(general, "KeyboardPlayRight", a.keyboardplayright);
    f.writebool(general, "Use24Bits", a.use24bits);
    f.writestring(general, "LocationID", a.locationid);
    f.writefloat(general, "LofoLimit", a.lof0limit);
    f.writefloat(general, "HifoLimit", a.hif0limit);
    f.writefloat(general, "SampFreq", a.fs);
    f.writeinteger(general, "FFTWindow", a.fftwindow);
    f.writefloat(general, "HPFreq", a.hpfreq);
    f.writefloat(general, "FFTBandwidth", a.fftbw);
    for (const tfloatkey& k : thresholdkeys) f.writefloat(general, k.key, a.*k.field);
    for (std::size_t ch = 0; ch < 2; ++ch) {
        f.writefloat(general, ikey("NoiseLo", ch), a.noiselo[ch]);
        f.writefloat(general, ikey("NoiseHi", ch), a.noisehi[ch]);
    }
    // Kept for readers that know only the yes/no choice of older versions.
    f.writebool(general, "AddDither", a.binningmethod != binroundtonearest);
    f.writeinteger(general, "BinningMethod", a.binningmethod);
    f.writefloat(general, "HoldNoiseMeasurementTime", a.holdnoisemeasurementtime);

    f.writefloat("Display", "LoLevel", a.lolevel);
    f.writefloat("Display", "HiLevel", a.hilevel);
    f.writeinteger("Display", "LoKey", a.lokey);
    f.writeinteger("Display", "nKeys", a.nkeys);
    f.writefloat("Display", "TimeThreshold", a.timethreshold);
    f.writebool("Display", "IncludeAdjacentBins", a.includeadjacentbins);
    f.writefloat("Display", "AdjacentInclusionFactor", a.adjacentinclusionfactor);
    f.writebool("Display", "HideIsolatedBins", a.hideisolatedbins);
    f.writeinteger("Display", "nSignificantDigits", a.nsigdig);
    f.writestring("Display", "dBFormat", a.dbformat);
    f.writestring("Display", "SecondsFormat", a.secformat);

    f.writebool("Save", "SaveOptionsOnExit", a.saveoptionsonexit);
    f.writebool("Save", "SaveAdvancedSettingsOnExit", a.saveadvancedsettingsonexit);
    for (const tsavesection& s : savesections) {
        const tsavetable& t = a.*s.table;
        for (std::size_t ch = 0; ch < 2; ++ch)
            for (std::size_t item = 0; item < std::size_t(nsavemeasures); ++item)
                f.writebool(s.section, ikey(savemeasureid[item], ch), t[item][ch]);
        f.writebool(s.section, "AmplifyAudio", a.*s.amplify);
    }
    f.writeinteger("Save", "SaveStdpgChannels", a.savestdpgchannos);

    for (std::size_t ch = 0; ch < 2; ++ch)
        f.writeinteger("Calibration", ikey("Calibrationmethod", ch), a.calibrationmethod[ch]);
    f.writefloat("Calibration", "CalibratorSPL", a.calibratorspl);
    f.writefloat("Calibration", "CalibratorOverloadLimit", a.calibratoroverloadlimit);
    for (std::size_t ch = 0; ch < 2; ++ch)
        f.writefloat("Calibration", ikey("ActualDistance", ch),
                     a.standardactualdistance(std::int32_t(ch)));
    f.writebool("Calibration", "CalibrationReCalculate", a.calibrationrecalculate);
    f.writefloat("Calibration", "CalibrationExpirationDays", a.calibrationexpirationdays);

    f.writebool("Keyboard", "BlockDetection", a.keyboardblock);
    f.writebool(general, "LeftBlockRight", a.leftblockright);
    f.writebool(general, "RightBlockLeft", a.rightblockleft);
    f.writefloat(general, "LeftBlockRightThreshold", a.leftblockrightthreshold);
    f.writefloat(general, "RightBlockLeftThreshold", a.rightblockleftthreshold);

    f.writeinteger("Parameters", "nstdpgParams", std::int32_t(a.stdpgparams.size()));
    for (std::size_t i = 0; i < a.stdpgparams.size(); ++i) {
        f.writestring("Parameters", ikey("stdpgParamName", i), a.stdpgparams[i].name);
        f.writeinteger("Parameters", ikey("stdpgParamMapping", i), a.stdpgparams[i].displaymapping);
    }
    f.writeinteger("Parameters", "nDisplayParams", std::int32_t(a.displayparams.size()));
    for (std::size_t i = 0; i < a.displayparams.size(); ++i) {
        const tdisplayparam& d = a.displayparams[i];
        f.writestring("Parameters", ikey("DisplayParamName", i), d.name);
        f.writestring("Parameters", ikey("DisplayParamUnit", i), d.axisunit);
        f.writefloat("Parameters", ikey("DisplayParamMin", i), d.min);
        f.writefloat("Parameters", ikey("DisplayParamMax", i), d.max);
        f.writebool("Parameters", ikey("DisplayParamLogarithmic", i), d.logarithmic);
    }
}

void read_advanced_settings(tsettingsreader& r, tadvancedsettings& a,
                            const taudiodevicenames& devices) {
    for (const tdevicekey& d : devicekeys) {
        const std::vector<std::string>& names = d.input ? devices.input : devices.output;
        a.*d.field =
            device_index(names, r.readstring(general, d.key, device_name(names, a.*d.field)));
    }
    r.get(general, "NoisePlayLeft", a.noiseplayleft);
    r.get(general, "NoisePlayRight", a.noiseplayright);
    r.get(general, "CalibrationTonePlayLeft", a.calibrationtoneplayleft);
    r.get(general, "CalibrationTonePlayRight", a.calibrationtoneplayright);
    r.get(general, "KeyboardPlayLeft", a.keyboardplayleft);
    r.get(general, "KeyboardPlayRight", a.keyboardplayright);
    r.get(general, "Use24Bits", a.use24bits);
    r.get(general, "LocationID", a.locationid);
    r.get(general, "LofoLimit", a.lof0limit);
    r.get(general, "HifoLimit", a.hif0limit);
    const double oldfs = a.fs, oldfftbw = a.fftbw;
    get_positive(r, general, "SampFreq", a.fs);
    r.get(general, "FFTWindow", a.fftwindow);
    r.get(general, "HPFreq", a.hpfreq);
    get_positive(r, general, "FFTBandwidth", a.fftbw);
    if (!analysis_window_fits(a.fs, a.fftbw, TFFTWindow(a.fftwindow))) {
        // The two size the analysis window; a window of nothing or of gigabytes is not taken.
        r.note(general, "SampFreq",
               "with \"FFTBandwidth\" " + floattostrdot(a.fftbw) + " a sampling frequency of " +
                   floattostrdot(a.fs) + " gives an analysis window of " +
                   floattostrdot(analysis_window_length(a.fs, a.fftbw, TFFTWindow(a.fftwindow))) +
                   " samples (2 to " + std::to_string(maxanalysiswindowsize) +
                   " are possible); both are kept");
        a.fs = oldfs;
        a.fftbw = oldfftbw;
    }
    for (const tfloatkey& k : thresholdkeys) r.get(general, k.key, a.*k.field);
    for (std::size_t ch = 0; ch < 2; ++ch) {
        r.get(general, ikey("NoiseLo", ch), a.noiselo[ch]);
        r.get(general, ikey("NoiseHi", ch), a.noisehi[ch]);
    }
    r.get(general, "BinningMethod", a.binningmethod);
    r.get(general, "HoldNoiseMeasurementTime", a.holdnoisemeasurementtime);

    r.get("Display", "LoLevel", a.lolevel);
    r.get("Display", "HiLevel", a.hilevel);
    r.get("Display", "LoKey", a.lokey);
    r.get("Display", "nKeys", a.nkeys);
    r.get("Display", "TimeThreshold", a.timethreshold);
    r.get("Display", "IncludeAdjacentBins", a.includeadjacentbins);
    r.get("Display", "AdjacentInclusionFactor", a.adjacentinclusionfactor);
    r.get("Display", "HideIsolatedBins", a.hideisolatedbins);
    r.get("Display", "nSignificantDigits", a.nsigdig);
    r.get("Display", "dBFormat", a.dbformat);
    r.get("Display", "SecondsFormat", a.secformat);

    r.get("Save", "SaveOptionsOnExit", a.saveoptionsonexit);
    r.get("Save", "SaveAdvancedSettingsOnExit", a.saveadvancedsettingsonexit);
    for (const tsavesection& s : savesections) {
        tsavetable& t = a.*s.table;
        for (std::size_t ch = 0; ch < 2; ++ch)
            for (std::size_t item = 0; item < std::size_t(nsavemeasures); ++item)
                r.get(s.section, ikey(savemeasureid[item], ch), t[item][ch]);
        r.get(s.section, "AmplifyAudio", a.*s.amplify);
    }
    r.get("Save", "SaveStdpgChannels", a.savestdpgchannos);

    for (std::size_t ch = 0; ch < 2; ++ch)
        r.get("Calibration", ikey("Calibrationmethod", ch), a.calibrationmethod[ch]);
    r.get("Calibration", "CalibratorSPL", a.calibratorspl);
    r.get("Calibration", "CalibratorOverloadLimit", a.calibratoroverloadlimit);
    for (std::size_t ch = 0; ch < 2; ++ch)
        r.get("Calibration", ikey("ActualDistance", ch), a.fstandardactualdistance[ch]);
    r.get("Calibration", "CalibrationReCalculate", a.calibrationrecalculate);
    r.get("Calibration", "CalibrationExpirationDays", a.calibrationexpirationdays);

    r.get("Keyboard", "BlockDetection", a.keyboardblock);
    r.get(general, "LeftBlockRight", a.leftblockright);
    r.get(general, "RightBlockLeft", a.rightblockleft);
    r.get(general, "LeftBlockRightThreshold", a.leftblockrightthreshold);
    r.get(general, "RightBlockLeftThreshold", a.rightblockleftthreshold);

    const std::int32_t nstdpg = r.readcount("Parameters", "nstdpgParams",
                                            std::int32_t(a.stdpgparams.size()), 0, maxparamlist);
    a.stdpgparams.resize(std::size_t(nstdpg));
    for (std::size_t i = 0; i < a.stdpgparams.size(); ++i) {
        tstdpgparam& p = a.stdpgparams[i];
        r.get("Parameters", ikey("stdpgParamName", i), p.name);
        r.get("Parameters", ikey("stdpgParamMapping", i), p.displaymapping);
    }
    const std::int32_t ndisplay = r.readcount(
        "Parameters", "nDisplayParams", std::int32_t(a.displayparams.size()), 1, maxparamlist);
    a.displayparams.resize(std::size_t(ndisplay));
    for (std::size_t i = 0; i < a.displayparams.size(); ++i) {
        tdisplayparam& d = a.displayparams[i];
        r.get("Parameters", ikey("DisplayParamName", i), d.name);
        r.get("Parameters", ikey("DisplayParamUnit", i), d.axisunit);
        r.get("Parameters", ikey("DisplayParamMin", i), d.min);
        r.get("Parameters", ikey("DisplayParamMax", i), d.max);
        r.get("Parameters", ikey("DisplayParamLogarithmic", i), d.logarithmic);
    }
}

} // namespace gravon
