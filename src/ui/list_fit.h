// Lists whose items show whole: a list laid out with the default size hint of a list view
// shows whatever its layout leaves it, and cuts items off at any scale factor or font.
#pragma once

class QListWidget;

namespace gravon {

// The list's minimum size holds its widest item and up to rows items (all of them when
// rows is 0), each whole, with room for the frame and, when items are left out, the scroll
// bar. Call it again after the items change.
void show_whole_items(QListWidget& list, int rows = 0);

} // namespace gravon
