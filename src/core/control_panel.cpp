#include "core/control_panel.h"

#include "base/number_text.h"

#include <utility>

namespace gravon {

namespace {

std::int32_t loaded_count(const tpglist& list) {
    return std::max<std::int32_t>(0, std::int32_t(list.pgs.size()) - firstloadedpg);
}

std::string distance_text(std::int32_t nsigdig, double d) {
    return d > 0 ? sigdigits(nsigdig, d) + " m" : "Unknown";
}

tpanelselection kept_in_lists(const tpglist& list, tpanelselection sel) {
    const std::int32_t nrec = std::min<std::int32_t>(2, std::int32_t(list.pgs.size()));
    if (sel.recitem >= nrec) sel.recitem = -1;
    if (sel.pgitem >= loaded_count(list)) sel.pgitem = -1;
    return sel;
}

void swap_pgs(tpglist& list, std::size_t a, std::size_t b) {
    std::swap(list.pgs[a], list.pgs[b]);
    // A selection belongs to its phonetogram, so the masks move with it.
    for (auto* m : {&list.masks.binshow, &list.masks.binshowcopy, &list.masks.binmarked,
                    &list.masks.binglued, &list.masks.binenclosed, &list.masks.binexcluded})
        if (a < m->size() && b < m->size()) std::swap((*m)[a], (*m)[b]);
}

} // namespace

std::int32_t selected_pg(const tpglist& list, const tpanelselection& sel) {
    const tpanelselection s = kept_in_lists(list, sel);
    if (s.pgitem >= 0) return s.pgitem + firstloadedpg;
    return s.recitem;
}

tpanelview control_panel_view(const tpglist& list, const tpanelselection& sel,
                              std::int32_t nsigdig) {
    tpanelview v;
    v.selection = kept_in_lists(list, sel);
    for (std::size_t i = 0; i < list.pgs.size(); ++i) {
        const std::string item = std::to_string(i) + ": " + list.pgs[i].pgname;
        auto& items = i < std::size_t(firstloadedpg) ? v.recitems : v.pgitems;
        auto& ticks = i < std::size_t(firstloadedpg) ? v.recticks : v.pgticks;
        items.push_back(item);
        ticks.push_back(list.pgs[i].visible);
    }
    const std::int32_t rec = v.selection.recitem, k = v.selection.pgitem;
    if (rec >= 0)
        v.groupcaption = "Properties of " + v.recitems[std::size_t(rec)];
    else if (k >= 0)
        v.groupcaption = "Properties of " + v.pgitems[std::size_t(k)];
    else
        v.groupcaption = "Properties";
    v.closeenabled = k >= 0;
    v.closecaption = k >= 0 ? "Close " + v.pgitems[std::size_t(k)] : "Close phonetogram";
    v.upenabled = k >= 1;
    v.downenabled = k >= 0 && k < loaded_count(list) - 1;
    // Only a stored phonetogram is an earlier session's.
    v.baselineenabled = k >= 0;
    v.baselinechecked = k >= 0 && list.pgs[std::size_t(k + firstloadedpg)].baseline;

    v.pgno = selected_pg(list, v.selection);
    if (v.pgno < 0) return v;
    const tpg& pg = list.pgs[std::size_t(v.pgno)];
    for (const tpgparam& p : pg.param)
        if (!p.entitystr.empty()) v.parameters.push_back(p.entitystr);
    v.colorindex = pg.colorindex;
    v.opaque = pg.opaque;
    v.properties = {"Recorded at: " + pg.recordingsiteid, "Date: " + pg.datestr,
                    "Calibration: " + pg.calibstr,
                    "Actual distance: " + distance_text(nsigdig, pg.actualdistance),
                    "Display distance: " + distance_text(nsigdig, pg.distance)};
    // The session record, field by field as far as it was entered.
    for (const tsessionfield& f : session_fields())
        if (const std::string& value = pg.session.*f.member; !value.empty())
            v.properties.push_back(std::string(f.label) + ": " + value);
    v.referencegroup = !pg.group.empty();
    if (v.referencegroup) {
        v.properties.push_back("Reference group of " + std::to_string(pg.group.files.size()) +
                               " phonetograms:");
        // A few names; the memo grows with its lines, and a group may be large.
        const std::size_t shown = pg.group.files.size() <= 6 ? 6 : 5;
        for (std::size_t i = 0; i < pg.group.files.size() && i < shown; ++i)
            v.properties.push_back("  " + pg.group.files[i]);
        if (pg.group.files.size() > shown)
            v.properties.push_back("  and " + std::to_string(pg.group.files.size() - shown) +
                                   " more");
    }
    return v;
}

void set_visibility_from_ticks(tpglist& list, const std::vector<bool>& recticks,
                               const std::vector<bool>& pgticks) {
    for (std::size_t i = 0; i < list.pgs.size(); ++i) {
        const bool loaded = i >= std::size_t(firstloadedpg);
        const std::vector<bool>& ticks = loaded ? pgticks : recticks;
        const std::size_t item = loaded ? i - firstloadedpg : i;
        if (item < ticks.size()) list.pgs[i].visible = ticks[item];
    }
}

bool move_loaded_pg_up(tpglist& list, tpanelselection& sel) {
    sel = kept_in_lists(list, sel);
    const std::int32_t k = sel.pgitem;
    if (k < 1) return false;
    swap_pgs(list, std::size_t(k + firstloadedpg), std::size_t(k + firstloadedpg - 1));
    sel.pgitem = k - 1;
    return true;
}

bool move_loaded_pg_down(tpglist& list, tpanelselection& sel) {
    sel = kept_in_lists(list, sel);
    const std::int32_t k = sel.pgitem;
    if (k < 0 || k >= loaded_count(list) - 1) return false;
    swap_pgs(list, std::size_t(k + firstloadedpg), std::size_t(k + firstloadedpg + 1));
    sel.pgitem = k + 1;
    return true;
}

bool close_loaded_pg(tpglist& list, tpanelselection& sel) {
    sel = kept_in_lists(list, sel);
    const std::int32_t k = sel.pgitem;
    if (k < 0 || !remove_pg(list, k + firstloadedpg)) return false;
    const std::int32_t n = loaded_count(list);
    sel.pgitem = k < n ? k : n - 1;
    return true;
}

tpanelselection selection_of_pg(std::int32_t pgno) {
    tpanelselection s;
    if (pgno >= firstloadedpg)
        s.pgitem = pgno - firstloadedpg;
    else if (pgno >= 0)
        s.recitem = pgno;
    return s;
}

} // namespace gravon
