// The phonetogram cells as a tidy table: one row per cell with time, for R, pandas and
// spreadsheets.
#pragma once

#include "core/main_window.h"
#include "core/result_table.h"

#include <cstdint>
#include <vector>

namespace gravon {

// Columns: channel (the phonetogram's index: 0 left, 1 right, 2 and up loaded), name, midi,
// note, f0_hz (the semitone's centre), spl_db, time_all_s (all the cell's time), one column
// per measure layer in its unit (h1h2_db, hnr_db, centroid_hz, crest_db, max_partial, ...),
// overloaded (0/1), shown (0/1: the display rules show the cell), in_area (0/1: inside the
// entire shown area that --stats measures) and threshold_s (the display threshold). The
// selection of select_subject_areas must be in place.
ttable cells_table(const TForm1& form, const std::vector<std::int32_t>& subjects);

} // namespace gravon
