#include "ui/report_page.h"

#include "base/errors.h"
#include "ui/png_file.h"

#include <QBuffer>
#include <QDate>
#include <QDateTime>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrinter>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <vector>

namespace gravon {

namespace {

constexpr double a4widthmm = 210.0;
constexpr double a4heightmm = 297.0;
// The renderer draws the phonetogram at this many times the window's pixels per inch, with
// its fonts enlarged alike: the same layout, sharper on paper.
constexpr double picturescale = 2.0;
constexpr double screendpi = 96.0;

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

const QColor textgrey(90, 90, 90);
const QColor warningred(170, 0, 0);

// Lengths on the page in device units, and the type in points.
struct tpage {
    QPainter& p;
    double dpi;
    QRectF content; // inside the margins
    double mm(double v) const { return v * dpi / 25.4; }
    QFont font(double pt, bool bold = false) const {
        QFont f = QGuiApplication::font();
        f.setPointSizeF(pt);
        f.setBold(bold);
        // Qt sets no ligature in spaced text: "fi" stays two letters that a search of the PDF
        // finds. A twentieth of a device pixel is not to be seen.
        f.setLetterSpacing(QFont::AbsoluteSpacing, 0.05);
        return f;
    }
    QFontMetricsF metrics(const QFont& f) const { return QFontMetricsF(f, p.device()); }
};

// One line of text at the top left of its box; returns the box's height.
double draw_line(tpage& pg, double x, double y, double w, const QFont& f, const QString& text,
                 const QColor& colour = Qt::black, Qt::Alignment align = Qt::AlignLeft) {
    pg.p.setFont(f);
    pg.p.setPen(colour);
    const double h = pg.metrics(f).height();
    pg.p.drawText(QRectF(x, y, w, h), int(align | Qt::AlignTop), text);
    return h;
}

// Wrapped text in a box of width w; returns the height it took.
double draw_wrapped(tpage& pg, double x, double y, double w, const QFont& f, const QString& text,
                    const QColor& colour = Qt::black) {
    pg.p.setFont(f);
    pg.p.setPen(colour);
    const QRectF box = pg.metrics(f).boundingRect(QRectF(x, y, w, 1e6),
                                                  int(Qt::TextWordWrap | Qt::AlignLeft), text);
    pg.p.drawText(QRectF(x, y, w, box.height()), int(Qt::TextWordWrap | Qt::AlignLeft), text);
    return box.height();
}

double draw_heading(tpage& pg, double y, const QString& text) {
    const double h =
        draw_line(pg, pg.content.left(), y, pg.content.width(), pg.font(10, true), text);
    return h + pg.mm(1);
}

// The session record: two columns of label and value, with a rule to write on where a field
// was not entered, and the notes across the page.
double draw_session(tpage& pg, double y, const treport& r) {
    const QFont label = pg.font(8.5, true), value = pg.font(9.5);
    const double rowh = std::max(pg.metrics(label).height(), pg.metrics(value).height()) * 1.45;
    const double colw = (pg.content.width() - pg.mm(8)) / 2;
    double labelw = 0;
    for (const treportrow& row : r.session)
        labelw = std::max(labelw, pg.metrics(label).horizontalAdvance(qs(row.label)));
    labelw += pg.mm(3);
    const std::size_t notes = r.session.empty() ? 0 : r.session.size() - 1; // the last field
    const std::size_t half = (notes + 1) / 2;
    double bottom = y;
    for (std::size_t i = 0; i < notes; ++i) {
        const std::size_t col = i < half ? 0 : 1, row = i < half ? i : i - half;
        const double x = pg.content.left() + double(col) * (colw + pg.mm(8));
        const double top = y + double(row) * rowh;
        const treportrow& field = r.session[i];
        draw_line(pg, x, top, labelw, label, qs(field.label) + ":", textgrey);
        const QString v = qs(field.value);
        draw_line(pg, x + labelw, top, colw - labelw, value,
                  pg.metrics(value).elidedText(v, Qt::ElideRight, colw - labelw));
        pg.p.setPen(QPen(QColor(170, 170, 170), pg.mm(0.15)));
        const double base = top + pg.metrics(value).height() + pg.mm(0.4);
        pg.p.drawLine(QPointF(x + labelw, base), QPointF(x + colw, base));
        bottom = std::max(bottom, top + rowh);
    }
    if (notes < r.session.size()) {
        const treportrow& field = r.session[notes];
        draw_line(pg, pg.content.left(), bottom, labelw, label, qs(field.label) + ":", textgrey);
        const double h = field.value.empty()
                             ? pg.metrics(value).height()
                             : draw_wrapped(pg, pg.content.left() + labelw, bottom,
                                            pg.content.width() - labelw, value, qs(field.value));
        bottom += std::max(h, pg.metrics(value).height()) + pg.mm(1);
    }
    return bottom - y;
}

double draw_calibration(tpage& pg, double y, const treport& r) {
    double h = draw_heading(pg, y, "Calibration");
    const QFont f = pg.font(9);
    if (r.channels.empty())
        h += draw_line(pg, pg.content.left(), y + h, pg.content.width(), f,
                       "No phonetogram holds any voice", textgrey);
    for (const treportchannel& c : r.channels) {
        QString line = qs(c.name) + ": " + qs(c.calibration);
        if (!c.date.empty()) line += "  (calibrated " + qs(c.date) + ")";
        h += draw_wrapped(pg, pg.content.left(), y + h, pg.content.width(), f, line,
                          c.uncalibrated ? warningred : Qt::black);
    }
    return h + pg.mm(2);
}

// A table of rows of cells; blank rows are gaps.
struct ttable {
    std::vector<std::vector<QString>> rows;
};

ttable statistics_table(const std::vector<std::string>& lines) {
    ttable t;
    for (const std::string& line : lines) {
        std::vector<QString> cells;
        for (const QString& c : qs(line).split('\t')) cells.push_back(c);
        while (!cells.empty() && cells.back().isEmpty()) cells.pop_back();
        t.rows.push_back(cells);
    }
    return t;
}

ttable changes_table(const treportchanges& changes) {
    ttable t;
    t.rows.push_back({"Change since the baseline", "Baseline", "Current", "Change"});
    for (const treportchange& c : changes)
        t.rows.push_back({qs(c.label), qs(c.baseline), qs(c.current), qs(c.change)});
    return t;
}

// Column widths of a table in a font; a header row is measured in bold, as it is drawn.
std::vector<double> column_widths(const tpage& pg, const ttable& t, const QFont& f,
                                  bool header = false) {
    std::vector<double> w;
    QFont bold = f;
    bold.setBold(true);
    const QFontMetricsF m = pg.metrics(f), mb = pg.metrics(bold);
    for (std::size_t i = 0; i < t.rows.size(); ++i)
        for (std::size_t c = 0; c < t.rows[i].size(); ++c) {
            if (w.size() <= c) w.resize(c + 1, 0);
            w[c] = std::max(w[c], (header && i == 0 ? mb : m).horizontalAdvance(t.rows[i][c]));
        }
    for (double& x : w) x += pg.mm(3);
    return w;
}

// Draws rows [from, to) of a table at (x, y); the first row of a table whose header is set is
// drawn bold. Returns the height taken.
double draw_rows(tpage& pg, const ttable& t, std::size_t from, std::size_t to, double x, double y,
                 const std::vector<double>& widths, const QFont& f, double rowh, bool header) {
    QFont bold = f;
    bold.setBold(true);
    double top = y;
    for (std::size_t i = from; i < to; ++i) {
        const auto& row = t.rows[i];
        if (row.empty()) {
            top += rowh / 2;
            continue;
        }
        double cx = x;
        for (std::size_t c = 0; c < row.size(); ++c) {
            const bool labelcolumn = c == 0;
            draw_line(pg, cx, top, widths[c] - pg.mm(2), (header && i == 0) ? bold : f, row[c],
                      labelcolumn ? Qt::black : Qt::black,
                      labelcolumn ? Qt::AlignLeft : Qt::AlignRight);
            cx += widths[c];
        }
        top += rowh;
    }
    return top - y;
}

double table_height(const ttable& t, std::size_t from, std::size_t to, double rowh) {
    double h = 0;
    for (std::size_t i = from; i < to; ++i) h += t.rows[i].empty() ? rowh / 2 : rowh;
    return h;
}

// The statistics (and the changes) in the height left: in one or two blocks side by side,
// in the largest type from 9 points down that fits.
void draw_statistics(tpage& pg, double y, double bottom, const treport& r) {
    double h = draw_heading(pg, y, qs(r.statisticscaption));
    for (const std::string* note : {&r.uncalibratednote, &r.distancenote})
        if (!note->empty())
            h += draw_wrapped(pg, pg.content.left(), y + h, pg.content.width(), pg.font(8.5, true),
                              qs(*note), warningred) +
                 pg.mm(1);
    const bool haschanges = !r.changes.empty();
    // Which two sessions the changes are between, across the page.
    if (haschanges)
        for (const std::string& line : {r.comparedbaseline, r.comparedcurrent})
            h += draw_wrapped(pg, pg.content.left(), y + h, pg.content.width(), pg.font(8.5),
                              qs(line));
    if (haschanges) h += pg.mm(1);
    const ttable stats = statistics_table(r.statistics);
    const ttable changes = changes_table(r.changes);
    const double top = y + h, height = bottom - top, gap = pg.mm(8);
    for (double pt : {9.0, 8.5, 8.0, 7.5, 7.0, 6.5, 6.0, 5.5, 5.0}) {
        const QFont f = pg.font(pt);
        const double rowh = pg.metrics(f).height() * 1.12;
        const std::vector<double> sw = column_widths(pg, stats, f);
        const std::vector<double> cw = column_widths(pg, changes, f, true);
        double statswidth = 0, changeswidth = 0;
        for (double w : sw) statswidth += w;
        for (double w : cw) changeswidth += w;
        const double changesheight =
            haschanges ? table_height(changes, 0, changes.rows.size(), rowh) : 0;
        const std::size_t n = stats.rows.size();
        const double all = table_height(stats, 0, n, rowh);
        // One block, the changes beside or below it.
        if (all <= height) {
            const bool beside = statswidth + gap + changeswidth <= pg.content.width();
            const bool below =
                changeswidth <= pg.content.width() && all + rowh + changesheight <= height;
            if (!haschanges || beside || below) {
                draw_rows(pg, stats, 0, n, pg.content.left(), top, sw, f, rowh, false);
                if (haschanges) {
                    const double cx =
                        beside ? pg.content.left() + statswidth + gap : pg.content.left();
                    const double cy = beside ? top : top + all + rowh;
                    draw_rows(pg, changes, 0, changes.rows.size(), cx, cy, cw, f, rowh, true);
                }
                return;
            }
        }
        // Two blocks: split at the blank line nearest the middle that lets both fit.
        if (2 * statswidth + gap > pg.content.width()) continue;
        // The changes under the second block, or under both when they are wider than it.
        const bool changesbeside = statswidth + gap + changeswidth <= pg.content.width();
        if (haschanges && changeswidth > pg.content.width()) continue;
        std::size_t best = n;
        double bestdiff = 1e300;
        for (std::size_t s = 1; s < n; ++s) {
            if (!stats.rows[s].empty()) continue;
            const double a = table_height(stats, 0, s, rowh),
                         b = table_height(stats, s + 1, n, rowh);
            const double under = changesbeside ? b : std::max(a, b);
            if (a <= height && under + (haschanges ? rowh + changesheight : 0) <= height &&
                std::fabs(a - b) < bestdiff) {
                best = s;
                bestdiff = std::fabs(a - b);
            }
        }
        if (best == n) continue;
        // The label column repeats in the second block, the values follow it.
        ttable second;
        second.rows.assign(stats.rows.begin() + std::ptrdiff_t(best) + 1, stats.rows.end());
        const double x2 = pg.content.left() + statswidth + gap;
        const double a = draw_rows(pg, stats, 0, best, pg.content.left(), top, sw, f, rowh, false);
        const double b = draw_rows(pg, second, 0, second.rows.size(), x2, top, sw, f, rowh, false);
        if (haschanges)
            draw_rows(pg, changes, 0, changes.rows.size(), changesbeside ? x2 : pg.content.left(),
                      top + (changesbeside ? b : std::max(a, b)) + rowh, cw, f, rowh, true);
        return;
    }
    draw_line(pg, pg.content.left(), top, pg.content.width(), pg.font(9),
              "The statistics do not fit on the page", warningred);
}

} // namespace

char decimal_separator(const QLocale& locale) {
    const QString d = locale.decimalPoint();
    return d.size() == 1 && d[0].unicode() < 0x80 ? char(d[0].unicode()) : '.';
}

treportgeometry paint_report(QPainter& p, const QRectF& pagerect, double dpi, const treport& r,
                             TForm1& form, const QLocale& locale, const tdrawingfonts& fonts) {
    tpage pg{p, dpi, {}};
    const double margin = pg.mm(16);
    pg.content = pagerect.adjusted(margin, pg.mm(14), -margin, -pg.mm(12));
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);

