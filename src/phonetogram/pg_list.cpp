#include "phonetogram/pg_list.h"

#include "base/errors.h"

#include <algorithm>

namespace gravon {

bool set_nchans(tpglist& list, std::int32_t n) {
    if (n < 0) throw ERangeError("Number of phonetograms out of range: " + std::to_string(n));
    const std::int32_t old = static_cast<std::int32_t>(list.pgs.size());
    if (n > old && list.pgcolor.empty())
        throw EGravonError("The phonetogram colour table is empty");
    list.pgs.resize(static_cast<std::size_t>(n));
    const auto ncolors = static_cast<std::int32_t>(list.pgcolor.size());
    for (std::int32_t i = old; i < n; ++i) {
        tpg& pg = list.pgs[static_cast<std::size_t>(i)] = make_empty_pg();
        pg.calstatus = 0;
        pg.visible = true;
        // A loaded phonetogram laid over the recording must not look like it.
        set_pgcolor(list, i, i <= 1 ? i % ncolors : distinct_pgcolor(list, i));
    }
    const bool changed = n != old;
    if (changed) resize_binmasks(list.masks, static_cast<std::size_t>(n));
    list.fnchans = n;
    return changed;
}

std::int32_t distinct_pgcolor(const tpglist& list, std::int32_t k) {
    const auto own =
        std::min<std::int32_t>(baselinecolorindex, static_cast<std::int32_t>(list.pgcolor.size()));
    if (own <= 0) return 0;
    for (std::int32_t c = 0; c < own; ++c) {
        bool used = false;
        for (std::size_t j = 0; j < list.pgs.size() && !used; ++j)
            used = static_cast<std::int32_t>(j) != k && list.pgs[j].colorindex == c;
        if (!used) return c;
    }
    return ((k - firstloadedpg) % own + own) % own;
}

void set_pgcolor(tpglist& list, std::int32_t channo, std::int32_t colorindex) {
    if (channo < 0 || static_cast<std::size_t>(channo) >= list.pgs.size())
        throw ERangeError("Phonetogram index out of range: " + std::to_string(channo));
    if (colorindex < 0 || static_cast<std::size_t>(colorindex) >= list.pgcolor.size())
        throw ERangeError("Colour index out of range: " + std::to_string(colorindex));
    tpg& pg = list.pgs[static_cast<std::size_t>(channo)];
    pg.colorindex = colorindex;
    pg.color = list.pgcolor[static_cast<std::size_t>(colorindex)];
    pg.dkcolor = shade(pg.color, dkshadefactor);
    pg.ltcolor = shade(pg.color, ltshadefactor);
}

bool remove_pg(tpglist& list, std::int32_t k) {
    if (k < firstloadedpg || k >= list.nchans()) return false;
    // The masks move with their phonetograms: dropping only the last mask entry would hand
    // the removed phonetogram's selection to the one that takes its place.
    list.pgs.erase(list.pgs.begin() + k);
    erase_binmasks_entry(list.masks, static_cast<std::size_t>(k));
    list.fnchans = static_cast<std::int32_t>(list.pgs.size());
    return true;
}

} // namespace gravon
