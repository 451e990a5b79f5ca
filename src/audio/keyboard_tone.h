// The keyboard tone: a reference pitch as a sum of harmonics with a spectral slope, optionally
// shaped by two formant resonances to sound voice-like. The pitch glides smoothly from one key
// to the next and the amplitude fades in and out, so no key press clicks. While a tone sounds,
// and 300 ms after, the analysis is to be blocked so that the tone is not taken for the voice.
#pragma once

#include "analysis/filter_sections.h"
#include "base/types.h"

#include <cstdint>
#include <vector>

namespace gravon {

struct tkeyboardsettings {
    bool voicelike = true;
    std::int32_t keyboardnpartials = 30;
    double keyboardslope = -6.0;  // dB per octave
    double keyboardlevel = -20.0; // dB
    bool keyboardplayleft = true;
    bool keyboardplayright = true;
    bool keyboardblock = true;
};

struct tkeyboardtone {
    tkeyboardtone();

    // A key is pressed. Returns true when the player is not running yet and must be started
    // (with 2 channels at 2 × fs); from then on `keyboarding` is true until the player closes.
    bool note_on(std::int32_t midicode);
    // The key is released: the tone fades out, the player keeps running.
    void note_off();
    // The next frame value, before conversion to a sample.
    double next();
    // Fills `used` interleaved stereo samples.
    void fill(TWaveChunk& arr, std::int32_t used);
    // One tick of the window's timer while no key is held. Returns true when the idle player
    // is due to be stopped.
    bool timeout_step(std::int32_t intervalms);
    // Whether the analysis is to reject the frames of both channels now.
    bool blocking() const { return settings.keyboardblock && keyboardblocktime > 0; }

    tkeyboardsettings settings;
    double fs = 44100.0;

    bool keyboarding = false;
    double keyboardfreq = 0.0;      // Hz, of the pressed key
    double keyboardamplitude = 0.0; // 0 while no key is held
    double keyboardphase = 0.0;     // of the fundamental, radians, not wrapped
    double freqnow = 0.0;
    double ampnow = 0.0;
    // Relative amplitude of harmonic i; entry 0 stays 0.
    std::vector<double> keyboardpartialamp;
    std::int32_t keyboardtimeout = 0;   // ms
    std::int32_t keyboardblocktime = 0; // ms

  private:
    TRealFilterSection kbampfilter;
    TLPFilterSection f0filter;
    TLPFilterSection formantfilter1;
    TLPFilterSection formantfilter2;
};

} // namespace gravon
