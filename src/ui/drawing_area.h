// The drawing area of the main window: the keyboard, the level and frequency axes, the
// phonetogram view, the colour legend and the distance caption, laid out together so that the
// view's columns line up with the keys and its rows with the level axis.
#pragma once

#include "core/main_window.h"
#include "ui/axis_widget.h"
#include "ui/keyboard_widget.h"
#include "ui/view_renderer.h"
#include "ui/view_widget.h"

#include <QImage>
#include <QLabel>
#include <QWidget>

namespace gravon {

class TDrawingArea : public QWidget {
    Q_OBJECT
  public:
    explicit TDrawingArea(TForm1& form, QWidget* parent = nullptr);

    TKeyBoard* keyboard() const { return fkeyboard; }
    TAxis* laxis() const { return flaxis; }
    TAxis* faxis() const { return ffaxis; }
    TAxis* legendaxis() const { return flegendaxis; }
    TPhonetogramView* view() const { return fview; }
    QLabel* legendlabel() const { return flegendlabel; }
    // The fonts it draws with, for pictures of it.
    tdrawingfonts fonts() const;
    QLabel* distancelabel() const { return fdistancelabel; }
    tviewaxes axes() const;
    // The whole area as an image, as shown.
    QImage image() const;
    // The area in the screen's pixels (its size times the device pixel ratio).
    QSize pixel_size() const;
    // The whole area in pixels of its own: laid out as shown, its text enlarged with it.
    QImage picture(QSize pixels) const;

  public slots:
    // The display part of the window's refresh: keys, axis ranges and texts, legend, captions,
    // layout, and a repaint of everything.
    void refresh();
    // Only the view (after each analysed hop).
    void repaint_view();
    // "Copy image": at the screen's pixels, or at a size of the user's.
    void copy_image();
    void copy_image_at(QSize pixels);
    // A click on the legend caption: the next parameter some phonetogram has.
    void step_legend_param();

  signals:
    void areaStatistics(const QStringList& lines);
    void cursorChanged();
    void noteOn(int midi);
    void noteOff(int midi);

  protected:
    void resizeEvent(QResizeEvent*) override;
    void paintEvent(QPaintEvent*) override;

  private:
    void lay_out();
    TForm1& fform;
    // Set while the axes are set from the main window: their scale events then report the
    // window's own values back and are ignored.
    bool fsyncing = false;
    TKeyBoard* fkeyboard;
    TAxis* flaxis;
    TAxis* ffaxis;
    TAxis* flegendaxis;
    QWidget* fstrip;
    QWidget* fnovaluekey;
    QLabel* flegendlabel;
    QLabel* fdistancelabel;
    TPhonetogramView* fview;
};

} // namespace gravon
