// The options file: a settings container with the file id "GravonSettings" that holds the
// options key by key, and, in the default file only, the positions of the windows.
#pragma once

#include "base/window_placement.h"
#include "files/qub_file.h"
#include "settings/options.h"
#include "settings/settings_reader.h"
#include "settings/window_table.h"

#include <array>
#include <cstdint>
#include <string>

namespace gravon {

inline constexpr const char* optionsfileid = "GravonSettings";
inline constexpr const char* optionsfilename = "GravonSettings.qubfile";
inline constexpr const char* tempoptionsfilename = "GravonTempSettings.qubfile";
// Most targets a file may list; a longer list is refused as damaged.
inline constexpr std::int32_t maxtargets = 1000;

// The percentage text of a percentile key: the shortest decimal form of 100 x p with "."
// ("5" for 0.05, "12.5" for 0.125).
std::string percentile_key_text(double p);

// Writes every option key, in table order. showbins: the visible flags of phonetograms 0 and 1,
// which are options although they live in the phonetogram records.
//
// The F0 and SPL percentile flags are kept under separate keys: "ShowPercentile" + p holds the
// SPL flag (the key every version reads) and "ShowfoPercentile" + p the F0 flag.
void write_options(TQUBFile& f, const toptions& o, const std::array<bool, 2>& showbins);

// Reads every option key with the field's current value as default. "zParam" is clamped to
// the ndisplayparams display parameters. "nTargets", when present with a count of 0 ..
// maxtargets, replaces the target list by that many entries read from "Targets" (0 for an
// entry without keys); when absent or negative the list stays. The current target read also
// becomes the default target. A file without "ShowfoPercentile" keys takes the F0 flags from
// "ShowPercentile" too.
void read_options(tsettingsreader& r, toptions& o, std::array<bool, 2>& showbins,
                  std::int32_t ndisplayparams);

// The keys of one window of the window table: "Top", "Left" and, for windows that keep their
// size, "Height" and "Width".
void write_window_place(TQUBFile& f, const twindowentry& w, const twindowplace& place);
// Reads them with place as default; returns whether any of them was present.
bool read_window_place(tsettingsreader& r, const twindowentry& w, twindowplace& place);

} // namespace gravon
