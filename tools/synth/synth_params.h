// Everything that describes one synthetic test phonation.
#pragma once

#include "synth/formant.h"
#include "synth/vowels.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gravon::synth {

// A point of the pitch and level contour. `time` is in seconds from the start of the
// phonation (the end of the room-noise lead-in); `semitone` is 12*log2(f0/440) + 69; `spl` is
// the RMS sound pressure level of the voice in dB re 20 uPa. Between two points of a phrase
// both the semitone and the level change linearly, so a glide is linear in semitones.
struct tbreakpoint {
    double time = 0;
    double semitone = 57;
    double spl = 80;
};

// One uninterrupted phonation from its first to its last point. Phrases follow each other in
// time; between them only the room noise sounds.
struct tphrase {
    std::vector<tbreakpoint> points;
};

enum class tnoisecolour { pink, white };

// What the second channel carries, if there is one.
enum class tsecondchannel {
    none,      // mono output
    crosstalk, // the voice attenuated by `crosstalk_db`, plus its own room noise
    noise,     // room noise only, independent of the first channel's
};

struct tsynthparams {
    std::int32_t rate = 44100;    // samples per second
    double fullscale_pa = 100;    // Pa peak at sample value 1.0 (int16 32767)
    std::vector<tphrase> phrases; // pitch and level contour; empty = room noise only

    double vibrato_rate = 5.5;   // Hz; 0 = no vibrato
    double vibrato_cents = 30;   // peak deviation from the contour in cents (+-)
    double jitter_percent = 0.3; // local jitter: mean |T(k+1) - T(k)| / mean T, in percent
    double shimmer_db = 0.2;     // local shimmer: mean |20 log10(A(k+1)/A(k))| in dB
    double hnr_db = 30;          // voice power over aspiration-noise power, dB; >= 200 = none
    std::vector<tformant> formants = vowel_formants("a"); // empty = source unfiltered
    double open_quotient = 0.6; // open share of each glottal period (0.2 to 0.95)
    double skew = 0.7;          // opening share of the open phase (0.5 to 0.9)
    double ramp = 0.01;         // raised-cosine onset and offset of each phrase, s

    double leadin = 1.0;   // room noise before the phonation, s
    double tail = 0.2;     // room noise after the phonation, s
    double noise_spl = 35; // room-noise RMS level, dB SPL, present during the whole signal
    tnoisecolour noise_colour = tnoisecolour::pink;

    bool clip = false;       // hard-clip instead of refusing a signal beyond full scale
    double clip_level = 1.0; // clip threshold as a fraction of full scale (0.01 to 1)
    tsecondchannel second = tsecondchannel::none;
    double crosstalk_db = 20; // attenuation of the voice in the second channel
    bool dither = false;      // triangular dither of +-1 step before rounding to int16

    std::uint64_t seed = 1;
    bool keep_float = true; // also return the unquantised samples
};

// Pitch conversions (semitone 69 = 440 Hz).
double hz_to_semitone(double hz);
double semitone_to_hz(double semitone);

// A single phrase of `seconds` gliding linearly in semitones from f0a to f0b Hz and in dB
// from spla to splb.
tphrase glide_phrase(double seconds, double f0a, double f0b, double spla, double splb);
inline tphrase steady_phrase(double seconds, double f0, double spl) {
    return glide_phrase(seconds, f0, f0, spl, spl);
}

// The example phonation: 1 s of room noise at 35 dB SPL, then 4 s of /a/ gliding from 210 to
// 230 Hz with 5.5 Hz vibrato of +-30 cents and a crescendo from 76 to 84 dB SPL, 0.2 s of
// room noise after it; 44.1 kHz, full scale 100 Pa.
tsynthparams make_example_params();

// Raises EGravonError naming the first value that is out of range or inconsistent.
void validate_synth_params(const tsynthparams& p);

// End of the last phrase, in seconds from the phonation start (0 without phrases).
double phonation_end(const tsynthparams& p);

} // namespace gravon::synth
