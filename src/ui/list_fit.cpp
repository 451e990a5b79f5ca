#include "ui/list_fit.h"

#include <QListWidget>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

namespace gravon {

void show_whole_items(QListWidget& list, int rows) {
    const int n = list.count();
    const int shown = rows > 0 ? std::min(rows, n) : n;
    const int frame = 2 * list.frameWidth();
    int height = frame;
    for (int i = 0; i < shown; ++i) height += list.sizeHintForRow(i) + 2 * list.spacing();
    if (shown == 0) height += list.fontMetrics().height();
    int width = frame + list.sizeHintForColumn(0) + 2 * list.spacing();
    if (shown < n) width += list.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &list);
    // A list may be given more; it never gets less than its items need.
    list.setMinimumSize(width, height);
}

} // namespace gravon
