// The phonetogram control panel: which phonetograms are shown, their colour and opacity,
// the order of the loaded ones and closing them.
#pragma once

#include "core/control_panel.h"

#include <QDialog>

class QAction;
class QCheckBox;
class QLabel;
class QGroupBox;
class QListWidget;
class QListWidgetItem;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace gravon {

class TForm1;

class TForm8 : public QDialog {
    Q_OBJECT
  public:
    TForm8(TForm1& form, QWidget* parent = nullptr);

    // The button that opens a phonetogram triggers the main window's action.
    void set_open_action(QAction* action);
    tpanelselection selection() const { return fselection; }

  public slots:
    // Rebuilds the panel from the phonetogram list.
    void fix_things();
    // Selects the item of phonetogram pgno (after it was opened).
    void select_phonetogram(int pgno);
    void FormShow();
    void recording_clicked(int item);
    void phonetogram_clicked(int item);
    void color_clicked(int index);
    void set_opaque(bool opaque);
    void up();
    void down();
    void close_phonetogram();
    void set_baseline(bool on);
    void set_difference_view(bool on);
    // The share a reference group is outlined at besides half its members.
    void set_group_share(int percent);

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    void item_ticked(QListWidgetItem* item);
    void refresh_all();

    TForm1& fform;
    tpanelselection fselection;
    bool ffilling = false;
    QListWidget *recchecklistbox, *pgchecklistbox;
    QPushButton *upbutton, *downbutton, *closebutton, *openbutton;
    QGroupBox* GroupBox1;
    QPlainTextEdit* propertiesmemo;
    QListWidget* parameterslistbox;
    QListWidget* ColorListBox1;
    QRadioButton *transparentradio, *opaqueradio;
    QCheckBox *baselinebox, *differencebox;
    QLabel* comparedlabel;
    QGroupBox* groupbox;
    QSpinBox* groupsharespin;
};

} // namespace gravon
