#include "phonetogram/area_statistics.h"

#include "base/pitch.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace gravon {

namespace {

// Semitone numbers standing for "no column yet" in the extremes.
constexpr double noextreme = 1000.0;

// Below this relative spread of a regression variable all its time lies in one bin line.
constexpr double minrelativespread = 1e-10;

double hz(double s) {
    return semitonetofreq(s);
}

// The value at fraction p of the cumulative distribution of the per-line times t, linearly
// interpolated between line edges: the first occupied line starts at its lower edge, each
// further one runs from the upper edge of the previous occupied line to its own upper edge.
// edge(v) gives the value at line position v (an edge lies half a line off the centre).
// Returns false when the arithmetic gives no finite number.
template <std::size_t N, class Edge>
bool percentile_of(const std::array<double, N>& t, double total, double p, Edge edge,
                   double& result) {
    double c = 0, prevc = 0, prevv = 0, newc = 0, newv = 0;
    bool first = true;
    for (std::size_t x = 0; x < N; ++x) {
        if (t[x] > 0) {
            if (first) {
                newc = 0;
                newv = edge(static_cast<double>(x) - 0.5);
                first = false;
            }
            prevc = newc;
            prevv = newv;
            c += t[x] / total;
            newc = c;
            newv = edge(static_cast<double>(x) + 0.5);
            // Tested at occupied lines only, so that a fraction of 0 gives the lower edge of
            // the first occupied line rather than nothing.
            if (c >= p) break;
        }
    }
    if (first) return false;
    double v = prevv + (p - prevc) / (newc - prevc) * (newv - prevv);
    if (!std::isfinite(v)) return false;
    result = v;
    return true;
}

// The median F0: interpolated within the column where the cumulative fraction reaches 0.5,
// between that column's own edges.
double median_of(const std::array<double, nf0bins>& colt, double total) {
    double c = 0, c0 = 0;
    std::int32_t a = -1;
    for (std::int32_t x = 0; x < nf0bins; ++x) {
        c0 = c;
        c += colt[x] / total;
        a = x;
        if (c >= 0.5) break;
    }
    if (a < 0 || !(c >= 0.5)) return 0;
    double lo = hz(a - 0.5), hi = hz(a + 0.5);
    double v = lo + (0.5 - c0) / (c - c0) * (hi - lo);
    return std::isfinite(v) ? v : 0;
}

struct tregression {
    double k = 0, m = 0, r = 0;
};

// Time-weighted least squares of level y on semitone number x from the weighted sums.
// All zero when there is no time, when all time lies in one F0 column or on one level (the
// slope or the correlation is undefined then), or when the arithmetic gives no finite
// number.
tregression regression(double S, double Sx, double Sy, double Sxx, double Sxy, double Syy) {
    tregression g;
    if (S == 0) return g;
    double vx = S * Sxx - Sx * Sx;
    double vy = S * Syy - Sy * Sy;
    double dx = vx / std::sqrt(S * Sxx * Sx * Sx);
    if (!(dx >= minrelativespread)) return g;
    // The same relative test for the level: with one level only, rounding leaves vy a tiny
    // number of either sign instead of zero, which would give any r at all.
    double dy = vy / std::sqrt(S * Syy * Sy * Sy);
    if (!(dy >= minrelativespread)) return g;
    double k = (S * Sxy - Sx * Sy) / vx;
    double m = Sy / S - k * Sx / S;
    double r = (S * Sxy - Sx * Sy) / std::sqrt(vx * vy);
    if (!std::isfinite(k) || !std::isfinite(m) || !std::isfinite(r)) return g;
    g.k = k;
    g.m = m;
    g.r = r;
    return g;
}

} // namespace

tstatistics::tstatistics() : maxf0(hz(-noextreme)), minf0(hz(noextreme)) {}

