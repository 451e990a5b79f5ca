// A run without a window as a front end asks for it: what to open, with the full scales and
// channel of each sound, the settings it runs under and its settings folder, and what it must
// give. The result holds the main window with its phonetograms and tracks, and what made the
// run fail or doubtful as values: the front end decides how to tell them.
#pragma once

#include "core/batch_run.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace gravon {

struct trunsource {
    // A file as the command line opens it: a sound file, a settings file, a stored phonetogram.
    std::string path;
    // Or, when path is empty, samples held in memory: frames of nchans interleaved values
    // (+-1 full scale) at fs Hz. name stands for them where a file's name would.
    std::span<const float> samples;
    std::int32_t nchans = 0;
    double fs = 0;
    std::string name;
    // The full scale in Pa of each file channel, as /f gives it; empty: none given.
    std::vector<double> fullscale;
};

// What each source must give; anything else fails the run.
enum class trunwant { anything, analysis, phonetogram };

struct trunrequest {
    std::vector<trunsource> sources;
    trunwant want = trunwant::anything;
    // The file channel sound files are analysed on (--channel).
    std::int32_t channel = 0;
    // "KEY=VALUE" over every settings file (--set), in order.
    std::vector<std::string> settings;
    // A settings folder of the run's own; empty: the user's.
    std::string settingsdir;
    // Keep the samples, which only saving a recording needs: a result without them offers
    // tracks, cells and the phonetogram, and runs side by side need little memory.
    bool keepaudio = false;
    // The session details given over the record of every phonetogram (--session), in order.
    std::vector<std::pair<std::string, std::string>> session;
    // A reference in each sound file that calibrates it instead of a full scale.
    std::optional<treference> reference;
    // Orphaned takes are recovered, or discarded, without a question.
    bool recoverorphans = false;
    bool discardorphans = false;
    // The name /s saves a take under before any file is named.
    std::string takename;
    // The phonetogram a baseline is compared with (--pg; -1: the default), and whether the
    // view colours their difference.
    std::int32_t comparedpg = -1;
    bool differenceview = false;
    // Where messages are printed as they come (nullptr: nowhere, they are only kept).
    std::FILE* err = nullptr;
    bool verbose = false;
};

struct trunresult {
    // The main window the run made: its phonetograms, tracks and settings.
    std::unique_ptr<tbatchrun> run;
    // What made the run fail, in order, as the headless program prints it; empty: it did not.
    std::vector<std::string> failures;
    // What makes its result doubtful, as the headless program warns.
    std::vector<std::string> notes;
    // The last sound whose analysis gave frames.
    std::string analysedfile;

    bool failed() const { return !failures.empty(); }
    // The failures, one per line.
    std::string failure_text() const;
};

// The main window a request runs on, under the headless policy, with its settings, settings
// folder and channel, not yet started. Raises tusageerror on a setting the settings do not
// know or a value they refuse.
std::unique_ptr<tbatchrun> start_run(const trunrequest& request);

// Raises as start_run does, without making the main window.
void check_request(const trunrequest& request);

// Opens the request's sources in order on a main window of its own. What a source holds never
// raises: it fails the result. A malformed request raises as start_run does.
trunresult run_request(const trunrequest& request);

// What the run reported as failures since it had `from` of them, as values.
std::vector<std::string> run_failures(const tbatchrun& run, std::size_t from = 0);

} // namespace gravon
