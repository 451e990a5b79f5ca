// The two small editors of the advanced settings dialog's parameter lists: a mapping of a
// phonetogram-file parameter name onto a display parameter, and a display parameter's name
// and unit. Both work on the dialog's working copies and are shown without being modal.
#pragma once

#include "core/advanced_settings_page.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QLineEdit;

namespace gravon {

// The mapping editor.
class TForm9 : public QDialog {
    Q_OBJECT
  public:
    // changed runs after OK has stored an entry, so that the lists are rebuilt.
    TForm9(tadvancedpage& page, std::function<void()> changed, QWidget* parent = nullptr);

    std::int32_t paramno = 0;
    bool isadding = false;

  public slots:
    void add_stdpg_parameter();
    void edit_stdpg_parameter(int paramno);
    void ok();
    void cancel();

  private:
    void list_display_names(int selected);

    tadvancedpage& fpage;
    std::function<void()> fchanged;
    QLineEdit* nameedit;
    QComboBox* displaycombo;
};

// The display-parameter editor.
class TForm10 : public QDialog {
    Q_OBJECT
  public:
    TForm10(tadvancedpage& page, std::function<void()> changed, QWidget* parent = nullptr);

    std::int32_t paramno = 0;
    bool isadding = false;

  public slots:
    void add_displayable_parameter();
    void edit_displayable_parameter(int paramno);
    void ok();
    void cancel();

  private:
    tadvancedpage& fpage;
    std::function<void()> fchanged;
    QLineEdit *nameedit, *unitedit;
};

} // namespace gravon
