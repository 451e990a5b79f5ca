// Targets: the current target position, the default it is reset to, and the list of further
// positions on the Target menu. (The options dialog's page that edits them: core/target_grid.h.)
//
// The positions live in the options (f0target, leveltarget, defaultf0target,
// defaultleveltarget, showtarget, targets). The tick of the "Show target" toggle belongs to the
// user interface and is passed in. Repainting and the window's refresh after a change are the
// caller's part.
#pragma once

#include "phonetogram/area_statistics.h"
#include "phonetogram/pg_grid.h"
#include "phonetogram/target.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

// "Reset target": the current target returns to the default position. The tick stays.
void reset_target(ttargetsettings& o);

// Whether "Set target from area measurement" is enabled: statistics[0] counts at least one
// bin.
bool measured_target_enabled(const tstatisticsarr& statistics);

// "Set target from area measurement": the current target becomes the F0 mode and the Leq of
// statistics[0], and the target is ticked. Returns false, changing nothing, while the action
// is disabled.
bool set_target_from_measurement(ttargetsettings& o, ttargetaction& action,
                                 const tstatisticsarr& statistics);

// A list item of the Target menu: the current target becomes targets[tag], and the target is
// ticked even when it was off. Returns false, changing nothing, for a tag outside the list.
bool choose_target_item(ttargetsettings& o, ttargetaction& action, std::int32_t tag);

// Dragging the target with the mouse: a press grabs it when the target is shown and the
// pointer (F0 in Hz, level in dB) lies strictly within 3 semitones and 3 dB of it, the
// frequency compared on the semitone scale.
bool target_grabbed(const ttargetsettings& o, const ttargetaction& action, double pointerf0,
                    double pointerlevel);
// While dragged the target follows the crosshair bin: the frequency of its semitone and its
// level.
void drag_target_to_bin(ttargetsettings& o, tbincursor bin);

// The items of the Target menu, in menu order, as data a user interface turns into menu
// items.
enum class ttargetmenuitemkind {
    setmeasured, // "Set target from area measurement", never visible
    reset,       // "Reset target"
    separator,   // "-"
    target       // one per entry of targets; tag = its index
};
struct ttargetmenuitem {
    ttargetmenuitemkind kind = ttargetmenuitemkind::target;
    std::string caption;
    std::int32_t tag = -1; // index into targets for a list item, else -1
    bool visible = true;
    bool enabled = true;
};

inline constexpr const char* showtargetcaption = "Show target";
inline constexpr const char* targetmenucaption = "&Target";
inline constexpr const char* setmeasuredtargetcaption = "Set target from area measurement";
inline constexpr const char* resettargetcaption = "Reset target";

// "Set target to " + f0 + " Hz, " + level + " dB" with the plain number text of both.
std::string target_item_caption(const ttarget& t, char decimalseparator = '.');

// The whole menu: the hidden measured-target item (enabled as measured_target_enabled says),
// "Reset target", the separator, then one item per entry of targets in list order. The menu
// itself is visible exactly when the target action is (the show-target option).
std::vector<ttargetmenuitem> target_menu_items(const ttargetsettings& o,
                                               const tstatisticsarr& statistics,
                                               char decimalseparator = '.');

} // namespace gravon
