// The six per-phonetogram bin masks: which bins are shown, selected, glued, enclosed or outside.
#pragma once

#include "phonetogram/pg_grid.h"

#include <cstdint>
#include <vector>

namespace gravon {

struct tbinmasks {
    std::vector<tbinmask> binshow;     // drawn and selectable
    std::vector<tbinmask> binshowcopy; // binshow before isolated bins are removed
    std::vector<tbinmask> binmarked;   // part of the selection
    std::vector<tbinmask> binglued;    // an empty bin the user filled in
    std::vector<tbinmask> binenclosed; // a selected bin that is not shown (hole or glued bin)
    std::vector<tbinmask> binexcluded; // outside every area
};

// Gives every mask n phonetogram entries: existing entries keep their contents, new ones are
// all false.
void resize_binmasks(tbinmasks& m, std::size_t n);

// Whether every mask has at least n entries.
bool binmasks_fit(const tbinmasks& m, std::size_t n);

// Removes entry k of every mask; the entries after it move down by one.
void erase_binmasks_entry(tbinmasks& m, std::size_t k);

} // namespace gravon
