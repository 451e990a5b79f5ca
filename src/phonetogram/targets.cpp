#include "phonetogram/targets.h"

#include "base/pitch.h"
#include "base/shown_number_text.h"

#include <cmath>
#include <utility>

namespace gravon {

namespace {

// How close, in semitones and in dB, a press must come to grab the target.
constexpr double grabdistance = 3.0;

} // namespace

void reset_target(ttargetsettings& o) {
    o.f0target = o.defaultf0target;
    o.leveltarget = o.defaultleveltarget;
}

bool measured_target_enabled(const tstatisticsarr& statistics) {
    return !statistics.empty() && statistics[0].nbins >= 1;
}

bool set_target_from_measurement(ttargetsettings& o, ttargetaction& action,
                                 const tstatisticsarr& statistics) {
    if (!measured_target_enabled(statistics)) return false;
    o.f0target = statistics[0].f0mode;
    o.leveltarget = statistics[0].leq;
    action.ticked = true;
    return true;
}

bool choose_target_item(ttargetsettings& o, ttargetaction& action, std::int32_t tag) {
    if (tag < 0 || static_cast<std::size_t>(tag) >= o.targets.size()) return false;
    const ttarget t = o.targets[static_cast<std::size_t>(tag)];
    o.f0target = t.f0;
    o.leveltarget = t.level;
    action.ticked = true;
    return true;
}

bool target_grabbed(const ttargetsettings& o, const ttargetaction& action, double pointerf0,
                    double pointerlevel) {
    if (!target_shown(action)) return false;
    double dst = std::fabs(freqtosemitone(pointerf0) - freqtosemitone(o.f0target));
    double dl = std::fabs(pointerlevel - o.leveltarget);
    // NaN (a frequency of 0 Hz or less) compares false: nothing is grabbed.
    return dst < grabdistance && dl < grabdistance;
}

void drag_target_to_bin(ttargetsettings& o, tbincursor bin) {
    o.f0target = semitonetofreq(bin.xbin);
    o.leveltarget = bin.ybin;
}

std::string target_item_caption(const ttarget& t, char decimalseparator) {
    return "Set target to " + floattostrsep(t.f0, decimalseparator) + " Hz, " +
           floattostrsep(t.level, decimalseparator) + " dB";
}

std::vector<ttargetmenuitem> target_menu_items(const ttargetsettings& o,
                                               const tstatisticsarr& statistics,
                                               char decimalseparator) {
    std::vector<ttargetmenuitem> items;
    items.reserve(3 + o.targets.size());
    items.push_back({ttargetmenuitemkind::setmeasured, setmeasuredtargetcaption, -1, false,
                     measured_target_enabled(statistics)});
    items.push_back({ttargetmenuitemkind::reset, resettargetcaption, -1, true, true});
    items.push_back({ttargetmenuitemkind::separator, "-", -1, true, true});
    for (std::size_t i = 0; i < o.targets.size(); ++i)
        items.push_back({ttargetmenuitemkind::target,
                         target_item_caption(o.targets[i], decimalseparator),
                         static_cast<std::int32_t>(i), true, true});
    return items;
}

} // namespace gravon
