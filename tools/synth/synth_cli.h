// The command line of gravon-synth.
#pragma once

#include "base/errors.h"
#include "synth/synth_params.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace gravon::synth {

struct tsynthcommand {
    bool help = false;
    std::string out;    // sound file to write (required unless help)
    std::string coding; // sample coding; empty: 16-bit PCM
    std::string truth;  // CSV ground truth; empty = none
    tsynthparams params;
};

// Raised for a command line that cannot be used; the message names the option.
struct EUsageError : EGravonError {
    using EGravonError::EGravonError;
};

// Parses the arguments after the program name (see synth_help_text). Raises EUsageError for
// unknown or repeated options, missing or malformed values and conflicting options; the
// values' ranges are checked later by synthesize().
tsynthcommand parse_synth_arguments(const std::vector<std::string>& args);
std::string synth_help_text();
// Parses, synthesizes and writes; prints a summary to `out` and errors to `err`.
// Returns 0 on success, 2 for a bad command line, 1 when synthesis or writing fails.
int run_synth_cli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace gravon::synth
