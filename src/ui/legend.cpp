#include "ui/legend.h"

#include "ui/canvas_shapes.h"
#include "ui/geometry/bin_colours.h"
#include "ui/geometry/transparency.h"

#include <algorithm>
#include <vector>

namespace gravon {

void paint_legend_strip(QPainter& p, int width, int height, const tpglist& list) {
    canvas_rectangle(p, 0, 0, width, height, Qt::black, Qt::white);
    std::vector<const tpg*> visible;
    for (const tpg& pg : list.pgs)
        if (pg.visible) visible.push_back(&pg);
    const int iw = width - 2, ih = height - 2;
    if (visible.empty() || iw <= 0 || ih <= 0) return;
    // Stripes of equal width, one per visible phonetogram in list order; each stripe is drawn
    // row by row as one line.
    const std::size_t count = visible.size();
    int j = 0;
    while (j < iw) {
        const std::size_t n = std::size_t(count * j) / std::size_t(iw);
        int end = j + 1;
        while (end < iw && std::size_t(count * end) / std::size_t(iw) == n) ++end;
        const ttransparency c = colortotransparency(visible[n]->color);
        for (int r = 1; r <= ih; ++r) {
            const double v = ih > 1 ? 1.0 - double(r - 1) / (height - 2) : 1.0;
            p.fillRect(1 + j, r, end - j, 1, qcolor(transparencytocolor(tint(c, v))));
        }
        j = end;
    }
}

void paint_no_value_key(QPainter& p, int width, int height) {
    const int side = std::max(height - 2, 1);
    canvas_rectangle(p, 0, (height - side) / 2, side, (height - side) / 2 + side, Qt::black,
                     qcolor(novaluecolor));
    p.setPen(Qt::black);
    p.drawText(QRect(side + 4, 0, std::max(width - side - 4, 0), height),
               Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("No value"));
}

} // namespace gravon
