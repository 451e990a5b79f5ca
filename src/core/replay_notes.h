// Why the analysis of a sound file or a take may be doubtful: a truncated file, channels left
// out, no calibration, no background noise measured, clipping, a coarse coding, no voice. The
// window and the headless program say the same things; only the advice on what to do differs,
// since each has its own ways of doing it.
#pragma once

#include <string>
#include <vector>

namespace gravon {

class TForm1;

// How the user of a front end does what a note advises. An empty text leaves the advice out.
struct tnoteadvice {
    std::string fullscale;  // give a file's full scale in Pa
    std::string channel;    // analyse another channel of a file
    std::string noiserange; // set the background-noise range
    std::string takescale;  // give a take's full scale (a take without calibration)
    // Whether a file without a full scale is noted (the window says so only once: its
    // status panel shows it all the time).
    bool calibration = true;
};

// The headless program's options and the window's menus.
tnoteadvice command_line_advice();
tnoteadvice window_advice();

// After the replay of fname.
std::vector<std::string> replay_notes(const TForm1& form, const std::string& fname,
                                      const tnoteadvice& advice);
// After a take from a sound card, named `what`: recorded now (its calibration is the
// window's) or recovered from a journal (which keeps the calibration it was recorded with).
std::vector<std::string> take_notes(const TForm1& form, const std::string& what,
                                    const tnoteadvice& advice, bool recorded);

} // namespace gravon
