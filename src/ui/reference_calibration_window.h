// "Calibrate from reference": the analysed sound file's waveform, in which the user marks the
// stretch of the reference recorded with it (a calibrator's tone, a vowel read on a sound
// level meter), its level in dB SPL or dB(A) at a distance, and the signature. Calibrate
// measures the stretch, keeps the full scale for the file and analyses it again.
#pragma once

#include "core/main_window.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace gravon {

class TWaveformView;

class TReferenceWindow : public QDialog {
    Q_OBJECT
  public:
    TReferenceWindow(TForm1& form, QWidget* parent = nullptr);

    TWaveformView& waveform() { return *fwaveform; }
    // Reads the file's waveform for the view's width; false, with the reason shown, when the
    // file cannot be read.
    bool load();

  public slots:
    // The "Calibrate" button.
    void calibrate();

  protected:
    void resizeEvent(QResizeEvent* e) override;

  private:
    void show_waveform();
    void select_columns(int from, int to);
    // Seconds of a display column's left edge.
    double seconds_at(int column) const;

    TForm1& fform;
    tfilewaveform fwave;
    int fdown = -1, fup = -1;
    TWaveformView* fwaveform;
    QLabel* finfo;
    QLineEdit *fstart, *fend, *flevel, *fdistance, *fname;
    QComboBox* funit;
    QPushButton* fcalibrate;
};

} // namespace gravon
