// The ground truth of a synthesized phonation as comma-separated text.
#pragma once

#include "synth/voice_synth.h"

#include <string>

namespace gravon::synth {

// Header "time_s,voiced,f0_hz,semitone,spl_db" (then ",spl_right_db" for two channels)
// ",clipped", then one line per frame; numbers with "." whatever the locale; voiced is 0 or 1.
std::string truth_csv_text(const tsynthresult& r);
// Writes it; raises EGravonError naming the file when it cannot be written.
void write_truth_csv(const std::string& path, const tsynthresult& r);

} // namespace gravon::synth
