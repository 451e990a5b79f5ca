#include "analysis/filter_sections.h"

#include <cmath>
#include <locale>
#include <numbers>
#include <sstream>
#include <string>

namespace gravon {

namespace {

std::string number(double v) {
    std::ostringstream s;
    s.imbue(std::locale::classic());
    s << v;
    return s.str();
}

bool allfinite(std::initializer_list<double> values) {
    for (double v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

} // namespace

// ---- Second-order sections ----

template <bool HighPass> TSecondOrderFilterSection<HighPass>::TSecondOrderFilterSection() {
    design();
}

template <bool HighPass> void TSecondOrderFilterSection<HighPass>::design() {
    // Bilinear transform with the corner pre-warped: t = tan(pi*F0/fs).
    const double t = std::tan(std::numbers::pi * ff0 / fsf);
    const double p = 1.0 / (t * t);
    const double q = 1.0 / (t * fq);
    const double c = 1.0 + q + p;
    const double a2 = -(1.0 - q + p) / c;
    const double a1 = 2.0 * (p - 1.0) / c;
    const double a0 = 1.0 - a1 - a2; // = 4/c
    const double b0 = HighPass ? 0.25 * p : 0.25;
    if (!allfinite({t, p, q, c, a0, a1, a2, b0})) {
        // A division by zero (F0, Q or the sampling rate 0) or a non-finite value written.
        if constexpr (HighPass) {
            return; // keeps the coefficients it had
        } else {
            throw EFilterError("Cannot design the low-pass filter section (F0 = " + number(ff0) +
                               " Hz, Q = " + number(fq) + ", sampling rate = " + number(fsf) +
                               " Hz)");
        }
    }
    fa0 = a0;
    fa1 = a1;
    fa2 = a2;
    fb0 = b0;
    fb1 = HighPass ? -2.0 : 2.0;
    fb2 = 1.0;
}

template <bool HighPass> void TSecondOrderFilterSection<HighPass>::setQ(double value) {
    fq = value;
    design();
}

template <bool HighPass> void TSecondOrderFilterSection<HighPass>::setF0(double value) {
    ff0 = value;
    design();
}

template <bool HighPass> void TSecondOrderFilterSection<HighPass>::setSampFreq(double value) {
    fsf = value;
    design();
}

template class TSecondOrderFilterSection<false>;
template class TSecondOrderFilterSection<true>;

// ---- First-order section ----

void TRealFilterSection::design(bool zero, bool pole) {
    const double fs = fsf;
    const double limit = fs / 2.0001;
    double b0 = fb0, b1 = fb1, a0 = fa0, a1 = fa1;
    if (zero) {
        double f = ffzero;
        if (f > limit) f = limit;
        if (f < -limit) f = -limit;
        const double t = std::tan(std::numbers::pi * f / fs);
        b1 = (t - 1.0) / (t + 1.0);
        b0 = funitygainathf ? 1.0 / (1.0 - b1) : 1.0 / (1.0 + b1);
    }
    if (pole) {
        double f = ffpole;
        if (f > limit) f = limit; // no lower limit
        const double t = std::tan(std::numbers::pi * f / fs);
        a1 = (1.0 - t) / (1.0 + t);
        a0 = funitygainathf ? 1.0 + a1 : 1.0 - a1;
    }
    if (!allfinite({b0, b1, a0, a1}))
        throw EFilterError(
            "Cannot design the first-order filter section (zero = " + number(ffzero) +
            " Hz, pole = " + number(ffpole) + " Hz, sampling rate = " + number(fsf) + " Hz)");
    fb0 = b0;
    fb1 = b1;
    fa0 = a0;
    fa1 = a1;
    fdesigned = true;
}

void TRealFilterSection::setFZero(double value) {
    ffzero = value;
    design(true, !fdesigned);
}

void TRealFilterSection::setFPole(double value) {
    ffpole = value;
    design(!fdesigned, true);
}

void TRealFilterSection::setSampFreq(double value) {
    fsf = value;
    design(true, true);
}

void TRealFilterSection::setUnityGainAtHF(bool value) {
    funitygainathf = value;
    design(true, true);
}

} // namespace gravon
