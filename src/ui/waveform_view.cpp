#include "ui/waveform_view.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cstdlib>

namespace gravon {

TWaveformView::TWaveformView(QWidget* parent) : QWidget(parent) {
    setObjectName("waveformview");
    setMinimumHeight(100);
    setFocusPolicy(Qt::StrongFocus);
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
    if (hasFocus()) {
        // Where the keys act, and that they do.
        p.setPen(QPen(palette().color(QPalette::Highlight), 2));
        p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
        if (fkeycursor >= 0) {
            p.setPen(QPen(Qt::black, 1, Qt::DotLine));
            p.drawLine(fkeycursor, 0, fkeycursor, height());
        }
    }
}

void TWaveformView::keyPressEvent(QKeyEvent* e) {
    const int last = std::max(int(fcolumns.size()), width()) - 1;
    const int step = (e->modifiers() & Qt::ControlModifier) ? std::max(1, last / 10) : 1;
    int x = fkeycursor >= 0 ? fkeycursor : last / 2;
    switch (e->key()) {
    case Qt::Key_Left:
        x -= step;
        break;
    case Qt::Key_Right:
        x += step;
        break;
    case Qt::Key_Home:
        x = 0;
        break;
    case Qt::Key_End:
        x = last;
        break;
    default:
        QWidget::keyPressEvent(e);
        return;
    }
    fkeycursor = std::clamp(x, 0, std::max(last, 0));
    if (!(e->modifiers() & Qt::ShiftModifier) || fanchor < 0) fanchor = fkeycursor;
    // The same reports as a press at the anchor and a drag to the cursor.
    emit pressed(fanchor);
    if (fkeycursor != fanchor) emit dragged(fkeycursor);
    emit released();
    update();
}

void TWaveformView::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    fkeycursor = fanchor = int(e->position().x());
    emit pressed(fkeycursor);
}

void TWaveformView::mouseMoveEvent(QMouseEvent* e) {
    if (e->buttons() & Qt::LeftButton) emit dragged(int(e->position().x()));
}

void TWaveformView::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) emit released();
}

} // namespace gravon
