// "Full scale of the sound file": asked when a sound file is chosen for analysis. One field
// per channel takes the full scale in Pa, as /f gives it, and says how the current one was
// made; a file whose header carries a calibration shows it instead and keeps it.
#pragma once

#include "core/user_interface.h"

#include <QDialog>
#include <vector>

class QLineEdit;

namespace gravon {

class TFullScaleDialog : public QDialog {
    Q_OBJECT
  public:
    TFullScaleDialog(const tfullscalequestion& q, QWidget* parent = nullptr);
    // The values as typed, one per channel of the question.
    std::vector<std::string> values() const;

  private:
    std::vector<QLineEdit*> fedits;
};

} // namespace gravon
