// The area statistics window: the statistics text of the current selection, full or
// condensed, with a copy to the clipboard.
#pragma once

#include <QDialog>

class QAction;
class QPlainTextEdit;
class QToolButton;

namespace gravon {

class TForm1;

class TForm6 : public QDialog {
    Q_OBJECT
  public:
    TForm6(TForm1& form, QWidget* parent = nullptr);

    bool shortversion() const;
    QString text() const;

  public slots:
    // Shows the statistics again; the main window calls it from its refresh.
    void refresh();
    // The condensed switch (kept with the options); the button follows it.
    void Setshortversion(bool b);
    void condensed_clicked(bool checked);
    void copy_statistics();

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    // Sets the columns' tab stops; returns the width the widest line takes.
    double set_tab_stops(const QString& text);

    TForm1& fform;
    QAction* Copyaction;
    QToolButton* condensedbutton;
    QPlainTextEdit* Memo1;
    bool fcomparisonshown = false;
    bool fprofilesshown = false;
};

} // namespace gravon
