#include "phonetogram/profile_summary.h"

#include "phonetogram/phonetogram_comparison.h"

#include <algorithm>

namespace gravon {

tprofilesummary profile_summary(const tbinmask& area) {
    tprofilesummary s;
    if (area.nx != nf0bins || area.ny != nlevelbins) return s;
    for (std::int32_t x = 0; x < nf0bins; ++x) {
        const auto column = area[x];
        const auto first =
            std::find_if(column.begin(), column.end(), [](auto v) { return v != 0; });
        if (first == column.end()) continue;
        const auto last =
            std::find_if(column.rbegin(), column.rend(), [](auto v) { return v != 0; });
        const std::int32_t lo = std::int32_t(first - column.begin());
        const std::int32_t hi = std::int32_t(column.rend() - last) - 1;
        if (s.contour.empty()) {
            s.lowmidi = x;
            s.minspl = lo;
            s.maxspl = hi;
        }
        s.highmidi = x;
        s.minspl = std::min(s.minspl, lo);
        s.maxspl = std::max(s.maxspl, hi);
        s.cells += std::int32_t(std::count_if(first, column.end(), [](auto v) { return v != 0; }));
        s.contour.push_back({x, lo, hi});
    }
    return s;
}

tbinmask entire_area(const tpglist& list, const tbinshowsettings& show, std::int32_t pg) {
    // The comparison measures two areas the same way; asked for one profile twice, it gives
    // that one's.
    return compared_areas(list, show, pg, pg).current;
}

} // namespace gravon
