#include "calibration/reference_calibration.h"

#include "base/errors.h"
#include "base/number_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace gravon {

namespace {

bool number(const std::string& s, double& v) {
    if (s.empty()) return false;
    try {
        v = strtofloatdot(s);
    } catch (const EConvertError&) {
        return false;
    }
    return std::isfinite(v);
}

std::string seconds_text(double s) {
    return formatfloatdot("0.000", s);
}

std::string level_text(const treference& ref) {
    return formatfloatdot("0.0", ref.level) + (ref.aweighted ? " dB(A)" : " dB SPL");
}

} // namespace

std::optional<treference> parse_reference(const std::string& text, std::string& why) {
    why = "a reference is START-END:LEVEL in seconds and dB SPL, LEVEL followed by A for dB(A) "
          "and optionally by @MM for the distance in mm (e.g. 0.5-3.5:94 or 1-4:85A@300), not \"" +
          text + "\"";
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) return std::nullopt;
    const std::string stretch = text.substr(0, colon);
    std::string level = text.substr(colon + 1);
    // The first "-" after the first character: a start cannot be negative, but its error is
    // the stretch's, not the syntax's.
    const std::size_t dash = stretch.find('-', 1);
    if (dash == std::string::npos) return std::nullopt;
    treference r;
    if (!number(stretch.substr(0, dash), r.start) || !number(stretch.substr(dash + 1), r.end))
        return std::nullopt;
    const std::size_t at = level.find('@');
    if (at != std::string::npos) {
        double mm = 0;
        if (!number(level.substr(at + 1), mm) || !(mm > 0)) return std::nullopt;
        r.distance = mm / 1000.0;
        level.resize(at);
    }
    if (!level.empty() && (level.back() == 'A' || level.back() == 'a')) {
        r.aweighted = true;
        level.pop_back();
    }
    if (!number(level, r.level)) return std::nullopt;
    why.clear();
    return r;
}

treferencemeter::treferencemeter(const treference& ref, double fs) : fref(ref), ffs(fs) {
    ffirst = std::int64_t(std::llround(ref.start * fs));
    flast = std::int64_t(std::llround(ref.end * fs));
    if (ref.aweighted) fweighting.setup(fs);
}

void treferencemeter::add(std::span<const float> samples) {
    const float cliplimit = float(referenceclipfraction);
    for (float s : samples) {
        if (fpos >= flast) return;
        // The weighting runs from the start of the file, as the live procedure's runs from the
        // start of the recording, so that it has settled when the stretch begins.
        const double x = fref.aweighted ? fweighting.filter(double(s)) : double(s);
        if (fpos >= ffirst) {
            fsum += x * x;
            if (std::fabs(s) >= cliplimit) {
                if (fclipped == 0) fclipat = double(fpos) / ffs;
                ++fclipped;
            }
        }
        ++fpos;
    }
}

std::string treferencemeter::check(const treference& ref, double fs, std::int64_t nsamples,
                                   const std::string& name) {
    const double duration = fs > 0 ? double(nsamples) / fs : 0;
    if (!(ref.level >= lowestreferencelevel && ref.level <= highestreferencelevel))
        return "The reference level " + formatfloatdot("0.0", ref.level) +
               " dB is outside the levels a reference can have (" +
               formatfloatdot("0", lowestreferencelevel) + " to " +
               formatfloatdot("0", highestreferencelevel) + " dB)";
    if (!(ref.start >= 0) || !(ref.end > ref.start) || ref.end > duration + 0.5 / fs)
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
    const std::optional<double> f = meter_factor(fref.level, r.rms);
    if (!f) throw EGravonError("The reference of " + name + " gives no full scale");
    r.fullscale = *f;
    return r;
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
