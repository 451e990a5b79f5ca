// The rules of the phonetogram control panel: its two lists (the recording phonetograms 0 and
// 1, and the loaded ones from 2 on), what the selection shows, and which rows may move or
// close. The recording phonetograms never move and never close.
#pragma once

#include "phonetogram/pg_list.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

// The selected item of each list; -1 for none. At most one of them is set after a click.
struct tpanelselection {
    std::int32_t recitem = -1; // 0 or 1: phonetogram 0 or 1
    std::int32_t pgitem = -1;  // k: phonetogram k + 2
};

// Everything the panel shows for a list and a selection.
struct tpanelview {
    std::vector<std::string> recitems, pgitems; // "i: " + name
    std::vector<bool> recticks, pgticks;        // the phonetograms' visible flags
    tpanelselection selection;                  // indices kept within the lists
    std::string groupcaption;                   // "Properties of ..." or "Properties"
    std::string closecaption;
    bool closeenabled = false, upenabled = false, downenabled = false;
    // "Baseline": whether the selected phonetogram may be the baseline, and is.
    bool baselineenabled = false, baselinechecked = false;
    std::int32_t pgno = -1;              // the phonetogram the properties describe; -1 for none
    std::vector<std::string> parameters; // entity names of its non-empty layers
    std::int32_t colorindex = -1;
    bool opaque = false;
    // The lines of the memo: place, date, calibration, the two distances, then the fields
    // of the session record that hold anything.
    std::vector<std::string> properties;
    // The selected phonetogram is a reference group: the panel offers the share it is also
    // outlined at.
    bool referencegroup = false;
};

// The selected phonetogram: the loaded item's, or failing that the recording item's.
std::int32_t selected_pg(const tpglist& list, const tpanelselection& sel);

tpanelview control_panel_view(const tpglist& list, const tpanelselection& sel,
                              std::int32_t nsigdig);

// Every phonetogram's visible flag from the tick of its item.
void set_visibility_from_ticks(tpglist& list, const std::vector<bool>& recticks,
                               const std::vector<bool>& pgticks);

// "Upwards" / "Downwards": exchanges the selected loaded phonetogram with its neighbour in
// the loaded list, with their selection masks, and moves the selection along. False when the
// move is not allowed (nothing selected, the first item up, the last item down).
bool move_loaded_pg_up(tpglist& list, tpanelselection& sel);
bool move_loaded_pg_down(tpglist& list, tpanelselection& sel);

// Closes the selected loaded phonetogram; the selection goes to the one that took its place,
// or to the new last one. False when no loaded phonetogram is selected. The owner resizes its
// per-phonetogram statistics.
bool close_loaded_pg(tpglist& list, tpanelselection& sel);

// The item of the lists that shows phonetogram pgno.
tpanelselection selection_of_pg(std::int32_t pgno);

} // namespace gravon
