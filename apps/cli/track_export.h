// The per-frame analysis tracks as a CSV table, for comparing the analysis with other tools
// frame by frame.
#pragma once

#include "core/main_window.h"

#include <cstdint>
#include <string>

namespace gravon {

// Writes one row per stored frame: time_centre_s (the centre of the frame's analysis window,
// which spans the hop before the frame's own and that hop), then per channel (left_, right_)
// accepted (1/0), rejected (the reasons by name), SPL, fo, H1H2, HNR, Powercentroid,
// Crestlevel and Maxpartialno. A value the frame does not have is an empty cell: fo and the
// voice measures of a rejected frame (HNR stays when low HNR is the only reason), the level of
// digital silence. Returns false when the file cannot be written.
bool write_track_csv(const TForm1& form, const std::string& fname);

} // namespace gravon