void compute_area_statistics(tstatistics& st, const tpg& pg, const tbinmask& marked,
                             const tstatisticssettings& s) {
    // 1. Which layer holds each standard parameter. A standard entry without a name stands
    // for no parameter and matches nothing, not an unnamed layer.
    st.avgbackmap.assign(s.nparams, -1);
    for (std::size_t e = 0; e < s.nparams && e < s.stdpgparams.size(); ++e) {
        const std::string& name = s.stdpgparams[e].name;
        if (name.empty()) continue;
        for (std::size_t j = 0; j < pg.param.size(); ++j)
            if (pg.param[j].name == name) {
                st.avgbackmap[e] = static_cast<std::int32_t>(j);
                break;
            }
    }

    // 2. Accumulators.
    st.nbins = 0;
    double takentime = 0, f0sum = 0, leqsum = 0;
    double minf0 = noextreme, maxf0 = -noextreme, minspl = noextreme, maxspl = -noextreme;
    double mode = 0, modetime = 0;
    st.avgparam.assign(s.nparams, 0.0);
    // The time of the cells that hold a value of each parameter: a layer may lack values in
    // some cells.
    std::vector<double> paramtime(s.nparams, 0.0);
    std::array<double, nf0bins> colt{};
    std::array<double, nlevelbins> rowt{};
    double S = 0, Sx = 0, Sy = 0, Sxx = 0, Sxy = 0, Syy = 0;

    // Layers a parameter is read from, checked once rather than per bin.
    std::vector<const tpgarr*> layer(s.nparams, nullptr);
    for (std::size_t e = 0; e < s.nparams; ++e) {
        std::int32_t j = st.avgbackmap[e];
        if (j >= 0 && pg.param[j].arr.nx == nf0bins && pg.param[j].arr.ny == nlevelbins)
            layer[e] = &pg.param[j].arr;
    }
    const bool usable = marked.nx == nf0bins && marked.ny == nlevelbins;

    // 3. Sums over the selected bins, column by column.
    for (std::int32_t x = 0; usable && x < nf0bins; ++x) {
        for (std::int32_t y = 0; y < nlevelbins; ++y) {
            if (!marked[x][y]) continue;
            double t = pg_cell_time(pg, x, y);
            ++st.nbins;
            takentime += t;
            colt[x] += t;
            rowt[y] += t;
            f0sum += hz(x) * t;
            leqsum += std::pow(10.0, y / 10.0) * t;
            for (std::size_t e = 0; e < s.nparams; ++e)
                if (layer[e] && std::isfinite((*layer[e])[x][y])) {
                    st.avgparam[e] += t * (*layer[e])[x][y];
                    paramtime[e] += t;
                }
            maxspl = std::max(maxspl, double(y));
            minspl = std::min(minspl, double(y));
            maxf0 = std::max(maxf0, double(x));
            minf0 = std::min(minf0, double(x));
            S += t;
            Sx += x * t;
            Sy += y * t;
            Sxx += double(x) * x * t;
            Sxy += double(x) * y * t;
            Syy += double(y) * y * t;
        }
        // Strictly greater: among columns with equal time the lowest wins.
        if (colt[x] > modetime) {
            mode = x;
            modetime = colt[x];
        }
    }
    st.takentime = takentime;
    st.minspl = minspl;
    st.maxspl = maxspl;

    // 4.
    st.recordedtime = pg.recordedtime;

    // 5. and 6. Percentiles of F0 and level.
    const std::size_t np = s.percentile.size();
    st.f0percentile.resize(np, 0.0);
    st.SPLpercentile.resize(np, 0.0);
    for (std::size_t j = 0; j < np; ++j) {
        if (takentime > 0) {
            double p = s.percentile[j];
            percentile_of(colt, takentime, p, hz, st.f0percentile[j]);
            percentile_of(
                rowt, takentime, p, [](double v) { return v; }, st.SPLpercentile[j]);
        } else {
            st.f0percentile[j] = 0;
            st.SPLpercentile[j] = 0;
        }
    }

    // 7. Median.
    st.f0median = takentime > 0 ? median_of(colt, takentime) : 0;

    // 8. Bin positions to Hz at the bin centres.
    st.f0mode = hz(mode);
    st.minf0 = hz(minf0);
    st.maxf0 = hz(maxf0);

    // 9. Means. Unusable times (a damaged file) give the values of an empty selection rather
    // than numbers that are not numbers.
    st.avgf0 = 0;
    st.leq = -100;
    if (takentime > 0) {
        double avg = f0sum / takentime;
        double leq = 10.0 * std::log10(leqsum / takentime);
        if (std::isfinite(avg)) st.avgf0 = avg;
        if (std::isfinite(leq)) st.leq = leq;
        for (std::size_t e = 0; e < s.nparams; ++e)
            st.avgparam[e] = paramtime[e] > 0 ? st.avgparam[e] / paramtime[e]
                             : layer[e]       ? NAN
                                              : 0.0;
    }

    // 10. Regression of level on semitone number.
    tregression g = regression(S, Sx, Sy, Sxx, Sxy, Syy);
    st.k = g.k;
    st.m = g.m;
    st.r = g.r;
}

void fix_area_statistics(const tpglist& list, tstatisticsarr& statistics,
                         const tstatisticssettings& s) {
    statistics.resize(list.pgs.size());
    const tbinmask none; // stands for a missing mask: an empty selection
    for (std::size_t i = 0; i < list.pgs.size(); ++i) {
        const tbinmask& marked = i < list.masks.binmarked.size() ? list.masks.binmarked[i] : none;
        compute_area_statistics(statistics[i], list.pgs[i], marked, s);
    }
}

bool any_area_selected(const tstatisticsarr& statistics) {
    for (const tstatistics& st : statistics)
        if (st.nbins >= 1) return true;
    return false;
}

} // namespace gravon
