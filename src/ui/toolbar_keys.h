// The keyboard's way into a toolbar. Qt leaves toolbar buttons out of the focus chain; here
// Tab reaches each of them, Left and Right step along the bar, and Return or Enter presses
// the focused button (Space may be a window-wide shortcut, Pause's in the main window).
#pragma once

class QToolBar;

namespace gravon {

// After the toolbar's actions are added; buttons added later are not included.
void let_keyboard_reach(QToolBar& toolbar);

} // namespace gravon
