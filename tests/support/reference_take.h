// A take as a recorder elsewhere makes it, with its reference: a steady tone of known level,
// then a phonation (a sustained /a/ on 200 Hz) of known level in the room's quiet noise,
// written as a 16-bit WAV file whose digital full scale stands for a known pressure.
#pragma once

#include "files/wav_file.h"
#include "synth/synth_params.h"
#include "synth/voice_synth.h"

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>

namespace gravon::testing {

struct treferencetake {
    double fullscale = 20.0; // Pa the file's full scale stands for
    double tonehz = 1000.0;
    double tonespl = 94.0; // dB SPL of the tone
    double toneseconds = 3.0;
    // dB SPL of the phonation: inside the background-noise range (25 to 50 dB) as long as the
    // file is taken at 1 Pa full scale, so that the window measures a background noise then.
    double voicespl = 72.0;
    double voiceseconds = 2.0;
    double noisespl = 35.0; // the room, before the voice and under it
    double noiseseconds = 1.0;
    double fs = 44100.0;
};

// The A-weighting of IEC 61672 at f Hz, in dB.
inline double a_weighting_db(double f) {
    const double f2 = f * f;
    const double ra = 12194.0 * 12194.0 * f2 * f2 /
                      ((f2 + 20.6 * 20.6) * std::sqrt((f2 + 107.7 * 107.7) * (f2 + 737.9 * 737.9)) *
                       (f2 + 12194.0 * 12194.0));
    return 20.0 * std::log10(ra) + 2.0;
}

inline void write_reference_take(const std::string& path, const treferencetake& t) {
    const double pi = std::numbers::pi;
    const auto relative_rms = [&](double spl) {
        return 2e-5 * std::pow(10.0, spl / 20.0) / t.fullscale;
    };
    const std::size_t ntone = std::size_t(t.toneseconds * t.fs);
    tsinglearr x(ntone, 0.0f);
    const double toneamp = std::sqrt(2.0) * relative_rms(t.tonespl);
    for (std::size_t i = 0; i < ntone; ++i)
        x[i] = float(toneamp * std::sin(2 * pi * t.tonehz * double(i) / t.fs));
    // The phonation and the room's noise come from the synthesizer, at the take's full scale.
    synth::tsynthparams sp;
    sp.rate = std::int32_t(t.fs);
    sp.fullscale_pa = t.fullscale;
    sp.phrases = {synth::steady_phrase(t.voiceseconds, 200, t.voicespl)};
    // The room's noise before the voice, which the analysis measures first.
    sp.leadin = t.noiseseconds;
    sp.tail = 0.2;
    sp.noise_spl = t.noisespl;
    // A voice too loud for the recorder clips, as it does on a recorder.
    sp.clip = true;
    const synth::tsynthresult voice = synth::synthesize(sp);
    x.insert(x.end(), voice.floats[0].begin(), voice.floats[0].end());
    TWavFile w;
    w.setsampfreq(std::int32_t(t.fs));
    w.setnchans(1);
    w.setnbits(16);
    w.setformat(tFormat::pcm);
    w.setfullscale(0, 1.0);
    w.save_file(path, std::vector<tsinglearr>{x}, false, false);
}

} // namespace gravon::testing
