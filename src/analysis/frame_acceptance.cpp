#include "analysis/frame_acceptance.h"

#include <cmath>

namespace gravon {

void rate_tests(double prevf0, double f0, double prevpower, double power, double d,
                const tanalysisparams& p, tkillpoint& kp) {
    if (prevf0 > 0 && f0 > 0) {
        const double st = 12.0 * std::log2(prevf0 / f0);
        if (!std::isfinite(st)) {
            kp.add(tkillreason::ratearithmetic);
            return;
        }
        if (std::fabs(st) > p.maxf0speed) kp.add(tkillreason::f0speed);
    }
    if (prevpower > 0 && power > 0) {
        const double fall = 10.0 * std::log10(prevpower / power) / d;
        const double rise = 10.0 * std::log10(power / prevpower) / d;
        if (!std::isfinite(fall) || !std::isfinite(rise)) {
            kp.add(tkillreason::ratearithmetic);
            return;
        }
        if (fall > p.maxneglevelspeed || rise > p.maxposlevelspeed) kp.add(tkillreason::levelspeed);
    }
}

void clear_rejected(tchannelmeasures& m) {
    if (m.killpoint.empty()) return;
    m.f0 = 0;
    m.semitone = 0;
    m.h1h2 = nomeasure;
    m.crestlevel = nomeasure;
    m.centroid = 0;
    m.maxpartno = 0;
    if (!m.killpoint.only(tkillreason::lowhnr)) m.hnr = nomeasure;
}

} // namespace gravon
