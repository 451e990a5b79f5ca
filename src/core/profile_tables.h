// The summary numbers of each profile (lowest and highest F0, range, level extremes, area,
// contour) and the statistics of a speech profile: as tables for CSV files and the Python
// module, and as the lines the statistics window and the report show.
#pragma once

#include "core/main_window.h"
#include "core/result_table.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

// Columns: channel (the file channel analysed; the index of a loaded phonetogram, as the
// summary table), midi, note, f0_hz (the semitone's centre), spl_min_db, spl_max_db: one row
// per semitone that the entire shown area of a subject reaches, from the lowest up.
ttable contour_table(const TForm1& form, const std::vector<std::int32_t>& subjects);

// One row per subject: channel, name, task, area_cells, f0_low_note, f0_low_hz, f0_high_note,
// f0_high_hz, range_st, spl_min_db, spl_max_db (over the entire shown area; missing when it is
// empty), then over all the time, as a speech profile is measured: time_all_s, f0_p5_hz,
// f0_p50_hz, f0_p95_hz, spl_p5_db, spl_p50_db, spl_p95_db, f0_range_p5_p95_st, leq_db.
ttable profile_table(const TForm1& form, const std::vector<std::int32_t>& subjects);

// The profiles' table for the statistics window, tab-separated like the area statistics:
// the summary of every visible profile with time, the speech statistics of the speech
// profiles among them, and the contour of each. No lines when no profile holds time.
std::vector<std::string> profile_text_lines(const TForm1& form);

// The speech statistics only, for the report. No lines without a speech profile.
std::vector<std::string> speech_text_lines(const TForm1& form);

} // namespace gravon
