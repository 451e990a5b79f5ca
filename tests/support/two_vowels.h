// A take of two steady vowels one after the other, 200 Hz from 0.5 to 1.7 s and 330 Hz from
// 2.1 to 3.3 s, to select the cells of one of them and hear what plays.
#pragma once

#include "base/pitch.h"
#include "core/test_form.h"

#include <cmath>

namespace gravon::testing {

// Records the take through the recorder intake of t, unpaused, and stops.
inline void record_two_vowels(ttestform& t) {
    synth::tsynthparams p;
    synth::tphrase second;
    second.points = {{1.6, freqtosemitone(330), 95}, {2.8, freqtosemitone(330), 95}};
    p.phrases = {synth::steady_phrase(1.2, 200, 95), second};
    p.vibrato_cents = 0;
    p.leadin = 0.5;
    t.form.advanced.calibrationrecalculate = false;
    t.start();
    t.feed(stereo_of(synth::synthesize(p)));
    t.form.StopActionExecute();
}

// Selects the cells of the columns around hz at every level, and nothing else.
inline bool select_vowel(TForm1& f, double hz) {
    const std::int32_t x = std::int32_t(std::lround(freqtosemitone(hz)));
    f.clear_area_selection_action();
    return f.select_bins(x - 1, 0, x + 1, nlevelbins - 1);
}

} // namespace gravon::testing
