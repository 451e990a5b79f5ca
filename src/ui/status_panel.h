// The status panel's drawing: the lamps, live readings, recorded time and crosshair readings
// into an off-screen image.
#pragma once

#include "core/main_window.h"
#include "ui/geometry/status_lines.h"

#include <QColor>
#include <QFont>
#include <QImage>

namespace gravon {

// The platform's button-face colour, the panel's background.
QColor status_face_color();

// Draws the content into image (filled with face first).
void paint_status_panel(QImage& image, const tstatuspanel& content, const QColor& face,
                        const QFont& font);
// The panel of the given width, as high as its lines.
QImage render_status_panel(TForm1& form, int width);

} // namespace gravon
