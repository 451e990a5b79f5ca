// The per-frame analysis tracks as a CSV table, for comparing the analysis with other tools
// frame by frame.
#pragma once

#include "core/main_window.h"

#include <string>

namespace gravon {

// Writes one row per stored frame: the frame's centre time in s, then per channel the
// accepted flag and the tracks SPL, fo, H1H2, HNR, power centroid, crest level, strongest
// partial and the rejection bits. Returns false when the file cannot be written.
bool write_track_csv(const TForm1& form, const std::string& fname);

} // namespace gravon
