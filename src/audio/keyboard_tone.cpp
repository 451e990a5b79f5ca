#include "audio/keyboard_tone.h"

#include "audio/stereo_fill.h"
#include "base/rounding.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace gravon {

tkeyboardtone::tkeyboardtone() {
    // Amplitude smoothing: a first-order low-pass at 5 Hz (the zero is out of reach).
    kbampfilter.setFPole(5.0);
    kbampfilter.setFZero(2e9);
    kbampfilter.setUnityGainAtHF(false);
    kbampfilter.setGain(1.0);
    // The glide between keys.
    f0filter.setF0(6.0);
    f0filter.setQ(1.0);
    f0filter.setGain(1.0);
    formantfilter1.setQ(5.0);
    formantfilter1.setGain(1.0);
    formantfilter2.setQ(10.0);
    formantfilter2.setGain(1.0);
}

bool tkeyboardtone::note_on(std::int32_t midicode) {
    if (!keyboarding) {
        kbampfilter.setSampFreq(fs);
        kbampfilter.reset();
        formantfilter1.setSampFreq(fs);
        formantfilter2.setSampFreq(fs);
        f0filter.reset();
        f0filter.setSampFreq(fs);
    }
    keyboardfreq = 440.0 * std::pow(2.0, (midicode - 69) / 12.0);
    if (keyboardamplitude <= 0.0) {
        // No key sounds: settle the glide filter on the new pitch, so the note starts there.
        const std::int64_t n = roundint64(10.0 * fs - 1.0) + 1;
        for (std::int64_t k = 0; k < n; ++k) freqnow = f0filter.filter(keyboardfreq);
    }
    keyboardtimeout = 5000;
    keyboardblocktime = 300;
    formantfilter1.setF0(0.5 * keyboardfreq + 600.0);
    formantfilter2.setF0(1.5 * formantfilter1.F0());

    const std::int32_t n = std::max(settings.keyboardnpartials, 0);
    keyboardpartialamp.assign(static_cast<std::size_t>(n) + 1, 0.0);
    const double exponent = settings.keyboardslope / (20.0 * std::log10(2.0));
    double power = 0.0;
    for (std::int32_t i = 1; i <= n; ++i) {
        keyboardpartialamp[static_cast<std::size_t>(i)] = std::pow(double(i), exponent);
        power += keyboardpartialamp[static_cast<std::size_t>(i)] *
                 keyboardpartialamp[static_cast<std::size_t>(i)];
    }
    keyboardamplitude =
        power > 0.0 ? std::pow(10.0, settings.keyboardlevel / 20.0) * 20000.0 / std::sqrt(power)
                    : 0.0;
    if (keyboarding) return false;
    keyboarding = true;
    return true;
}

void tkeyboardtone::note_off() {
    keyboardamplitude = 0.0;
}

double tkeyboardtone::next() {
    freqnow = f0filter.filter(keyboardfreq);
    keyboardphase += 2.0 * std::numbers::pi * freqnow / (fs != 0.0 ? fs : 44100.0);
    ampnow = kbampfilter.filter(keyboardamplitude);
    double v = 0.0;
    // Harmonics at or above half the sampling rate would alias.
    for (std::size_t i = 1; i < keyboardpartialamp.size() && double(i) * freqnow < fs / 2.0; ++i)
        v += std::sin(double(i) * keyboardphase) * ampnow * keyboardpartialamp[i];
    if (settings.voicelike) v = formantfilter1.filter(formantfilter2.filter(v));
    return v;
}

void tkeyboardtone::fill(TWaveChunk& arr, std::int32_t used) {
    fill_stereo(arr, used, settings.keyboardplayleft, settings.keyboardplayright,
                [this] { return next(); });
}

bool tkeyboardtone::timeout_step(std::int32_t intervalms) {
    if (keyboardamplitude != 0.0) return false;
    keyboardtimeout -= intervalms;
    keyboardblocktime -= intervalms;
    if (keyboardtimeout >= 1) return false;
    keyboardblocktime = 0;
    return true;
}

} // namespace gravon
