#include "calibration/reference_calibration.h"

#include "base/errors.h"
#include "base/number_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace gravon {

namespace {

// The stretch is judged in pieces of 50 ms, its periodicity in up to a minute of it.
std::int64_t piecesamples(double fs) {
    return std::max<std::int64_t>(std::llround(0.05 * fs), 1);
}
std::int64_t keptsamples(double fs) {
    return std::llround(60.0 * fs);
}

// The largest normalised autocorrelation of x[0 ... n) with x[lag ...) beyond its first zero
// crossing, for lags up to maxlag: near 1 for a periodic piece, near 0 for noise.
double periodicity(const float* x, std::size_t n, std::size_t maxlag) {
    double e0 = 0;
    for (std::size_t i = 0; i < n; ++i) e0 += double(x[i]) * x[i];
    if (!(e0 > 0)) return 0;
    bool crossed = false;
    double best = 0;
    for (std::size_t lag = 1; lag <= maxlag; ++lag) {
        double c = 0, e = 0;
        for (std::size_t i = 0; i < n; ++i) {
            c += double(x[i]) * x[i + lag];
            e += double(x[i + lag]) * x[i + lag];
        }
        const double r = e > 0 ? c / std::sqrt(e0 * e) : 0;
        if (r < 0) crossed = true;
        if (crossed) best = std::max(best, r);
    }
    return best;
}

std::string seconds_text(double s) {
    return formatfloatdot("0.000", s);
}

std::string level_text(const treference& ref) {
    return formatfloatdot("0.0", ref.level) + (ref.aweighted ? " dB(A)" : " dB SPL");
}

} // namespace

bool reference_number(const std::string& s, double& v) {
    if (s.empty()) return false;
    try {
        v = strtofloatdot(s);
    } catch (const EConvertError&) {
        return false;
    }
    return std::isfinite(v);
}

std::optional<treference> parse_reference(const std::string& text, std::string& why,
                                          bool* badvalue) {
    const std::string form =
        "a reference is START-END:LEVEL in seconds and dB SPL, LEVEL followed by A for dB(A) "
        "and optionally by @MM for the distance in mm (e.g. 0.5-3.5:94 or 1-4:85A@300)";
    if (badvalue) *badvalue = false;
    why = form + ", not \"" + text + "\"";
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) return std::nullopt;
    const std::string stretch = text.substr(0, colon);
    std::string level = text.substr(colon + 1);
    // The first "-" after the first character: a start cannot be negative, but its error is
    // the stretch's, not the syntax's.
    const std::size_t dash = stretch.find('-', 1);
    if (dash == std::string::npos || dash + 1 == stretch.size() || level.empty())
        return std::nullopt;
    // From here the form is right and a part of it is wrong: that part is named.
    const auto bad = [&](const std::string& what) -> std::optional<treference> {
        why = "the reference " + text + " " + what;
        if (badvalue) *badvalue = true;
        return std::nullopt;
    };
    const auto notnumber = [&](const std::string& part, const char* of) {
        return bad("has " + std::string(of) + " \"" + part + "\", which is not a finite number");
    };
    treference r;
    const std::string starttext = stretch.substr(0, dash), endtext = stretch.substr(dash + 1);
    if (!reference_number(starttext, r.start)) return notnumber(starttext, "the start");
    if (!reference_number(endtext, r.end)) return notnumber(endtext, "the end");
    if (r.start < 0) return bad("begins before the file: its start must be 0 s or later");
    if (!(r.end > r.start))
        return bad("is reversed: its stretch ends at " + seconds_text(r.end) +
                   " s, not after its start at " + seconds_text(r.start) + " s");
    const std::size_t at = level.find('@');
    if (at + 1 == level.size()) return std::nullopt;
    if (at != std::string::npos) {
        const std::string mmtext = level.substr(at + 1);
        double mm = 0;
        if (!reference_number(mmtext, mm)) return notnumber(mmtext, "the distance");
        if (!(mm > 0))
            return bad("has a distance of " + mmtext +
                       " mm: the level must be given at more than 0 mm");
        r.distance = mm / 1000.0;
        level.resize(at);
    }
    if (!level.empty() && (level.back() == 'A' || level.back() == 'a')) {
        r.aweighted = true;
        level.pop_back();
    }
    if (!reference_number(level, r.level)) return notnumber(level, "the level");
    why.clear();
    return r;
}

treferencemeter::treferencemeter(const treference& ref, double fs) : fref(ref), ffs(fs) {
    ffirst = std::int64_t(std::llround(ref.start * fs));
    flast = std::int64_t(std::llround(ref.end * fs));
    if (ref.aweighted) fweighting.setup(fs);
    fstretch.reserve(std::size_t(std::clamp<std::int64_t>(flast - ffirst, 0, keptsamples(fs))));
}

