#include "phonetogram/area_selection.h"

#include <vector>

namespace gravon {

namespace {

// 8-connected fill with an explicit stack: an area can cover the whole grid. enter(x, y)
// decides whether the bin joins and does the bin's work; it must make the bin fail the test
// afterwards, so each bin enters once and the stack stays within the grid size.
template <class Enter> void fill8(std::int32_t x, std::int32_t y, Enter enter) {
    std::vector<tbincursor> stack;
    auto visit = [&](std::int32_t bx, std::int32_t by) {
        if (bin_in_grid(bx, by) && enter(bx, by)) stack.push_back({bx, by});
    };
    visit(x, y);
    while (!stack.empty()) {
        const tbincursor b = stack.back();
        stack.pop_back();
        for (std::int32_t dx = -1; dx <= 1; ++dx)
            for (std::int32_t dy = -1; dy <= 1; ++dy)
                if (dx != 0 || dy != 0) visit(b.xbin + dx, b.ybin + dy);
    }
}

bool has_masks(const tpglist& list, std::size_t i) {
    return binmasks_fit(list.masks, i + 1);
}

} // namespace

void mark_area(tpglist& list, std::size_t i, std::int32_t x, std::int32_t y) {
    if (!has_masks(list, i)) return;
    const tbinmask& show = list.masks.binshow[i];
    const tbinmask& glued = list.masks.binglued[i];
    const tbinmask& excl = list.masks.binexcluded[i];
    tbinmask& marked = list.masks.binmarked[i];
    tbinmask& encl = list.masks.binenclosed[i];
    fill8(x, y, [&](std::int32_t bx, std::int32_t by) {
        if (marked[bx][by]) return false;
        if (!show[bx][by] && !glued[bx][by] && excl[bx][by]) return false;
        marked[bx][by] = 1;
        if (!excl[bx][by] && !show[bx][by]) encl[bx][by] = 1;
        return true;
    });
}

void unmark_area(tpglist& list, std::size_t i, std::int32_t x, std::int32_t y) {
    if (!has_masks(list, i)) return;
    tbinmask& marked = list.masks.binmarked[i];
    tbinmask& encl = list.masks.binenclosed[i];
    fill8(x, y, [&](std::int32_t bx, std::int32_t by) {
        if (!marked[bx][by] && !encl[bx][by]) return false;
        marked[bx][by] = 0;
        encl[bx][by] = 0;
        return true;
    });
}

ttoggleresult toggle_area(tpglist& list, const tbinshowsettings& s, std::int32_t x,
                          std::int32_t y) {
    if (!bin_in_grid(x, y)) return ttoggleresult::ignored;
    fix_binshow(list, s);
    fix_binexcluded(list);
    const std::size_t n = list.pgs.size();
    bool shownanywhere = false, anyunmarked = false;
    std::size_t nvisible = 0, lastvisible = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const bool shown = list.masks.binshow[i][x][y] != 0;
        shownanywhere = shownanywhere || shown;
        anyunmarked = anyunmarked || (shown && !list.masks.binmarked[i][x][y]);
        if (list.pgs[i].visible) {
            ++nvisible;
            lastvisible = i;
        }
    }
    if (shownanywhere) {
        for (std::size_t i = 0; i < n; ++i) {
            if (anyunmarked)
                mark_area(list, i, x, y);
            else
                unmark_area(list, i, x, y);
        }
        return anyunmarked ? ttoggleresult::selected : ttoggleresult::deselected;
    }
    if (nvisible == 1) {
        tbinmasks& m = list.masks;
        m.binmarked[lastvisible][x][y] = 0;
        // A bin taken out of the selection is no longer a selected hole either; a stale
        // enclosed flag would still draw it as part of the selection.
        m.binenclosed[lastvisible][x][y] = 0;
        m.binglued[lastvisible][x][y] = m.binglued[lastvisible][x][y] ? 0 : 1;
        return m.binglued[lastvisible][x][y] ? ttoggleresult::glued : ttoggleresult::unglued;
    }
    return ttoggleresult::refused;
}

bool select_all_area(tpglist& list, const tbinshowsettings& s, std::int32_t c) {
    if (c < 0 || c >= static_cast<std::int32_t>(list.pgs.size())) return false;
    if (!binmasks_fit(list.masks, list.pgs.size())) resize_binmasks(list.masks, list.pgs.size());
    tbinmasks& m = list.masks;
    const auto k = static_cast<std::size_t>(c);
    m.binshow[k].fill(0);
    m.binmarked[k].fill(0);
    m.binenclosed[k].fill(0);
    m.binexcluded[k].fill(0);
    fix_binshow(list, s);
    fix_binexcluded(list);
    const tbinmask& show = m.binshow[k];
    const tbinmask& glued = m.binglued[k];
    const tbinmask& excl = m.binexcluded[k];
    tbinmask& marked = m.binmarked[k];
    tbinmask& encl = m.binenclosed[k];
    for (std::int32_t x = 0; x < nf0bins; ++x) {
        for (std::int32_t y = 0; y < nlevelbins; ++y) {
            if (show[x][y] || glued[x][y] || !excl[x][y]) marked[x][y] = 1;
            if (!show[x][y] && !excl[x][y]) encl[x][y] = 1;
        }
    }
    return true;
}

void clear_area_selection(tpglist& list) {
    tbinmasks& m = list.masks;
    for (auto* v : {&m.binshow, &m.binmarked, &m.binglued, &m.binenclosed, &m.binexcluded})
        for (tbinmask& g : *v) g.fill(0);
}

} // namespace gravon
