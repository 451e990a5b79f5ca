// What a front end does its own way. The window belongs to a person who keeps settings,
// answers questions and sees what happens when it happens; a run without a window is a
// function of its command line and settings alone. Each front end hands its policy to the main
// window it builds; the core asks the policy, never which front end it serves.
#pragma once

#include "core/replay_notes.h"

#include <string>

namespace gravon {

struct tfrontendpolicy {
    // The user's own files: the temporary settings copies, the settings saved on exit, the
    // recent-files list and the calibrations remembered for sound files. A run that keeps
    // none of them runs beside others without sharing a file they write.
    bool usersfiles = true;
    // Orphaned takes are offered back at start; otherwise only when the command line asks
    // (recoverorphans, discardorphans).
    bool offersrecovery = true;
    // Questions are answered by a person: a No to saving discards the take, and a Cancel is
    // their decision, which needs no message. Otherwise an answer is nobody's decision.
    bool personanswers = true;
    // /s saves only an analysis that the command line made: never empty results, nor the
    // previous file's results under the name of a file that could not be analysed.
    bool savesonlyanalysis = false;
    // Phonetograms laid over one another at different distances are said as it happens;
    // otherwise the front end says it with its outputs.
    bool notesdistances = true;
    // The caption of a sound file that is not analysed.
    std::string refusalcaption = "Cannot open file";
    // How the notes on a doubtful analysis advise the user.
    tnoteadvice advice = window_advice();
    // A file without a full scale is noted once: the window's status panel shows it all the
    // time.
    bool calibrationnotedonce = true;
};

// The desktop window's.
inline tfrontendpolicy window_policy() {
    return {};
}

// The headless program's and the Python module's.
inline tfrontendpolicy headless_policy() {
    return {.usersfiles = false,
            .offersrecovery = false,
            .personanswers = false,
            .savesonlyanalysis = true,
            .notesdistances = false,
            .refusalcaption = "Cannot analyse file",
            .advice = command_line_advice(),
            .calibrationnotedonce = false};
}

} // namespace gravon
