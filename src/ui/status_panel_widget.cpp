#include "ui/status_panel_widget.h"

#include "ui/status_panel.h"

#include <QPainter>

namespace gravon {

TStatusPanel::TStatusPanel(TForm1& form, QWidget* parent) : QWidget(parent), fform(form) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(status_panel_pixel_height(form, font()));
}

QSize TStatusPanel::sizeHint() const {
    return QSize(700, status_panel_pixel_height(fform, font()));
}

void TStatusPanel::refresh() {
    const int h = status_panel_pixel_height(fform, font());
    if (h != height()) setFixedHeight(h);
    update();
}

void TStatusPanel::paintEvent(QPaintEvent*) {
    if (fimage.size() != size()) fimage = QImage(size(), QImage::Format_RGB32);
    if (fimage.isNull()) return;
    paint_status_panel(fimage, status_panel_content(fform), status_face_color(), font());
    QPainter(this).drawImage(0, 0, fimage);
}

} // namespace gravon
