// The change from a baseline phonetogram to the current one: both measured over their entire
// areas by the area statistics, side by side with the difference, the softest level at the
// semitones both reach, and which cells lie in one of them only or in both.
#pragma once

#include "phonetogram/area_statistics.h"
#include "phonetogram/bin_visibility.h"
#include "phonetogram/pg_list.h"
#include "phonetogram/statistics_text.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

struct tbaselinecomparison {
    std::int32_t baselinepg = -1, currentpg = -1;
    tstatistics baseline, current; // of each one's entire area
    // The entire areas measured: the cells each one reaches, holes it encloses included.
    tbinmask baselinearea, currentarea;
    std::int32_t onlybaseline = 0, onlycurrent = 0, both = 0; // cells
    // The softest level (the lowest level of a column's area) at every semitone both reach:
    // its mean in each, and the semitone where it changed most (the lowest one of equal
    // changes), -1 when they share no semitone.
    std::int32_t commonsemitones = 0;
    double softestbaseline = 0, softestcurrent = 0; // dB, means over the common semitones
    std::int32_t largestchangeat = -1;
    double largestbaseline = 0, largestcurrent = 0; // dB, the softest levels there
};

// The entire areas of phonetograms baselinepg and currentpg as the view shows them, whether
// or not they are visible now and whatever is selected: the cells each one reaches, holes it
// encloses included. Empty masks for indices outside the list.
struct tcomparedareas {
    tbinmask baseline, current;
};
tcomparedareas compared_areas(const tpglist& list, const tbinshowsettings& show,
                              std::int32_t baselinepg, std::int32_t currentpg);

// Measures phonetograms baselinepg and currentpg of list as the view shows them, whether or
// not they are visible now and whatever is selected: the selection is measured elsewhere. The
// list is left as it was. Indices outside the list give an empty comparison.
tbaselinecomparison compare_phonetograms(const tpglist& list, const tbinshowsettings& show,
                                         const tstatisticssettings& settings,
                                         std::int32_t baselinepg, std::int32_t currentpg);

// A phonetogram as a comparison names it: its patient, date and task, as far as its session
// record (or, for the date, the start of its take) knows them, and its file name after them
// in parentheses; the file name alone when nothing else is known.
// E.g. "Patient P-17, Anna Berg, 2026-03-14 10:30, Singing profile (before_pg.stdpg)".
std::string session_title(const tpg& pg);

// One measure of the comparison, written as the user reads it.
struct tcomparisonrow {
    std::string label;    // the measure, with its unit, e.g. "Area [STdB]"
    std::string baseline; // its value in the baseline
    std::string current;  // its value in the current phonetogram
    std::string change;   // current less baseline, with its sign; empty where none applies
};

// The rows of the comparison, the first one the two phonetograms' session titles. Each change is
// the difference of the two values as written, so that it equals what a reader subtracts from
// the two area statistics.
std::vector<tcomparisonrow> comparison_rows(const tpglist& list, const tbaselinecomparison& c,
                                            const tstatisticsformat& format);

// The caption, the two names, a heading line of the three columns and the other rows as
// tab-separated lines; every table line ends with a tab, like those of the area statistics.
inline constexpr const char* comparisoncaption = "Change since the baseline (entire areas)";
std::vector<std::string> comparison_text(const std::vector<tcomparisonrow>& rows);

} // namespace gravon
