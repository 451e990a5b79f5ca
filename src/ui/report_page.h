// The report drawn onto one A4 page: a PDF file (Qt's PDF writer), a printer, or an image for
// the manual's pictures. The texts are drawn as text, so that the PDF can be searched and read
// back; the phonetogram is drawn by the view's renderer exactly as the window shows it.
#pragma once

#include "core/main_window.h"
#include "core/report.h"
#include "ui/view_renderer.h"

#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QRectF>
#include <QSize>
#include <string>

class QPrinter;

namespace gravon {

// Where the phonetogram landed on the page: its rectangle in points from the page's top left
// corner, the size in pixels of the picture the renderer drew into it and the fonts it drew
// with, from which the renderer's layout gives every cell's place.
struct treportgeometry {
    QRectF picture;
    QSize picturepixels;
    tdrawingfonts fonts;
};

// Paints the report onto the painter's device, whose whole page is pagerect (device units)
// at dpi dots per inch. Layout and type sizes come from the page and the measured text.
// fonts: those the window draws the phonetogram with. The texts come written from
// make_report, numbers in the locale's form and dates in the one form of every locale:
// locale is not read here.
treportgeometry paint_report(QPainter& p, const QRectF& pagerect, double dpi, const treport& r,
                             TForm1& form, const QLocale& locale, const tdrawingfonts& fonts = {});

// The report as a one-page A4 PDF. False with the reason in error when it cannot be written.
bool write_report_pdf(TForm1& form, const treport& r, const std::string& fname, std::string& error,
                      treportgeometry* geometry = nullptr, const tdrawingfonts& fonts = {},
                      const QLocale& locale = QLocale());
// The report on a printer the user chose, as one A4 page.
bool print_report(TForm1& form, const treport& r, QPrinter& printer, std::string& error,
                  const tdrawingfonts& fonts = {}, const QLocale& locale = QLocale());
// The page as an image, dpi dots per inch, for pictures of it.
QImage render_report_image(TForm1& form, const treport& r, double dpi,
                           const tdrawingfonts& fonts = {}, const QLocale& locale = QLocale());

// The decimal separator of a locale, as the statistics text takes it.
char decimal_separator(const QLocale& locale);

} // namespace gravon
