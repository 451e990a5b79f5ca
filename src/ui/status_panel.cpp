#include "ui/status_panel.h"

#include "ui/canvas_shapes.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <cmath>

namespace gravon {

QColor status_face_color() {
    return QApplication::palette().color(QPalette::Button);
}

int status_line_height(const QFont& font) {
    return std::max(statuslineheight, QFontMetrics(font).height() + 1);
}

int status_panel_pixel_height(const TForm1& form, const QFont& font) {
    return status_panel_height(form) / statuslineheight * status_line_height(font);
}

namespace {

// Content coordinates are for lines of 18 pixels.
int scaled(int v, int line) {
    return int(std::lround(double(v) * line / statuslineheight));
}

} // namespace

std::vector<QRect> status_text_rects(const tstatuspanel& content, const QFont& font, int width) {
    const QFontMetrics fm(font);
    const int line = status_line_height(font);
    const int gap = 2 * fm.horizontalAdvance(QLatin1Char(' '));
    std::vector<QRect> rects;
    int lastline = -1, lastend = 0;
    for (const tstatustext& t : content.texts) {
        const int row = t.y / statuslineheight;
        if (row != lastline) lastend = 0;
        lastline = row;
        if (t.text.empty()) {
            rects.emplace_back();
            continue;
        }
        const int w = fm.horizontalAdvance(QString::fromStdString(t.text));
        int x = t.rightaligned ? width - w - 2 : scaled(t.x, line);
        // A narrow window moves a text left, as far as the one before it allows, rather than
        // past its edge; what is still too long is cut short with an ellipsis where drawn.
        x = std::min(x, width - w - 2);
        const int least = lastend > 0 ? lastend + gap : 0;
        x = std::max(x, least);
        const int room = std::min(w + 1, width - x);
        // No room even for a letter and the ellipsis: the text is left out.
        if (room < 2 * fm.horizontalAdvance(QStringLiteral("…"))) {
            rects.emplace_back();
            continue;
        }
        const QRect r(x, row * line + 1, room, fm.height());
        rects.push_back(r);
        lastend = r.right();
    }
    return rects;
}

void paint_status_panel(QImage& image, const tstatuspanel& content, const QColor& face,
                        const QFont& font) {
    image.fill(face);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, false);
    const int line = status_line_height(font);
    const QColor gray(128, 128, 128);
    for (const tstatuslamp& l : content.lamps) {
        const int y = l.y / statuslineheight * line + 1;
        const auto s = [line](int v) { return scaled(v, line); };
        p.setPen(gray);
        p.setBrush(qcolor(l.fill));
        canvas_ellipse(p, s(1), y, s(16), y + s(15));
        p.setPen(Qt::white);
        p.setBrush(Qt::white);
        canvas_ellipse(p, s(5), y + s(4), s(7), y + s(6));
        if (l.cross) {
            p.setPen(QPen(qcolor(l.crosscolor), s(2)));
            p.drawLine(s(3), y + s(2), s(13), y + s(12));
            p.drawLine(s(13), y + s(2), s(3), y + s(12));
        }
    }
    p.setFont(font);
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setBackground(face);
    const std::vector<QRect> rects = status_text_rects(content, font, image.width());
    for (std::size_t i = 0; i < content.texts.size(); ++i) {
        const tstatustext& t = content.texts[i];
        if (t.text.empty() || rects[i].isEmpty()) continue;
        p.setPen(qcolor(t.color));
        const QString text = QFontMetrics(font).elidedText(QString::fromStdString(t.text),
                                                           Qt::ElideRight, rects[i].width());
        p.drawText(rects[i], Qt::AlignLeft | Qt::AlignTop, text);
    }
}

QImage render_status_panel(TForm1& form, int width, const QFont& font) {
    QImage image(std::max(width, 1), std::max(status_panel_pixel_height(form, font), 1),
                 QImage::Format_RGB32);
    paint_status_panel(image, status_panel_content(form), status_face_color(), font);
    return image;
}

} // namespace gravon
