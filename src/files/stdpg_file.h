// Phonetogram files (".stdpg"): one phonetogram in an SMP container whose file type is
// "phonetogram". The header items describe the record layout; the sample region holds one
// record per cell that holds voice, each a row of little-endian IEEE binary32 values: the
// F0 bin, the level bin and the cell's value of every parameter from the accumulated time
// on. Records are ordered by level bin, then F0 bin, both ascending.
//
// These functions work on a phonetogram and the few settings they need; the main window
// wraps them with its dialogs, recent-files list and messages.
#pragma once

#include "base/errors.h"
#include "files/smp_file.h"
#include "phonetogram/display_params.h"
#include "phonetogram/phonetogram.h"

#include <cstdint>
#include <optional>
#include <string>

namespace gravon {

// A phonetogram file that cannot be written or read.
struct EStdpgError : EGravonError {
    using EGravonError::EGravonError;
};

inline constexpr const char* stdpgfiletype = "phonetogram";
inline constexpr const char* stdpgfileversion = "1";
// The recorded time in seconds as a plain number, beside the "recordedtime" clock text.
inline constexpr const char* recordedsecondsitem = "recordedseconds";
inline constexpr const char* stdpgfilter =
    "Standard phonetogram (*.stdpg)|*.stdpg|All files (*.*)|*.*";
inline constexpr const char* stdpgdefaultext = ".stdpg";

// Most columns a record may have (F0 bin, level bin and up to 254 parameters). Far more than
// any phonetogram carries, it bounds what a damaged "nparams" item can make the reader
// allocate, and the writer keeps to it so that everything written can be read.
inline constexpr std::int32_t maxstdpgcolumns = 256;

// Largest record in bytes: one block of the container.
inline constexpr std::int32_t maxstdpgrecordsize = 2 * TSMPfile::maxchunksamples;

// The aggregation code of an "entity" name, ignoring case: "bins" or "last" 0, "sum" 1,
// "avg" or "average" 2, "min" 3, "max" 4, anything else -1.
std::int32_t aggregation_code(const std::string& name);
// The name written for an aggregation code: "bins", "sum", "avg", "min", "max"; empty for
// any other code.
std::string aggregation_name(std::int32_t code);

// The name of one channel's file when both recording channels are saved: letter inserted
// before the last "." of the file name (not of a folder), or appended when the file name has
// none. voice.stdpg, 'L' -> voiceL.stdpg.
std::string stdpg_channel_file_name(const std::string& fname, char letter);

// "hh:nn:ss" of a duration in seconds (whole seconds after rounding to milliseconds; the
// hours wrap at 24, as a time of day does).
std::string format_recorded_time(double seconds);
// A time of day "h:n", "h:n:s" or "h:n:s.fff" (h < 24, n and s < 60) in seconds; nullopt
// when the text is not such a time.
std::optional<double> parse_recorded_time(const std::string& text);
// The seconds of a "recordedseconds" item: a number of 0 or more with "." as the decimal
// point; nothing for an absent or other text.
std::optional<double> recorded_seconds(const std::string& text);

// What the writer takes from the window besides the phonetogram.
struct tstdpgwriteinfo {
    std::string procstamp; // the "proc0" text, the program's processing stamp
    double hpfreq = 40.0;  // high-pass cut-off of the analysis, Hz ("weighting")
    // Seconds of sound behind the phonetogram; no "recordedtime" item without it.
    std::optional<double> recordedtime;
};

// Writes pg to fname through the container file: written under a temporary name next to
// fname and renamed over it once complete, so that a failed save leaves an existing file as
// it was. Raises EStdpgError naming the file when pg cannot be stored (fewer than two
// layers, more layers than a record may hold) or the file cannot be created or written.
void write_stdpg(TSMPfile& file, const std::string& fname, const tpg& pg,
                 const tstdpgwriteinfo& info);

// Opens fname read-only in the container. False when the file is missing or cannot be read;
// raises EInvalidSMPHeader naming the file when its header is broken.
bool open_stdpg_file(TSMPfile& file, const std::string& fname);

struct tstdpgreadresult {
    // The refusal: the message of the last failing layout check followed by the value of
    // the item it checked. Empty when the layout passed; the cells are read only then.
    std::string layouterror;
    // Why the reading of the cells ended early (a record outside the grid, a record cut
    // short, more records than cells); the cells read before stay. Names the file.
    std::string recorderror;
    bool complete() const { return layouterror.empty() && recorderror.empty(); }
};

// Reads the opened phonetogram file fname into pg, replacing its descriptive data and its
// layers (as many as the file declares, at least two). Parameter names from the third layer
// on that stdpgparams does not list yet are appended to it with display mapping 0. With a
// layout error pg keeps the descriptive data and empty layers. A "micdist" or "actmicdist"
// item that is not a number raises EConvertError naming the file; pg keeps what was set up
// to then.
tstdpgreadresult read_stdpg(TSMPfile& file, const std::string& fname, tpg& pg,
                            tstdpgparamarr& stdpgparams);

} // namespace gravon
