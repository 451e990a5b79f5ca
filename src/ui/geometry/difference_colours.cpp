#include "ui/geometry/difference_colours.h"

#include <algorithm>

namespace gravon {

void paint_difference_cells(const tcomparedareas& c, bool blackborder, std::int32_t hix,
                            std::int32_t hiy, tbinpaint& out) {
    if (out.fill.nx != nf0bins || out.fill.ny != nlevelbins) {
        out.fill.assign(nf0bins, nlevelbins);
        out.border.assign(nf0bins, nlevelbins);
        out.touched.assign(nf0bins, nlevelbins);
    }
    out.touched.fill(0);
    const bool measured = c.baseline.nx == nf0bins && c.current.nx == nf0bins &&
                          c.baseline.ny == nlevelbins && c.current.ny == nlevelbins;
    if (!measured) return;
    const TColor black = {0, 0, 0};
    for (std::int32_t x = 0; x <= std::min(hix, nf0bins - 1); ++x)
        for (std::int32_t y = 0; y <= std::min(hiy, nlevelbins - 1); ++y) {
            const bool b = c.baseline[x][y] != 0, k = c.current[x][y] != 0;
            if (!b && !k) continue;
            const TColor col = b && k ? bothcolor : b ? onlybaselinecolor : onlycurrentcolor;
            out.fill[x][y] = col;
            out.border[x][y] = blackborder ? black : col;
            out.touched[x][y] = 1;
        }
}

} // namespace gravon
