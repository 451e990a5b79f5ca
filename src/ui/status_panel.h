// The status panel's drawing: the lamps, live readings, recorded time and crosshair readings
// into an off-screen image.
#pragma once

#include "core/main_window.h"
#include "ui/geometry/status_lines.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <vector>

namespace gravon {

// The platform's button-face colour, the panel's background.
QColor status_face_color();

// The height of one line in font: 18 pixels, or more for a font that needs more.
int status_line_height(const QFont& font);
// The panel's height for the form's lines in font.
int status_panel_pixel_height(const TForm1& form, const QFont& font);

// Where each text of the content stands in font: the positions of the content, widened with
// the font (a line taller than 18 pixels spreads them as much), and never closer to the text
// before it on the line than two spaces, so that no text covers another whatever the font.
// One rectangle per text, empty for an empty text.
std::vector<QRect> status_text_rects(const tstatuspanel& content, const QFont& font, int width);

// Draws the content into image (filled with face first).
void paint_status_panel(QImage& image, const tstatuspanel& content, const QColor& face,
                        const QFont& font);
// The panel of the given width, as high as its lines.
QImage render_status_panel(TForm1& form, int width, const QFont& font = QFont());

} // namespace gravon
