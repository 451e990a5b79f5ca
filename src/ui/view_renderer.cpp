#include "ui/view_renderer.h"

#include "base/pitch.h"
#include "base/rounding.h"
#include "core/phonetogram_subjects.h"
#include "phonetogram/reference_group.h"
#include "phonetogram/speech_profile.h"
#include "ui/axis_widget.h"
#include "ui/canvas_shapes.h"
#include "ui/geometry/difference_colours.h"
#include "ui/geometry/drawing_state.h"
#include "ui/keyboard_widget.h"
#include "ui/legend.h"
#include "ui/png_file.h"

#include <QFontMetrics>
#include <algorithm>
#include <array>
#include <cmath>

namespace gravon {

namespace {

constexpr TColor gridminor = {192, 192, 192};

// Pixel bounds of the bin rows and columns, computed once per paint.
struct tbinedges {
    std::array<int, nf0bins> left{}, right{};
    std::array<int, nlevelbins> top{}, bottom{};
};

void compute_edges(const tviewaxes& axes, int hix, int hiy, tbinedges& e) {
    for (int x = 0; x <= hix; ++x) {
        e.left[std::size_t(x)] = axes.keyboard.midi_to_pixel(x - 0.5);
        e.right[std::size_t(x)] = axes.keyboard.midi_to_pixel(x + 0.5) + 1;
    }
    for (int y = 0; y <= hiy; ++y) {
        e.top[std::size_t(y)] = axes.laxis.value_to_pixel(y + 0.5);
        e.bottom[std::size_t(y)] = axes.laxis.value_to_pixel(y - 0.5) + 1;
    }
}

// A filled rectangle written straight into the image's pixels (left ... right - 1, top ...
// bottom - 1, clipped): the bins are many and small, and the painter's per-call cost would
// outweigh the filling.
void fill_pixels(QImage& img, int l, int t, int r, int b, QRgb c) {
    l = std::max(l, 0);
    t = std::max(t, 0);
    r = std::min(r, img.width());
    b = std::min(b, img.height());
    if (r <= l || b <= t) return;
    // bits() once: scanLine() checks for sharing on every call.
    uchar* bits = img.bits();
    const qsizetype stride = img.bytesPerLine();
    for (int y = t; y < b; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(bits + y * stride);
        std::fill(line + l, line + r, c);
    }
}

QRgb rgb32(TColor c) {
    return qRgb(c.r, c.g, c.b);
}

void paint_bins(QImage& img, const TForm1& form, const tbinpaint& bp, const tbinedges& e, int lox,
                int hix, int hiy) {
    const bool blackborder = form.options.showblackborder;
    for (int x = lox; x <= hix; ++x) {
        const int l = e.left[std::size_t(x)], r = e.right[std::size_t(x)];
        for (int y = 0; y <= hiy; ++y) {
            if (!bp.touched[x][y]) continue;
            const int t = e.top[std::size_t(y)], b = e.bottom[std::size_t(y)];
            const QRgb c = rgb32(bp.fill[x][y]);
            const QRgb d = blackborder ? rgb32(bp.border[x][y]) : c;
            if (d == c || r - l <= 2 || b - t <= 2) {
                fill_pixels(img, l, t, r, b, d == c ? c : d);
            } else {
                fill_pixels(img, l, t, r, b, d);
                fill_pixels(img, l + 1, t + 1, r - 1, b - 1, c);
            }
        }
    }
}

// The border of the cells of mask, width pixels wide inside them. A dashed border leaves
// every other run of dash pixels out, counted from the view's corner, so that the dashes run
// on from one cell to the next.
void paint_mask_border(QImage& img, const tbinmask& mask, const tbinedges& e, int lox, int hix,
                       int hiy, QRgb c, int width, int dash) {
    auto in = [&](int x, int y) { return bin_in_grid(x, y) && mask[x][y] != 0; };
    auto hline = [&](int l, int r, int t, int b) {
        if (dash <= 0) return fill_pixels(img, l, t, r, b, c);
        for (int x = l; x < r; ++x)
            if ((x / dash) % 2 == 0) fill_pixels(img, x, t, x + 1, b, c);
    };
    auto vline = [&](int l, int r, int t, int b) {
        if (dash <= 0) return fill_pixels(img, l, t, r, b, c);
        for (int y = t; y < b; ++y)
            if ((y / dash) % 2 == 0) fill_pixels(img, l, y, r, y + 1, c);
    };
    for (int x = lox; x <= hix; ++x) {
        const int l = e.left[std::size_t(x)], r = e.right[std::size_t(x)];
        const int w = std::min(width, r - l);
        for (int y = 0; y <= hiy; ++y) {
            if (!mask[x][y]) continue;
            const int t = e.top[std::size_t(y)], b = e.bottom[std::size_t(y)];
            const int h = std::min(width, b - t);
            if (!in(x + 1, y)) vline(r - w, r, t, b);
            if (!in(x - 1, y)) vline(l, l + w, t, b);
            if (!in(x, y + 1)) hline(l, r, t, t + h);
            if (!in(x, y - 1)) hline(l, r, b - h, b);
        }
    }
}

// The black outline of every visible profile's shown cells; a group and a speech profile laid
// over another have their own outlines.
void paint_outline(QImage& img, const TForm1& form, const tbinpaint& bp, const tbinedges& e,
                   int lox, int hix, int hiy) {
    const std::size_t npg = std::min(form.pgs.size(), form.masks.binshow.size());
    for (std::size_t n = 0; n < npg; ++n)
        if (form.pgs[n].visible && !is_reference_group(form.pgs[n]) &&
            !(n < bp.overlaid.size() && bp.overlaid[n]))
            paint_mask_border(img, form.masks.binshow[n], e, lox, hix, hiy, qRgb(0, 0, 0), 1, 0);
}

// Each visible reference group as outlines in its colour over the profiles: solid around the
// cells half its members reach, thinner and dashed around the share the user chose. Lines
// only, so that a patient's profile under the group stays in view.
void paint_group_outlines(QImage& img, const TForm1& form, const tbinedges& e, int lox, int hix,
                          int hiy) {
    const double chosen = form.options.groupshare;
    for (const tpg& pg : form.pgs) {
        if (!pg.visible || !is_reference_group(pg)) continue;
        const QRgb c = rgb32(pg.dkcolor);
        if (chosen != groupmainshare)
            paint_mask_border(img, group_share_mask(pg, chosen), e, lox, hix, hiy, c, 1, 3);
        paint_mask_border(img, group_share_mask(pg, groupmainshare), e, lox, hix, hiy, c, 2, 0);
    }
}

// Each speech profile laid over another: its shown cells washed with the speech colour, the
// cells under them showing through, and a line of the darker one around them.
void paint_speech_overlays(QImage& img, const TForm1& form, const tbinpaint& bp, const tbinedges& e,
                           int lox, int hix, int hiy) {
    const std::size_t npg =
        std::min({form.pgs.size(), form.masks.binshow.size(), bp.overlaid.size()});
    for (std::size_t n = 0; n < npg; ++n) {
        if (!bp.overlaid[n]) continue;
        const tbinmask& shown = form.masks.binshow[n];
        for (int x = lox; x <= hix; ++x)
            for (int y = 0; y <= hiy; ++y) {
                if (!shown[x][y]) continue;
                const int l = std::max(e.left[std::size_t(x)], 0),
                          r = std::min(e.right[std::size_t(x)], img.width());
                const int t = std::max(e.top[std::size_t(y)], 0),
                          b = std::min(e.bottom[std::size_t(y)], img.height());
                for (int py = t; py < b; ++py) {
                    QRgb* line = reinterpret_cast<QRgb*>(img.scanLine(py));
                    for (int px = l; px < r; ++px) {
                        const TColor w = speech_washed({std::uint8_t(qRed(line[px])),
                                                        std::uint8_t(qGreen(line[px])),
                                                        std::uint8_t(qBlue(line[px]))});
                        line[px] = qRgb(w.r, w.g, w.b);
                    }
                }
            }
        paint_mask_border(img, shown, e, lox, hix, hiy, rgb32(speechoutlinecolor), 2, 0);
    }
}

void circle(QPainter& p, int cx, int cy, double radius) {
    const int r = roundint(radius);
    canvas_ellipse(p, cx - r, cy - r, cx + r, cy + r);
}

void paint_target(QPainter& p, const TForm1& form, const tviewaxes& axes) {
    const QPoint c = target_pixel(form, axes);
    const int s = blob_size(axes.keyboard);
    const auto& tc = form.targetcolors;
    const int h = 3 * s;
    canvas_rectangle(p, c.x() - h + 3, c.y() - h + 3, c.x() + h + 3, c.y() + h + 3, qcolor(tc[7]),
                     qcolor(tc[7]));
    const tchannelmeasures& live = form.live(0);
    const double f0t = form.options.f0target;
    const bool hit = f0t != 0 && std::fabs(1 - live.f0 / f0t) < 0.03 &&
                     std::fabs(live.level - form.options.leveltarget) < 0.5;
    canvas_rectangle(p, c.x() - h, c.y() - h, c.x() + h, c.y() + h, Qt::black,
                     qcolor(hit ? tc[6] : tc[5]));
    struct tring {
        double factor;
        TColor fill;
        bool blackborder;
    };
    const std::array<tring, 5> rings = {tring{2.5, tc[4], true}, tring{2.0, tc[3], false},
                                        tring{1.5, tc[2], false}, tring{1.0, tc[1], false},
                                        tring{0.5, tc[0], false}};
    for (const tring& r : rings) {
        p.setBrush(qcolor(r.fill));
        p.setPen(r.blackborder ? QColor(Qt::black) : qcolor(r.fill));
        circle(p, c.x(), c.y(), r.factor * s);
    }
}

void paint_live(QPainter& p, TForm1& form, const tviewaxes& axes) {
    const tadvancedsettings& adv = form.advanced;
    const bool live = form.recording() || form.analyzing;
    const int n = form.analyser.fftsize();
    const double fs = adv.fs;
    for (int i = 0; i < 2 && std::size_t(i) < form.pgs.size(); ++i) {
        const tchannelmeasures& m = form.live(i);
        if (!(m.power > 0)) continue;
        const tpg& pg = form.pgs[std::size_t(i)];
        if (live && form.options.showspectrum[std::size_t(i)] && n > 0) {
            const tdoublearr& outdb = form.analyser.outdb(i);
            const auto harm = form.analyser.isharm(i);
            const auto noise = form.analyser.specnoisequantile(i);
            const std::size_t kmax = std::min<std::size_t>(std::size_t(n / 2), outdb.size());
            const QColor dk = qcolor(pg.dkcolor);
            QPoint prev;
            for (std::size_t k = 1; k < kmax; ++k) {
                const double f = double(k) * fs / n;
                if (f > axes.faxis.HiValue()) break;
                const QPoint pt(axes.faxis.value_to_notclippedpixel(f),
                                axes.laxis.value_to_notclippedpixel(outdb[k]));
                p.setPen(dk);
                if (k > 1) p.drawLine(prev, pt);
                prev = pt;
                // A bin not clearly above the background noise is a noise bin: no circle.
                const bool noisebin = k < noise.size() && outdb[k] <= noise[k] + adv.minsnr;
                if (!noisebin) {
                    p.setBrush(k < harm.size() && harm[k] ? dk : QColor(Qt::white));
                    circle(p, pt.x(), pt.y(), 4);
                }
            }
        }
        if (form.options.shownoise[std::size_t(i)] && n > 0) {
            const auto noise = form.analyser.specnoisequantile(i);
            p.setPen(qcolor(pg.color));
            bool first = true;
            QPoint prev;
            for (std::size_t k = 1; k < noise.size() && k < std::size_t(n / 2); ++k) {
                const double f = double(k) * fs / n;
                if (f < adv.lof0limit || f > adv.hif0limit) continue;
                const QPoint pt(axes.faxis.value_to_notclippedpixel(f),
                                axes.laxis.value_to_notclippedpixel(noise[k]));
                if (!first) p.drawLine(prev, pt);
                prev = pt;
                first = false;
            }
        }
        if (live && form.options.showblob[std::size_t(i)] && m.f0 >= adv.lof0limit &&
            m.f0 <= adv.hif0limit) {
            const int s = blob_size(axes.keyboard);
            const QPoint c(axes.faxis.value_to_notclippedpixel(m.f0),
                           axes.laxis.value_to_notclippedpixel(m.level));
            p.setBrush(qcolor(form.paused() ? pg.ltcolor : pg.dkcolor));
            p.setPen(QPen(Qt::black, 2));
            circle(p, c.x(), c.y(), s + 1);
            p.setPen(QPen(Qt::white, 2));
            circle(p, c.x(), c.y(), s);
        }
    }
    p.setPen(Qt::black);
}

void paint_logo(QPainter& p, int width) {
    QFont f;
    f.setPixelSize(11);
    f.setItalic(true);
    p.setFont(f);
    p.setPen(QColor(150, 150, 150));
    const QString logo = "Gravon";
    const int w = QFontMetrics(f).horizontalAdvance(logo);
    p.drawText(QRect(width - w - 4, 1, w + 2, QFontMetrics(f).height()),
               Qt::AlignLeft | Qt::AlignTop, logo);
}

// One line of the key: a swatch (a box, or for a group's outline a line, solid or dashed)
// and what it stands for.
struct tkeyrow {
    TColor color;
    QString caption;
    Qt::PenStyle outline = Qt::NoPen; // a box when NoPen
};

// What the colours mean: the difference view's kinds of cell, or the name of each phonetogram
// when several are laid over one another (none for one alone, whose colour the window title
// and the legend explain).
std::vector<tkeyrow> key_rows(const TForm1& form, bool differences) {
    std::vector<tkeyrow> rows;
    if (differences) {
        for (const tdifferencekey& k : differencekeys)
            rows.push_back({k.color, QString::fromUtf8(k.caption)});
        return rows;
    }
    std::vector<const tpg*> shown;
    for (const tpg& pg : form.pgs)
        if (pg.visible && (is_reference_group(pg) || total_time(pg) > 0)) shown.push_back(&pg);
    if (shown.size() < 2) return rows;
    for (const tpg* pg : shown) {
        const QString name = QString::fromStdString(pg->pgname);
        if (is_speech_profile(*pg) && !differences &&
            speech_overlaid(form, std::size_t(pg - form.pgs.data()))) {
            rows.push_back({speech_washed({255, 255, 255}), name + " (speech)"});
            continue;
        }
        if (!is_reference_group(*pg)) {
            rows.push_back({pg->color, pg->baseline ? name + " (baseline)" : name});
            continue;
        }
        rows.push_back({pg->dkcolor, name + ": reached by half the group", Qt::SolidLine});
        const double chosen = form.options.groupshare;
        if (chosen != groupmainshare)
            rows.push_back({pg->dkcolor,
                            name + QString(": reached by %1 % of the group").arg(chosen),
                            Qt::DashLine});
    }
    return rows;
}

// The key, in the top left corner, where a voice seldom reaches (high levels at the lowest
// notes). Sized from the font, which a picture enlarges with the rest of its text.
void paint_key(QPainter& p, const std::vector<tkeyrow>& rows, const QFont& f) {
    if (rows.empty()) return;
    p.setFont(f);
    // Measured on the device drawn on: a report's picture is not at the screen's resolution.
    const QFontMetrics m = p.fontMetrics();
    const int box = m.height() * 2 / 3, pad = m.height() / 3, swatch = 2 * box;
    int textw = 0;
    for (const tkeyrow& r : rows) textw = std::max(textw, m.horizontalAdvance(r.caption));
    const int rowh = m.height();
    const QRect frame(pad, pad, pad * 3 + swatch + textw, pad * 2 + rowh * int(rows.size()));
    p.fillRect(frame, Qt::white);
    p.setPen(Qt::black);
    p.drawRect(frame.adjusted(0, 0, -1, -1));
    int y = frame.top() + pad;
    for (const tkeyrow& r : rows) {
        const QRect sw(frame.left() + pad, y + (rowh - box) / 2, swatch, box);
        if (r.outline == Qt::NoPen) {
            p.fillRect(sw, qcolor(r.color));
            p.drawRect(sw.adjusted(0, 0, -1, -1));
        } else {
            p.setPen(QPen(qcolor(r.color), std::max(2, box / 4), r.outline));
            p.drawLine(sw.left(), sw.center().y(), sw.right(), sw.center().y());
            p.setPen(Qt::black);
        }
        p.drawText(QRect(sw.right() + pad + 1, y, textw + 2, rowh),
                   Qt::AlignLeft | Qt::AlignVCenter, r.caption);
        y += rowh;
    }
}

} // namespace

QPoint target_pixel(const TForm1& form, const tviewaxes& axes) {
    return {axes.faxis.value_to_notclippedpixel(form.options.f0target),
            axes.laxis.value_to_notclippedpixel(form.options.leveltarget)};
}

tbincursor bin_at_pixel(const tviewaxes& axes, QPoint p) {
    const double f = axes.faxis.pixel_to_value(p.x());
    const double st = f > 0 ? freqtosemitone(f) : 0;
    return {roundint(st), roundint(axes.laxis.pixel_to_value(p.y()))};
}

void paint_phonetogram_view(QImage& image, TForm1& form, const tviewaxes& axes, tbinpaint& scratch,
                            const QFont& keyfont) {
    const int w = image.width(), h = image.height();
    if (w <= 0 || h <= 0) return;
    if (image.format() != QImage::Format_RGB32) image = image.convertToFormat(QImage::Format_RGB32);
    QPainter p(&image);
    canvas_rectangle(p, 0, 0, w, h, Qt::black, Qt::white);

    const TAxisModel& la = axes.laxis;
    const TKeyBoardModel& kb = axes.keyboard;
    for (int i = 0; i < la.nTickMarks(); ++i) {
        p.setPen(la.TickIsMajor(i) ? QColor(Qt::black) : qcolor(gridminor));
        const int y = la.TickMarkPosition(i);
        canvas_line(p, 0, y, w, y);
    }
    p.setPen(Qt::black);
    for (int c = kb.LoKey() / 12; c <= kb.get_hikey() / 12; ++c) {
        const int x = kb.midi_to_pixel(12.0 * c - 0.5);
        canvas_line(p, x, 0, x, h);
    }

    form.fix_binshow();
    const bool differences = form.difference_view_shown();
    const int hix = std::min(kb.get_hikey(), nf0bins - 1);
    const int hiy = std::min(roundint(la.HiValue() + 1), nlevelbins - 1);
    if (hix >= 0 && hiy >= 0) {
        if (differences)
            paint_difference_cells(form.compared_areas(), form.options.showblackborder, hix, hiy,
                                   scratch);
        else
            compute_bin_paint(form, form.advanced.displayparams, form.advanced.stdpgparams,
                              form.options.zparam(), form.selectioncolor, hix, hiy, scratch);
        tbinedges edges;
        compute_edges(axes, hix, hiy, edges);
        // Columns left of the keyboard lie outside the view.
        const int lox = std::clamp(kb.LoKey() - 1, 0, hix);
        p.end();
        paint_bins(image, form, scratch, edges, lox, hix, hiy);
        if (!differences) paint_speech_overlays(image, form, scratch, edges, lox, hix, hiy);
        if (form.options.showoutline && !differences)
            paint_outline(image, form, scratch, edges, lox, hix, hiy);
        paint_group_outlines(image, form, edges, lox, hix, hiy);
        p.begin(&image);
    }

    if (target_shown(form.target_action())) paint_target(p, form, axes);
    paint_live(p, form, axes);
    paint_logo(p, w);
    paint_key(p, key_rows(form, differences), keyfont);
    if (form.fshowcursor) {
        p.setPen(qcolor(form.cursorcolor));
        const int y = la.value_to_pixel(form.cursor.ybin);
        const int x = kb.midi_to_pixel(form.cursor.xbin);
        canvas_line(p, 0, y, w, y);
        canvas_line(p, x, 0, x, h);
    }
}

// ---- the whole drawing area -------------------------------------------------------------------

tdrawingmodels::tdrawingmodels(const tdrawingfonts& fonts) {
    setup_level_axis(laxis);
    setup_frequency_axis(faxis);
    setup_legend_axis(legendaxis);
    const QFont& f = fonts.axis;
    laxis.setTextMeasure(font_text_measure(f));
    faxis.setTextMeasure(font_text_measure(f));
    legendaxis.setTextMeasure(font_text_measure(f));
    keyboard.setLoKey(24);
    keyboard.setnKeys(72);
}

QFont caption_font() {
    QFont f;
    f.setPixelSize(12);
    return f;
}

tviewlayout layout_drawing_controls(TAxisModel& laxis, TAxisModel& faxis, TAxisModel& legendaxis,
                                    TKeyBoardModel& keyboard, const TForm1& form, QSize size,
                                    const QFont& captionfont) {
    sync_keyboard(keyboard, form);
    sync_frequency_axis(faxis, keyboard);
    if (!laxis.dragging()) sync_level_axis(laxis, form);
    laxis.setAxisText(level_axis_text(form));
    if (!legendaxis.dragging()) {
        try {
            sync_legend_axis(legendaxis, form);
        } catch (const EAxisError&) {
            // A logarithmic parameter with a range through zero stays linear.
        }
    }
    tlayoutinput in;
    in.width = size.width();
    in.height = size.height();
    in.lockaspectratio = form.options.lockaspectratio;
    in.lolevel = laxis.LoValue();
    in.hilevel = laxis.HiValue();
    in.nkeys = keyboard.nKeys();
    in.laxiswidth = laxis.autosize_extent();
    in.faxisheight = faxis.autosize_extent();
    in.legendshown = legend_caption_shown(form);
    in.legendaxisshown = legend_axis_shown(form);
    in.novaluekeyshown = no_value_key_shown(form);
    in.legendaxiswidth = legendaxis.autosize_extent();
    const QFontMetrics cfm(captionfont);
    in.captionheight = cfm.height();
    in.captionwidth = std::max(cfm.horizontalAdvance(QString::fromStdString(legend_caption(form))),
                               cfm.horizontalAdvance("Actual mic distance: "));
    const tviewlayout l = layout_drawing_area(in);
    keyboard.setSize(l.keyboard.width(), l.keyboard.height());
    laxis.setSize(l.laxis.width(), l.laxis.height());
    faxis.setSize(l.faxis.width(), l.faxis.height());
    if (l.legendaxis.width() > 0) legendaxis.setSize(l.legendaxis.width(), l.legendaxis.height());
    return l;
}

void layout_drawing_models(tdrawingmodels& m, const TForm1& form, QSize size,
                           const QFont& captionfont) {
    m.layout = layout_drawing_controls(m.laxis, m.faxis, m.legendaxis, m.keyboard, form, size,
                                       captionfont);
}

namespace {

QRect qrect(const trect& r) {
    return QRect(r.left, r.top, r.width(), r.height());
}

QString caption_text(const std::string& s) {
    QString t = QString::fromStdString(s);
    t.replace('\r', '\n');
    return t;
}

} // namespace

tdrawingfonts scaled_fonts(const tdrawingfonts& fonts, double scale) {
    tdrawingfonts f = fonts;
    for (QFont* font : {&f.axis, &f.caption}) {
        if (font->pointSizeF() > 0)
            font->setPointSizeF(font->pointSizeF() * scale);
        else
            font->setPixelSize(std::max(1, int(std::lround(font->pixelSize() * scale))));
    }
    return f;
}

QImage render_drawing_area(TForm1& form, QSize size, const tdrawingfonts& fonts) {
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(Qt::white);
    tdrawingmodels m(fonts);
    layout_drawing_models(m, form, image.size(), fonts.caption);
    const tviewlayout& l = m.layout;
    QPainter p(&image);
    const QFont& font = fonts.axis;

    p.save();
    p.translate(l.keyboard.left, l.keyboard.top);
    paint_keyboard(p, m.keyboard);
    p.restore();
    for (auto [axis, rect] : {std::pair{&m.laxis, l.laxis}, std::pair{&m.faxis, l.faxis}}) {
        p.save();
        p.translate(rect.left, rect.top);
        p.setClipRect(0, 0, rect.width(), rect.height());
        paint_axis(p, *axis, font, Qt::white);
        p.restore();
    }
    if (l.view.width() > 0 && l.view.height() > 0) {
        QImage view(l.view.width(), l.view.height(), QImage::Format_RGB32);
        tbinpaint scratch;
        paint_phonetogram_view(view, form, {m.laxis, m.faxis, m.keyboard}, scratch, fonts.caption);
        p.drawImage(l.view.left, l.view.top, view);
    }
    p.setFont(fonts.caption);
    p.setPen(Qt::black);
    if (legend_caption_shown(form))
        p.drawText(qrect(l.legendlabel), Qt::AlignLeft | Qt::AlignTop,
                   QString::fromStdString(legend_caption(form)));
    if (legend_axis_shown(form) && l.legendaxis.width() > 0) {
        p.save();
        p.translate(l.legendaxis.left, l.legendaxis.top);
        paint_axis(p, m.legendaxis, font, Qt::white);
        p.restore();
        p.save();
        p.translate(l.legendstrip.left, l.legendstrip.top);
        paint_legend_strip(p, l.legendstrip.width(), l.legendstrip.height(), form);
        p.restore();
    }
    if (l.novaluekey.height() > 0) {
        p.save();
        p.translate(l.novaluekey.left, l.novaluekey.top);
        p.setFont(fonts.caption);
        paint_no_value_key(p, l.novaluekey.width(), l.novaluekey.height());
        p.restore();
    }
    p.setFont(fonts.caption);
    p.setPen(Qt::black);
    p.drawText(qrect(l.distancelabel), Qt::AlignLeft | Qt::AlignTop,
               caption_text(distance_caption(form)));
    return image;
}

bool save_drawing_png(TForm1& form, const std::string& fname, QSize size, std::string& error,
                      const tdrawingfonts& fonts) {
    if (size.width() <= 0 || size.height() <= 0) {
        error = "Invalid image size " + std::to_string(size.width()) + " x " +
                std::to_string(size.height());
        return false;
    }
    return save_png(render_drawing_area(form, size, fonts), fname, error);
}

} // namespace gravon
