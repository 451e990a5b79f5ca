// The per-frame analysis tracks as a table, for comparing the analysis with other tools frame
// by frame.
#pragma once

#include "analysis/kill_point.h"
#include "core/main_window.h"
#include "core/result_table.h"

namespace gravon {

// One row per stored frame: time_centre_s (the centre of the frame's analysis window, which
// spans the hop before the frame's own and that hop), then per channel (left_, right_)
// accepted (1/0), rejected (the reasons by name), SPL, fo, H1H2, HNR, Powercentroid,
// Crestlevel and Maxpartialno. A value the frame does not have is missing: fo and the voice
// measures of a rejected frame (HNR stays when low HNR is the only reason), the level of
// digital silence.
ttable track_table(const TForm1& form);
// The same table's columns without rows, and the rows of frames first to last - 1 put in
// place of the rows it held: a take's tracks written block by block reuse one table.
ttable track_columns(const TForm1& form);
void fill_track_rows(ttable& t, const TForm1& form, std::int32_t first, std::int32_t last);

// Whether the stored value of track row of a frame rejected for kill is a measurement of the
// frame rather than a placeholder, and so a cell of the table.
bool track_value_present(int row, float v, const tkillpoint& kill);

} // namespace gravon
