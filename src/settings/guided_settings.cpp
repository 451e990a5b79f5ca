#include "settings/guided_settings.h"

#include "base/number_text.h"
#include "base/pitch.h"

#include <cmath>

namespace gravon {

namespace {

std::string seconds_text(double s) {
    return floattostrdot(std::round(s * 100) / 100) + " s";
}

} // namespace

std::string guided_settings_problem(const tguidedsettings& s) {
    if (s.stepsize != 1 && s.stepsize != 2)
        return "The step is a semitone (1) or a whole tone (2), not " + std::to_string(s.stepsize) +
               ".";
    if (s.lowestnote > s.highestnote) return "The lowest note lies above the highest.";
    if (s.startnote < s.lowestnote || s.startnote > s.highestnote)
        return "The start note " + notename(s.startnote, false) + " lies outside " +
               notename(s.lowestnote, false) + " to " + notename(s.highestnote, false) + ".";
    if (!(s.tonetime > 0 && s.tonetime <= 10))
        return "The tone sounds for more than 0 s and at most 10 s.";
    if (!(s.phonationtime > 0 && s.phonationtime <= 10))
        return "The soft and the loud voice are wanted for more than 0 s and at most 10 s.";
    // Room for the tone, the block after it and both phonations.
    if (!(s.steplimit >= s.tonetime + 2 * s.phonationtime + 1 && s.steplimit <= 600))
        return "A step needs at least " + seconds_text(s.tonetime + 2 * s.phonationtime + 1) +
               " (the tone, a second, the soft and the loud voice) and at most 600 s.";
    return {};
}

std::string guided_settings_text(const tguidedsettings& s) {
    return "Guided profile: start " + notename(s.startnote, false) + ", " +
           (s.stepsize == 2 ? "whole-tone" : "semitone") + " steps, tone " +
           seconds_text(s.tonetime) + ", " + seconds_text(s.phonationtime) + " soft and loud, " +
           seconds_text(s.steplimit) + " a step";
}

} // namespace gravon
