// The advanced settings: sound devices and output channels, analysis thresholds, background
// noise detection, binning and display thresholds, number formats, what is written to saved
// sound files, calibration parameters and the mapping of phonetogram parameters to display
// parameters.
//
// The struct holds the values only. Effects of assigning some of them belong to their owner:
// `fs` and `fftbw` determine the analysis window length, `use24bits` the sample width of the
// recorders, and the distances are copied to the recording phonetograms.
#pragma once

#include "analysis/analysis_params.h"
#include "phonetogram/bin_visibility.h"
#include "phonetogram/binning.h"
#include "phonetogram/display_params.h"

#include <array>
#include <cstdint>
#include <string>

namespace gravon {

struct toptions;

// Measure items of the save tables, in index order.
inline constexpr int nsavemeasures = 9;
enum tsavemeasure : std::int32_t {
    smAudio = 0,
    smSPL = 1,
    smfo = 2,
    smH1H2 = 3,
    smHNR = 4,
    smPowercentroid = 5,
    smCrestlevel = 6,
    smMaxpartialno = 7,
    smDebug = 8,
};
// Ids that form the keys of the save tables ("Audio0", "SPL1", ...).
inline constexpr std::array<const char*, nsavemeasures> savemeasureid = {
    "Audio", "SPL", "fo", "H1H2", "HNR", "Powercentroid", "Crestlevel", "Maxpartialno", "Debug"};
// Names shown to the user.
inline constexpr std::array<const char*, nsavemeasures> savemeasurename = {
    "Audio",       "Sound pressure level",     "fo",
    "H1/H2",       "Harmonic to noise ratio",  "Spectral power centroid",
    "Crest level", "Strongest partial number", "Debug"};

// [item][channel]: whether a measure of a channel is written to a saved file.
using tsavetable = std::array<std::array<bool, 2>, nsavemeasures>;

// Default save tables: SMP files get audio, level and F0 of the left channel, WAV files its
// audio, the sibling editor's signal set every measure of the left channel.
// Number of selected entries of a save table over both channels.
constexpr std::int32_t selected_count(const tsavetable& t) {
    std::int32_t n = 0;
    for (const auto& item : t)
        for (bool b : item) n += b ? 1 : 0;
    return n;
}

constexpr tsavetable default_savesmpchannel() {
    tsavetable t{};
    t[smAudio][0] = t[smSPL][0] = t[smfo][0] = true;
    return t;
}
constexpr tsavetable default_savewavchannel() {
    tsavetable t{};
    t[smAudio][0] = true;
    return t;
}
constexpr tsavetable default_savekavellchannel() {
    tsavetable t{};
    for (auto& item : t) item[0] = true;
    return t;
}

// Number of entries of the default display parameters.
inline constexpr std::int32_t ndefaultdisplayparams = 10;

// The default display parameters (10 entries) and the default mapping of phonetogram-file
// parameter names to them (11 entries).
tdisplayparamarr default_displayparams();
tstdpgparamarr default_stdpgparams();

// Values of `calibrationmethod[ch]`.
inline constexpr std::array<const char*, 5> calibrationmethodname = {
    "Do not calibrate", "Calibrator (preferred)", "Loudspeaker and sound level meter",
    "Voice and sound level meter", "Head mounted mic and sound level meter at 300 mm (NYI)"};

// Values of `savestdpgchannos`.
inline constexpr std::array<const char*, 3> savestdpgchannosname = {"Left", "Right",
                                                                    "Left && right"};

// Window kinds of the analysis FFT, in the order of the FFT component's enumeration.
inline constexpr std::int32_t fftwindowrectangle = 0;
inline constexpr std::int32_t fftwindowbartlett = 1;
inline constexpr std::int32_t fftwindowhamming = 2;
inline constexpr std::int32_t fftwindowhanning = 3;
inline constexpr std::int32_t fftwindowblackman = 4;

// The audio device id that stands for the system's default device. The settings choose a
// device by its name, the empty name being the default device; the id that a name has in the
// current device list is looked up when the device is opened.
inline constexpr std::int32_t defaultaudiodevice = -1;

// A default-constructed value holds the defaults and the start-up values. The settings the
// analysis reads and those of the bins shown are its bases, so the driver and the view read
// them from here.
struct tadvancedsettings : tanalysisparams, tbinshowsettings {
    // Display ranges.
    double lolevel = 40.0;   // dB, low end of the level axis
    double hilevel = 120.0;  // dB, high end of the level axis
    std::int32_t lokey = 24; // MIDI number of the lowest key of the keyboard and F0 axis
    std::int32_t nkeys = 72; // number of keys
    // Which bins are shown: the fields of tbinshowsettings.
    std::int32_t binningmethod = defaultbinningmethod;
    // Number formats.
    std::int32_t nsigdig = 4;
    std::string dbformat = "0.0";
    std::string stformat = "0.000";
    std::string secformat = "0.0";
    // Analysis: the fields of tanalysisparams (F0 limits, rate, window, high-pass, the
    // acceptance tests, background noise, the block tests and the blocking between channels).

    // Calibration.
    std::array<std::int32_t, 2> calibrationmethod = {1, 0};
    double calibratorspl = 94.0;                                  // dB
    double standarddistance = 0.3;                                // m
    std::array<double, 2> fstandardactualdistance = {0.15, 0.15}; // m
    double calibratoroverloadlimit = 126.0;                       // dB
    bool calibrationrecalculate = true;
    double calibrationexpirationdays = 35.0; // 0 disables the notice
    // What saved files contain.
    tsavetable savesmpchannel = default_savesmpchannel();
    tsavetable savewavchannel = default_savewavchannel();
    tsavetable savekavellchannel = default_savekavellchannel();
    bool amplifysmpaudio = true;
    bool amplifywavaudio = true;
    bool amplifykavellaudio = true;
    std::int32_t savestdpgchannos = 0;
    // Parameter tables.
    tdisplayparamarr displayparams = default_displayparams();
    tstdpgparamarr stdpgparams = default_stdpgparams();
    bool saveoptionsonexit = true;
    bool saveadvancedsettingsonexit = false;

    // Not touched by set_advanced_to_default; these are their values at start-up.
    bool noiseplayleft = true;
    bool noiseplayright = true;
    bool keyboardplayleft = true;
    bool keyboardplayright = true;
    bool calibrationtoneplayleft = true;
    bool calibrationtoneplayright = false;
    // Devices by name; empty: the system's default device.
    std::string playdevice;        // masking-noise player
    std::string calibrationdevice; // calibration-tone player
    std::string keyboarddevice;    // keyboard-tone player
    std::string recorddevice;      // main recorder
    bool use24bits = true;
    std::string locationid;

    // The actual microphone distance of channel ch (0 or 1); -1 for any other channel.
    double standardactualdistance(std::int32_t ch) const {
        return ch == 0 || ch == 1 ? fstandardactualdistance[ch] : -1.0;
    }
    // Stores the distance of channel ch; other channels are ignored.
    void setstandardactualdistance(std::int32_t ch, double v) {
        if (ch == 0 || ch == 1) fstandardactualdistance[ch] = v;
    }
};

// Assigns every default. The noise spectrum of the options is reset here as well, although it
// is stored with the options, and the options' per-parameter flags and darkness index are
// fitted to the restored display parameters. Fields listed as untouched keep their values.
void set_advanced_to_default(tadvancedsettings& a, toptions& o);

} // namespace gravon
