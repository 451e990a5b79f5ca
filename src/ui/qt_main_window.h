// The desktop program's main window: menus, toolbar, the drawing area, the status bar with the
// progress of a replay, dropped files and closing. It owns the main window's state (TForm1),
// forwards every action to it and copies back what fix_things derives.
#pragma once

#include "core/action_states.h"
#include "core/main_window.h"
#include "ui/qt_user_interface.h"

#include <QFont>
#include <QMainWindow>
#include <QStringList>
#include <QTimer>
#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QToolBar;

namespace gravon {

class TDrawingArea;
class TStatusPanel;
class TReadingPanel;
class TManualWindow;
class taudiodevices;
class twaveinservice;
class twaveoutservice;
struct tdialogwindows;

// What other windows and widgets add to the main window. An unset hook leaves its action
// disabled (or, for the timer hooks, does nothing).
struct twindowhooks {
    std::function<void()> options;          // the options dialog
    std::function<void()> advancedsettings; // the advanced settings dialog
    std::function<void()> calibrate;        // the calibration procedures
    std::function<void()> showstatistics;   // the area statistics window
    std::function<void()> exporttext;       // the text-export dialog
    std::function<void()> controlpanel;     // shows the phonetogram control panel
    // The phonetogram the control panel points at, for "Select entire area" (0 without it).
    std::function<std::int32_t()> currentpg;
    // A right click in the view left an area selected: its statistics text.
    std::function<void(const QStringList& lines)> areastatistics;
};

class TMainWindow : public QMainWindow {
    Q_OBJECT

  public:
    explicit TMainWindow(QWidget* parent = nullptr);
    ~TMainWindow() override;

    TForm1& form() { return *fform; }
    // The windows around this one (options, control panel, statistics, ...).
    tdialogwindows& dialogs() { return *fdialogs; }
    // The sound card: the recorder and players of the main window, and the calibration
    // windows with services of their own. devices must outlive the window.
    void attach_audio(taudiodevices& devices);
    TQtUserInterface& userinterface() { return fui; }
    twindowhooks hooks;

    // The start-up sequence and the request's command line, once, after the window is
    // shown. A command line that closes the window stands in for the person and answers its
    // questions. Closes the window afterwards when it asked for it; thencall runs before that.
    void activate(const twindowrequest& request, const std::function<void()>& thencall = nullptr);

    // Opens the files one after another, as dropped files are. While a sound file is being
    // analysed they wait until it is done.
    void open_files(const QStringList& names);

    // The keyboard, the axes, the view and the legend; the status panel underneath.
    TDrawingArea* drawing_area() const { return fdrawingarea; }
    TStatusPanel* status_panel() const { return fstatuspanel; }

    // Brings actions, captions and the menus built from the core's models in line with the
    // state.
    void refresh_actions();

    QAction* action(tactionid id) const { return factions[std::size_t(id)]; }
    QMenu* file_menu() const { return ffilemenu; }
    QMenu* target_menu() const { return ftargetmenu; }
    QToolBar* tool_bar() const { return ftoolbar; }
    // The recent-files items currently in the File menu (separator, files, clear item).
    const std::vector<QAction*>& recent_actions() const { return frecentactions; }
    // The "Show target" toggle is ticked and the option shows it.
    bool target_shown() const;
    // A replay or another operation of the core is running.
    bool busy() const { return fbusydepth > 0 || fform->analyzing; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    // What the core reports through the user interface, besides facts and dialogs.
    friend class TQtUserInterface;
    void repaint_view();
    void refresh_state();
    void refresh_control_panel();
    void show_control_panel();
    void refresh_device_lists();
    void select_phonetogram(std::int32_t pgno);

    void create_actions();
    void create_menus();
    void create_status_bar();
    void create_drawing_area();
    void create_dialogs();
    void set_axis_font(const QFont& f);
    // Runs an operation of the core: its exception is shown, and what waited for it (dropped
    // files, closing) follows.
    void run(const std::function<void()>& op);
    void after_operations();
    void rebuild_recent_menu();
    void rebuild_target_menu();
    void apply_action_states(const tactionstates& s);
    void on_timer();
    void show_progress(const std::string& what, double fraction);
    void hide_progress();
    // Action handlers that need a dialog of the window.
    void open_soundfile_dialog();
    void open_stdpg_dialog();
    void make_reference_group_dialog();
    void open_options_dialog();
    void save_options_dialog();
    void choose_target(std::int32_t tag);
    // The report of what the window shows: "Save report as PDF..." and "Print report...".
    void save_report_dialog();
    void print_report_dialog();
    void show_about();
    void show_manual();
    void copy_image_at_size();

    TQtUserInterface fui;
    std::unique_ptr<TForm1> fform;
    std::array<QAction*, nactionids> factions{};
    QMenu* ffilemenu = nullptr;
    QMenu* ftargetmenu = nullptr;
    QAction* ftargetmenuaction = nullptr;
    QAction* frecentanchor = nullptr; // the separator before Exit
    QToolBar* ftoolbar = nullptr;
    std::unique_ptr<twaveinservice> fcalibrationin;
    std::unique_ptr<twaveoutservice> fcalibrationout;
    std::unique_ptr<tdialogwindows> fdialogs;
    QFont faxisfont;
    TDrawingArea* fdrawingarea = nullptr;
    TStatusPanel* fstatuspanel = nullptr;
    TReadingPanel* freadingpanel = nullptr; // the passage of a speech take
    // Made when first asked for; a child of this window.
    TManualWindow* fmanual = nullptr;
    // The last size asked for with "Copy image at size"; invalid: the window's own.
    QSize fimagesize;
    std::vector<QAction*> frecentactions;
    std::vector<std::string> frecentsignature;
    std::vector<QAction*> ftargetactions;
    std::vector<std::string> ftargetsignature;
    QLabel* fprogresslabel = nullptr;
    QProgressBar* fprogressbar = nullptr;
    QTimer ftimer;
    int fbusydepth = 0;
    bool fpendingclose = false;
    bool fclosing = false;
    std::deque<std::string> fpendingfiles;
};

} // namespace gravon
