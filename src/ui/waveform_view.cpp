#include "ui/waveform_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cstdlib>

namespace gravon {

TWaveformView::TWaveformView(QWidget* parent) : QWidget(parent) {
    setObjectName("waveformview");
    setMinimumHeight(100);
}

void TWaveformView::set_waveform(std::vector<tminmax> columns, std::int32_t downcursor,
                                 std::int32_t upcursor, QColor color) {
    fcolumns = std::move(columns);
    fdown = downcursor;
    fup = upcursor;
    fcolor = color;
    update();
}

void TWaveformView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const int lo = std::min(fdown, fup), hi = std::max(fdown, fup);
    if (lo >= 0 && hi > lo) p.fillRect(lo, 0, hi - lo + 1, height(), QColor(192, 192, 192));
    // The largest column value, but at least 300, fills half the height.
    int largest = 300;
    for (const tminmax& c : fcolumns)
        largest = std::max({largest, std::abs(int(c.min)), std::abs(int(c.max))});
    const double scale = height() / 2.0 / largest;
    const double mid = height() / 2.0;
    p.setPen(fcolor);
    for (std::size_t x = 0; x < fcolumns.size(); ++x)
        p.drawLine(QPointF(double(x), mid - fcolumns[x].max * scale),
                   QPointF(double(x), mid - fcolumns[x].min * scale));
    p.setPen(Qt::black);
    for (int x : {fdown, fup})
        if (x >= 0) p.drawLine(x, 0, x, height());
}

void TWaveformView::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) emit pressed(int(e->position().x()));
}

void TWaveformView::mouseMoveEvent(QMouseEvent* e) {
    if (e->buttons() & Qt::LeftButton) emit dragged(int(e->position().x()));
}

void TWaveformView::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) emit released();
}

} // namespace gravon
