// What the options dialog and the advanced settings dialog share: their row of buttons under
// the pages, and what OK, Cancel and "Apply and save!" do.
#pragma once

#include <QDialog>
#include <functional>

class QPushButton;
class QVBoxLayout;

namespace gravon {

class TSettingsDialog : public QDialog {
    Q_OBJECT
  public slots:
    void ok();
    void cancel();
    void apply_and_save();

  protected:
    using QDialog::QDialog;

    // What the buttons do in each dialog.
    struct tactions {
        // Copies the controls into the main window; false when a field stopped it.
        std::function<bool()> apply;
        // Writes the applied settings to their file.
        std::function<void()> save;
        // The reset button: asks, and shows the defaults when they were set.
        std::function<void()> reset;
    };
    // Adds the row to the layout: "&Ok" (the default), "&Cancel", the reset button with its
    // caption, "Apply!" and "Apply and save!". Returns the last.
    QPushButton* add_buttons(QVBoxLayout* layout, const char* resetcaption, tactions actions);

  private:
    tactions factions;
};

} // namespace gravon
