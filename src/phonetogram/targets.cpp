#include "phonetogram/targets.h"

#include "base/pitch.h"
#include "base/shown_number_text.h"

#include <cmath>
#include <utility>

namespace gravon {

namespace {

// How close, in semitones and in dB, a press must come to grab the target.
constexpr double grabdistance = 3.0;

bool is_target_row(const ttargetgrid& grid, std::int32_t r) {
    return r >= 1 && r < grid.rowcount();
}

void renumber(ttargetgrid& grid) {
    for (std::int32_t r = 1; r < grid.rowcount(); ++r) grid.cells[r][0] = std::to_string(r);
}

void swap_values(ttargetgrid& grid, std::int32_t a, std::int32_t b) {
    std::swap(grid.cells[a][1], grid.cells[b][1]);
    std::swap(grid.cells[a][2], grid.cells[b][2]);
}

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

ttargetpage show_target_page(const ttargetsettings& o, char decimalseparator) {
    ttargetpage page;
    page.f0targetedit = floattostrsep(o.defaultf0target, decimalseparator);
    page.leveltargetedit = floattostrsep(o.defaultleveltarget, decimalseparator);
    page.showtargetcheck = o.showtarget;
    page.grid.cells.push_back({targetsgridheader[0], targetsgridheader[1], targetsgridheader[2]});
    for (std::size_t i = 0; i < o.targets.size(); ++i)
        page.grid.cells.push_back({std::to_string(i + 1),
                                   floattostrsep(o.targets[i].f0, decimalseparator),
                                   floattostrsep(o.targets[i].level, decimalseparator)});
    page.grid.row = o.targets.empty() ? 0 : 1;
    return page;
}

void add_target_row(ttargetpage& page) {
    ttargetgrid& g = page.grid;
    if (g.cells.empty())
        g.cells.push_back({targetsgridheader[0], targetsgridheader[1], targetsgridheader[2]});
    g.cells.push_back({std::to_string(g.rowcount()), page.f0targetedit, page.leveltargetedit});
}

bool delete_target_row(ttargetgrid& grid) {
    if (!is_target_row(grid, grid.row)) return false;
    grid.cells.erase(grid.cells.begin() + grid.row);
    renumber(grid);
    if (grid.row >= grid.rowcount()) grid.row = grid.rowcount() - 1;
    if (grid.row < 1) grid.row = 0;
    return true;
}

bool move_target_up(ttargetgrid& grid) {
    std::int32_t r = grid.row;
    if (!(1 < r && r < grid.rowcount())) return false;
    swap_values(grid, r, r - 1);
    grid.row = r - 1;
    return true;
}

bool move_target_down(ttargetgrid& grid) {
    std::int32_t r = grid.row;
    if (!(0 < r && r < grid.rowcount() - 1)) return false;
    swap_values(grid, r, r + 1);
    grid.row = r + 1;
    return true;
}

bool select_target_row(ttargetgrid& grid, std::int32_t row) {
    if (!is_target_row(grid, row)) return false;
    grid.row = row;
    return true;
}

bool set_target_cell(ttargetgrid& grid, std::int32_t row, std::int32_t col,
                     const std::string& text) {
    if (!is_target_row(grid, row) || col < 0 || col > 2) return false;
    grid.cells[row][col] = text;
    return true;
}

ttargetbuttons fix_targetbuttons(const ttargetgrid& grid) {
    ttargetbuttons b;
    const std::int32_t r = grid.row;
    if (r <= 0) {
        b.deletecaption = "Delete target";
        b.deleteenabled = false;
        b.upcaption = "Move target";
        b.downcaption = "Move target";
    } else {
        const std::string n = std::to_string(r);
        b.deletecaption = "Delete target " + n;
        b.deleteenabled = r < grid.rowcount();
        b.upcaption = "Move target " + n + " up";
        b.downcaption = "Move target " + n + " down";
    }
    // Enabled exactly when the button would move something.
    b.upenabled = 1 < r && r < grid.rowcount();
    b.downenabled = 0 < r && r < grid.rowcount() - 1;
    return b;
}

void apply_target_page(const ttargetpage& page, ttargetsettings& o, char decimalseparator) {
    o.defaultleveltarget = strtofloatsep(page.leveltargetedit, decimalseparator);
    o.defaultf0target = strtofloatsep(page.f0targetedit, decimalseparator);
    reset_target(o);
    o.showtarget = page.showtargetcheck;
    ttargetarr targets;
    for (std::int32_t r = 1; r < page.grid.rowcount(); ++r) {
        ttarget t;
        t.f0 = strtofloatsep(page.grid.cells[r][1], decimalseparator);
        t.level = strtofloatsep(page.grid.cells[r][2], decimalseparator);
        targets.push_back(t);
    }
    o.targets = std::move(targets);
}

} // namespace gravon
