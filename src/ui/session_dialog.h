// "Session details": who is recorded, by whom, doing what. Opened from the Recording menu and
// offered at the first Record of a take.
#pragma once

#include "phonetogram/session_record.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace gravon {

class TSessionDialog : public QDialog {
    Q_OBJECT

  public:
    explicit TSessionDialog(QWidget* parent = nullptr);

    // Fills the fields. atrecord: the take's start gives the date and time, so that field
    // only shows them.
    void set_record(const tsessionrecord& r, bool atrecord);
    tsessionrecord record() const;
    // The text a speech take is read from: shown with a speech task, to pick from the
    // program's passages or to type. Empty when it is the first of the program's.
    void set_passage(const std::string& text);
    std::string passage() const;

    void accept() override;

  private:
    QLineEdit* fpatient = nullptr;
    QLineEdit* fname = nullptr;
    QLineEdit* fborn = nullptr;
    QComboBox* fsex = nullptr;
    QLineEdit* fclinician = nullptr;
    QLineEdit* fdate = nullptr;
    QComboBox* ftask = nullptr;
    QPlainTextEdit* fnotes = nullptr;
    QLineEdit* fprotocol = nullptr; // read only: the guided profile sets it
    QLabel* fhint = nullptr;
    QComboBox* fpassagechoice = nullptr;
    QPlainTextEdit* fpassage = nullptr;
    QWidget* fpassagebox = nullptr;

    void show_passage_with_task();
};

} // namespace gravon
