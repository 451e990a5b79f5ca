// The headless program's own options (those that begin with "-") and its usage text. The other
// arguments form the desktop program's command line, kept in order.
#pragma once

#include "calibration/reference_calibration.h"
#include "core/command_line.h"
#include "core/guided_protocol.h"
#include "core/usage_error.h"
#include "record_events.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace gravon {

// An option whose value has the right form but cannot be (a reversed stretch, a distance of
// 0): one line saying so, not the usage.
struct tbadvalue : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct tclioptions {
    // The main window's command line, in order; its settings folder is the run's.
    twindowrequest commandline;
    bool help = false;
    bool version = false;
    bool noarguments = false;
    bool verbose = false;
    bool summary = false;
    bool stats = false;
    bool condensed = false;
    std::string tracksfile;
    std::string exportfile;
    std::string cellsfile;
    std::string contourfile; // --contour-csv
    std::string voicemapfile;
    std::string summarycsv;
    std::string pngfile;
    // The picture shows the entire area selected (the statistics select it in any case).
    bool pngselectall = false;
    std::int32_t pngwidth = 800;
    std::int32_t pngheight = 600;
    std::int32_t channel = 0;      // file channel to analyse
    std::int32_t pg = -1;          // phonetogram the outputs describe; -1: the default choice
    std::vector<std::string> sets; // "KEY=VALUE", in order
    // --session KEY=VALUE: fields of the session record, in order
    std::vector<std::pair<std::string, std::string>> session;
    std::string reportfile;   // --report: the one-page report as PDF
    std::string baselinefile; // --baseline: the stored phonetogram the current one is compared with
    bool compare = false;     // --compare: print the comparison
    bool differenceview = false; // --difference-view: the pictures show the difference view
    std::string settingsdir;
    double recordseconds = 0; // --record: seconds of sound from a device, 0 none
    std::string device;       // --device: input device by name; "" the default
    std::string takebase;     // --take: base name of what /s saves of a take
    bool listdevices = false;
    bool recover = false; // --recover: orphaned takes are recovered without a question
    // --discard-orphans: the orphaned takes the run meets are discarded without a question
    bool discardorphans = false;
    std::vector<trecordevent> recordevents;  // --record-events: pauses and keys in the take
    std::optional<tguidedsettings> protocol; // --protocol vrp: the take is a guided profile
    std::optional<treference> reference;     // --reference: full scale from a reference
    // --reference-group OUT MEMBER...: the group's file and its members' files
    std::string referencegroup;
    std::vector<std::string> groupmembers;
};

// Raises tusageerror for an unknown option or switch, a missing or bad option value.
tclioptions parse_cli_options(const std::vector<std::string>& argv);

const char* usage_text();

} // namespace gravon
