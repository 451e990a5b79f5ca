#include "ui/drawing_area.h"

#include "ui/geometry/drawing_state.h"
#include "ui/legend.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <functional>

namespace gravon {

namespace {

// The colour strip of the legend.
class tlegendstrip : public QWidget {
  public:
    tlegendstrip(const tpglist& list, QWidget* parent) : QWidget(parent), flist(list) {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        paint_legend_strip(p, width(), height(), flist);
    }

  private:
    const tpglist& flist;
};

// The key of the colour of cells without a value, in the caption's font.
class tnovaluekey : public QWidget {
  public:
    using QWidget::QWidget;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setFont(font());
        paint_no_value_key(p, width(), height());
    }
};

// A caption that reports clicks.
class tclickablelabel : public QLabel {
  public:
    using QLabel::QLabel;
    std::function<void()> onclick;

  protected:
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton && onclick) onclick();
    }
};

// Holds a flag set for the life of the object.
struct tsetwhile {
    bool& flag;
    explicit tsetwhile(bool& f) : flag(f) { flag = true; }
    ~tsetwhile() { flag = false; }
};

QRect qrect(const trect& r) {
    return QRect(r.left, r.top, r.width(), r.height());
}

} // namespace

TDrawingArea::TDrawingArea(TForm1& form, QWidget* parent)
    : QWidget(parent), fform(form), fkeyboard(new TKeyBoard(this)), flaxis(new TAxis(this)),
      ffaxis(new TAxis(this)), flegendaxis(new TAxis(this)), fstrip(new tlegendstrip(form, this)),
      fnovaluekey(new tnovaluekey(this)), flegendlabel(new tclickablelabel(this)),
      fdistancelabel(new QLabel(this)), fview(nullptr) {
    setup_level_axis(flaxis->model());
    setup_frequency_axis(ffaxis->model());
    setup_legend_axis(flegendaxis->model());
    fview = new TPhonetogramView(form, axes(), this);
    flegendlabel->setFont(caption_font());
    fdistancelabel->setFont(caption_font());
    fnovaluekey->setFont(caption_font());
    flegendlabel->setCursor(Qt::PointingHandCursor);
    static_cast<tclickablelabel*>(flegendlabel)->onclick = [this] { step_legend_param(); };

    connect(fview, &TPhonetogramView::areaStatistics, this, &TDrawingArea::areaStatistics);
    connect(fview, &TPhonetogramView::cursorChanged, this, &TDrawingArea::cursorChanged);
    connect(fkeyboard, &TKeyBoard::noteOn, this, &TDrawingArea::noteOn);
    connect(fkeyboard, &TKeyBoard::noteOff, this, &TDrawingArea::noteOff);
    // The view follows a dragged level range at once; the range is kept, and the layout
    // (which depends on it with the locked aspect ratio) redone, when the drag ends.
    connect(flaxis, &TAxis::scaleChanging, fview, qOverload<>(&QWidget::update));
    connect(flaxis, &TAxis::scaleChanged, this, [this] {
        if (fsyncing) return;
        fform.set_level_range(flaxis->model().LoValue(), flaxis->model().HiValue());
        refresh();
    });
    // A dragged or typed legend range becomes the parameter's colour range.
    auto legendrange = [this] {
        if (fsyncing) return;
        const TAxisModel& a = flegendaxis->model();
        fform.set_colour_range(a.LoValue(), a.HiValue(), a.Logarithmic());
        fview->update();
        fstrip->update();
    };
    connect(flegendaxis, &TAxis::scaleChanging, this, legendrange);
    connect(flegendaxis, &TAxis::scaleChanged, this, legendrange);
    refresh();
}

tviewaxes TDrawingArea::axes() const {
    return {flaxis->model(), ffaxis->model(), fkeyboard->model()};
}

void TDrawingArea::lay_out() {
    tviewlayout l;
    {
        const tsetwhile syncing(fsyncing);
        l = layout_drawing_controls(flaxis->model(), ffaxis->model(), flegendaxis->model(),
                                    fkeyboard->model(), fform, size(), flegendlabel->font());
    }
    fkeyboard->setGeometry(qrect(l.keyboard));
    flaxis->setGeometry(qrect(l.laxis));
    ffaxis->setGeometry(qrect(l.faxis));
    fview->setGeometry(qrect(l.view));
    const bool legendaxis = legend_axis_shown(fform);
    flegendaxis->setVisible(legendaxis);
    fstrip->setVisible(legendaxis);
    fnovaluekey->setVisible(l.novaluekey.height() > 0);
    if (legendaxis) {
        flegendaxis->setGeometry(qrect(l.legendaxis));
        fstrip->setGeometry(qrect(l.legendstrip));
        fnovaluekey->setGeometry(qrect(l.novaluekey));
    }
    flegendlabel->setVisible(legend_caption_shown(fform));
    flegendlabel->setGeometry(qrect(l.legendlabel));
    fdistancelabel->setGeometry(qrect(l.distancelabel));
}

void TDrawingArea::refresh() {
    lay_out();
    flegendlabel->setText(QString::fromStdString(legend_caption(fform)));
    QString d = QString::fromStdString(distance_caption(fform));
    d.replace('\r', '\n');
    fdistancelabel->setText(d);
    fkeyboard->update();
    flaxis->update();
    ffaxis->update();
    flegendaxis->update();
    fstrip->update();
    fview->update();
}

void TDrawingArea::repaint_view() {
    fview->update();
}

tdrawingfonts TDrawingArea::fonts() const {
    return {flaxis->axisFont(), flegendlabel->font()};
}

QImage TDrawingArea::image() const {
    return render_drawing_area(fform, size(), fonts());
}

QSize TDrawingArea::pixel_size() const {
    const double r = devicePixelRatioF();
    return QSize(int(std::lround(width() * r)), int(std::lround(height() * r)));
}

QImage TDrawingArea::picture(QSize pixels) const {
    // Scaled so that the window's layout fits the picture; a picture of other proportions
    // gets the extra room, as a wider window would.
    const double scale = std::min(double(pixels.width()) / std::max(1, width()),
                                  double(pixels.height()) / std::max(1, height()));
    return render_drawing_area(fform, pixels, scaled_fonts(fonts(), std::max(scale, 0.1)));
}

void TDrawingArea::copy_image() {
    copy_image_at(pixel_size());
}

void TDrawingArea::copy_image_at(QSize pixels) {
    if (QClipboard* cb = QGuiApplication::clipboard()) cb->setImage(picture(pixels));
}

void TDrawingArea::step_legend_param() {
    fform.set_zparam(next_legend_param(fform));
    fform.fix_things();
    refresh();
}

void TDrawingArea::resizeEvent(QResizeEvent*) {
    refresh();
}

void TDrawingArea::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), Qt::white);
}

} // namespace gravon
