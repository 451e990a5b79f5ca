// TKeyBoard: the piano keyboard above the phonetogram. The key mapping and the mouse's note
// events live in TKeyBoardModel; the control draws the keys and forwards the mouse.
#pragma once

#include "ui/geometry/keyboard_model.h"

#include <QColor>
#include <QWidget>

namespace gravon {

// The colour that marks a guided profile's target, on the keyboard and at the axis.
inline const QColor targetmarkcolour(16, 144, 207);

// Draws the keyboard into (0, 0, Width, Height) of the painter.
void paint_keyboard(QPainter& p, const TKeyBoardModel& kb);

class TKeyBoard : public QWidget {
    Q_OBJECT
  public:
    explicit TKeyBoard(QWidget* parent = nullptr);
    TKeyBoardModel& model() { return fmodel; }
    const TKeyBoardModel& model() const { return fmodel; }

  signals:
    // A key pressed (or reached by sliding with the button held) and the key released.
    void noteOn(int midi);
    void noteOff(int midi);
    void moveOver(int midi);

  protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

  private:
    TKeyBoardModel fmodel;
};

} // namespace gravon
