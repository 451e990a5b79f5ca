#include "settings/advanced_settings_file.h"

#include "analysis/hop_analysis.h"
#include "base/number_text.h"
#include "settings/settings_writer.h"

#include <cmath>

namespace gravon {

namespace {

constexpr const char* general = "General";

struct tfloatkey {
    const char* key;
    double tadvancedsettings::*field;
};
// The run of analysis thresholds after "FFTBandwidth".
constexpr std::array<tfloatkey, 11> thresholdkeys = {{
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
    {"MinSubharmonicRatio", &tadvancedsettings::minsubharmonicratio},
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
    std::string tadvancedsettings::*field;
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

// Every key of the file, in file order, handed to io as (section, key, field). The writer and
// the reader are two io types over this one list, so a key cannot be written and then read
// under another name, or forgotten on one side. tadv is tadvancedsettings, const for writing.
template <typename tio, typename tadv> void visit_advanced_settings(tio& io, tadv& a) {
    for (const tdevicekey& d : devicekeys) io.device(d.key, a.*d.field, d.input);
    io(general, "NoisePlayLeft", a.noiseplayleft);
    io(general, "NoisePlayRight", a.noiseplayright);
    io(general, "CalibrationTonePlayLeft", a.calibrationtoneplayleft);
    io(general, "CalibrationTonePlayRight", a.calibrationtoneplayright);
    io(general, "KeyboardPlayLeft", a.keyboardplayleft);
    io(general, "KeyboardPlayRight", a.keyboardplayright);
    io(general, "Use24Bits", a.use24bits);
    io(general, "LocationID", a.locationid);
    io(general, "LofoLimit", a.lof0limit);
    io(general, "HifoLimit", a.hif0limit);
    io.window_begin(a);
    io.positive(general, "SampFreq", a.fs);
    io(general, "FFTWindow", a.fftwindow);
    io(general, "HPFreq", a.hpfreq);
    io(general, "CPPSMaxF0", a.cppsmaxf0);
    io(general, "CPPSHopPositions", a.cppshoppositions);
    io.positive(general, "CPPSTimeStep", a.cppstimestep);
    io.positive(general, "FFTBandwidth", a.fftbw);
    io.window_end(a);
    for (const tfloatkey& k : thresholdkeys) io(general, k.key, a.*k.field);
    io(general, "SubharmonicGuard", a.subharmonicguard);
    for (std::size_t ch = 0; ch < 2; ++ch) {
        io(general, numbered_key("NoiseLo", ch), a.noiselo[ch]);
        io(general, numbered_key("NoiseHi", ch), a.noisehi[ch]);
    }
    // Kept for readers that know only the yes/no choice of older versions; "BinningMethod"
    // says it all, so it is never read.
    io.write_only(general, "AddDither", a.binningmethod != binroundtonearest);
    io(general, "BinningMethod", a.binningmethod);
    io(general, "HoldNoiseMeasurementTime", a.holdnoisemeasurementtime);

    io("Display", "LoLevel", a.lolevel);
    io("Display", "HiLevel", a.hilevel);
    io("Display", "LoKey", a.lokey);
    io("Display", "nKeys", a.nkeys);
    io("Display", "TimeThreshold", a.timethreshold);
    io("Display", "IncludeAdjacentBins", a.includeadjacentbins);
    io("Display", "AdjacentInclusionFactor", a.adjacentinclusionfactor);
    io("Display", "HideIsolatedBins", a.hideisolatedbins);
    io("Display", "nSignificantDigits", a.nsigdig);
    io("Display", "dBFormat", a.dbformat);
    io("Display", "SecondsFormat", a.secformat);

    io("Save", "SaveOptionsOnExit", a.saveoptionsonexit);
    io("Save", "SaveAdvancedSettingsOnExit", a.saveadvancedsettingsonexit);
    for (const tsavesection& s : savesections) {
        auto& t = a.*s.table;
        for (std::size_t ch = 0; ch < 2; ++ch)
            for (std::size_t item = 0; item < std::size_t(nsavemeasures); ++item)
                io(s.section, numbered_key(savemeasureid[item], ch), t[item][ch]);
        io(s.section, "AmplifyAudio", a.*s.amplify);
    }
    io("Save", "SaveStdpgChannels", a.savestdpgchannos);

    for (std::size_t ch = 0; ch < 2; ++ch)
        io("Calibration", numbered_key("Calibrationmethod", ch), a.calibrationmethod[ch]);
    io("Calibration", "CalibratorSPL", a.calibratorspl);
    io("Calibration", "CalibratorOverloadLimit", a.calibratoroverloadlimit);
    for (std::size_t ch = 0; ch < 2; ++ch)
        io("Calibration", numbered_key("ActualDistance", ch), a.fstandardactualdistance[ch]);
    io("Calibration", "CalibrationReCalculate", a.calibrationrecalculate);
    io("Calibration", "CalibrationExpirationDays", a.calibrationexpirationdays);

    io("Keyboard", "BlockDetection", a.keyboardblock);
    io(general, "LeftBlockRight", a.leftblockright);
    io(general, "RightBlockLeft", a.rightblockleft);
    io(general, "LeftBlockRightThreshold", a.leftblockrightthreshold);
    io(general, "RightBlockLeftThreshold", a.rightblockleftthreshold);

    io.count("Parameters", "nstdpgParams", a.stdpgparams, 0);
    for (std::size_t i = 0; i < a.stdpgparams.size(); ++i) {
        auto& p = a.stdpgparams[i];
        io("Parameters", numbered_key("stdpgParamName", i), p.name);
        io("Parameters", numbered_key("stdpgParamMapping", i), p.displaymapping);
    }
    // The darkness selection needs one display parameter.
    io.count("Parameters", "nDisplayParams", a.displayparams, 1);
    for (std::size_t i = 0; i < a.displayparams.size(); ++i) {
        auto& d = a.displayparams[i];
        io("Parameters", numbered_key("DisplayParamName", i), d.name);
        io("Parameters", numbered_key("DisplayParamUnit", i), d.axisunit);
        io("Parameters", numbered_key("DisplayParamMin", i), d.min);
        io("Parameters", numbered_key("DisplayParamMax", i), d.max);
        io("Parameters", numbered_key("DisplayParamLogarithmic", i), d.logarithmic);
    }
}

struct tadvancedwriter : tsettingswriter {
    // The chosen name, also of a device that is not connected just now.
    void device(const char* key, const std::string& name, bool) {
        f.writestring(general, key, name);
    }
    void positive(const char* section, const char* key, double v) { (*this)(section, key, v); }
    void write_only(const char* section, const char* key, bool v) { (*this)(section, key, v); }
    template <typename tlist>
    void count(const char* section, const char* key, const tlist& list, std::int32_t) {
        f.writeinteger(section, key, std::int32_t(list.size()));
    }
    void window_begin(const tadvancedsettings&) {}
    void window_end(const tadvancedsettings&) {}
};

struct tadvancedreader {
    tsettingsreader& r;
    const taudiodevicenames& devices;
    double oldfs = 0, oldfftbw = 0;

    template <typename t>
    void operator()(const std::string& section, const std::string& key, t& v) {
        r.get(section, key, v);
    }
    // A name that is not in the list is the default device.
    void device(const char* key, std::string& name, bool input) {
        const std::vector<std::string>& names = input ? devices.input : devices.output;
        const std::string stored = r.readstring(general, key, name);
        name = device_index(names, stored) == defaultaudiodevice ? std::string() : stored;
    }
    void positive(const char* section, const char* key, double& v) {
        get_positive(r, section, key, v);
    }
    void write_only(const char*, const char*, bool) {}
    // The count resizes the list (new entries empty, 0 or false) before its entries are read;
    // a count outside least .. maxparamlist keeps the length and is noted.
    template <typename tlist>
    void count(const char* section, const char* key, tlist& list, std::int32_t least) {
        list.resize(
            std::size_t(r.readcount(section, key, std::int32_t(list.size()), least, maxparamlist)));
    }
    void window_begin(const tadvancedsettings& a) {
        oldfs = a.fs;
        oldfftbw = a.fftbw;
    }
    void window_end(tadvancedsettings& a) {
        if (analysis_window_fits(a.fs, a.fftbw, TFFTWindow(a.fftwindow))) return;
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
};

} // namespace

void write_advanced_settings(TQUBFile& f, const tadvancedsettings& a) {
    tadvancedwriter w{{f}};
    visit_advanced_settings(w, a);
}

void read_advanced_settings(tsettingsreader& r, tadvancedsettings& a,
                            const taudiodevicenames& devices) {
    tadvancedreader rd{r, devices};
    visit_advanced_settings(rd, a);
}

} // namespace gravon
