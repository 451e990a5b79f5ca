// The waveform of the sound-level-meter calibration: one vertical line per column from its
// minimum to its maximum, the marked columns on light grey, black lines at the marks' edges.
// It only draws what it is given and reports the mouse, and the keys as the mouse would do
// the same: Left and Right (with Ctrl a tenth of the width, Home and End to the ends) move a
// dotted cursor, and with Shift they mark from where the marking began to the cursor.
#pragma once

#include "audio/waveform_ring_buffer.h"

#include <QColor>
#include <QWidget>
#include <vector>

namespace gravon {

class TWaveformView : public QWidget {
    Q_OBJECT
  public:
    explicit TWaveformView(QWidget* parent = nullptr);

    void set_waveform(std::vector<tminmax> columns, std::int32_t downcursor, std::int32_t upcursor,
                      QColor color);

  signals:
    void pressed(int x);
    void dragged(int x);
    void released();

  protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

  private:
    std::int32_t fkeycursor = -1, fanchor = -1;
    std::vector<tminmax> fcolumns;
    std::int32_t fdown = -1, fup = -1;
    QColor fcolor;
};

} // namespace gravon