void treferencemeter::add(std::span<const float> samples) {
    const float cliplimit = float(referenceclipfraction);
    const std::int64_t piece = piecesamples(ffs);
    for (float s : samples) {
        // The weighting runs from the start of the file, as the live procedure's runs from the
        // start of the recording, so that it has settled when the stretch begins.
        const double x = fref.aweighted ? fweighting.filter(double(s)) : double(s);
        // The whole file in pieces: the reference's sound may reach beyond the stretch.
        fpiecesum += x * x;
        if (++fpiecen == piece) {
            fpieces.push_back(float(10.0 * std::log10(fpiecesum / double(fpiecen) + 1e-30)));
            fpiecesum = 0;
            fpiecen = 0;
        }
        if (fpos >= ffirst && fpos < flast) {
            fsum += x * x;
            if (fpos - ffirst < keptsamples(ffs)) fstretch.push_back(s);
            if (std::fabs(s) >= cliplimit) {
                if (fclipped == 0) fclipat = double(fpos) / ffs;
                ++fclipped;
            }
        }
        ++fpos;
    }
}

std::vector<float> treferencemeter::stretch_levels() const {
    const std::int64_t piece = piecesamples(ffs);
    const std::size_t from = std::size_t((ffirst + piece - 1) / piece);
    const std::size_t to = std::min(fpieces.size(), std::size_t(flast / piece));
    std::vector<float> v;
    if (from < to)
        v.assign(fpieces.begin() + std::ptrdiff_t(from), fpieces.begin() + std::ptrdiff_t(to));
    std::sort(v.begin(), v.end());
    return v;
}

std::pair<std::int64_t, std::int64_t> treferencemeter::extent() const {
    const std::int64_t piece = piecesamples(ffs);
    const std::vector<float> v = stretch_levels();
    std::int64_t first = ffirst / piece, last = (flast - 1) / piece;
    if (!v.empty()) {
        const double lo = double(v[v.size() / 10]) - referenceextentmargin;
        const double hi = double(v[(v.size() - 1) * 9 / 10]) + referenceextentmargin;
        const auto same = [&](std::int64_t k) {
            return k >= 0 && std::size_t(k) < fpieces.size() && fpieces[std::size_t(k)] >= lo &&
                   fpieces[std::size_t(k)] <= hi;
        };
        while (same(first - 1)) --first;
        while (same(last + 1)) ++last;
    }
    // One piece more on each side for the onset and the decay.
    const std::int64_t begin = std::max<std::int64_t>(first - 1, 0) * piece;
    const std::int64_t end = std::min(fpos, (last + 2) * piece);
    return {std::min(begin, ffirst), std::max(end, flast)};
}

std::string treferencemeter::check(const treference& ref, double fs, std::int64_t nsamples,
                                   const std::string& name) {
    const double duration = fs > 0 ? double(nsamples) / fs : 0;
    if (!(ref.level >= lowestreferencelevel && ref.level <= highestreferencelevel))
        return "The reference level " + formatfloatdot("0.0", ref.level) +
               " dB is outside the levels a reference can have (" +
               formatfloatdot("0", lowestreferencelevel) + " to " +
               formatfloatdot("0", highestreferencelevel) + " dB)";
    if (ref.start >= 0 && !(ref.end > ref.start))
        return "The reference stretch " + seconds_text(ref.start) + " to " + seconds_text(ref.end) +
               " s of " + name + " is reversed: it must end after it begins";
    if (!(ref.start >= 0) || ref.end > duration + 0.5 / fs)
        return "The reference stretch " + seconds_text(ref.start) + " to " + seconds_text(ref.end) +
               " s is outside " + name + ", which lasts " + seconds_text(duration) +
               " s (the stretch must begin at 0 s or later and end " +
               "after its beginning and before the end of the file)";
    if (ref.end - ref.start < shortestreference)
        return "The reference stretch " + seconds_text(ref.start) + " to " + seconds_text(ref.end) +
               " s of " + name + " is too short: it must last at least " +
               formatfloatdot("0.0", shortestreference) + " s";
    return "";
}

