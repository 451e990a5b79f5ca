// Recording > "Guided profile…": a dialog with the protocol's settings, then a panel beside the
// phonetogram that leads the take: the instruction in large text, the note, how far the step
// is, the steps left and the steps so far, with Repeat (R), Skip (S) and Stop (Esc). The
// target is marked on the keyboard and on the frequency axis.
#pragma once

#include "core/guided_run.h"

#include <QDialog>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QTimer>
#include <memory>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QTreeWidget;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace gravon {

class TMainWindow;

class TGuidedSettingsDialog : public QDialog {
    Q_OBJECT
  public:
    // The start notes offered are the keyboard's keys lo...hi.
    TGuidedSettingsDialog(std::int32_t lo, std::int32_t hi, QWidget* parent = nullptr);
    void set_settings(const tguidedsettings& s);
    tguidedsettings settings() const;

  public slots:
    void accept() override;

  private:
    std::int32_t flo, fhi;
    QComboBox* fstart = nullptr;
    QRadioButton* fsemitone = nullptr;
    QRadioButton* fwholetone = nullptr;
    QDoubleSpinBox* ftone = nullptr;
    QDoubleSpinBox* fphonation = nullptr;
    QDoubleSpinBox* flimit = nullptr;
};

class TGuidedPanel : public QDockWidget {
    Q_OBJECT
  public:
    explicit TGuidedPanel(TMainWindow& window);
    ~TGuidedPanel() override;

    // Begins a guided take; false when the take did not start.
    bool start(const tguidedsettings& s);
    // Shows the state of p at now (the live take's, or one made for a picture).
    void show_state(const tguidedprotocol& p, double now);
    bool running() const { return frun && !frun->protocol().finished(); }
    // The settings of the last guided take, which the dialog offers again.
    const tguidedsettings& last_settings() const;
    QPushButton* repeat_button() const { return frepeat; }
    QPushButton* skip_button() const { return fskip; }
    QPushButton* stop_button() const { return fstop; }

  private:
    void changed();
    void mark_target(std::int32_t note);
    TMainWindow& fwindow;
    // A take stopped in the window (Stop, a device gone) ends the profile with it.
    QTimer fwatch;
    std::unique_ptr<tguidedrun> frun;
    QLabel* finstruction = nullptr;
    QLabel* fnote = nullptr;
    QProgressBar* fsoft = nullptr;
    QProgressBar* floud = nullptr;
    QLabel* fstep = nullptr;
    QTreeWidget* fsteps = nullptr;
    QPushButton* frepeat = nullptr;
    QPushButton* fskip = nullptr;
    QPushButton* fstop = nullptr;
    QLabel* faxismark = nullptr; // on the frequency axis, under the target's column
    // The panel follows the blocks of the take at most every 100 ms, and at once when the
    // step or its phase changes.
    QElapsedTimer fshown;
    std::size_t fshownsteps = 0;
    tguidedphase fshownphase = tguidedphase::finished;
};

// The panel of the window, made the first time it is asked for.
TGuidedPanel& guided_panel(TMainWindow& window);
// The action: the settings dialog, then the guided take in the panel.
void open_guided_profile(TMainWindow& window);
// For pictures: the panel over the window's left phonetogram as a guided take of it would
// stand at "start", "midway" (the first steps up) or "end"; false for another stage.
bool show_guided_stage(TMainWindow& window, const std::string& stage);

} // namespace gravon
