#include "core/replay_notes.h"

#include "analysis/kill_point.h"
#include "analysis/rejection_reasons.h"
#include "base/number_text.h"
#include "base/text_utils.h"
#include "core/main_window.h"
#include "phonetogram/pg_param.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <span>

namespace gravon {

namespace {

// The level the analysis gives a frame of digital silence (10 log10 of 1e-100).
constexpr double silentlevel = -999.0;

std::string db_text(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return buf;
}

// Whether frame k's window held a NaN or infinite sample (its level is that of zeros).
bool nonfinite_frame(const TForm1& form, std::int32_t k) {
    const auto bits = std::uint16_t(form.paramarr[trackdebug][0][std::size_t(k)]);
    return (bits & std::uint16_t(tkillreason::nonfinite)) != 0;
}

std::int32_t nonfinite_frames(const TForm1& form) {
    std::int32_t bad = 0;
    for (std::int32_t k = 0; k < form.frames(); ++k) bad += nonfinite_frame(form, k);
    return bad;
}

// The frames with a NaN or infinite sample have their own note; the others are judged here.
void note_noise(const TForm1& form, const std::string& fname, const tnoteadvice& advice,
                std::vector<std::string>& notes) {
    if (form.analyser.spechistcount(0) > 0) return;
    const double lo = form.advanced.noiselo[0], hi = form.advanced.noisehi[0];
    double quietest = 1e300, loudest = -1e300;
    std::int32_t silent = 0;
    const std::int32_t n = form.frames() - nonfinite_frames(form);
    if (n <= 0 && form.frames() > 0) return;
    for (std::int32_t k = 0; k < form.frames(); ++k) {
        if (nonfinite_frame(form, k)) continue;
        const double v = form.paramarr[trackspl][0][std::size_t(k)];
        if (!std::isfinite(v) || v <= silentlevel) {
            ++silent;
            continue;
        }
        quietest = std::min(quietest, v);
        loudest = std::max(loudest, v);
    }
    std::string measured;
    if (silent == n) {
        measured = "All " + std::to_string(n) + " frames were digital silence (every sample zero).";
    } else {
        measured =
            "Its frames measured " + db_text(quietest) + " to " + db_text(loudest) + " dB SPL";
        if (silent > 0)
            measured += ", and " + std::to_string(silent) + " of the " + std::to_string(n) +
                        " frames were digital silence (every sample zero)";
        measured += ".";
    }
    std::string what = "no background noise was measured in " + fname +
                       ": no stretch of it had a level inside the noise range of " + db_text(lo) +
                       " to " + db_text(hi) +
                       " dB SPL, which the signal-to-noise test of every frame needs. " + measured;
    if (!advice.fullscale.empty() && !advice.noiserange.empty())
        what += " Give the recording's full scale in Pa with " + advice.fullscale +
                ", or set the noise range " + advice.noiserange + ".";
    notes.push_back(what);
}

// A float file or array that a failed computation wrote may hold NaN or infinite samples: the
// frames that hold one are rejected and counted here, so that they are not taken for silence
// or clipping.
void note_nonfinite(const TForm1& form, const std::string& fname, std::vector<std::string>& notes) {
    const std::int32_t bad = nonfinite_frames(form), n = form.frames();
    if (bad == 0) return;
    if (bad == n) {
        notes.push_back("every frame of " + fname +
                        " holds samples that are NaN (not a number) or infinite: nothing in it "
                        "could be analysed.");
        return;
    }
    notes.push_back(fname + " holds samples that are NaN (not a number) or infinite: " +
                    std::to_string(bad) + " of " + std::to_string(n) +
                    " frames hold one and were rejected; the others were analysed as usual.");
}

// Few bits leave a quantisation noise that drowns a quiet room and the soft voice.
void note_coarse_coding(const TForm1& form, const std::string& fname,
                        std::vector<std::string>& notes) {
    const std::int32_t bits = form.soundfilebits;
    if (bits <= 0 || bits > 12) return;
    // Uniform quantisation noise: a step of 2 x full scale / 2^bits, RMS step / sqrt(12).
    const double step = 2.0 * std::fabs(form.audiofsd[0]) / std::ldexp(1.0, bits);
    const double level = 20.0 * std::log10(step / std::sqrt(12.0) / 2e-5);
    notes.push_back(fname + " has " + std::to_string(bits) +
                    "-bit samples: at this full scale their quantisation noise lies near " +
                    db_text(level) + " dB SPL, which hides a quiet room and the softest voice.");
}

void note_clipping(const TForm1& form, const std::string& fname, std::vector<std::string>& notes) {
    // The driver judged each frame as it stored it, with the samples at hand.
    const std::int32_t frames = std::max(form.frames(), 0);
    const std::span<const float> marks = form.frameclipped[0];
    std::int32_t clipped = 0;
    for (std::size_t k = 0; k < std::size_t(frames) && k < marks.size(); ++k)
        clipped += int(marks[k] > 0.0f);
    if (clipped == 0) return;
    char share[32];
    std::snprintf(share, sizeof share, "%.1f", 100.0 * clipped / std::max(frames, 1));
    notes.push_back(
        fname + " is clipped: " + std::to_string(clipped) + " of " + std::to_string(frames) +
        " frames (" + share +
        " %) hold samples at digital full scale or beyond it (overloaded); their levels and "
        "voice measures are too low or distorted.");
}

bool phonetogram_empty(const TForm1& form) {
    double total = 0;
    if (!form.pgs.empty() && form.pgs[0].param.size() > pglayeracctime)
        for (double v : form.pgs[0].param[pglayeracctime].arr.cells) total += v;
    return total <= 0;
}

} // namespace

tnoteadvice command_line_advice() {
    tnoteadvice a;
    a.fullscale = "/f before the file, or --reference START-END:LEVEL on a reference in it";
    a.channel = "--channel N chooses another";
    a.noiserange = "with --set NoiseLo0=... --set NoiseHi0=...";
    a.takescale = "/f before --record gives the full scale in Pa";
    return a;
}

tnoteadvice window_advice() {
    tnoteadvice a;
    a.fullscale = "type it in Pa when Analyze soundfile... asks for it, or measure it from a "
                  "reference tone or vowel in the file with Calibrate from reference... in the "
                  "Recording menu";
    a.noiserange = "in Advanced settings";
    a.takescale = "Calibrate... in the Recording menu calibrates the microphone";
    return a;
}

std::vector<std::string> replay_notes(const TForm1& form, const std::string& fname,
                                      const tnoteadvice& advice) {
    std::vector<std::string> notes = form.replaynotes;
    // The analysis tracks of this program's own files are no channels left out.
    const std::int32_t sound = form.soundfilechannels - form.soundfiletrackchannels;
    if (sound > 1)
        notes.push_back(fname + " has " + std::to_string(sound) +
                        (form.soundfiletrackchannels > 0 ? " sound channels" : " channels") +
                        "; only channel " + std::to_string(form.soundfilechannel) +
                        " was analysed" +
                        (advice.channel.empty() ? std::string(".") : " (" + advice.channel + ")."));
    if (lowercase_extension(fname) == ".smp") {
        if (advice.calibration && !form.pgs.empty() && form.pgs[0].calstatus == 1)
            notes.push_back(fname + " is not calibrated: its levels are not dB SPL.");
    } else if (advice.calibration && !form.soundfilecalibrated) {
        notes.push_back("no full scale was given for " + fname +
                        (advice.fullscale.empty() ? std::string() : " (" + advice.fullscale + ")") +
                        ": its levels are relative to a full scale of 1 Pa (94 dB SPL), not "
                        "calibrated dB SPL.");
    }
    note_coarse_coding(form, fname, notes);
    note_nonfinite(form, fname, notes);
    note_noise(form, fname, advice, notes);
    note_clipping(form, fname, notes);
    if (!phonetogram_empty(form)) return notes;
    // Why the frames with sound in them were rejected is why the phonetogram is empty.
    trejectioncounts counts;
    for (std::int32_t k = 0; k < form.frames(); ++k) {
        const double level = form.paramarr[trackspl][0][std::size_t(k)];
        if (std::isfinite(level) && level > silentlevel)
            counts.add(std::uint16_t(form.paramarr[trackdebug][0][std::size_t(k)]));
    }
    const std::string why = counts.text();
    notes.push_back(
        "no voice was accepted in " + fname + ": the phonetogram is empty." +
        (why.empty() ? std::string() : " The frames with sound were rejected for " + why + "."));
    return notes;
}

std::vector<std::string> take_notes(const TForm1& form, const std::string& what,
                                    const tnoteadvice& advice, bool recorded) {
    std::vector<std::string> notes;
    for (int c = 0; c < 2 && recorded; ++c)
        if (form.calibration_warning(c))
            notes.push_back(
                what + ", channel " + std::to_string(c) + ": " + form.calibration_info(c) +
                (advice.takescale.empty() ? std::string() : " (" + advice.takescale + ")"));
    note_noise(form, what, advice, notes);
    note_clipping(form, what, notes);
    if (phonetogram_empty(form))
        notes.push_back("no voice was accepted in " + what + ": the phonetogram is empty.");
    return notes;
}

} // namespace gravon