    double y = pg.content.top();
    const QFont small = pg.font(7);
    const double th =
        draw_line(pg, pg.content.left(), y, pg.content.width(), pg.font(16, true), qs(r.title));
    draw_line(pg, pg.content.left(), y + th - pg.metrics(small).height(), pg.content.width(), small,
              qs(r.made), textgrey, Qt::AlignRight);
    y += th + pg.mm(1);
    p.setPen(QPen(Qt::black, pg.mm(0.3)));
    p.drawLine(QPointF(pg.content.left(), y), QPointF(pg.content.right(), y));
    y += pg.mm(3);

    // The page's dates are written already, the same in every locale.
    y += draw_session(pg, y, r) + pg.mm(2);
    y += draw_calibration(pg, y, r);

    // The phonetogram as the window draws it.
    treportgeometry g;
    // The picture takes the room the statistics leave, within bounds that keep its shape
    // readable: they need about half their rows' height in two blocks side by side.
    const double pw = pg.content.width();
    const double footer = pg.metrics(small).height();
    const double signaturey = pg.content.bottom() - footer - pg.mm(16);
    const double rowh = pg.metrics(pg.font(8.5)).height() * 1.12;
    double statsneed = pg.metrics(pg.font(10, true)).height() + pg.mm(8) +
                       rowh * (double(r.statistics.size()) / 2 + 2);
    if (!r.uncalibratednote.empty()) statsneed += 2 * rowh;
    if (!r.distancenote.empty()) statsneed += 2 * rowh;
    if (!r.changes.empty()) statsneed += rowh * double(r.changes.size() + 4);
    const double ph = std::clamp(signaturey - y - statsneed, pw * 0.45, pw * 0.72);
    const QRectF picture(pg.content.left(), y, pw, ph);
    const QSize pixels(int(std::lround(pw / dpi * screendpi * picturescale)),
                       int(std::lround(ph / dpi * screendpi * picturescale)));
    tdrawingfonts big = fonts;
    for (QFont* f : {&big.axis, &big.caption}) {
        if (f->pixelSize() > 0)
            f->setPixelSize(int(std::lround(f->pixelSize() * picturescale)));
        else
            f->setPointSizeF(f->pointSizeF() * picturescale);
    }
    const QImage image = render_drawing_area(form, pixels, big);
    p.drawImage(picture, image);
    g.picture = QRectF(picture.left() * 72 / dpi, picture.top() * 72 / dpi,
                       picture.width() * 72 / dpi, picture.height() * 72 / dpi);
    g.picturepixels = pixels;
    g.fonts = big;
    y += ph + pg.mm(3);

