// The main window's side of the phonetogram view: the crosshair and the selection edited with
// the mouse. The toolkit view maps pixels to bins and calls these.
#include "core/main_window.h"
#include "phonetogram/area_selection.h"

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

} // namespace gravon
