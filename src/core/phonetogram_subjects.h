// Which phonetograms the headless program's outputs describe, and the selection its area
// statistics measure.
#pragma once

#include "core/main_window.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

// The highest phonetogram number a caller may name.
inline constexpr std::int32_t maxpgnumber = 1000000;

// n as a phonetogram number that a caller named with option (--pg, pg=). Raises tusageerror
// naming the option and n when it lies outside 0 ... maxpgnumber.
std::int32_t checked_pg_number(const std::string& option, std::int64_t n);

// The seconds in all cells of a phonetogram.
double total_time(const tpg& pg);

// pgoption >= 0: that phonetogram (raises EGravonError when there is none). Otherwise the
// recording phonetograms (0, 1) that hold time; when neither does, the first loaded one (2);
// when there is none, phonetogram 0.
std::vector<std::int32_t> subject_pgs(const TForm1& form, std::int32_t pgoption);

// The phonetograms that outputs describe, with their areas selected as select_subject_areas
// does. Raises EGravonError when there is nothing to describe: the recording phonetograms
// stand for the last sound file, so the results of an earlier file must not stand for a later
// one that was not analysed, and nothing at all is no result.
std::vector<std::int32_t> output_subjects(TForm1& form, std::int32_t pgoption);

// Clears every selection, then selects the entire shown area of each subject that holds time
// (the shown bins and the bins they enclose) and recomputes the area statistics.
void select_subject_areas(TForm1& form, const std::vector<std::int32_t>& subjects);

// The sentence that says which time the area statistics count.
std::string area_time_text(const TForm1& form);

// A percentile as a column-name part: 0.05 gives "p5", 0.125 "p12_5".
std::string percentile_column(double p);

} // namespace gravon
