// The settings of a guided voice range profile: where its steps start, how far apart they are
// and how long each prompt, each answer and each step may take. They are kept with the options,
// so that the next session of a patient can be led the same way.
#pragma once

#include <cstdint>
#include <string>

namespace gravon {

struct tguidedsettings {
    std::int32_t startnote = 57;  // MIDI number of the first step (A3)
    std::int32_t stepsize = 1;    // semitones between steps: 1 or 2
    double tonetime = 1.5;        // s the prompt tone sounds
    double phonationtime = 0.5;   // s of accepted voice wanted at the soft and at the loud level
    double steplimit = 20;        // s a step may take, its tone included
    std::int32_t lowestnote = 24; // the steps stay within these notes (the keyboard's keys)
    std::int32_t highestnote = 95;
};

// What is wrong with the settings, as one sentence; empty when they can be used.
std::string guided_settings_problem(const tguidedsettings& s);
// The settings in one line for the session record and the report, e.g. "Guided profile:
// start A3, semitone steps, tone 1.5 s, 0.5 s soft and loud, 20 s a step".
std::string guided_settings_text(const tguidedsettings& s);

} // namespace gravon
