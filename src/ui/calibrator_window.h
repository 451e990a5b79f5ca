// "Calibrate with a calibrator": the live level of one channel while the user turns the sound
// card's input volume, and signing of the factor the overload limit gives.
#pragma once

#include "core/calibrator_procedure.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace gravon {

class TForm1;

class TCalibratorWindow : public QDialog {
    Q_OBJECT
  public:
    TCalibratorWindow(TForm1& form, twaveinservice& service, QWidget* parent = nullptr);

    tcalibratorprocedure& procedure() { return fprocedure; }
    // Starts for a channel and shows the window modally.
    int showmodal_channo(int chno);

  public slots:
    // Everything showmodal_channo does before the window runs; a recorder that cannot start
    // is reported and the window not shown. Returns whether it started.
    bool start(int chno);
    void sign();
    void fix_signbutton();
    void show_level();

  protected:
    void done(int r) override;

  private:
    TForm1& fform;
    tcalibratorprocedure fprocedure;
    QLabel *instruction, *levellabel;
    QLineEdit* nameedit;
    QPushButton* signbutton;
};

} // namespace gravon
