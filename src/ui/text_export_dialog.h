// The dialog that exports chosen parameters of one phonetogram as tables of text.
#pragma once

#include "files/text_export.h"

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QListWidget;

namespace gravon {

class TForm1;

class TForm11 : public QDialog {
    Q_OBJECT
  public:
    TForm11(TForm1& form, QWidget* parent = nullptr);

    // The dialog's choices as the export takes them.
    ttextexportchoices choices() const;

  public slots:
    void FormShow();
    void phonetogramscomboClick();
    void allbuttonClick();
    void nonebuttonClick();
    // "Use visible range!"
    void Button2Click();
    void Button1Click();
    // Asks for a file name and writes it; true when the file was written.
    bool exportbuttonClick();

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    void show_checks(const std::vector<bool>& checked);

    TForm1& fform;
    QComboBox* phonetogramscombo;
    QListWidget* channelschecklistbox;
    QButtonGroup *colsepradio, *decsepradio, *freqheadradio, *thresholdradio;
    QLineEdit *loleveledit, *hileveledit, *lomidiedit, *himidiedit;
};

} // namespace gravon
