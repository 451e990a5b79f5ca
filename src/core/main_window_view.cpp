// The main window's side of the phonetogram view: the crosshair and the selection edited with
// the mouse. The toolkit view maps pixels to bins and calls these.
#include "core/main_window.h"
#include "phonetogram/area_selection.h"

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
        ui.message_box(gapfillrefusedcaption, gapfillrefusedtext, tmessagekind::information);
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
