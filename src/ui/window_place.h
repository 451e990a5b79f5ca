// A window's position and size as the settings keep them, read from and given to a Qt window.
#pragma once

#include "base/window_placement.h"

class QWidget;

namespace gravon {

// The frame's position and the window's size.
twindowplace window_place_of(const QWidget& w);
// Moves the window; the size is taken only when sized is true (windows whose size the
// settings keep). A shown window ends inside the available area of its screen, shrunk if need
// be; a hidden one is fitted when it is shown.
void place_window(QWidget& w, const twindowplace& p, bool sized);

} // namespace gravon