    // The signature at the foot of the page, the statistics in the room above it.
    draw_statistics(pg, y, signaturey - pg.mm(4), r);

    p.setPen(QPen(Qt::black, pg.mm(0.25)));
    const double liney = signaturey + pg.mm(9);
    p.drawLine(QPointF(pg.content.left(), liney), QPointF(pg.content.left() + pg.mm(95), liney));
    QString caption = qs(r.signature);
    if (!r.clinician.empty()) caption += " (" + qs(r.clinician) + ")";
    draw_line(pg, pg.content.left(), liney + pg.mm(1), pg.content.width(), pg.font(8), caption,
              textgrey);
    draw_line(pg, pg.content.left(), pg.content.bottom() - footer, pg.content.width(), small,
              qs(form.progid.ProductName()) + " · " + qs(r.title), textgrey, Qt::AlignRight);
    p.restore();
    return g;
}

bool write_report_pdf(TForm1& form, const treport& r, const std::string& fname, std::string& error,
                      treportgeometry* geometry, const tdrawingfonts& fonts,
                      const QLocale& locale) {
    // Made in memory and written through the safe write: the PDF writer does not report its
    // failed writes, and QPainter::end() succeeds over a truncated file.
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        const int dpi = 300;
        writer.setResolution(dpi);
        writer.setTitle(qs(r.title));
        writer.setCreator(qs(form.progid.processing_stamp()));
        QPainter p;
        if (!p.begin(&writer)) {
            error = "Cannot write " + fname + ": the page cannot be made";
            return false;
        }
        const QRectF page(0, 0, a4widthmm / 25.4 * dpi, a4heightmm / 25.4 * dpi);
        const treportgeometry g = paint_report(p, page, dpi, r, form, locale, fonts);
        if (geometry) *geometry = g;
        if (!p.end()) {
            error = "Cannot write " + fname + ": the page cannot be made";
            return false;
        }
    }
    return save_encoded(bytes, fname, error);
}

