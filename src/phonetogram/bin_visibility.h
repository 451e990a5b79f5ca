// Which bins are shown (time threshold, support from neighbours, isolated bins hidden) and
// which lie outside every area.
#pragma once

#include "phonetogram/pg_list.h"

namespace gravon {

// The display-threshold settings (advanced settings).
struct tbinshowsettings {
    double timethreshold = 0.04;           // s; a bin is shown only above this (strictly)
    bool includeadjacentbins = true;       // opposite neighbour pairs support a bin's time
    double adjacentinclusionfactor = 0.25; // weight of a supporting pair
    bool hideisolatedbins = true;          // hide shown bins without a shown direct neighbour
};

// Recomputes binshow and binshowcopy of every phonetogram. A bin's effective time is its own
// time plus, when it has time of its own and lies off the border, factor * (sum of the pair)
// for each of the horizontal, diagonal, vertical and anti-diagonal neighbour pairs whose two
// members both have time. It is shown when its phonetogram is visible and the effective time
// exceeds the threshold. With hideisolatedbins, an inner bin stays shown only when one of its
// four direct neighbours was shown before this removal (binshowcopy). A plain pass over the
// grids without allocation, as it runs before every repaint.
void fix_binshow(tpglist& list, const tbinshowsettings& s);

// Recomputes binexcluded of every phonetogram: the bins reached by a 4-connected fill from bin
// (0, 0) through bins that are neither shown nor glued. Nothing is excluded when (0, 0) is
// itself shown or glued.
void fix_binexcluded(tpglist& list);

} // namespace gravon
