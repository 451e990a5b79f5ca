#include "synth/vowels.h"

#include "base/errors.h"

namespace gravon::synth {

namespace {
struct tvowel {
    const char* name;
    tformant f[5];
};
// Averages for an adult voice, rounded; the upper two formants are generic.
const tvowel kvowels[] = {
    {"a", {{750, 80}, {1150, 90}, {2600, 120}, {3300, 200}, {3900, 250}}},
    {"e", {{530, 60}, {1840, 100}, {2480, 120}, {3300, 200}, {3900, 250}}},
    {"i", {{270, 60}, {2290, 100}, {3010, 150}, {3500, 200}, {4200, 250}}},
    {"o", {{570, 70}, {840, 80}, {2410, 120}, {3300, 200}, {3900, 250}}},
    {"u", {{300, 60}, {870, 80}, {2240, 120}, {3300, 200}, {3900, 250}}},
};
} // namespace

std::vector<tformant> vowel_formants(const std::string& name) {
    if (name == "none") return {};
    for (const auto& v : kvowels)
        if (name == v.name) return std::vector<tformant>(std::begin(v.f), std::end(v.f));
    throw EGravonError("Unknown vowel \"" + name + "\" (known: " + vowel_names() + ")");
}

std::string vowel_names() {
    return "a, e, i, o, u, none";
}

} // namespace gravon::synth
