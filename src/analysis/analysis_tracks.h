// The analysis tracks: one row per measure, stored per frame and channel, with the names,
// units and reference values under which the savers write them.
#pragma once

#include <array>
#include <string>

namespace gravon {

inline constexpr int ntracks = 11;

// Row indices. Row 0 stands for the audio itself, which is kept in the audio store.
inline constexpr int trackaudio = 0;
inline constexpr int trackspl = 1;
inline constexpr int trackfo = 2;
inline constexpr int trackh1h2 = 3;
inline constexpr int trackhnr = 4;
inline constexpr int trackcentroid = 5;
inline constexpr int trackcrest = 6;
inline constexpr int trackmaxpartno = 7;
inline constexpr int trackdebug = 8;
// Rows after the debug row, which the savers of sound and analysis do not write.
inline constexpr int trackcpps = 9;
inline constexpr int trackspecbal = 10;
// What those two rows hold for a frame without a value (as the SPL row holds -1000 for digital
// silence), so that stores compare equal value for value.
inline constexpr float tracknovalue = -1000.0f;

struct ttracktables {
    std::array<std::string, ntracks> paramname;
    std::array<std::string, ntracks> paramunit;
    std::array<double, ntracks> paramref{};
    std::array<std::string, ntracks> savechannelname;
    std::array<std::string, ntracks> savechannelid;
};

inline ttracktables make_track_tables() {
    ttracktables t;
    t.paramname = {"",
                   "SPL",
                   "fo",
                   "H1H2",
                   "HNR",
                   "Power centroid",
                   "Crest level",
                   "Strongest partial",
                   "Debug",
                   "CPPS",
                   "Spectrum balance"};
    t.paramunit = {"", "dB", "Hz", "dB", "dB", "Hz", "dB", "", "", "dB", "dB"};
    t.paramref = {0, 2e-5, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    t.savechannelname = {"Audio",
                         "Sound pressure level",
                         "fo",
                         "H1/H2",
                         "Harmonic to noise ratio",
                         "Spectral power centroid",
                         "Crest level",
                         "Strongest partial number",
                         "Debug",
                         "Smoothed cepstral peak prominence",
                         "Spectrum balance"};
    t.savechannelid = {"Audio",      "SPL",          "fo",    "H1H2", "HNR",    "Powercentroid",
                       "Crestlevel", "Maxpartialno", "Debug", "CPPS", "SpecBal"};
    return t;
}

} // namespace gravon