bool print_report(TForm1& form, const treport& r, QPrinter& printer, std::string& error,
                  const tdrawingfonts& fonts, const QLocale& locale) {
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setFullPage(true);
    QPainter p;
    if (!p.begin(&printer)) {
        error = "Cannot print on " + printer.printerName().toStdString();
        return false;
    }
    paint_report(p, printer.paperRect(QPrinter::DevicePixel), printer.resolution(), r, form, locale,
                 fonts);
    if (!p.end()) {
        error = "The printer did not take the report";
        return false;
    }
    return true;
}

QImage render_report_image(TForm1& form, const treport& r, double dpi, const tdrawingfonts& fonts,
                           const QLocale& locale) {
    const QSize size(int(std::lround(a4widthmm / 25.4 * dpi)),
                     int(std::lround(a4heightmm / 25.4 * dpi)));
    QImage image(size, QImage::Format_RGB32);
    image.setDotsPerMeterX(int(std::lround(dpi / 0.0254)));
    image.setDotsPerMeterY(int(std::lround(dpi / 0.0254)));
    image.fill(Qt::white);
    QPainter p(&image);
    paint_report(p, QRectF(QPointF(0, 0), QSizeF(size)), dpi, r, form, locale, fonts);
    return image;
}

} // namespace gravon