treferenceresult treferencemeter::result(const std::string& name, std::int64_t nsamples) const {
    const std::string bad = check(fref, ffs, nsamples >= 0 ? nsamples : fpos, name);
    if (!bad.empty()) throw EGravonError(bad);
    const std::int64_t n = std::min(fpos, flast) - ffirst;
    if (n <= 0 || fpos < flast)
        throw EGravonError("The reference stretch " + seconds_text(fref.start) + " to " +
                           seconds_text(fref.end) + " s is outside " + name + ", which holds " +
                           seconds_text(double(fpos) / ffs) + " s of sound");
    if (fclipped > 0)
        throw EGravonError(
            "The reference stretch " + seconds_text(fref.start) + " to " + seconds_text(fref.end) +
            " s of " + name + " clips: " + std::to_string(fclipped) +
            " of its samples reach digital full scale (the first at " + seconds_text(fclipat) +
            " s), so its level is not the level that was read");
    treferenceresult r;
    r.rms = std::sqrt(fsum / double(n));
    if (!(r.rms > 0) || 20.0 * std::log10(r.rms) < referencesilencedb)
        throw EGravonError(
            "The reference stretch " + seconds_text(fref.start) + " to " + seconds_text(fref.end) +
            " s of " + name + " is silent: it holds no tone or voice to measure (its level is " +
            (r.rms > 0 ? formatfloatdot("0.0", 20.0 * std::log10(r.rms)) + " dB below full scale"
                       : std::string("digital silence")) +
            ")");
    const std::string unsteady = steady_periodic_problem();
    if (!unsteady.empty())
        throw EGravonError(
            "The reference stretch " + seconds_text(fref.start) + " to " + seconds_text(fref.end) +
            " s of " + name +
            " holds no steady tone or vowel well above the background noise: " + unsteady +
            ". Mark the stretch that holds the calibrator's tone or the vowel read on the meter");
    const std::optional<double> f = meter_factor(fref.level, r.rms);
    if (!f) throw EGravonError("The reference of " + name + " gives no full scale");
    r.fullscale = *f;
    const auto [begin, end] = extent();
    r.extentstart = double(begin) / ffs;
    r.extentend = double(end) / ffs;
    return r;
}

std::string treferencemeter::steady_periodic_problem() const {
    if (const std::vector<float> v = stretch_levels(); v.size() >= 2) {
        const auto at = [&](double q) { return double(v[std::size_t(q * double(v.size() - 1))]); };
        const double span = at(0.9) - at(0.1);
        if (span > referencelevelspan)
            return "its level varies by " + formatfloatdot("0.0", span) + " dB, more than " +
                   formatfloatdot("0", referencelevelspan) + " dB";
    }
    // Pieces of 40 ms, each compared with itself up to 20 ms later (a period of 50 Hz), spread
    // evenly over the stretch. A first-order high-pass at 50 Hz takes an offset and a room's
    // rumble away; a steeper one (a difference) would raise the hiss above a low tone.
    const std::size_t n = std::size_t(std::max<std::int64_t>(std::llround(0.04 * ffs), 1));
    const std::size_t maxlag = std::size_t(std::max<std::int64_t>(std::llround(ffs / 50.0), 1));
    if (fstretch.size() < n + maxlag) return "";
    std::vector<float> d(fstretch.size());
    const double a = std::exp(-2.0 * std::numbers::pi * 50.0 / ffs);
    double y = 0, before = fstretch[0];
    for (std::size_t i = 0; i < d.size(); ++i) {
        y = a * (y + double(fstretch[i]) - before);
        before = fstretch[i];
        d[i] = float(y);
    }
    constexpr std::size_t maxpieces = 25;
    const std::size_t room = d.size() - n - maxlag;
    const std::size_t pieces = std::min<std::size_t>(maxpieces, room / n + 1);
    std::vector<double> r(pieces);
    for (std::size_t k = 0; k < pieces; ++k) {
        const std::size_t from = pieces > 1 ? room * k / (pieces - 1) : 0;
        r[k] = periodicity(d.data() + from, n, maxlag);
    }
    std::sort(r.begin(), r.end());
    const double median = r[r.size() / 2];
    if (median >= referenceperiodicity) return "";
    const double hnr = 10.0 * std::log10(std::max(median, 1e-6) / std::max(1.0 - median, 1e-6));
    return "it is not periodic enough (harmonic-to-noise ratio " + formatfloatdot("0.0", hnr) +
           " dB, at least " +
           formatfloatdot("0.0",
                          10.0 * std::log10(referenceperiodicity / (1.0 - referenceperiodicity))) +
           " dB needed)";
}

std::string reference_calibration_text(const treference& ref, std::int32_t channel,
                                       double fullscale, const std::string& signer,
                                       const std::string& datetext) {
    std::string t = "Calibrated from a reference of " + level_text(ref);
    if (ref.distance > 0) t += " at " + formatfloatdot("0", ref.distance * 1000.0) + " mm";
    t += ", " + seconds_text(ref.start) + "-" + seconds_text(ref.end) + " s of channel " +
         std::to_string(channel) + ", full scale " + roundsigdigits(6, fullscale) + " Pa, ";
    t += signer.empty() ? "unsigned, " + datetext : "signed by " + signer + " " + datetext;
    return t;
}

std::string given_fullscale_text(const std::string& kind, double fullscale) {
    return kind + " is calibrated by the user with a full scale of " +
           roundsigdigits(6, fullscale) + " Pa";
}

} // namespace gravon
