#include "phonetogram/binning.h"

#include "base/errors.h"
#include "base/random.h"
#include "base/rounding.h"

#include <cmath>

namespace gravon {

namespace {

// Semitone number with 69 at 440 Hz.
double semitone_of(double f) {
    return 12.0 * std::log2(f / 440.0) + 69.0;
}

bool base_in_range(double x, double y) {
    return x >= 0 && x < nf0bins - 1 && y >= 0 && y < nlevelbins - 1;
}

void check_layers(const tpg& pg) {
    if (pg.param.size() <= pglayermaxpartno)
        throw EGravonError("Phonetogram \"" + pg.pgname +
                           "\" has too few parameter layers to bin a frame into: " +
                           std::to_string(pg.param.size()));
    for (std::size_t k = 0; k <= pglayermaxpartno; ++k) {
        const tpgarr& a = pg.param[k].arr;
        if (a.nx != nf0bins || a.ny != nlevelbins ||
            a.cells.size() != static_cast<std::size_t>(nf0bins) * nlevelbins)
            throw EGravonError("Phonetogram \"" + pg.pgname + "\" layer " + std::to_string(k) +
                               " does not have the grid size");
    }
}

inline void update_mean(double& value, double measure, double t, double dt) {
    if (std::isfinite(measure)) value = (value * t + measure * dt) / (dt + t);
}

// The mean of a measure that some frames lack: a cell's first frame sets it, even to "none"
// (NaN), and a cell without a value takes the first frame that has one.
inline void update_sparse_mean(double& value, double measure, double t, double dt) {
    if (!(t > 0) || !std::isfinite(value))
        value = measure;
    else if (std::isfinite(measure))
        value = (value * t + measure * dt) / (dt + t);
}

} // namespace

tbinplacement place_point(std::int32_t binningmethod, double semitone, double level) {
    tbinplacement p;
    double bx = 0, by = 0;
    switch (binningmethod) {
    case binroundtonearest:
        bx = std::nearbyint(semitone);
        by = std::nearbyint(level);
        break;
    case binadddither: {
        double u1 = Random();
        double u2 = Random();
        bx = std::nearbyint(semitone + u1 - 0.5);
        by = std::nearbyint(u2 + level - 0.5);
        break;
    }
    default:
        // Rounding down rather than towards zero: for a point just below column or row 0
        // truncation would give base 0 with a negative fraction, and so negative weights.
        bx = std::floor(semitone);
        by = std::floor(level);
        p.fx = semitone - bx;
        p.fy = level - by;
        break;
    }
    // Comparing in double first keeps NaN and huge values away from the integer conversion.
    p.inrange = base_in_range(bx, by) && std::isfinite(p.fx) && std::isfinite(p.fy);
    if (p.inrange) {
        p.x = roundint(bx);
        p.y = roundint(by);
    } else {
        p.fx = 0;
        p.fy = 0;
    }
    return p;
}

bool bin_frame(tpg& pg, std::int32_t binningmethod, const tbinningframe& frame) {
    check_layers(pg);
    const tbinplacement p = place_point(binningmethod, semitone_of(frame.f0), frame.level);
    const double d = frame.duration;
    if (!p.inrange || !(d > 0) || !std::isfinite(d)) return false;

    const double w[2][2] = {{(1 - p.fx) * (1 - p.fy), (1 - p.fx) * p.fy},
                            {p.fx * (1 - p.fy), p.fx * p.fy}};
    tpgarr& overload = pg.param[pglayersolidcolor].arr;
    tpgarr& acctime = pg.param[pglayeracctime].arr;
    tpgarr& h1h2 = pg.param[pglayerh1h2].arr;
    tpgarr& hnr = pg.param[pglayerhnr].arr;
    tpgarr& centroid = pg.param[pglayercentroid].arr;
    tpgarr& crest = pg.param[pglayercrest].arr;
    tpgarr& maxpartno = pg.param[pglayermaxpartno].arr;
    // Phonetograms made before the voice-quality layers go without them.
    const bool quality = pg.param.size() > pglayerspecbal &&
                         pg.param[pglayercpps].arr.cells.size() == acctime.cells.size() &&
                         pg.param[pglayerspecbal].arr.cells.size() == acctime.cells.size();

    for (int i = 0; i < 2; ++i) {
        for (int j = 0; j < 2; ++j) {
            // Every one of the four cells takes the frame's measures with the full hop as
            // weight, while its time grows by its share only. Phonetograms are compared
            // with those of other installations, so this weighting must not change.
            const std::int32_t x = p.x + i;
            const std::int32_t y = p.y + j;
            const double t = acctime[x][y];
            if (frame.overloaded) overload[x][y] = 1.0;
            acctime[x][y] = t + d * w[i][j];
            update_mean(h1h2[x][y], frame.h1h2, t, d);
            update_mean(crest[x][y], frame.crestlevel, t, d);
            update_mean(centroid[x][y], frame.centroid, t, d);
            update_mean(maxpartno[x][y], frame.maxpartno, t, d);
            update_mean(hnr[x][y], frame.hnr, t, d);
            if (quality) {
                update_sparse_mean(pg.param[pglayercpps].arr[x][y], frame.cpps, t, d);
                update_sparse_mean(pg.param[pglayerspecbal].arr[x][y], frame.specbal, t, d);
            }
        }
    }
    return true;
}

} // namespace gravon
