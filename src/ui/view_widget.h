// The phonetogram view as a control: paints the rendered view in one step and forwards the
// mouse and the keys to the main window: the crosshair (left button, arrow keys), dragging the
// target, selecting areas and filling gaps (right button), selecting the bins inside a
// rectangle (Shift + left drag).
#pragma once

#include "core/main_window.h"
#include "ui/view_renderer.h"

#include <QImage>
#include <QStringList>
#include <QWidget>

namespace gravon {

class TPhonetogramView : public QWidget {
    Q_OBJECT
  public:
    TPhonetogramView(TForm1& form, const tviewaxes& axes, QWidget* parent = nullptr);

  signals:
    // A right click left at least one bin selected: the statistics text to show.
    void areaStatistics(const QStringList& lines);
    // The crosshair moved, or was shown or hidden (the status panel shows its bin).
    void cursorChanged();
    // The target was dragged to a new place.
    void targetMoved();

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;
    void focusInEvent(QFocusEvent*) override;
    void focusOutEvent(QFocusEvent*) override;

  private:
    void move_to(QPoint pos);
    void toggle_at(tbincursor bin);
    void finish_band();
    TForm1& fform;
    tviewaxes faxes;
    // Shift + left drag: the rectangle of bins to select, from the pressed pixel.
    bool fbanding = false;
    QPoint fbandstart, fbandend;
    QImage fimage;
    tbinpaint fscratch;
};

} // namespace gravon
