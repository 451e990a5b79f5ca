#include "ui/axis_widget.h"

#include "base/number_text.h"
#include "base/shown_number_text.h"
#include "ui/canvas_shapes.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <cstdlib>

namespace gravon {

ttextmeasure font_text_measure(const QFont& font) {
    return [fm = QFontMetrics(font)](const std::string& s) {
        return ttextsize{fm.horizontalAdvance(QString::fromStdString(s)), fm.height()};
    };
}

QFont axis_font() {
    QFont f("Tahoma");
    f.setPixelSize(11);
    return f;
}

void paint_axis(QPainter& p, const TAxisModel& a, const QFont& font, const QColor& background) {
    a.rebuild_ticks();
    const int w = a.Width(), h = a.Height(), ts = a.TickMarkSize();
    p.fillRect(0, 0, w, h, background);
    p.setFont(font);
    p.setPen(Qt::black);
    const QFontMetrics fm(font);
    const QString unit = QString::fromStdString(a.AxisText());
    const int uw = fm.horizontalAdvance(unit), th = fm.height();
    const int n = a.nTickMarks();
    if (a.vertical()) {
        const bool left = a.Position() == tposition::posleft;
        const int ux = left ? w - uw - 2 : 2;
        p.drawText(QRect(ux, 2, uw + 1, th), Qt::AlignLeft | Qt::AlignTop, unit);
        const int tx = left ? w - ts : 0;
        int lasttick = -1000;
        for (int i = 0; i < n; ++i) {
            const int y = a.TickMarkPosition(i);
            const QString label = QString::fromStdString(a.TickMarkText(i));
            // Ticks closer than 3 pixels would merge into a black bar, so only labelled ones
            // are drawn there; none runs through the unit.
            const bool onunit = !unit.isEmpty() && y < 2 + th;
            if (!onunit && (!label.isEmpty() || std::abs(y - lasttick) >= 3)) {
                canvas_line(p, tx, y, tx + ts, y);
                lasttick = y;
            }
            if (label.isEmpty()) continue;
            const int top = y - th / 2;
            if (top < th + 2 || top + th > h) continue;
            if (left)
                p.drawText(QRect(0, top, tx - ts, th), Qt::AlignRight | Qt::AlignTop, label);
            else
                p.drawText(QRect(ts + 1, top, w - ts - 1, th), Qt::AlignLeft | Qt::AlignTop, label);
        }
    } else {
        const bool over = a.Position() == tposition::posover;
        const int ty = over ? h - ts : 0;
        const int uy = over ? h - ts - th : ts;
        p.drawText(QRect(w - uw, uy, uw, th), Qt::AlignLeft | Qt::AlignTop, unit);
        int lasttick = -1000;
        for (int i = 0; i < n; ++i) {
            const int x = a.TickMarkPosition(i);
            const QString label = QString::fromStdString(a.TickMarkText(i));
            const bool onunit = !unit.isEmpty() && x > w - uw - 2;
            if (!onunit && (!label.isEmpty() || std::abs(x - lasttick) >= 3)) {
                canvas_line(p, x, ty, x, ty + ts);
                lasttick = x;
            }
            if (label.isEmpty()) continue;
            const int lw = fm.horizontalAdvance(label);
            const int lx = x - lw / 2;
            if (lx < 0 || lx + lw >= w - uw) continue;
            p.drawText(QRect(lx, over ? ty - th : ts, lw + 1, th), Qt::AlignLeft | Qt::AlignTop,
                       label);
        }
    }
    if (a.MarkerVisible) {
        // Inverted, as the marker is drawn over whatever lies below it.
        p.save();
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        p.setPen(Qt::white);
        const int m = a.MarkerPixel();
        if (a.vertical())
            p.drawLine(0, m, w - 1, m);
        else
            p.drawLine(m, 0, m, h - 1);
        p.restore();
    }
}

TAxis::TAxis(QWidget* parent) : QWidget(parent), ffont(axis_font()) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    fmodel.setTextMeasure(font_text_measure(ffont));
    fmodel.onchange = [this] { update(); };
    fmodel.OnScaleChanging = [this] { emit scaleChanging(); };
    fmodel.OnScaleChanged = [this] { emit scaleChanged(); };
}

void TAxis::setAxisFont(const QFont& f) {
    ffont = f;
    fmodel.setTextMeasure(font_text_measure(ffont));
    update();
}

void TAxis::paintEvent(QPaintEvent*) {
    QPainter p(this);
    paint_axis(p, fmodel, ffont, BackgroundColor);
}

void TAxis::resizeEvent(QResizeEvent*) {
    fmodel.setSize(width(), height());
}

