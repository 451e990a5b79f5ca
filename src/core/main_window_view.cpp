// The main window's side of the phonetogram view: the crosshair and the selection edited with
// the mouse. The toolkit view maps pixels to bins and calls these.
#include "base/same_text.h"
#include "core/main_window.h"
#include "phonetogram/area_selection.h"
#include "phonetogram/shown_layer.h"

#include <algorithm>

namespace gravon {

void TForm1::Setshowcursor(bool b) {
    fshowcursor = b;
    ui.request_repaint();
}

void TForm1::set_cursor_bin(std::int32_t x, std::int32_t y) {
    cursor = {x, y};
    ui.request_repaint();
}

bool TForm1::toggle_area_at(std::int32_t x, std::int32_t y) {
    Setshowcursor(false);
    const ttoggleresult r = toggle_area(*this, binshow_settings(), x, y);
    if (r == ttoggleresult::refused)
        ui.tell(message_fact(gapfillrefusedcaption, gapfillrefusedtext, tmessagekind::information));
    fix_things();
    return any_area_selected(statistics);
}

bool TForm1::select_bins(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
    fix_binshow();
    const std::int32_t xa = std::max(std::min(x0, x1), 0);
    const std::int32_t xb = std::min(std::max(x0, x1), nf0bins - 1);
    const std::int32_t ya = std::max(std::min(y0, y1), 0);
    const std::int32_t yb = std::min(std::max(y0, y1), nlevelbins - 1);
    const std::size_t n = std::min({pgs.size(), masks.binshow.size(), masks.binmarked.size()});
    for (std::size_t i = 0; i < n; ++i) {
        if (!pgs[i].visible) continue;
        for (std::int32_t x = xa; x <= xb; ++x)
            for (std::int32_t y = ya; y <= yb; ++y)
                if (masks.binshow[i][x][y]) masks.binmarked[i][x][y] = 1;
    }
    fix_things();
    return any_area_selected(statistics);
}

void TForm1::select_all_area_action(std::int32_t c) {
    select_all_area(*this, binshow_settings(), c);
    fix_area_statistics();
    ui.request_repaint();
}

void TForm1::clear_area_selection_action() {
    clear_area_selection(*this);
    fix_area_statistics();
    ui.request_repaint();
}

void TForm1::set_level_range(double lo, double hi) {
    advanced.lolevel = lo;
    advanced.hilevel = hi;
}

void TForm1::set_colour_range(double lo, double hi, bool logarithmic) {
    const std::int32_t z = options.zparam();
    auto& dps = advanced.displayparams;
    if (z < 0 || std::size_t(z) >= dps.size()) return;
    tdisplayparam& p = dps[std::size_t(z)];
    p.min = lo;
    p.max = hi;
    p.logarithmic = logarithmic;
    for (tpg& pg : pgs) {
        const std::size_t l = shown_layer(pg, advanced.stdpgparams, z, dps.size());
        // Layer 0 stands for "no matching layer" unless the parameter maps to it.
        if (l == 0 && z != 0) {
            bool matches = false;
            for (const tstdpgparam& s : advanced.stdpgparams)
                matches = matches || (s.displaymapping == z && !pg.param.empty() &&
                                      same_text_nocase(s.name, pg.param[0].name));
            if (!matches) continue;
        }
        if (l < pg.param.size()) {
            pg.param[l].min = lo;
            pg.param[l].max = hi;
            pg.param[l].logarithmic = logarithmic;
        }
    }
}

void TForm1::set_opaque(std::int32_t pgno, bool opaque) {
    if (pgno >= 0 && std::size_t(pgno) < pgs.size()) pgs[std::size_t(pgno)].opaque = opaque;
}

void TForm1::set_group_share(std::int32_t percent) {
    options.groupshare = std::clamp(percent, 1, 100);
}

void TForm1::set_short_statistics(bool shortversion) {
    options.shortversion = shortversion;
}

void TForm1::set_target_ticked(bool ticked) {
    targetticked = ticked;
}

void TForm1::reset_target() {
    gravon::reset_target(options);
}

bool TForm1::target_from_measurement() {
    ttargetaction ta = target_action();
    if (!set_target_from_measurement(options, ta, statistics)) return false;
    targetticked = ta.ticked;
    return true;
}

bool TForm1::choose_target(std::int32_t tag) {
    ttargetaction ta = target_action();
    if (!choose_target_item(options, ta, tag)) return false;
    targetticked = ta.ticked;
    return true;
}

void TForm1::set_target_drag(bool on) {
    movetargetwithmouse = on;
}

bool TForm1::move_dragged_target() {
    if (!movetargetwithmouse || !target_shown(target_action())) return false;
    drag_target_to_bin(options, cursor);
    return true;
}

void TForm1::cancel_replay() {
    cancelreplay = true;
}

void TForm1::set_record_device(const std::string& name) {
    advanced.recorddevice = name;
}

} // namespace gravon
