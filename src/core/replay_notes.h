// Why the analysis of a sound file may be doubtful, said right after its replay: a truncated
// file, channels left out, no calibration, no background noise measured, clipping, no voice.
#pragma once

#include "core/main_window.h"
#include "headless_interface.h"

#include <string>

namespace gravon {

// A sample counts as full scale from this fraction on: the largest positive value of an 8-bit
// file (127/128) must count, a voice peaking just below full scale in a finer coding not.
inline constexpr double clipfraction = 127.0 / 128.0;

void warn_about_replay(const TForm1& form, const std::string& fname, theadlessinterface& ui);
// The same for a take from a sound card: recorded now (its calibration is the window's) or
// recovered from a journal (which keeps the calibration it was recorded with).
void warn_about_take(const TForm1& form, const std::string& what, theadlessinterface& ui,
                     bool recorded);

} // namespace gravon
