// Formant sets of the vowels the synthesizer knows.
#pragma once

#include "synth/formant.h"

#include <string>
#include <vector>

namespace gravon::synth {

// Five formants of an adult voice for "a", "e", "i", "o", "u"; "none" gives no formants.
// Raises EGravonError for another name.
std::vector<tformant> vowel_formants(const std::string& name);
// The accepted names, comma separated, for help and error texts.
std::string vowel_names();

} // namespace gravon::synth
