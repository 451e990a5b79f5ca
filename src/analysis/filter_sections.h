// Temporary: the second-order high-pass section used by the analysis, until the filter
// components land. Same names and behaviour as the real component.
#pragma once

#include <cmath>
#include <numbers>

namespace gravon {

class THPFilterSection {
  public:
    THPFilterSection() { design(); }
    double SampFreq() const { return fsf; }
    void setSampFreq(double v) {
        fsf = v;
        design();
    }
    double F0() const { return ff0; }
    void setF0(double v) {
        ff0 = v;
        design();
    }
    double Q() const { return fq; }
    void setQ(double v) {
        fq = v;
        design();
    }
    double Gain() const { return fgain; }
    void setGain(double v) { fgain = v; }
    void reset() { z0 = z1 = z2 = 0; }
    double filter(double x) {
        const double w = fa0 * x + fa1 * z1 + fa2 * z2;
        const double y = fgain * fb0 * (w + fb1 * z1 + fb2 * z2);
        z0 = w;
        z2 = z1;
        z1 = z0;
        return y;
    }

  private:
    void design() {
        const double t = std::tan(std::numbers::pi * ff0 / fsf);
        const double p = 1 / (t * t);
        const double q = 1 / (t * fq);
        const double c = 1 + q + p;
        const double a2 = -(1 - q + p) / c, a1 = 2 * (p - 1) / c, a0 = 1 - a1 - a2;
        if (!std::isfinite(a0) || !std::isfinite(a1) || !std::isfinite(a2) || !std::isfinite(p))
            return;
        fa0 = a0;
        fa1 = a1;
        fa2 = a2;
        fb0 = 0.25 * p;
        fb1 = -2;
        fb2 = 1;
    }
    double fgain = 1, fa0 = 0, fa1 = 0, fa2 = 0, fb0 = 0, fb1 = 0, fb2 = 0;
    double fsf = 16000, ff0 = 1000, fq = 1;
    double z0 = 0, z1 = 0, z2 = 0;
};

} // namespace gravon
