// Windows that open inside the screen at any size of the screen and any scale factor: a window
// is brought inside the available area of its screen whenever it is shown, and the pages of the
// large dialogs scroll when the screen is smaller than they would like to be, so that their
// buttons always stay in view.
#pragma once

#include <QObject>
#include <QScrollArea>

class QWidget;

namespace gravon {

// Sizes and moves a top-level window so that its frame lies inside the available area of
// its screen (the screen of its parent, else the one it is on). A window that asks for more
// than the area keeps its minimum size, placed at the area's top left.
void fit_on_screen(QWidget& window);

// Widens the window, by its minimum width, so that a window manager has room for its whole
// title beside the frame's buttons. Call it after the title is set.
void keep_title_whole(QWidget& window);

// Fits every window the application shows, as it is shown.
class twindowfitter : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// A page that scrolls when the window is too small for it, and asks for its whole size
// otherwise.
class tscrollpage : public QScrollArea {
    Q_OBJECT
  public:
    explicit tscrollpage(QWidget* page, QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
};

} // namespace gravon
