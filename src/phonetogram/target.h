// A target position of the phonetogram plane, and the target settings the user keeps.
#pragma once

#include <vector>

namespace gravon {

struct ttarget {
    double level = 0; // dB
    double f0 = 0;    // Hz
};

using ttargetarr = std::vector<ttarget>;

// The additional target positions offered by default: 70 and 80 dB at 110 and 220 Hz.
inline ttargetarr default_targets() {
    return {{70.0, 110.0}, {80.0, 110.0}, {70.0, 220.0}, {80.0, 220.0}};
}

// The current target, where "Reset target" returns to, and the offered positions. A
// default-constructed value holds the defaults.
struct ttargetsettings {
    double defaultf0target = 110.0;   // Hz, where "Reset target" returns to
    double defaultleveltarget = 70.0; // dB
    double f0target = 110.0;          // Hz, the current target
    double leveltarget = 70.0;        // dB
    bool showtarget = false;          // target button and menu shown
    ttargetarr targets = default_targets();
};

} // namespace gravon
