// One row per phonetogram and run, so that a run over a corpus builds one table: appended to
// a CSV file by the headless program, handed over as fields by the Python module.
#pragma once

#include "core/main_window.h"
#include "core/result_table.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

struct tsummaryrun {
    std::string file;                  // the sound file analysed ("" when none)
    std::vector<std::string> warnings; // of the whole run
};

// Columns: file, channel (the file channel analysed; the index of a loaded phonetogram), name,
// calibration, time_all_s (all the time), time_shown_s (the shown bins only), time_area_s (the
// entire shown area, as --stats), threshold_s, area_stdb, then over the area: area_f0_min_hz,
// area_f0_max_hz, area_f0_mean_hz, area_f0_median_hz, area_f0_mode_hz, area_f0_<p>_hz per
// percentile, area_spl_min_db, area_spl_max_db, area_spl_<p>_db, area_leq_db; then warnings (joined
// by " | "). The area's values are missing when the area is empty. The selection of
// select_subject_areas must be in place.
ttable summary_table(const TForm1& form, const std::vector<std::int32_t>& subjects,
                     const tsummaryrun& run);

// Appends the rows of summary_table. The header is written only to a new or empty file; a
// file that starts with another header is refused (EGravonError naming it), since its columns
// would not line up. The file is locked while the rows are appended, so that runs side by side
// may share it.
void append_summary_csv(const TForm1& form, const std::vector<std::int32_t>& subjects,
                        const tsummaryrun& run, const std::string& fname);

} // namespace gravon
