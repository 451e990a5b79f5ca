#include "ui/window_place.h"

#include "ui/screen_fit.h"

#include <QWidget>

namespace gravon {

twindowplace window_place_of(const QWidget& w) {
    const QPoint pos = w.pos();
    return {pos.x(), pos.y(), w.width(), w.height()};
}

void place_window(QWidget& w, const twindowplace& p, bool sized) {
    w.move(p.left, p.top);
    if (sized && p.width > 0 && p.height > 0) w.resize(p.width, p.height);
    // A place kept from another screen or scale factor may not fit this one. A hidden window
    // is fitted as it is shown; one shown already (the main window) here.
    if (w.isWindow() && w.isVisible()) fit_on_screen(w);
}

} // namespace gravon
