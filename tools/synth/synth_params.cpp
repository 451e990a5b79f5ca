#include "synth/synth_params.h"

#include "base/errors.h"

#include <cmath>
#include <cstdio>

namespace gravon::synth {

namespace {

std::string num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

[[noreturn]] void fail(const std::string& what) {
    throw EGravonError(what);
}

void check_range(const char* what, double v, double lo, double hi, const char* unit) {
    if (!std::isfinite(v) || v < lo || v > hi)
        fail(std::string(what) + " " + num(v) + unit + " is outside " + num(lo) + " to " + num(hi) +
             unit);
}

} // namespace

double hz_to_semitone(double hz) {
    return 12.0 * std::log2(hz / 440.0) + 69.0;
}
double semitone_to_hz(double semitone) {
    return 440.0 * std::exp2((semitone - 69.0) / 12.0);
}

tphrase glide_phrase(double seconds, double f0a, double f0b, double spla, double splb) {
    tphrase ph;
    ph.points.push_back({0.0, hz_to_semitone(f0a), spla});
    ph.points.push_back({seconds, hz_to_semitone(f0b), splb});
    return ph;
}

tsynthparams make_example_params() {
    tsynthparams p;
    p.phrases.push_back(glide_phrase(4.0, 210.0, 230.0, 76.0, 84.0));
    return p;
}

double phonation_end(const tsynthparams& p) {
    double end = 0;
    for (const auto& ph : p.phrases)
        if (!ph.points.empty()) end = std::max(end, ph.points.back().time);
    return end;
}

void validate_synth_params(const tsynthparams& p) {
    if (p.rate < 8000 || p.rate > 192000)
        fail("Sample rate " + std::to_string(p.rate) + " Hz is outside 8000 to 192000 Hz");
    check_range("Full scale", p.fullscale_pa, 1e-6, 1e6, " Pa");
    check_range("Vibrato rate", p.vibrato_rate, 0, 20, " Hz");
    check_range("Vibrato extent", p.vibrato_cents, 0, 600, " cents");
    check_range("Jitter", p.jitter_percent, 0, 10, " %");
    check_range("Shimmer", p.shimmer_db, 0, 6, " dB");
    if (std::isnan(p.hnr_db) || p.hnr_db < -30)
        fail("HNR " + num(p.hnr_db) + " dB is below -30 dB");
    check_range("Open quotient", p.open_quotient, 0.2, 0.95, "");
    check_range("Pulse skew", p.skew, 0.1, 0.9, "");
    check_range("Onset ramp", p.ramp, 0, 0.5, " s");
    check_range("Lead-in", p.leadin, 0, 600, " s");
    check_range("Tail", p.tail, 0, 600, " s");
    check_range("Room-noise level", p.noise_spl, -50, 130, " dB SPL");
    check_range("Clip level", p.clip_level, 0.01, 1, "");
    check_range("Cross-talk attenuation", p.crosstalk_db, -40, 200, " dB");
    for (std::size_t i = 0; i < p.formants.size(); ++i) {
        const auto& f = p.formants[i];
        const std::string name = "Formant " + std::to_string(i + 1);
        check_range((name + " frequency").c_str(), f.freq, 1, 1e6, " Hz");
        check_range((name + " bandwidth").c_str(), f.bandwidth, 1, 5000, " Hz");
    }

    // The vibrato swings the F0 around the contour, so the limits apply to its extremes.
    const double fmax = std::min(4000.0, p.rate / 4.0);
    const double swing = p.vibrato_rate > 0 ? p.vibrato_cents / 100.0 : 0.0;
    double prevend = -1;
    for (std::size_t k = 0; k < p.phrases.size(); ++k) {
        const auto& pts = p.phrases[k].points;
        const std::string where = "Phrase " + std::to_string(k + 1);
        if (pts.size() < 2) fail(where + " has fewer than two points");
        for (std::size_t i = 0; i < pts.size(); ++i) {
            const auto& b = pts[i];
            const std::string at = where + ", point " + std::to_string(i + 1) + ": ";
            if (!std::isfinite(b.time) || b.time < 0)
                fail(at + "time " + num(b.time) + " s is not a time from the phonation start");
            if (i > 0 && !(b.time > pts[i - 1].time))
                fail(at + "time " + num(b.time) + " s does not follow " + num(pts[i - 1].time) +
                     " s");
            if (!std::isfinite(b.semitone))
                fail(at + "semitone " + num(b.semitone) + " is not a number");
            const double lo = semitone_to_hz(b.semitone - swing);
            const double hi = semitone_to_hz(b.semitone + swing);
            if (lo < 20 || hi > fmax)
                fail(at + "F0 " + num(semitone_to_hz(b.semitone)) + " Hz (with vibrato " + num(lo) +
                     " to " + num(hi) + " Hz) is outside 20 to " + num(fmax) + " Hz");
            if (!std::isfinite(b.spl) || b.spl < -20 || b.spl > 200)
                fail(at + "level " + num(b.spl) + " dB SPL is outside -20 to 200 dB SPL");
        }
        if (pts.front().time < prevend)
            fail(where + " starts at " + num(pts.front().time) +
                 " s, before the previous phrase ends at " + num(prevend) + " s");
        prevend = pts.back().time;
    }
    const double total = p.leadin + phonation_end(p) + p.tail;
    if (total > 3600) fail("Total duration " + num(total) + " s exceeds 3600 s");
    if (total <= 0) fail("Total duration is zero");
}

} // namespace gravon::synth
