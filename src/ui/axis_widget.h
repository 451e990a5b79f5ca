// TAxis: one scaled axis as a control. The scale, ticks and dragging live in TAxisModel; the
// control draws it, forwards the mouse to it and opens the limits dialog on a double click.
#pragma once

#include "ui/geometry/axis_model.h"

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace gravon {

// Draws the axis into the rectangle (0, 0, Width, Height) of the painter: background, unit
// text, ticks, labels and the marker. The model's size must be the rectangle's.
void paint_axis(QPainter& p, const TAxisModel& a, const QFont& font, const QColor& background);

// The text measure of a font, for the model's label thinning and autosize.
ttextmeasure font_text_measure(const QFont& font);

// The window's axis font: Tahoma 11 pixels high, or the nearest the system has.
QFont axis_font();

class TAxis : public QWidget {
    Q_OBJECT
  public:
    explicit TAxis(QWidget* parent = nullptr);

    TAxisModel& model() { return fmodel; }
    const TAxisModel& model() const { return fmodel; }
    QColor BackgroundColor = Qt::white;
    void setAxisFont(const QFont& f);
    const QFont& axisFont() const { return ffont; }
    // Opens the limits dialog (what a double click does when allowed).
    void edit_limits();

  signals:
    void scaleChanging();
    void scaleChanged();

  protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;

  private:
    void show_drag_cursor(int x, int y);
    TAxisModel fmodel;
    QFont ffont;
};

// "Axis limits": the high and low value with the unit, optionally the scale type.
class TAxisLimitForm : public QDialog {
    Q_OBJECT
  public:
    TAxisLimitForm(const TAxisModel& a, QWidget* parent = nullptr);
    // Applies the dialog to the axis, in the order that keeps a logarithmic scale valid.
    void apply(TAxisModel& a) const;
    QLineEdit* highedit = nullptr;
    QLineEdit* lowedit = nullptr;
    QCheckBox* logcheck = nullptr;
    QPushButton* okbutton = nullptr;

  private:
    void fix_ok();
    double fpresethi = 0;
    double fpresetlo = 0;
};

} // namespace gravon
