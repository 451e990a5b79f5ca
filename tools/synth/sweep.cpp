#include "synth/sweep.h"

#include "base/errors.h"
#include "synth/synth_random.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace gravon::synth {

namespace {

struct tband {
    double lo, hi;
};

tband level_band(const tsweeprange& r, double semitone) {
    const double u = (semitone - r.lo_semitone) / (r.hi_semitone - r.lo_semitone);
    const double span = r.hi_spl - r.lo_spl;
    return {r.lo_spl + 0.35 * span * u, r.hi_spl - 0.35 * span * (1.0 - u)};
}

double between(TSynthRandom& rng, double lo, double hi) {
    return lo + (hi - lo) * rng.uniform();
}

} // namespace

std::vector<tphrase> make_sweep(double seconds, const tsweeprange& range, std::uint64_t seed) {
    if (!std::isfinite(seconds) || seconds < 1 || seconds > 3600)
        throw EGravonError("Sweep duration " + std::to_string(seconds) +
                           " s is outside 1 to 3600 s");
    if (!(range.hi_semitone > range.lo_semitone) || !std::isfinite(range.lo_semitone) ||
        !std::isfinite(range.hi_semitone))
        throw EGravonError("Sweep pitch range is empty");
    if (!(range.hi_spl > range.lo_spl) || !std::isfinite(range.lo_spl) ||
        !std::isfinite(range.hi_spl))
        throw EGravonError("Sweep level range is empty");

    constexpr double kmaxrate = 12.0; // semitones or dB per second
    TSynthRandom rng = make_stream(seed, tsynthstream::sweep);
    std::vector<tphrase> out;
    double t = 0;
    while (seconds - t >= 0.5) {
        const double dur = std::min(between(rng, 3.0, 8.0), seconds - t);
        tphrase ph;
        double st = between(rng, range.lo_semitone, range.hi_semitone);
        tband band = level_band(range, st);
        double spl = between(rng, band.lo, band.hi);
        ph.points.push_back({t, st, spl});
        const double end = t + dur;
        double pt = t;
        bool last = false;
        while (!last) {
            double dt = between(rng, 0.4, 1.5);
            last = end - (pt + dt) < 0.4; // no tiny last segment
            if (last) dt = end - pt;
            const double maxstep = kmaxrate * dt;
            double nst = st + maxstep * rng.symmetric();
            // Reflect at the edges of the range so the walk keeps covering all of it.
            if (nst > range.hi_semitone) nst = 2 * range.hi_semitone - nst;
            if (nst < range.lo_semitone) nst = 2 * range.lo_semitone - nst;
            nst = std::clamp(nst, range.lo_semitone, range.hi_semitone);
            band = level_band(range, nst);
            const double lo = std::max(band.lo, spl - maxstep);
            const double hi = std::min(band.hi, spl + maxstep);
            // When the band moved away faster than the level may follow, go as far as allowed.
            const double nspl =
                lo <= hi ? between(rng, lo, hi) : (spl < band.lo ? spl + maxstep : spl - maxstep);
            pt = last ? end : pt + dt;
            st = nst;
            spl = nspl;
            ph.points.push_back({pt, st, spl});
        }
        out.push_back(std::move(ph));
        t = end + between(rng, 0.3, 0.8);
    }
    return out;
}

} // namespace gravon::synth
