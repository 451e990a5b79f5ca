// The options dialog: display, target, headphone-noise and keyboard options over a working
// copy that is applied in a fixed order.
#pragma once

#include "core/options_page.h"
#include "ui/settings_dialog.h"

#include <QDialog>
#include <QFont>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTabWidget;

namespace gravon {

class TForm1;

class TForm5 : public TSettingsDialog {
    Q_OBJECT
  public:
    TForm5(TForm1& form, QWidget* parent = nullptr);

    // The font of the level axis, which the preview shows when the dialog is shown.
    void set_axis_font(const QFont& f) { faxisfont = f; }
    QFont preview_font() const;
    // The dialog's controls as a page (what an apply would copy).
    toptionspage page() const;

  signals:
    // An apply gave the axes (level, frequency, legend) and the captions this font.
    void axis_font_applied(const QFont& f);

  public slots:
    void FormShow();
    // Copies the controls into the main window; false when a field stopped it.
    bool apply_options();
    void reset_all_options();
    void change_font();
    void add_target();
    void delete_target();
    void target_up();
    void target_down();
    void fix_targetbuttons();

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    void show_page(const toptionspage& p);
    ttargetgrid grid() const;
    void show_grid(const ttargetgrid& g);
    // The grid's buttons: the grid as shown, edited, shown again.
    void edit_grid(const std::function<void(ttargetgrid&)>& edit);
    QWidget* make_display_page();
    QWidget* make_target_page();
    QWidget* make_noise_page();
    QWidget* make_keyboard_page();

    TForm1& fform;
    QFont faxisfont;
    QTabWidget* tabs;
    QComboBox* zparamcombo;
    std::array<QCheckBox*, 2> showphonetogram{}, showspectrum{}, shownoise{}, showblob{};
    QLabel* fontpreview;
    QCheckBox *lockaspectratio, *showlegend, *showblackborder, *showoutline;
    std::vector<QCheckBox*> statschecks;
    QListWidget *f0percentileschecklist, *SPLpercentileschecklist, *paramavgchecklist;
    QCheckBox* showtargetcheck;
    QLineEdit *f0targetedit, *leveltargetedit;
    QTableWidget* targetsgrid;
    QPushButton *targetupbutton, *targetdownbutton, *addtargetbutton, *deletetargetbutton;
    QLineEdit* noiseleveledit;
    QRadioButton *pinkradio, *whiteradio;
    QCheckBox* softnoiseonset;
    QLineEdit *npartialsedit, *slopeedit, *keyboardleveledit;
    QCheckBox* voicelike;
};

} // namespace gravon
