// The advanced settings dialog: six tabs over the main window's advanced settings, with
// working copies of the two parameter lists, written back in a fixed order on apply.
#pragma once

#include "core/advanced_settings_page.h"
#include "ui/settings_dialog.h"

#include <QDialog>
#include <functional>
#include <map>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace gravon {

class TForm1;
class TForm7;
class TForm9;
class TForm10;

// The index of the "Soundcards" tab.
inline constexpr int advancedsoundcardstab = 2;

class TForm2 : public TSettingsDialog {
    Q_OBJECT
  public:
    TForm2(TForm1& form, TForm7& logwindow, QWidget* parent = nullptr);

    // The dialog's controls and working copies as a page (what an apply would write).
    tadvancedpage page() const;
    // The working copies and the dialog's own state, as the editors change them.
    const tadvancedpage& working() const { return fpage; }
    TForm9& mapping_editor() { return *fmappingeditor; }
    TForm10& display_editor() { return *fdisplayeditor; }
    QTabWidget& tabs() { return *ftabs; }
    // Re-reads the device names of the audio components into the main window before the
    // dialog fills its device lists; set by the owner of the audio components.
    std::function<void()> read_devicenames;
    // The main window's device lists changed: the four lists show them, each keeping the
    // device chosen in it.
    void refresh_device_lists();
    // How the log window is shown modally; tests replace it.
    std::function<void(QDialog&)> show_modal = [](QDialog& d) { d.exec(); };

  public slots:
    void FormShow();
    bool apply_settings();
    void reset_all_advanced_settings();
    void remove_all_calibrations();
    void show_calibration_log();
    void fix_things();
    void fix_parameter_mapping_listboxes();
    void add_display();
    void add_mapping();
    void edit_mapping();
    void edit_display();
    void remove_mapping();
    void remove_display();

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    QWidget* make_display_tab();
    QWidget* make_save_tab();
    QWidget* make_soundcards_tab();
    QWidget* make_calibration_tab();
    QWidget* make_extraction_tab();
    QWidget* make_mapping_tab();
    QLineEdit* edit(const char* name, std::string tadvancedpage::*field);
    QLineEdit* edit(const char* name, std::array<std::string, 2> tadvancedpage::*field,
                    std::size_t ch);
    QCheckBox* check(const char* caption, const char* name, bool tadvancedpage::*field);
    void show_page();

    TForm1& fform;
    TForm7& flog;
    tadvancedpage fpage;
    bool ffilling = false;
    QTabWidget* ftabs;
    QTabWidget* soundfiletabs;
    std::vector<std::pair<QLineEdit*, std::string tadvancedpage::*>> fedits;
    std::vector<std::tuple<QLineEdit*, std::array<std::string, 2> tadvancedpage::*, std::size_t>>
        fpairedits;
    std::vector<std::pair<QCheckBox*, bool tadvancedpage::*>> fchecks;
    // Display
    QLabel *lokeynote, *hikeynote, *sigdigitssample, *secsample, *dbsample;
    // Save
    QComboBox* savestdpgchannos;
    std::array<std::array<QListWidget*, 2>, 3> savelists{}; // [Kavell, SMP, WAV][channel]
    QLabel* settingsfolder;
    // Soundcards
    QComboBox *noisedevice, *keyboarddevice, *calibrationdevice, *recorddevice;
    // Calibration
    std::array<QComboBox*, 2> methodcombo{};
    QGroupBox *calibratorgroup, *loudspeakergroup;
    std::array<QLabel*, 2> distancerange{}, maxlevelat300{}, maxlevelatmic{};
    QLabel* soundcardlabel;
    QPushButton* applysavebutton;
    // Extraction
    QComboBox* windowcombo;
    QLabel* windowlength;
    std::array<QRadioButton*, 3> binningradio{};
    // Parameter mapping
    QListWidget *mappinglist, *displaylist;
    QPushButton *editmappingbutton, *removemappingbutton, *editdisplaybutton, *removedisplaybutton;
    TForm9* fmappingeditor;
    TForm10* fdisplayeditor;
};

} // namespace gravon
