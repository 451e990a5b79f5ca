// "Calibrate with a sound level meter": the five steps of the procedure, the waveform in
// which the user marks the tone or vowel, and signing.
#pragma once

#include "core/sound_level_meter_procedure.h"

#include <QDialog>
#include <QTimer>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace gravon {

class TForm1;
class TWaveformView;

class TSoundLevelMeterWindow : public QDialog {
    Q_OBJECT
  public:
    TSoundLevelMeterWindow(TForm1& form, twaveinservice& in, twaveoutservice& out,
                           QWidget* parent = nullptr);

    tmeterprocedure& procedure() { return fprocedure; }
    TWaveformView& waveform() { return *fwaveform; }
    int showmodal_channo(int chno, int method);

  public slots:
    // Everything showmodal_channo does before the window runs.
    void start(int chno, int method);
    // The "Calibrate" button.
    void calibrate();
    void start_over();
    void sign();
    void save_waveform();
    void fix_things();

  protected:
    void done(int r) override;

  private:
    void step(const std::function<void()>& change);
    void shake();
    void show_waveform();

    TForm1& fform;
    tmeterprocedure fprocedure;
    QLabel *instruction, *methodimage, *levelcaption, *overloadlabel;
    QLineEdit *leveledit, *nameedit;
    QPushButton *calibratebutton, *startoverbutton, *signbutton, *savewavebutton;
    QGroupBox* signgroup;
    TWaveformView* fwaveform;
    QTimer shaketimer;
    int shakecount = 0;
    QPoint instructionpos;
};

} // namespace gravon
