#include "ui/meter_picture.h"

#include <QPainter>
#include <QPainterPath>

namespace gravon {

QPixmap meter_method_picture(int method, int height, qreal pixelratio) {
    const int h = std::max(height, 40);
    const int w = h * 2;
    QPixmap pm(QSize(w, h) * pixelratio);
    pm.setDevicePixelRatio(pixelratio);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal u = h / 10.0; // the picture's unit
    const QPen ink(QColor(60, 60, 60), std::max<qreal>(1.0, u / 4));
    p.setPen(ink);
    const qreal mid = 4.5 * u;

    // The source, at the left.
    if (method == 2) {
        p.setBrush(QColor(120, 120, 120));
        p.drawRect(QRectF(0.5 * u, mid - 1.2 * u, 1.2 * u, 2.4 * u));
        QPainterPath cone;
        cone.moveTo(1.7 * u, mid - 1.2 * u);
        cone.lineTo(3.0 * u, mid - 2.4 * u);
        cone.lineTo(3.0 * u, mid + 2.4 * u);
        cone.lineTo(1.7 * u, mid + 1.2 * u);
        cone.closeSubpath();
        p.setBrush(QColor(180, 180, 180));
        p.drawPath(cone);
    } else {
        // A head in profile, facing right.
        p.setBrush(QColor(235, 215, 195));
        p.drawEllipse(QRectF(0.3 * u, mid - 2.6 * u, 3.2 * u, 4.0 * u));
        p.drawLine(QPointF(3.4 * u, mid + 0.2 * u), QPointF(3.0 * u, mid + 0.6 * u));
        if (method == 4) {
            // The head-mounted microphone at the corner of the mouth.
            p.setBrush(QColor(40, 40, 40));
            p.drawLine(QPointF(1.5 * u, mid - 0.4 * u), QPointF(3.4 * u, mid + 0.6 * u));
            p.drawEllipse(QPointF(3.5 * u, mid + 0.65 * u), 0.3 * u, 0.3 * u);
        }
    }
    // The sound on its way.
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) {
        const qreal r = (1.0 + 0.7 * i) * u;
        p.drawArc(QRectF(3.4 * u - r, mid - r, 2 * r, 2 * r), -40 * 16, 80 * 16);
    }
    // The distance.
    const qreal x0 = 3.6 * u, x1 = 15.0 * u, y = h - 1.2 * u;
    p.drawLine(QPointF(x0, y), QPointF(x1, y));
    for (qreal x : {x0, x1}) p.drawLine(QPointF(x, y - 0.5 * u), QPointF(x, y + 0.5 * u));
    QFont f = p.font();
    f.setPixelSize(std::max(8, int(1.1 * u)));
    p.setFont(f);
    p.drawText(QRectF(x0, y - 1.8 * u, x1 - x0, 1.3 * u), Qt::AlignCenter,
               method == 2 ? "200-300 mm" : "300 mm");

    // The microphone (not for method 4, whose microphone is at the mouth) beside the meter.
    if (method != 4) {
        p.setBrush(QColor(40, 40, 40));
        p.drawEllipse(QPointF(14.2 * u, mid - 1.6 * u), 0.45 * u, 0.45 * u);
        p.drawLine(QPointF(14.2 * u + 0.45 * u, mid - 1.6 * u), QPointF(16.0 * u, mid - 1.6 * u));
    }
    p.setBrush(QColor(230, 200, 60));
    p.drawRoundedRect(QRectF(14.0 * u, mid - 0.8 * u, 4.6 * u, 2.2 * u), 0.3 * u, 0.3 * u);
    p.setBrush(QColor(210, 230, 210));
    p.drawRect(QRectF(15.6 * u, mid - 0.4 * u, 2.6 * u, 1.2 * u));
    p.drawText(QRectF(15.6 * u, mid - 0.4 * u, 2.6 * u, 1.2 * u), Qt::AlignCenter, "dB");
    return pm;
}

} // namespace gravon
