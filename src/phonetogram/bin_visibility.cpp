#include "phonetogram/bin_visibility.h"

#include <vector>

namespace gravon {

namespace {

// The time grid of a phonetogram, or nullptr when it has none of the grid's size (a damaged
// file can leave one without), in which case nothing of it is shown.
const tpgarr* time_grid(const tpg& pg) {
    if (pg.param.size() <= pglayeracctime) return nullptr;
    const tpgarr& a = pg.param[pglayeracctime].arr;
    if (a.nx != nf0bins || a.ny != nlevelbins) return nullptr;
    return &a;
}

} // namespace

void fix_binshow(tpglist& list, const tbinshowsettings& s) {
    if (!binmasks_fit(list.masks, list.pgs.size())) resize_binmasks(list.masks, list.pgs.size());
    const std::int32_t hx = nf0bins - 1, hy = nlevelbins - 1;
    for (std::size_t i = 0; i < list.pgs.size(); ++i) {
        const tpg& pg = list.pgs[i];
        tbinmask& show = list.masks.binshow[i];
        tbinmask& copy = list.masks.binshowcopy[i];
        const tpgarr* tg = time_grid(pg);
        if (tg == nullptr || !pg.visible) {
            show.fill(0);
            copy.fill(0);
            continue;
        }
        const tpgarr& tm = *tg;
        for (std::int32_t x = 0; x < nf0bins; ++x) {
            for (std::int32_t y = 0; y < nlevelbins; ++y) {
                double t = tm[x][y];
                if (s.includeadjacentbins && t > 0 && x >= 1 && x < hx && y >= 1 && y < hy) {
                    auto pair = [&](double a, double b) {
                        if (a > 0 && b > 0) t = t + (a + b) * s.adjacentinclusionfactor;
                    };
                    pair(tm[x - 1][y], tm[x + 1][y]);
                    pair(tm[x - 1][y - 1], tm[x + 1][y + 1]);
                    pair(tm[x][y - 1], tm[x][y + 1]);
                    pair(tm[x - 1][y + 1], tm[x + 1][y - 1]);
                }
                const std::uint8_t shown = t > s.timethreshold ? 1 : 0;
                show[x][y] = shown;
                copy[x][y] = shown;
            }
        }
    }
    if (!s.hideisolatedbins) return;
    for (std::size_t i = 0; i < list.pgs.size(); ++i) {
        tbinmask& show = list.masks.binshow[i];
        const tbinmask& copy = list.masks.binshowcopy[i];
        for (std::int32_t x = 1; x < hx; ++x)
            for (std::int32_t y = 1; y < hy; ++y)
                show[x][y] = copy[x][y] &&
                             (copy[x + 1][y] || copy[x][y + 1] || copy[x][y - 1] || copy[x - 1][y]);
    }
}

void fix_binexcluded(tpglist& list) {
    if (!binmasks_fit(list.masks, list.pgs.size())) resize_binmasks(list.masks, list.pgs.size());
    std::vector<tbincursor> stack;
    stack.reserve(static_cast<std::size_t>(nf0bins) * nlevelbins);
    for (std::size_t i = 0; i < list.pgs.size(); ++i) {
        const tbinmask& show = list.masks.binshow[i];
        const tbinmask& glued = list.masks.binglued[i];
        tbinmask& excl = list.masks.binexcluded[i];
        excl.fill(0);
        // An explicit stack: the outside can be the whole grid, far too deep for recursion.
        // A bin is marked when it is pushed, so each bin enters the stack at most once.
        auto visit = [&](std::int32_t x, std::int32_t y) {
            if (!bin_in_grid(x, y) || show[x][y] || glued[x][y] || excl[x][y]) return;
            excl[x][y] = 1;
            stack.push_back({x, y});
        };
        stack.clear();
        visit(0, 0);
        while (!stack.empty()) {
            const tbincursor b = stack.back();
            stack.pop_back();
            visit(b.xbin, b.ybin - 1);
            visit(b.xbin, b.ybin + 1);
            visit(b.xbin - 1, b.ybin);
            visit(b.xbin + 1, b.ybin);
        }
    }
}

} // namespace gravon
