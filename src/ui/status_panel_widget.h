// The status panel along the bottom of the main window. The window's 200 ms timer calls
// refresh(); so do changes of the crosshair.
#pragma once

#include "core/main_window.h"

#include <QImage>
#include <QWidget>

namespace gravon {

class TStatusPanel : public QWidget {
    Q_OBJECT
  public:
    explicit TStatusPanel(TForm1& form, QWidget* parent = nullptr);
    // 18 pixels per line the panel has.
    QSize sizeHint() const override;

  public slots:
    // Redraws, and takes the height of the lines now shown.
    void refresh();

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    TForm1& fform;
    QImage fimage;
};

} // namespace gravon
