#include "ui/geometry/bin_colours.h"

#include "base/same_text.h"
#include "ui/geometry/transparency.h"

#include <algorithm>
#include <cmath>

namespace gravon {

std::size_t shown_layer(const tpg& pg, const tstdpgparamarr& stdpgparams, std::int32_t zparam,
                        std::size_t ndisplayparams) {
    if (zparam < 0 || std::size_t(zparam) >= ndisplayparams) return 0;
    for (std::size_t l = 0; l < pg.param.size(); ++l)
        for (const tstdpgparam& s : stdpgparams)
            if (s.displaymapping == zparam && same_text_nocase(s.name, pg.param[l].name)) return l;
    return 0;
}

double value_fraction(double q, const tdisplayparam& p, std::int32_t zparam) {
    if (zparam == 0) return 0.7;
    if (p.logarithmic) {
        if (p.min > 0 && p.max > 0) return std::log10(q / p.min) / std::log10(p.max / p.min);
        return 0;
    }
    return (q - p.min) / (p.max - p.min);
}

void compute_bin_paint(const tpglist& list, const tdisplayparamarr& displayparams,
                       const tstdpgparamarr& stdpgparams, std::int32_t zparam,
                       TColor selectioncolor, std::int32_t hix, std::int32_t hiy, tbinpaint& out) {
    if (out.fill.nx != nf0bins || out.fill.ny != nlevelbins) {
        out.fill.assign(nf0bins, nlevelbins);
        out.border.assign(nf0bins, nlevelbins);
        out.touched.assign(nf0bins, nlevelbins);
    }
    out.touched.fill(0);
    hix = std::min(hix, nf0bins - 1);
    hiy = std::min(hiy, nlevelbins - 1);
    const tbinmasks& m = list.masks;
    const std::size_t npg = std::min({list.pgs.size(), m.binshow.size(), m.binglued.size(),
                                      m.binenclosed.size(), m.binmarked.size()});
    const bool haveparam = zparam > 0 && std::size_t(zparam) < displayparams.size();
    const tdisplayparam solid{};
    const tdisplayparam& dp = haveparam ? displayparams[std::size_t(zparam)] : solid;
    const std::int32_t z = haveparam ? zparam : 0;

    out.layer.resize(npg);
    for (std::size_t i = 0; i < npg; ++i)
        out.layer[i] = shown_layer(list.pgs[i], stdpgparams, zparam, displayparams.size());

    const ttransparency black{0, 0, 0};
    const ttransparency red{1, 0, 0};
    const ttransparency enclosedtint = colortotransparency(rgb(192, 220, 192));
    const ttransparency selection = colortotransparency(selectioncolor);
    const TColor white = rgb(255, 255, 255), blackc = rgb(0, 0, 0);

    for (std::int32_t x = 0; x <= hix; ++x)
        for (std::int32_t y = 0; y <= hiy; ++y) {
            ttransparency c{};
            bool touched = false;
            for (std::size_t n = npg; n-- > 0;) {
                const tpg& pg = list.pgs[n];
                if (!pg.visible) continue;
                const bool shown = list.masks.binshow[n][x][y] != 0;
                if (shown) {
                    const std::size_t l = out.layer[n];
                    const double q = l < pg.param.size() ? pg.param[l].arr[x][y] : 0;
                    const ttransparency p =
                        tint(colortotransparency(pg.color), value_fraction(q, dp, z));
                    c = pg.opaque ? p : multiply(c, p);
                    touched = true;
                    if (!pg.param.empty() && pg.param[0].arr[x][y] > 0) c = multiply(c, red);
                }
                if (list.masks.binglued[n][x][y]) {
                    c = multiply(c, black);
                    touched = true;
                }
                const bool enclosed = list.masks.binenclosed[n][x][y] != 0;
                if (enclosed) {
                    c = multiply(c, enclosedtint);
                    touched = true;
                } else if (list.masks.binmarked[n][x][y]) {
                    c = multiply(c, selection);
                    touched = true;
                }
            }
            out.touched[x][y] = touched;
            out.fill[x][y] = touched ? transparencytocolor(c) : white;
            out.border[x][y] = touched ? blackc : white;
        }
}

} // namespace gravon
