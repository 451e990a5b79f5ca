#include "ui/view_widget.h"

#include "base/number_text.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace gravon {

TPhonetogramView::TPhonetogramView(TForm1& form, const tviewaxes& axes, QWidget* parent)
    : QWidget(parent), fform(form), faxes(axes) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
}

namespace {

const char* const emptyviewhint = "Press Record (F9) or drop a sound file here";

} // namespace

void TPhonetogramView::paintEvent(QPaintEvent*) {
    if (fimage.size() != size()) fimage = QImage(size(), QImage::Format_RGB32);
    paint_phonetogram_view(fimage, fform, faxes, fscratch);
    QPainter p(this);
    p.drawImage(0, 0, fimage);
    if (fform.audioarrpos < 0 && !fform.recording() && !fform.analyzing &&
        fform.pgs.size() <= std::size_t(firstloadedpg)) {
        // On screen only, never in a picture: what to do with an empty window.
        QFont f = font();
        f.setPointSizeF(f.pointSizeF() * 1.3);
        p.setFont(f);
        const int flags = Qt::AlignCenter | Qt::TextWordWrap;
        const QRect room = rect().adjusted(8, 8, -8, -8);
        // On a white ground, so that no grid line runs through the words.
        const int pad = QFontMetrics(f).height() / 3;
        const QRect words = p.boundingRect(room, flags, emptyviewhint);
        p.fillRect(words.adjusted(-pad, -pad, pad, pad), Qt::white);
        p.setPen(QColor(110, 110, 110));
        p.drawText(room, flags, emptyviewhint);
    }
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        // Reached by the keyboard: a ring, as the style draws one round a focused button,
        // says where the arrow keys and Return will act. On screen only.
        p.setPen(QPen(palette().color(QPalette::Highlight), 2));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    }
    if (fbanding) {
        // On screen only: the rectangle is no part of the picture.
        p.setPen(QPen(Qt::black, 1, Qt::DashLine));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(fbandstart, fbandend).normalized());
    }
}

void TPhonetogramView::finish_band() {
    fbanding = false;
    const tbincursor a = bin_at_pixel(faxes, fbandstart);
    const tbincursor b = bin_at_pixel(faxes, fbandend);
    if (fform.select_bins(a.xbin, a.ybin, b.xbin, b.ybin)) {
        QStringList lines;
        for (const std::string& s : fform.statistics_text_lines(false, localedecimalseparator()))
            lines << QString::fromStdString(s);
        emit areaStatistics(lines);
    }
    update();
}

void TPhonetogramView::move_to(QPoint pos) {
    const tbincursor bin = bin_at_pixel(faxes, pos);
    fform.set_cursor_bin(bin.xbin, bin.ybin);
    if (fform.move_dragged_target()) emit targetMoved();
    emit cursorChanged();
    update();
}

void TPhonetogramView::toggle_at(tbincursor bin) {
    if (fform.toggle_area_at(bin.xbin, bin.ybin)) {
        QStringList lines;
        for (const std::string& s : fform.statistics_text_lines(false, localedecimalseparator()))
            lines << QString::fromStdString(s);
        emit areaStatistics(lines);
    }
    emit cursorChanged();
    update();
}

void TPhonetogramView::mousePressEvent(QMouseEvent* e) {
    QPoint pos = e->position().toPoint();
    if (e->button() == Qt::LeftButton && (e->modifiers() & Qt::ShiftModifier)) {
        fbanding = true;
        fbandstart = fbandend = pos;
        update();
    } else if (e->button() == Qt::LeftButton) {
        fform.Setshowcursor(true);
        fform.set_target_drag(target_grabbed(fform.options, fform.target_action(),
                                             faxes.faxis.pixel_to_value(pos.x()),
                                             faxes.laxis.pixel_to_value(pos.y())));
        if (fform.movetargetwithmouse) {
            // The pointer jumps onto the target, so that the drag starts from its centre.
            pos = target_pixel(fform, faxes);
            QCursor::setPos(mapToGlobal(pos));
        }
        move_to(pos);
    } else if (e->button() == Qt::RightButton) {
        toggle_at(bin_at_pixel(faxes, pos));
    }
}

void TPhonetogramView::mouseMoveEvent(QMouseEvent* e) {
    if (!(e->buttons() & Qt::LeftButton)) return;
    if (fbanding) {
        fbandend = e->position().toPoint();
        update();
    } else {
        move_to(e->position().toPoint());
    }
}

void TPhonetogramView::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    if (fbanding) {
        fbandend = e->position().toPoint();
        finish_band();
        return;
    }
    if (fform.movetargetwithmouse && target_shown(fform.target_action())) {
        fform.Setshowcursor(false);
        emit cursorChanged();
        update();
    }
    fform.set_target_drag(false);
}

void TPhonetogramView::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    update();
}

void TPhonetogramView::focusOutEvent(QFocusEvent* e) {
    QWidget::focusOutEvent(e);
    update();
}

void TPhonetogramView::keyPressEvent(QKeyEvent* e) {
    int dx = 0, dy = 0;
    switch (e->key()) {
    case Qt::Key_Left:
        dx = -1;
        break;
    case Qt::Key_Right:
        dx = 1;
        break;
    case Qt::Key_Up:
        dy = 1;
        break;
    case Qt::Key_Down:
        dy = -1;
        break;
    case Qt::Key_Escape:
        fform.Setshowcursor(false);
        emit cursorChanged();
        update();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // The keyboard's right click: the area under the crosshair.
        if (fform.fshowcursor) toggle_at(fform.cursor);
        return;
    default:
        QWidget::keyPressEvent(e);
        return;
    }
    // Shift steps an octave or 10 dB.
    if (e->modifiers() & Qt::ShiftModifier) {
        dx *= 12;
        dy *= 10;
    }
    tbincursor c = fform.cursor;
    if (fform.fshowcursor) {
        c.xbin = std::clamp(c.xbin + dx, 0, nf0bins - 1);
        c.ybin = std::clamp(c.ybin + dy, 0, nlevelbins - 1);
    } else {
        // The crosshair appears where it was last, or mid-view the first time.
        if (!bin_in_grid(c.xbin, c.ybin) || c == tbincursor{})
            c = bin_at_pixel(faxes, QPoint(width() / 2, height() / 2));
        fform.Setshowcursor(true);
    }
    fform.set_cursor_bin(c.xbin, c.ybin);
    emit cursorChanged();
    update();
}

} // namespace gravon
