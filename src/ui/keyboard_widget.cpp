#include "ui/keyboard_widget.h"

#include "base/pitch.h"
#include "base/rounding.h"
#include "ui/canvas_shapes.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>

namespace gravon {

void paint_keyboard(QPainter& p, const TKeyBoardModel& kb) {
    const QColor gray(128, 128, 128), lightgray(192, 192, 192);
    const int w = kb.Width(), h = kb.Height();
    const bool showpress = kb.ShowKeyPress;
    canvas_rectangle(p, 0, 0, w, h, gray, Qt::white);
    p.setPen(gray);
    canvas_line(p, 0, h - 2, w, h - 2);
    for (int k = 0; k < kb.nKeys(); ++k) {
        const int m = kb.LoKey() + k;
        const trect r = kb.keyrect(k);
        const int mid = (r.left + r.right) / 2;
        const int third = (r.right - r.left) / 3;
        if (isblackkey(m)) {
            canvas_rectangle(p, r.left, 0, r.right, r.bottom, gray, Qt::black);
            if (showpress && kb.keydown(m + 1) && !kb.keydown(m - 1)) {
                p.setPen(lightgray);
                for (int j = 0; j <= third; ++j)
                    canvas_line(p, mid + j, r.bottom, mid + j, h - roundint(1.5 * j));
            }
            p.setPen(gray);
            canvas_line(p, mid, r.bottom, mid, h);
            canvas_line(p, mid - 1, h - 3, mid + 2, h - 3);
            p.setPen(lightgray);
            if (showpress && kb.keydown(m)) {
                const int y = roundint(0.63 * h);
                canvas_line(p, r.left + 2, y, r.right - 2, y);
                continue;
            }
            const int y59 = roundint(0.59 * h);
            canvas_line(p, r.left + 2, y59, r.right - 2, y59);
            canvas_line(p, r.left + 1, 1, r.left + 1, y59);
            if (showpress && kb.keydown(m + 1)) {
                const int g = (r.right - r.left) / 4;
                const int y65 = roundint(0.65 * h);
                for (int j = 0; j <= g; ++j) canvas_line(p, r.right + j, 0, r.right + j, y65);
                for (int j = 0; j <= third; ++j)
                    canvas_line(p, r.right + g + j, 0, r.right + g + j, y65 - 2 * j);
            } else {
                const int y62 = roundint(0.62 * h);
                for (int j = 0; j <= third; ++j)
                    canvas_line(p, r.right + j, 0, r.right + j, y62 - 2 * j);
            }
        } else if (!isblackkey(m - 1)) {
            if (showpress && kb.keydown(m) && !kb.keydown(m - 1)) {
                p.setPen(lightgray);
                for (int j = 0; j <= third; ++j)
                    canvas_line(p, r.left + j, 0, r.left + j, h - roundint(1.5 * j));
            }
            p.setPen(gray);
            canvas_line(p, r.left, 0, r.left, h);
            canvas_line(p, r.left - 1, h - 3, r.left + 2, h - 3);
        }
    }
    if (const std::int32_t m = kb.target(); m >= kb.LoKey() && m <= kb.get_hikey()) {
        // The key's own slot, where the map's column for the note lies below, and a block on
        // the body of a black key or at the front of a white one.
        const trect r = kb.keyrect(m - kb.LoKey());
        // The whole slot tinted, so that a narrow key is still found at a glance.
        QColor tint = targetmarkcolour;
        tint.setAlpha(90);
        p.fillRect(QRect(r.left, 0, std::max(1, r.width()), h), tint);
        const int top = isblackkey(m) ? roundint(0.25 * h) : roundint(0.70 * h);
        const int bottom = isblackkey(m) ? r.bottom - 2 : h - 4;
        p.fillRect(QRect(r.left + 1, top, std::max(1, r.width() - 2), std::max(1, bottom - top)),
                   targetmarkcolour);
    }
    if (kb.ShowKeyHole && 60 >= kb.LoKey() && 60 <= kb.get_hikey()) {
        const trect r = kb.keyrect(60 - kb.LoKey());
        const int l2 = r.left + 2;
        const int r2 = r.right + (r.right - l2) / 2 - 2;
        const int top = roundint(0.7 * h), bottom = h - 2;
        const int iw = r2 - l2 + 1, ih = h - top - 1;
        if (iw > 1 && ih > 1) {
            QImage hole(iw, ih, QImage::Format_RGB32);
            hole.fill(Qt::white);
            QPainter hp(&hole);
            hp.setPen(Qt::black);
            hp.setBrush(Qt::black);
            const int s = std::min(iw - 1, ih - 1);
            canvas_ellipse(hp, 0, 0, s, s);
            hp.end();
            p.drawImage(QRect(l2, top, r2 - l2, bottom - top), hole);
        }
    }
}

TKeyBoard::TKeyBoard(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    fmodel.onchange = [this] { update(); };
    fmodel.OnNoteOn = [this](std::int32_t m) { emit noteOn(m); };
    fmodel.OnNoteOff = [this](std::int32_t m) { emit noteOff(m); };
    fmodel.OnMoveOver = [this](std::int32_t m) { emit moveOver(m); };
}

void TKeyBoard::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paint_keyboard(p, fmodel);
}

void TKeyBoard::resizeEvent(QResizeEvent*) {
    fmodel.setSize(width(), height());
}

void TKeyBoard::mousePressEvent(QMouseEvent* e) {
    // While the button is held the keyboard keeps the mouse (Qt grabs it for the pressed
    // widget), so sliding off the keys does not lose the note-off.
    if (e->button() != Qt::LeftButton) return;
    const QPoint pos = e->position().toPoint();
    fmodel.mouse_press_left(pos.x(), pos.y());
}

void TKeyBoard::mouseMoveEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    const int x = std::clamp(pos.x(), 0, width() - 1);
    const int y = std::clamp(pos.y(), 0, height() - 1);
    fmodel.mouse_move(x, y, (e->buttons() & Qt::LeftButton) != 0,
                      e->buttons() != Qt::NoButton || e->modifiers() != Qt::NoModifier);
}

void TKeyBoard::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) fmodel.mouse_release_left();
}

} // namespace gravon
