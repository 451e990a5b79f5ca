// The two small editors of the advanced settings dialog's parameter lists: a mapping of a
// phonetogram-file parameter name onto a display parameter, and a display parameter's name
// and unit. Both work on the dialog's working copies and are shown without being modal.
#pragma once

#include "core/advanced_settings_page.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QGridLayout;
class QLineEdit;

namespace gravon {

// What both editors share: the working copy, the entry edited or the one being added, the
// name edit, and how they end.
class TParameterEditor : public QDialog {
    Q_OBJECT
  public:
    std::int32_t paramno = 0;
    bool isadding = false;

  public slots:
    // Stores the entry and closes; nothing happens while the entry is refused.
    virtual void ok() = 0;
    void cancel();

  protected:
    // changed runs after OK has stored an entry, so that the lists are rebuilt.
    TParameterEditor(tadvancedpage& page, std::function<void()> changed, const char* name,
                     QWidget* parent);
    // The row of OK and Cancel, across the grid's columns under its other rows.
    void add_buttons(QGridLayout* grid, int row, int columns, const char* cancelcaption);
    // OK stored the entry in a list that now has n entries: an added one (the last) becomes
    // the one edited, the lists are rebuilt and the editor closes.
    void stored(std::size_t n);

    tadvancedpage& fpage;
    QLineEdit* nameedit;

  private:
    std::function<void()> fchanged;
};

// The mapping editor.
class TForm9 : public TParameterEditor {
    Q_OBJECT
  public:
    TForm9(tadvancedpage& page, std::function<void()> changed, QWidget* parent = nullptr);

  public slots:
    void add_stdpg_parameter();
    void edit_stdpg_parameter(int paramno);
    void ok() override;

  private:
    void list_display_names(int selected);

    QComboBox* displaycombo;
};

// The display-parameter editor.
class TForm10 : public TParameterEditor {
    Q_OBJECT
  public:
    TForm10(tadvancedpage& page, std::function<void()> changed, QWidget* parent = nullptr);

  public slots:
    void add_displayable_parameter();
    void edit_displayable_parameter(int paramno);
    void ok() override;

  private:
    QLineEdit* unitedit;
};

} // namespace gravon
