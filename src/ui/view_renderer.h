// The drawing of the phonetogram view and of the whole drawing area (keyboard, axes, view,
// legend) into off-screen images. The view widget, "Copy image" and the headless program's
// picture all draw through here.
#pragma once

#include "core/main_window.h"
#include "ui/axis_widget.h"
#include "ui/geometry/axis_model.h"
#include "ui/geometry/bin_colours.h"
#include "ui/geometry/keyboard_model.h"
#include "ui/geometry/view_layout.h"

#include <QFont>
#include <QImage>
#include <QSize>
#include <string>

namespace gravon {

// The geometry the view takes every coordinate from: the level axis (rows), the frequency
// axis (target, spectrum) and the keyboard (columns, octave lines).
struct tviewaxes {
    const TAxisModel& laxis;
    const TAxisModel& faxis;
    const TKeyBoardModel& keyboard;
};

// The font of the captions (legend caption, distance caption).
QFont caption_font();

// Paints the view into image, whose size is the view's: grid, octave lines, bins, outline,
// target, live spectrum, noise spectrum and live point, logo, the key of the colours (in
// keyfont), crosshair. Recomputes which bins are shown first. scratch keeps the bin colours'
// storage from one paint to the next.
void paint_phonetogram_view(QImage& image, TForm1& form, const tviewaxes& axes, tbinpaint& scratch,
                            const QFont& keyfont = caption_font());

// The pixel of the target's centre in the view.
QPoint target_pixel(const TForm1& form, const tviewaxes& axes);
// The bin under a pixel of the view: the semitone of the frequency axis value, the level of
// the level axis value, both rounded.
tbincursor bin_at_pixel(const tviewaxes& axes, QPoint p);

// The window's controls of the drawing area as plain models, set from the main window and
// laid out for a size, so that a picture of the area is drawn exactly as the window shows it.
// The fonts the drawing area draws with: the axis font of the options for the axes, and the
// captions' font. A picture drawn with the window's fonts is laid out as the window is.
struct tdrawingfonts {
    QFont axis = axis_font();
    QFont caption = caption_font();
};

// The fonts enlarged by scale: a picture of scale times the window's size, drawn with them, is
// laid out as the window is, only sharper.
tdrawingfonts scaled_fonts(const tdrawingfonts& fonts, double scale);

struct tdrawingmodels {
    TAxisModel laxis;
    TAxisModel faxis;
    TAxisModel legendaxis;
    TKeyBoardModel keyboard;
    tviewlayout layout;
    explicit tdrawingmodels(const tdrawingfonts& fonts = {});
};

// Sets the controls' models from the main window (keys, ranges, texts), lays them out in size
// and sizes them. An axis being dragged keeps the range the mouse gives it.
tviewlayout layout_drawing_controls(TAxisModel& laxis, TAxisModel& faxis, TAxisModel& legendaxis,
                                    TKeyBoardModel& keyboard, const TForm1& form, QSize size,
                                    const QFont& captionfont = caption_font());
void layout_drawing_models(tdrawingmodels& m, const TForm1& form, QSize size,
                           const QFont& captionfont = caption_font());

// The whole drawing area as the window lays it out.
QImage render_drawing_area(TForm1& form, QSize size, const tdrawingfonts& fonts = {});
// The same as a PNG file. False with a message in error when it cannot be written.
bool save_drawing_png(TForm1& form, const std::string& fname, QSize size, std::string& error,
                      const tdrawingfonts& fonts = {});

} // namespace gravon
