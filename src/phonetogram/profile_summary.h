// The numbers a clinic files for every profile: the lowest and highest F0, the range in
// semitones, the lowest and highest level, the area in cells and the contour, the softest and
// the loudest level at each semitone. All of them are taken over the entire area as the view
// shows it (the shown cells and the holes they enclose), whatever the user has selected, so
// that they describe the profile and not the part of it being measured.
#pragma once

#include "phonetogram/bin_visibility.h"
#include "phonetogram/pg_grid.h"
#include "phonetogram/pg_list.h"

#include <cstdint>
#include <vector>

namespace gravon {

// The softest and the loudest level of the area at one semitone (rows, dB).
struct tcontourstep {
    std::int32_t midi = 0;
    std::int32_t splmin = 0;
    std::int32_t splmax = 0;
    friend bool operator==(const tcontourstep&, const tcontourstep&) = default;
};

struct tprofilesummary {
    std::int32_t cells = 0;                 // the area in cells, one semitone by one decibel each
    std::int32_t lowmidi = 0, highmidi = 0; // semitone numbers of the lowest and highest column
    std::int32_t minspl = 0, maxspl = 0;    // dB, the lowest and highest row
    // One step per semitone that the area reaches, from the lowest up. A semitone between two
    // separate parts of a profile reaches no level and has no step.
    std::vector<tcontourstep> contour;

    bool empty() const { return cells == 0; }
    std::int32_t range_st() const { return highmidi - lowmidi; }
};

// The cells of area (a mask over the grid; another size counts as empty).
tprofilesummary profile_summary(const tbinmask& area);

// The entire area of phonetogram pg as the view shows it, whether or not it is visible now:
// the cells it reaches with the display rule, the holes they enclose and the cells the user
// glued. The list's own selection stays as it is. An empty mask for an index outside the list.
tbinmask entire_area(const tpglist& list, const tbinshowsettings& show, std::int32_t pg);

} // namespace gravon
