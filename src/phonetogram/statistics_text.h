// The text of the area statistics window: a tab-separated table with one value column per
// phonetogram that has a selection, in a full and a condensed form.
#pragma once

#include "phonetogram/area_statistics.h"
#include "phonetogram/display_params.h"
#include "phonetogram/pg_list.h"
#include "phonetogram/statistics_rows.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gravon {


// The two lines shown while nothing is selected.
inline constexpr const char* noselectiontext1 = "Right-click on phonetogram to select";
inline constexpr const char* noselectiontext2 = "the area for measurement";

// How the numbers of the table are written.
struct tstatisticsformat {
    std::int32_t nsigdig = 4;       // significant digits of the general form
    std::string dbformat = "0.0";   // levels
    std::string stformat = "0.000"; // semitones
    std::string secformat = "0.0";  // seconds
    std::int32_t lokey = 24;        // lowest key of the keyboard: reference of the semitone rows
    char decimalseparator = '.';    // the user's separator
};



// The lines of the statistics text, without line ends. Each table line is a label followed by
// one value and a tab per phonetogram with at least one selected bin, in list order; blank
// lines separate groups, never two in a row and never first. percentile and displayparams
// give the percentile labels and the parameter rows; statistics parallels list.pgs (missing
// records count as empty selections).
std::vector<std::string> statistics_text(const tpglist& list, const tstatisticsarr& statistics,
                                         const tdoublearr& percentile,
                                         const tdisplayparamarr& displayparams,
                                         const tstatisticsrows& rows,
                                         const tstatisticsformat& format);

// The lines joined with "\r\n" after each, as a memo or the clipboard holds them.
std::string join_statistics_text(const std::vector<std::string>& lines);

} // namespace gravon
