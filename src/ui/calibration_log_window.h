// The calibration log: a read-only view of the log file's text.
#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace gravon {

class TForm7 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm7(QWidget* parent = nullptr);

    void set_text(const QString& text);
    QString text() const;

  private:
    QPlainTextEdit* Memo1;
};

} // namespace gravon
