// The list of phonetograms the main window holds: entry 0 is the left recording channel,
// entry 1 the right one, entries 2 and up are phonetograms loaded for comparison. The list
// keeps the colour table and the bin masks with it, so that the masks always have one entry
// per phonetogram.
#pragma once

#include "phonetogram/bin_masks.h"
#include "phonetogram/pg_colors.h"
#include "phonetogram/phonetogram.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

struct tpglist {
    std::vector<tpg> pgs;
    std::vector<TColor> pgcolor = default_pgcolors();
    std::vector<std::string> pgcolorname = default_pgcolornames();
    tbinmasks masks;
    std::int32_t fnchans = 0; // behind nchans(); change it only through set_nchans

    std::int32_t nchans() const { return fnchans; }
};

// The nchans setter. Resizes pgs to n (entries beyond n are dropped); every new entry i gets
// nrecordinglayers zeroed layers, empty texts, calibration status 0, visible, and colour index
// i for i <= 1, else distinct_pgcolor. When n differs from the old
// count the masks are resized to n. Returns whether the count changed, so that the owner of
// the per-phonetogram statistics resizes that list too. n < 0 raises ERangeError; an empty
// colour table (needed for new entries) raises EGravonError, with the list unchanged.
bool set_nchans(tpglist& list, std::int32_t n);

// Gives phonetogram channo colour colorindex of the table, with its light shade
// (shade 0.3) and dark shade (shade 1.4). An index outside the list or the table raises
// ERangeError.
void set_pgcolor(tpglist& list, std::int32_t channo, std::int32_t colorindex);

// A colour for phonetogram k that tells it apart from the others: the first entry before
// baselinecolorindex (or of a shorter table) that no other phonetogram has; when all of them
// are taken, (k - 2) mod their number.
std::int32_t distinct_pgcolor(const tpglist& list, std::int32_t k);

// Index of the first loaded (not recording) phonetogram.
inline constexpr std::int32_t firstloadedpg = 2;

// Removes loaded phonetogram k (k >= firstloadedpg): the phonetograms after it move down by
// one, their masks with them, and nchans drops by one. Returns false, changing nothing, for a
// recording phonetogram or an index outside the list.
bool remove_pg(tpglist& list, std::int32_t k);

} // namespace gravon
