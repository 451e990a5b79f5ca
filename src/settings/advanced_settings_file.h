// The advanced-settings file: a settings container with the file id "GravonAdvancedSettings"
// that holds the advanced settings key by key.
#pragma once

#include "files/qub_file.h"
#include "settings/advanced_settings.h"
#include "settings/audio_device_names.h"
#include "settings/settings_reader.h"

#include <cstdint>
#include <string>

namespace gravon {

inline constexpr const char* advancedfileid = "GravonAdvancedSettings";
inline constexpr const char* advancedfilename = "GravonAdvancedSettings.qubfile";
inline constexpr const char* tempadvancedfilename = "GravonTempAdvancedSettings.qubfile";
// Most entries a parameter list may have; a longer one is refused as damaged.
inline constexpr std::int32_t maxparamlist = 1000;

// Writes every advanced-settings key, in table order; a device by the name chosen.
void write_advanced_settings(TQUBFile& f, const tadvancedsettings& a);

// Reads every key with the field's current value as default. A device name is kept only when
// devices lists it; any other name, as the empty one, selects the system's default device.
// "nstdpgParams" and "nDisplayParams" resize their lists (new entries empty, 0 or false) before the
// entries are read; a count outside 0 .. maxparamlist (1 .. for display parameters, of which the
// darkness selection needs one) keeps the list's length and is noted. A sampling frequency or
// bandwidth that is not a positive number is noted and not taken; a pair of them that gives an
// analysis window the analysis does not take (below 2 or above maxanalysiswindowsize samples,
// hop_analysis.h) is noted and both keep their values. "AddDither" is not read: "BinningMethod"
// says it all. The effects of fs, fftbw, use24bits and the actual distances are the caller's.
void read_advanced_settings(tsettingsreader& r, tadvancedsettings& a,
                            const taudiodevicenames& devices);

} // namespace gravon
