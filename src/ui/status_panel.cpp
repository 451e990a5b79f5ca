#include "ui/status_panel.h"

#include "ui/canvas_shapes.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>

namespace gravon {

QColor status_face_color() {
    return QApplication::palette().color(QPalette::Button);
}

void paint_status_panel(QImage& image, const tstatuspanel& content, const QColor& face,
                        const QFont& font) {
    image.fill(face);
    QPainter p(&image);
    const QColor gray(128, 128, 128);
    for (const tstatuslamp& l : content.lamps) {
        p.setPen(gray);
        p.setBrush(qcolor(l.fill));
        canvas_ellipse(p, 1, l.y, 16, l.y + 15);
        p.setPen(Qt::white);
        p.setBrush(Qt::white);
        canvas_ellipse(p, 5, l.y + 4, 7, l.y + 6);
        if (l.cross) {
            p.setPen(QPen(qcolor(l.crosscolor), 2));
            p.drawLine(3, l.y + 2, 13, l.y + 12);
            p.drawLine(13, l.y + 2, 3, l.y + 12);
        }
    }
    p.setFont(font);
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setBackground(face);
    const QFontMetrics fm(font);
    for (const tstatustext& t : content.texts) {
        if (t.text.empty()) continue;
        const QString s = QString::fromStdString(t.text);
        const int w = fm.horizontalAdvance(s);
        const int x = t.rightaligned ? image.width() - w - 2 : t.x;
        p.setPen(qcolor(t.color));
        p.drawText(QRect(x, t.y, w + 1, fm.height()), Qt::AlignLeft | Qt::AlignTop, s);
    }
}

QImage render_status_panel(TForm1& form, int width) {
    QImage image(std::max(width, 1), std::max(status_panel_height(form), 1), QImage::Format_RGB32);
    paint_status_panel(image, status_panel_content(form), status_face_color(), QFont());
    return image;
}

} // namespace gravon