void TAxis::show_drag_cursor(int x, int y) {
    // The six pointer shapes: upper, lower and middle part of a vertical or horizontal axis.
    switch (fmodel.drag_mode_at(x, y)) {
    case taxisdrag::low:
    case taxisdrag::high:
        setCursor(fmodel.vertical() ? Qt::SizeVerCursor : Qt::SizeHorCursor);
        break;
    case taxisdrag::mid:
        setCursor(Qt::SizeAllCursor);
        break;
    case taxisdrag::none:
        unsetCursor();
        break;
    }
}

void TAxis::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        const QPoint pos = e->position().toPoint();
        fmodel.mouse_down(pos.x(), pos.y());
    }
    QWidget::mousePressEvent(e);
}

void TAxis::mouseMoveEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    if ((e->buttons() & Qt::LeftButton) && fmodel.dragging())
        fmodel.mouse_move(pos.x(), pos.y());
    else if (!fmodel.dragging())
        show_drag_cursor(pos.x(), pos.y());
    QWidget::mouseMoveEvent(e);
}

void TAxis::mouseReleaseEvent(QMouseEvent* e) {
    const QPoint pos = e->position().toPoint();
    fmodel.mouse_up(pos.x(), pos.y());
    QWidget::mouseReleaseEvent(e);
}

void TAxis::mouseDoubleClickEvent(QMouseEvent* e) {
    if (fmodel.AllowDoubleClick) edit_limits();
}

void TAxis::edit_limits() {
    TAxisLimitForm form(fmodel, this);
    if (form.exec() == QDialog::Accepted) {
        try {
            form.apply(fmodel);
        } catch (const EAxisError& e) {
            QMessageBox::warning(this, "Axis limits", QString::fromStdString(e.what()));
        }
    }
    fmodel.scale_changed();
}

// ---- limits dialog ----------------------------------------------------------------------------

namespace {

bool parse_number(const QString& s, double& v) {
    try {
        v = strtofloatsep(s.toStdString(), localedecimalseparator());
        return true;
    } catch (const EGravonError&) {
        return false;
    }
}

} // namespace

TAxisLimitForm::TAxisLimitForm(const TAxisModel& a, QWidget* parent)
    : QDialog(parent), fpresethi(a.HiValue()), fpresetlo(a.LoValue()) {
    setWindowTitle("Axis limits");
    auto* grid = new QGridLayout(this);
    const QString unit = QString::fromStdString(a.AxisText());
    highedit = new QLineEdit(QString::fromStdString(floattostr(fpresethi)), this);
    lowedit = new QLineEdit(QString::fromStdString(floattostr(fpresetlo)), this);
    grid->addWidget(new QLabel("High value " + unit, this), 0, 0);
    grid->addWidget(highedit, 0, 1);
    grid->addWidget(new QLabel("Low value " + unit, this), 1, 0);
    grid->addWidget(lowedit, 1, 1);
    logcheck = new QCheckBox("Logarithmic scale", this);
    logcheck->setChecked(a.Logarithmic());
    logcheck->setVisible(a.AllowLogarithmicChange);
    grid->addWidget(logcheck, 2, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    okbutton = new QPushButton("&Ok", this);
    okbutton->setDefault(true);
    auto* cancel = new QPushButton("&Cancel", this);
    buttons->addWidget(okbutton);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 3, 0, 1, 3);
    connect(okbutton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(highedit, &QLineEdit::textChanged, this, &TAxisLimitForm::fix_ok);
    connect(lowedit, &QLineEdit::textChanged, this, &TAxisLimitForm::fix_ok);
    connect(logcheck, &QCheckBox::toggled, this, &TAxisLimitForm::fix_ok);
    fix_ok();
}

void TAxisLimitForm::fix_ok() {
    double hi = 0, lo = 0;
    const bool ok = parse_number(highedit->text(), hi) && parse_number(lowedit->text(), lo) &&
                    hi > lo && (!logcheck->isChecked() || (hi > 0 && lo > 0));
    okbutton->setEnabled(ok);
}

void TAxisLimitForm::apply(TAxisModel& a) const {
    double hi = fpresethi, lo = fpresetlo;
    if (!parse_number(highedit->text(), hi)) hi = fpresethi;
    if (!parse_number(lowedit->text(), lo)) lo = fpresetlo;
    if (logcheck->isChecked()) {
        a.set_hilovalues(hi, lo);
        a.setLogarithmic(true);
    } else {
        a.setLogarithmic(false);
        a.set_hilovalues(hi, lo);
    }
}

} // namespace gravon
