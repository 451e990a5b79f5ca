// Targets: the current target position, the default it is reset to, the list of further
// positions on the Target menu, and the "Target" page of the options dialog that edits them.
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

// The state of the "Show target" action: visible is the show-target option, ticked the
// toggle's checked state.
struct ttargetaction {
    bool visible = false;
    bool ticked = false;
};

// The target is drawn only when its action is both visible and ticked.
inline bool target_shown(const ttargetaction& a) {
    return a.visible && a.ticked;
}

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

// The "Target" page of the options dialog.
inline constexpr const char* showtargetcheckcaption = "Show target button/menu";
inline constexpr const char* defaulttargetgroupcaption = "Default target position";
inline constexpr const char* f0targetlabel = "fo [Hz]";
inline constexpr const char* leveltargetlabel = "SPL [dB]";
inline constexpr const char* targetsgridlabel = "Additional target positions (avalable on menu)";
inline constexpr const char* addtargetcaption = "Add target";
inline constexpr std::array<const char*, 3> targetsgridheader = {"", "fo [Hz]", "Level [dB]"};
inline constexpr std::array<std::int32_t, 3> targetsgridcolwidth = {50, 100, 100};

// The grid of further targets: row 0 is the header, rows 1 ... rowcount - 1 hold the targets
// as cell texts (row number, F0, level). row is the current row; 0 or less means that no
// target row is selected.
struct ttargetgrid {
    std::vector<std::array<std::string, 3>> cells;
    std::int32_t row = 0;

    std::int32_t rowcount() const { return static_cast<std::int32_t>(cells.size()); }
};

struct ttargetpage {
    std::string f0targetedit;
    std::string leveltargetedit;
    bool showtargetcheck = false;
    ttargetgrid grid;
};

// Fills the page from the options when the dialog is shown: the default position and every
// target in plain number text, the show-target option; the first target row is current.
ttargetpage show_target_page(const ttargetsettings& o, char decimalseparator = '.');

// "Add target": appends a row holding its row number and the texts of the two edits. The
// current row stays.
void add_target_row(ttargetpage& page);
// "Delete target": removes the current row; the rows below move up and are renumbered. The
// current row stays where it was, or moves to the new last row. False when no target row is
// selected.
bool delete_target_row(ttargetgrid& grid);
// "Up" and "Down": swap the F0 and level cells of the current row with the row above or
// below, and follow them. False, changing nothing, when there is no such row.
bool move_target_up(ttargetgrid& grid);
bool move_target_down(ttargetgrid& grid);
// A click on a cell: row becomes current. False, changing nothing, for the header row or a
// row outside the grid.
bool select_target_row(ttargetgrid& grid, std::int32_t row);
// Typing into a cell of a target row. False for the header row or a cell outside the grid.
bool set_target_cell(ttargetgrid& grid, std::int32_t row, std::int32_t col,
                     const std::string& text);

// Captions and enabled states of the three grid buttons for the current row.
struct ttargetbuttons {
    std::string deletecaption;
    bool deleteenabled = false;
    std::string upcaption;
    bool upenabled = false;
    std::string downcaption;
    bool downenabled = false;
};
ttargetbuttons fix_targetbuttons(const ttargetgrid& grid);

// Takes the page over into the options, in this order: default level, default F0 (both
// typed with decimalseparator), the current target moved to the default, the show-target
// option, the target list. A field that is not a number raises EConvertError with the
// conversion message; the fields before it keep their new values, and the target list is
// only replaced when every row reads.
void apply_target_page(const ttargetpage& page, ttargetsettings& o, char decimalseparator = '.');

} // namespace gravon
