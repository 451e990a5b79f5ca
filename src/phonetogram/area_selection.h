// The selection of bins whose statistics are measured: toggling a connected area with its
// holes, filling gaps, selecting everything, clearing. Functions over the phonetogram list;
// recomputing the statistics and repainting after a change is the caller's part.
#pragma once

#include "phonetogram/bin_visibility.h"
#include "phonetogram/pg_list.h"

#include <cstdint>

namespace gravon {

// Marks, 8-connected from (x, y) in phonetogram i, every bin that is shown, glued or not
// excluded, stopping at excluded empty bins and at bins already marked; a marked bin that is
// neither shown nor excluded is also set enclosed. Uses binshow and binexcluded as they stand.
void mark_area(tpglist& list, std::size_t i, std::int32_t x, std::int32_t y);

// Clears marked and enclosed, 8-connected from (x, y) in phonetogram i, through every bin that
// is marked or enclosed.
void unmark_area(tpglist& list, std::size_t i, std::int32_t x, std::int32_t y);

enum class ttoggleresult {
    ignored,    // the bin lies outside the grid
    selected,   // the area around a shown bin was selected in every phonetogram
    deselected, // ... deselected in every phonetogram
    glued,      // an empty bin was filled in (the one visible phonetogram)
    unglued,    // a filled-in bin was emptied again
    refused     // a gap fill with other than exactly one visible phonetogram: show the message
};

// The refusal shown for a gap fill while several phonetograms are visible.
inline constexpr const char* gapfillrefusedtext =
    "You can fill in gaps in a phonetogram by right-clicking, but\ryou should hide the other "
    "phonetograms in the phonetogram control panel first.";
inline constexpr const char* gapfillrefusedcaption =
    "Cannot fill in gaps in multiple phonetograms at once";

// The right-click action on bin (x, y): recomputes binshow and binexcluded; if the bin is
// shown in any phonetogram, selects its area in every phonetogram when it is shown but not
// marked in any of them, else deselects it in every one; otherwise, with exactly one visible
// phonetogram, inverts the glue of the bin there (clearing its selection); otherwise refuses
// and changes nothing. The caller recomputes the statistics and repaints afterwards.
ttoggleresult toggle_area(tpglist& list, const tbinshowsettings& s, std::int32_t x, std::int32_t y);

// Selects everything inside phonetogram c: every bin that is shown, glued or not excluded;
// those neither shown nor excluded are also enclosed. Glued bins stay. Returns false, changing
// nothing, when c is not in the list.
bool select_all_area(tpglist& list, const tbinshowsettings& s, std::int32_t c);

// Clears binshow, binmarked, binglued, binenclosed and binexcluded of every phonetogram
// (binshow is rebuilt at the next repaint).
void clear_area_selection(tpglist& list);

// The phonetogram the control panel points at: the selected row of the stored-phonetogram
// list plus 2 when a row is selected there (>= 0), otherwise the selected row of the
// recording list, otherwise 0.
inline std::int32_t current_pg_index(std::int32_t storedrow, std::int32_t recordingrow) {
    if (storedrow >= 0) return storedrow + firstloadedpg;
    if (recordingrow >= 0) return recordingrow;
    return 0;
}

} // namespace gravon
