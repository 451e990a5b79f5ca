// Drawing primitives with the pixel rules the drawings are specified in: a rectangle covers
// left ... right - 1 and top ... bottom - 1 with its border inside, an ellipse lies in such a
// rectangle, a line stops before its end point.
#pragma once

#include "phonetogram/pg_colors.h"

#include <QColor>
#include <QPainter>

namespace gravon {

inline QColor qcolor(TColor c) {
    return QColor(c.r, c.g, c.b);
}

// A filled rectangle with a 1-pixel border of its own.
inline void canvas_rectangle(QPainter& p, int l, int t, int r, int b, const QColor& border,
                             const QColor& fill) {
    if (r <= l || b <= t) return;
    p.fillRect(l, t, r - l, b - t, border);
    if (r - l > 2 && b - t > 2 && fill != border)
        p.fillRect(l + 1, t + 1, r - l - 2, b - t - 2, fill);
}

// An ellipse in the rectangle with the painter's pen and brush.
inline void canvas_ellipse(QPainter& p, int l, int t, int r, int b) {
    p.drawEllipse(QRect(l, t, r - l - 1, b - t - 1));
}

// A horizontal or vertical 1-pixel line from (x1, y1) up to, not including, (x2, y2); other
// lines are drawn whole.
inline void canvas_line(QPainter& p, int x1, int y1, int x2, int y2) {
    if (x1 == x2 && y1 == y2) return;
    if (x1 == x2)
        y2 += y2 > y1 ? -1 : 1;
    else if (y1 == y2)
        x2 += x2 > x1 ? -1 : 1;
    p.drawLine(x1, y1, x2, y2);
}

} // namespace gravon
