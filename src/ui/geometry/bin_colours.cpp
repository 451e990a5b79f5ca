#include "ui/geometry/bin_colours.h"

#include "phonetogram/speech_profile.h"
#include "ui/geometry/transparency.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

namespace gravon {

using bin_tint_cache = tbinpaint::ttintcache;

double fast_log2(double x) {
    if (!(x > 0) || !std::isfinite(x)) return x == INFINITY ? x : NAN;
    std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
    int e = int((bits >> 52) & 0x7FF);
    if (e == 0) { // subnormal: scale into the normal range first
        x *= 0x1p54;
        bits = std::bit_cast<std::uint64_t>(x);
        e = int((bits >> 52) & 0x7FF) - 54;
    }
    e -= 1023;
    // The mantissa m in [1, 2), then moved to [sqrt(1/2), sqrt(2)) so that the series
    // below converges fast.
    double m = std::bit_cast<double>((bits & 0x000FFFFFFFFFFFFFull) | 0x3FF0000000000000ull);
    if (m > 1.4142135623730951) {
        m *= 0.5;
        ++e;
    }
    // ln m = 2 atanh(z), z = (m - 1)/(m + 1), |z| <= 0.1716.
    const double z = (m - 1) / (m + 1), z2 = z * z;
    double sum = 1.0 / 19;
    for (int k = 17; k >= 1; k -= 2) sum = 1.0 / k + z2 * sum;
    constexpr double twooverln2 = 2.8853900817779268; // 2 / ln 2
    return e + twooverln2 * z * sum;
}

double value_fraction(double q, const tdisplayparam& p, std::int32_t zparam) {
    if (zparam == 0) return 0.7;
    if (!std::isfinite(q)) return NAN;
    if (p.logarithmic) {
        // The ratio of two logarithms is the same in any base; log2 is the cheaper one.
        if (p.min > 0 && p.max > 0) return fast_log2(q / p.min) / fast_log2(p.max / p.min);
        return 0;
    }
    return (q - p.min) / (p.max - p.min);
}

TColor speech_washed(TColor under) {
    const auto mix = [](std::uint8_t a, std::uint8_t b) {
        return std::uint8_t(std::lround((1 - speechwash) * a + speechwash * b));
    };
    return {mix(under.r, speechcolor.r), mix(under.g, speechcolor.g), mix(under.b, speechcolor.b)};
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

    if (out.tints.size() < npg) out.tints.resize(npg);
    out.overlaid.resize(npg);
    for (std::size_t i = 0; i < npg; ++i) out.overlaid[i] = speech_overlaid(list, i);
    for (std::size_t i = 0; i < npg; ++i) {
        bin_tint_cache& tc = out.tints[i];
        const tpg& pg = list.pgs[i];
        const std::size_t layer = shown_layer(pg, stdpgparams, zparam, displayparams.size());
        if (tc.q.nx != nf0bins || tc.q.ny != nlevelbins) {
            tc.q.assign(nf0bins, nlevelbins, NAN);
            tc.tint.assign(nf0bins, nlevelbins);
        }
        if (tc.layer != layer || tc.zparam != z || !(tc.color == pg.color) ||
            tc.scale.min != dp.min || tc.scale.max != dp.max ||
            tc.scale.logarithmic != dp.logarithmic) {
            tc.q.fill(NAN);
            tc.layer = layer;
            tc.zparam = z;
            tc.color = pg.color;
            tc.scale = dp;
        }
    }

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
                // A reference group is drawn as outlines over the others, never filled.
                if (!pg.visible || !pg.group.empty()) continue;
                // A speech profile over another is washed over the blend afterwards.
                const bool shown = !out.overlaid[n] && list.masks.binshow[n][x][y] != 0;
                if (shown) {
                    bin_tint_cache& tc = out.tints[n];
                    const std::size_t l = tc.layer;
                    const double q = l < pg.param.size() ? pg.param[l].arr[x][y] : 0;
                    double& cachedq = tc.q[x][y];
                    ttransparency& p = tc.tint[x][y];
                    if (!(cachedq == q)) {
                        const double v = value_fraction(q, dp, z);
                        p = std::isnan(v) ? colortotransparency(novaluecolor)
                                          : tint(colortotransparency(pg.color), v);
                        cachedq = q;
                    }
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
