// The colours of the difference view: each cell of the baseline's or the current
// phonetogram's entire area coloured by where it lies, in colours that people with the
// common colour vision deficiencies still tell apart.
#pragma once

#include "phonetogram/phonetogram_comparison.h"
#include "ui/geometry/bin_colours.h"

#include <array>
#include <cstdint>

namespace gravon {

enum class tdifferencekind { onlybaseline, onlycurrent, both };

inline constexpr TColor onlybaselinecolor = {230, 159, 0}; // orange: reached before, not now
inline constexpr TColor onlycurrentcolor = {0, 114, 178};  // blue: reached now, not before
inline constexpr TColor bothcolor = {170, 170, 170};       // grey: reached in both

struct tdifferencekey {
    tdifferencekind kind;
    TColor color;
    const char* caption;
};

// The key the view draws, in the order of the table of changes.
inline constexpr std::array<tdifferencekey, 3> differencekeys = {{
    {tdifferencekind::onlybaseline, onlybaselinecolor, "Only in the baseline"},
    {tdifferencekind::onlycurrent, onlycurrentcolor, "Only in the current"},
    {tdifferencekind::both, bothcolor, "In both"},
}};

// Replaces the bin paint of x = 0 ... hix, y = 0 ... hiy with the three kinds of cell of the
// two areas: every other cell is left undrawn. With blackborder the cells get the view's black
// border.
void paint_difference_cells(const tcomparedareas& c, bool blackborder, std::int32_t hix,
                            std::int32_t hiy, tbinpaint& out);

} // namespace gravon
