// The full scale of a recording from a reference recorded with it: a calibrator's tone or a
// vowel whose level a sound level meter read. The stretch of the reference is measured as the
// sound-level-meter procedure measures a live tone (through the same A-weighting when the
// level is in dB(A)), and the full scale follows from the ratio of the level to its rms.
#pragma once

#include "calibration/calibration_procedures.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace gravon {

// Levels a reference may have: below it a room's noise, above it no voice or calibrator.
inline constexpr double lowestreferencelevel = 30.0;
inline constexpr double highestreferencelevel = 140.0;
// A sample counts as clipped from this fraction of full scale on, as in the replay's notes.
inline constexpr double referenceclipfraction = 127.0 / 128.0;
// A stretch whose rms lies below this (re full scale) holds no reference, only silence or the
// noise of the coding.
inline constexpr double referencesilencedb = -80.0;
// Shorter stretches give no steady level through the weighting.
inline constexpr double shortestreference = 0.1; // s
// A reference is steady: the levels of its 50 ms pieces lie within this span (from the
// tenth to the ninetieth percentile), as a meter's reading of it needs.
inline constexpr double referencelevelspan = 6.0; // dB
// The sound beside the stretch belongs to the reference while its level stays within this of
// the stretch's levels.
inline constexpr double referenceextentmargin = 3.0; // dB
// A reference is a tone or a vowel well above the room's noise: periodic, with the
// normalised autocorrelation at its period at least this high in most of its pieces (a
// room's noise reaches about 0.25, a held vowel 0.75 to 0.99). That is a harmonic-to-noise
// ratio of 10 log10(r / (1 - r)), 3.7 dB at 0.7.
inline constexpr double referenceperiodicity = 0.7;

struct treference {
    double start = 0; // s from the beginning of the file
    double end = 0;
    double level = 0;       // dB SPL, or dB(A) when aweighted
    bool aweighted = false; // the level was read A-weighted, as on a sound level meter
    double distance = -1;   // m from the mouth (or source) the level holds at; -1 not given
};

// A number of a reference: "." as the decimal point, finite; false for anything else.
bool reference_number(const std::string& s, double& v);

// "START-END:LEVEL", "START-END:LEVELA" (dB(A)), optionally followed by "@MM" (the distance
// in millimetres): "0.5-3.5:94", "1-4:85A@300". Numbers with "." as the decimal point.
// Nothing, with why set, for any other text; badvalue (when given) tells a text of the right
// form with a value that cannot be (a reversed stretch, NaN, a distance of 0) from one of
// another form.
std::optional<treference> parse_reference(const std::string& text, std::string& why,
                                          bool* badvalue = nullptr);

// What a reference gives when it is usable.
struct treferenceresult {
    double fullscale = 0; // Pa at digital full scale
    double rms = 0;       // of the stretch (after the weighting), re full scale
    // s: the reference's whole sound, which is no voice: the stretch widened over the pieces
    // beside it at the stretch's steady level, and by 50 ms more on each side for the onset
    // and the decay.
    double extentstart = 0;
    double extentend = 0;
};

// Measures one channel (normalised to +-1 at full scale) as it is read, piece by piece.
class treferencemeter {
  public:
    treferencemeter(const treference& ref, double fs);
    void add(std::span<const float> samples);
    // The full scale, or an error naming the problem (with the channel's name, e.g. the
    // file's) when the stretch lies outside what was read, is silent or clips, or the level is
    // outside 30 ... 140 dB.
    treferenceresult result(const std::string& name, std::int64_t nsamples = -1) const;
    // Checks the stretch and the level against a file of nsamples at fs before it is read;
    // empty when they fit.
    static std::string check(const treference& ref, double fs, std::int64_t nsamples,
                             const std::string& name);

  private:
    treference fref;
    double ffs;
    std::int64_t ffirst, flast; // the stretch's samples: first ... last - 1
    std::int64_t fpos = 0;
    double fsum = 0;
    std::int64_t fclipped = 0;
    double fclipat = 0; // s, the first clipped sample
    taweighting fweighting;
    std::vector<float> fstretch; // the stretch's samples as read (up to a minute of them)
    std::vector<float> fpieces;  // dB of each complete 50 ms piece of the file, weighted
    double fpiecesum = 0;
    std::int64_t fpiecen = 0;
    // Empty when the stretch is a steady tone or vowel well above the noise; else why not.
    std::string steady_periodic_problem() const;
    // The levels of the pieces inside the stretch, ascending.
    std::vector<float> stretch_levels() const;
    // Samples first ... last - 1 of the reference's whole sound.
    std::pair<std::int64_t, std::int64_t> extent() const;
};

// How the calibration was made, for the file's calibration text: the reference's level and
// distance, its stretch and channel, the full scale it gave, who signed and when ("" and a
// date: unsigned).
std::string reference_calibration_text(const treference& ref, std::int32_t channel,
                                       double fullscale, const std::string& signer,
                                       const std::string& datetext);

// The text of a full scale the user gave for a file: kind is "Wav file", "Sound file".
std::string given_fullscale_text(const std::string& kind, double fullscale);

} // namespace gravon
