#include "ui/qt_main_window.h"

#include "audio/audio_devices.h"
#include "base/number_text.h"
#include "core/phonetogram_subjects.h"
#include "core/report.h"
#include "files/sound_file_kinds.h"
#include "phonetogram/area_selection.h"
#include "phonetogram/targets.h"
#include "ui/advanced_settings_dialog.h"
#include "ui/calibration_log_window.h"
#include "ui/calibrator_window.h"
#include "ui/control_panel.h"
#include "ui/dialog_windows.h"
#include "ui/drawing_area.h"
#include "ui/gravon_application.h"
#include "ui/guided_window.h"
#include "ui/image_size_dialog.h"
#include "ui/main_actions.h"
#include "ui/manual_window.h"
#include "ui/options_dialog.h"
#include "ui/reading_panel.h"
#include "ui/reference_calibration_window.h"
#include "ui/report_page.h"
#include "ui/sound_focus.h"
#include "ui/sound_level_meter_window.h"
#include "ui/statistics_window.h"
#include "ui/status_panel_widget.h"
#include "ui/text_export_dialog.h"
#include "ui/toolbar_keys.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <tuple>

// The images are compiled into this static library; a program only links them in when asked.
static void init_icon_resources() {
    Q_INIT_RESOURCE(gravon_icons);
}

namespace gravon {

namespace {

using enum tactionid;

constexpr int timerperiod = 200;      // ms: status panel and keyboard-tone time-out
constexpr int hintdisplaytime = 5000; // ms

const char* const stdpgfilter = "Standard phonetogram (*.stdpg)|*.stdpg|All files (*.*)|*.*";
// Open also takes the voice maps of other voice-map tools.
const char* const openpgfilter = "Phonetogram or voice map (*.stdpg;*.csv)|*.stdpg;*.csv|"
                                 "Standard phonetogram (*.stdpg)|*.stdpg|"
                                 "Voice map (*.csv)|*.csv|All files (*.*)|*.*";
const char* const settingsfilter = "Arnsel settings file (*.qubfile)|*.qubfile|All files (*.*)|*.*";

// The local files among the dropped URLs, in the order the platform lists them.
QStringList local_files(const QMimeData* data) {
    QStringList names;
    if (!data || !data->hasUrls()) return names;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) names << url.toLocalFile();
    return names;
}

} // namespace

TMainWindow::TMainWindow(QWidget* parent)
    : QMainWindow(parent), fui(*this), fform(std::make_unique<TForm1>(fui)) {
    init_icon_resources();
    fui.readingpassage = &fform->options.readingpassage;
    setWindowTitle(QString::fromStdString(fform->progid.ProductName()));
    setWindowIcon(QIcon(appiconpath));
    setAcceptDrops(true);
    resize(1000, 740);

    create_actions();
    create_menus();
    create_status_bar();

    create_drawing_area();
    // Keys act on the phonetogram until the user moves the focus; a sound control never
    // receives it on the way.
    fdrawingarea->view()->setFocus(Qt::OtherFocusReason);
    for (tactionid id : {record, playnoise})
        if (QWidget* b = ftoolbar->widgetForAction(action(id)))
            guard_sound_focus(*b, *fdrawingarea->view());
    faxisfont = axis_font();
    create_dialogs();

    fui.attach(this);

    // A failure that escaped a handler of any window (one of the dialogs around this one) is
    // shown like the core's errors, and the actions follow the state it left.
    if (TGravonApplication* app = TGravonApplication::instance())
        app->onfailure = [this](const std::string& text) {
            fui.tell(message_fact(fform->progid.ProductName(), text, tmessagekind::error));
            if (fbusydepth == 0) refresh_actions();
        };

    ftimer.setInterval(timerperiod);
    connect(&ftimer, &QTimer::timeout, this, [this] { on_timer(); });
    ftimer.start();
    refresh_actions();
}

TMainWindow::~TMainWindow() {
    ftimer.stop();
    if (TGravonApplication* app = TGravonApplication::instance()) app->onfailure = nullptr;
    // The windows around this one refer to the state and to the calibration's sound services,
    // which go with the members; Qt would delete its children only after them.
    std::vector<std::unique_ptr<QWidget>> dialogs;
    dialogs.emplace_back(fdialogs->calibrationlog); // the advanced settings refer to it
    for (QWidget* w : std::initializer_list<QWidget*>{
             fdialogs->textexport, fdialogs->controlpanel, fdialogs->statistics, fdialogs->options,
             fdialogs->soundlevelmeter, fdialogs->calibrator, fdialogs->advanced})
        if (w) dialogs.emplace_back(w);
    // A guided profile's panel gives its keyboard tone and the core's hook back as it goes.
    for (TGuidedPanel* p : findChildren<TGuidedPanel*>()) dialogs.emplace_back(p);
    // What the core still reports while it winds down (a recorder stopping) reaches no
    // widget, and the widgets that refer to the core go before it does.
    fui.attach(nullptr);
    const std::unique_ptr<QWidget> central(takeCentralWidget());
}

void TMainWindow::create_actions() {
    for (const tactiondef& d : main_action_defs()) {
        auto* a = new QAction(QString::fromUtf8(d.caption), this);
        if (*d.shortcut) a->setShortcut(QKeySequence(QString::fromUtf8(d.shortcut)));
        a->setStatusTip(QString::fromUtf8(d.hint));
        a->setToolTip(QString::fromUtf8(d.hint));
        a->setCheckable(d.checkable);
        if (d.image >= 0) a->setIcon(QIcon(action_image_path(d.image)));
        if (d.icontext) a->setIconText(QString::fromUtf8(d.icontext));
        factions[std::size_t(d.id)] = a;
    }
    // The Space of Pause, Esc and F9 work wherever the focus is in the window.
    for (tactionid id : {pause, cancelanalysis, record})
        action(id)->setShortcutContext(Qt::WindowShortcut);

    const auto on = [this](tactionid id, const std::function<void()>& op) {
        connect(action(id), &QAction::triggered, this, [this, op] { run(op); });
    };
    TForm1& f = *fform;
    on(newrecording, [&f] { f.NewRecordingActionExecute(); });
    on(opensoundfile, [this] { open_soundfile_dialog(); });
    on(openstdpg, [this] { open_stdpg_dialog(); });
    on(makereferencegroup, [this] { make_reference_group_dialog(); });
    on(calibratefromreference, [this] {
        TReferenceWindow w(*fform, this);
        w.show();
        if (w.load()) w.exec();
    });
    on(savestdpg, [&f] { f.save_stdpg_action("", 0); });
    on(savesmp, [&f] { f.SaveSmpActionExecute(); });
    on(savenormalized, [&f] { f.savenormalizedactionExecute(); });
    on(saveall, [&f] { f.SaveAllActionExecute(); });
    on(exportvoicemap, [&f] { f.export_voicemap_action(""); });
    on(listentoselection, [&f] { f.ListenToSelectionActionExecute(); });
    connect(action(record), &QAction::triggered, this, [this](bool checked) {
        run([this, checked] { fform->RecordActionExecute(checked); });
    });
    connect(action(pause), &QAction::triggered, this,
            [this](bool checked) { run([this, checked] { fform->set_paused(checked); }); });
    on(stop, [&f] { f.StopActionExecute(); });
    connect(action(playnoise), &QAction::triggered, this, [this](bool checked) {
        run([this, checked] { fform->PlayNoiseActionExecute(checked); });
    });
    on(selectallarea, [this] {
        // Beside a baseline, the take that the comparison calls "Current".
        const std::int32_t compared = fform->compared_pg();
        fform->select_all_area_action(compared >= 0     ? compared
                                      : hooks.currentpg ? hooks.currentpg()
                                                        : 0);
        if (hooks.showstatistics) hooks.showstatistics();
    });
    on(clearareaselection, [&f] { f.clear_area_selection_action(); });
    on(hidecrosshair, [this] {
        fform->Setshowcursor(false);
        fstatuspanel->refresh();
    });
    on(openoptions, [this] { open_options_dialog(); });
    on(saveoptions, [this] { save_options_dialog(); });
    on(commandlinesyntax, [&f] { f.execute_command_line({"/?"}); });
    on(sessiondetails, [&f] { f.SessionDetailsActionExecute(); });
    on(guidedprofile, [this] { open_guided_profile(*this); });
    on(savereport, [this] { save_report_dialog(); });
    on(printreport, [this] { print_report_dialog(); });
    on(resettarget, [&f] {
        f.reset_target();
        f.ui.request_repaint();
        f.fix_things();
    });
    on(setmeasuredtarget, [this] {
        if (fform->target_from_measurement()) {
            fform->ui.request_repaint();
            fform->fix_things();
        }
    });
    connect(action(showtarget), &QAction::triggered, this, [this](bool checked) {
        fform->set_target_ticked(checked);
        fui.request_repaint();
    });
    connect(action(cancelanalysis), &QAction::triggered, this, [this] { fform->cancel_replay(); });
    connect(action(copyimage), &QAction::triggered, this, [this] { fdrawingarea->copy_image(); });
    connect(action(exit), &QAction::triggered, this, [this] { close(); });
    connect(action(about), &QAction::triggered, this, [this] { show_about(); });
    on(manual, [this] { show_manual(); });
    on(copyimageatsize, [this] { copy_image_at_size(); });

    // Actions whose windows are built elsewhere run through the hooks.
    const std::array<std::pair<tactionid, std::function<void()> twindowhooks::*>, 6> hooked = {{
        {options, &twindowhooks::options},
        {advancedsettings, &twindowhooks::advancedsettings},
        {calibrate, &twindowhooks::calibrate},
        {showstatistics, &twindowhooks::showstatistics},
        {exporttext, &twindowhooks::exporttext},
        {controlpanel, &twindowhooks::controlpanel},
    }};
    for (const auto& [id, member] : hooked)
        on(id, [this, member] {
            if (hooks.*member) (hooks.*member)();
        });
}

void TMainWindow::create_menus() {
    QMenuBar* bar = menuBar();
    ffilemenu = bar->addMenu(tr("&File"));
    for (tactionid id : {newrecording, opensoundfile, openstdpg}) ffilemenu->addAction(action(id));
    ffilemenu->addSeparator();
    for (tactionid id : {savestdpg, savesmp, savenormalized, saveall})
        ffilemenu->addAction(action(id));
    ffilemenu->addSeparator();
    ffilemenu->addAction(action(exporttext));
    ffilemenu->addSeparator();
    ffilemenu->addAction(action(controlpanel));
    // The recent files go here, at index 12, between the control panel and Exit.
    frecentanchor = ffilemenu->addSeparator();
    // The report and the voice map after the recent files, which keep their place.
    ffilemenu->addAction(action(exportvoicemap));
    ffilemenu->addAction(action(savereport));
    ffilemenu->addAction(action(printreport));
    // Also after the recent files: the menu's first part keeps the places users know.
    ffilemenu->addSeparator();
    ffilemenu->addAction(action(makereferencegroup));
    ffilemenu->addSeparator();
    ffilemenu->addAction(action(exit));
    connect(ffilemenu, &QMenu::aboutToShow, this, [this] { rebuild_recent_menu(); });

    QMenu* edit = bar->addMenu(tr("&Edit"));
    edit->addAction(action(copyimage));
    edit->addAction(action(copyimageatsize));
    edit->addSeparator();
    for (tactionid id : {selectallarea, clearareaselection, hidecrosshair})
        edit->addAction(action(id));
    edit->addSeparator();
    edit->addAction(action(listentoselection));

    QMenu* rec = bar->addMenu(tr("&Recording"));
    for (tactionid id : {record, pause, stop}) rec->addAction(action(id));
    rec->addAction(action(guidedprofile));
    rec->addSeparator();
    rec->addAction(action(playnoise));
    rec->addSeparator();
    rec->addAction(action(cancelanalysis));
    rec->addSeparator();
    rec->addAction(action(calibrate));
    rec->addAction(action(calibratefromreference));
    rec->addSeparator();
    rec->addAction(action(sessiondetails));

    QMenu* view = bar->addMenu(tr("&View"));
    for (tactionid id : {showstatistics, controlpanel, showtarget}) view->addAction(action(id));

    ftargetmenu = bar->addMenu(tr(targetmenucaption));
    ftargetmenuaction = ftargetmenu->menuAction();
    ftargetmenu->addAction(action(setmeasuredtarget));
    ftargetmenu->addAction(action(resettarget));
    ftargetmenu->addSeparator(); // the list items follow it

    QMenu* opts = bar->addMenu(tr("&Settings"));
    opts->addAction(action(options));
    opts->addAction(action(advancedsettings));
    opts->addSeparator();
    opts->addAction(action(openoptions));
    opts->addAction(action(saveoptions));

    QMenu* help = bar->addMenu(tr("&Help"));
    help->addAction(action(manual));
    help->addAction(action(commandlinesyntax));
    help->addAction(action(about));

    ftoolbar = addToolBar(tr("Main"));
    ftoolbar->setObjectName("maintoolbar");
    ftoolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    for (tactionid id : {newrecording, opensoundfile, openstdpg, saveall})
        ftoolbar->addAction(action(id));
    ftoolbar->addSeparator();
    for (tactionid id : {record, pause, stop, cancelanalysis}) ftoolbar->addAction(action(id));
    ftoolbar->addSeparator();
    ftoolbar->addAction(action(playnoise));
    ftoolbar->addSeparator();
    for (tactionid id : {showtarget, controlpanel, showstatistics, copyimage})
        ftoolbar->addAction(action(id));
    for (QToolButton* b : ftoolbar->findChildren<QToolButton*>())
        b->setToolTipDuration(hintdisplaytime);
    let_keyboard_reach(*ftoolbar);
}

void TMainWindow::create_status_bar() {
    fprogresslabel = new QLabel(this);
    fprogressbar = new QProgressBar(this);
    fprogressbar->setObjectName("replayprogress");
    fprogressbar->setRange(0, 1000);
    fprogressbar->setTextVisible(false);
    fprogressbar->setMaximumWidth(240);
    statusBar()->addPermanentWidget(fprogresslabel);
    statusBar()->addPermanentWidget(fprogressbar);
    hide_progress();
}

void TMainWindow::create_dialogs() {
    fdialogs = std::make_unique<tdialogwindows>(*fform, *this);
    tdialogwindows& d = *fdialogs;
    for (const twindowentry& e : windowtable)
        if (QWidget* w = d.window(e.id)) fui.register_window(e.id, w);
    d.controlpanel->set_open_action(action(tactionid::openstdpg));
    connect(d.options, &TForm5::axis_font_applied, this, &TMainWindow::set_axis_font);

    hooks.options = [this] {
        fdialogs->options->set_axis_font(faxisfont);
        fdialogs->options->exec();
    };
    hooks.advancedsettings = [this] { fdialogs->advanced->exec(); };
    hooks.calibrate = [this] { fdialogs->calibrate(); };
    hooks.exporttext = [this] { fdialogs->textexport->exec(); };
    hooks.controlpanel = [this] { fdialogs->show_control_panel(); };
    hooks.currentpg = [this] {
        const tpanelselection sel = fdialogs->controlpanel->selection();
        return current_pg_index(sel.pgitem, sel.recitem);
    };
    hooks.showstatistics = [this] {
        TForm6& w = *fdialogs->statistics;
        w.show();
        w.raise();
        w.refresh();
    };
    hooks.areastatistics = [this](const QStringList&) { hooks.showstatistics(); };
}

void TMainWindow::attach_audio(taudiodevices& devices) {
    // Posted: the report comes from inside the service's delivery of a notification.
    devices.report_failures_to([this](const std::string& text) {
        fui.tell(posted_fact(fform->progid.ProductName(), text, tmessagekind::error));
    });
    fform->attach_audio(devices);
    fcalibrationin = devices.make_wavein();
    fcalibrationout = devices.make_waveout();
    fdialogs->create_calibration_windows(*this, *fcalibrationin, *fcalibrationout);
    fui.register_window(twindowid::calibratorwindow, fdialogs->calibrator);
    fui.register_window(twindowid::calibrationwindow, fdialogs->soundlevelmeter);
}

void TMainWindow::set_axis_font(const QFont& f) {
    faxisfont = f;
    for (TAxis* a : {fdrawingarea->laxis(), fdrawingarea->faxis(), fdrawingarea->legendaxis()})
        a->setAxisFont(f);
    fdrawingarea->legendlabel()->setFont(f);
    fdrawingarea->distancelabel()->setFont(f);
    fdrawingarea->refresh();
}

void TMainWindow::create_drawing_area() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    fdrawingarea = new TDrawingArea(*fform, central);
    fstatuspanel = new TStatusPanel(*fform, central);
    freadingpanel = new TReadingPanel(*fform, central);
    layout->addWidget(freadingpanel, 0);
    layout->addWidget(fdrawingarea, 1);
    layout->addWidget(fstatuspanel, 0);
    setCentralWidget(central);
    connect(fdrawingarea, &TDrawingArea::cursorChanged, this, [this] {
        fstatuspanel->refresh();
        action(tactionid::hidecrosshair)->setEnabled(fform->fshowcursor);
    });
    connect(fdrawingarea, &TDrawingArea::areaStatistics, this, [this](const QStringList& lines) {
        if (hooks.areastatistics) hooks.areastatistics(lines);
    });
    connect(fdrawingarea, &TDrawingArea::noteOn, this,
            [this](int midi) { fform->KeyBoard1NoteOn(midi); });
    connect(fdrawingarea, &TDrawingArea::noteOff, this,
            [this](int midi) { fform->KeyBoard1NoteOff(midi); });
}

void TMainWindow::activate(const twindowrequest& request, const std::function<void()>& thencall) {
    if (fform->activated) return;
    if (request.closes()) fui.unattended = true;
    run([&] { fform->activate(request); });
    refresh_actions();
    if (thencall) thencall();
    if (fform->closerequested) close();
}

void TMainWindow::open_files(const QStringList& names) {
    for (const QString& n : names) fpendingfiles.push_back(n.toStdString());
    if (!busy()) after_operations();
}

void TMainWindow::run(const std::function<void()>& op) {
    ++fbusydepth;
    try {
        op();
    } catch (const std::exception& e) {
        fui.tell(message_fact(fform->progid.ProductName(), e.what(), tmessagekind::error));
    }
    --fbusydepth;
    if (fbusydepth > 0) return;
    // Some ways out of an operation (a file that cannot be analysed) end without the core's
    // refresh after the state has settled.
    refresh_actions();
    after_operations();
}

void TMainWindow::after_operations() {
    if (fpendingclose) {
        // A close that waited for a replay: the files dropped meanwhile are not opened.
        fpendingclose = false;
        fpendingfiles.clear();
        QTimer::singleShot(0, this, [this] { close(); });
        return;
    }
    while (!fpendingfiles.empty() && !busy()) {
        const std::string name = fpendingfiles.front();
        fpendingfiles.pop_front();
        run([&] { fform->open_any_file(name); });
    }
}

void TMainWindow::closeEvent(QCloseEvent* event) {
    if (fclosing) return event->accept();
    if (busy()) {
        // Closing waits for the replay, which stops at its next block.
        fform->cancel_replay();
        fpendingclose = true;
        event->ignore();
        return;
    }
    bool mayclose = false;
    ++fbusydepth;
    try {
        mayclose = fform->FormCloseQuery();
        if (mayclose) fform->FormClose();
    } catch (const std::exception& e) {
        fui.tell(message_fact(fform->progid.ProductName(), e.what(), tmessagekind::error));
    }
    --fbusydepth;
    if (!mayclose) {
        event->ignore();
        after_operations();
        return;
    }
    fclosing = true;
    fpendingfiles.clear();
    ftimer.stop();
    event->accept();
}

void TMainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!local_files(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TMainWindow::dropEvent(QDropEvent* event) {
    const QStringList names = local_files(event->mimeData());
    if (names.isEmpty()) return;
    event->acceptProposedAction();
    // Opened after the drop has returned to the platform, which waits for it.
    QTimer::singleShot(0, this, [this, names] { open_files(names); });
}

void TMainWindow::repaint_view() {
    setWindowTitle(QString::fromStdString(fform->caption()));
    // At once: during a replay this runs inside its event processing.
    fdrawingarea->view()->repaint();
}

void TMainWindow::refresh_state() {
    refresh_actions();
    // The panel's lines follow the state at once, not only at the next tick: a picture taken
    // right after a file's analysis must show all of them.
    fstatuspanel->refresh();
}

void TMainWindow::refresh_control_panel() {
    if (fdialogs) fdialogs->refresh();
}

void TMainWindow::show_control_panel() {
    if (hooks.controlpanel) hooks.controlpanel();
}

void TMainWindow::refresh_device_lists() {
    // A device plugged in or out shows at once in the lists of an open dialog.
    fdialogs->advanced->refresh_device_lists();
}

void TMainWindow::select_phonetogram(std::int32_t pgno) {
    fdialogs->controlpanel->select_phonetogram(pgno);
}

bool TMainWindow::target_shown() const {
    return gravon::target_shown(fform->target_action());
}

void TMainWindow::refresh_actions() {
    apply_action_states(action_states(*fform));
    freadingpanel->refresh();
    fdrawingarea->refresh();
    refresh_control_panel();
    setWindowTitle(QString::fromStdString(fform->caption()));
    rebuild_recent_menu();
    rebuild_target_menu();
}

void TMainWindow::apply_action_states(const tactionstates& s) {
    const auto hooked = [this](tactionid id) -> bool {
        switch (id) {
        case options:
            return bool(hooks.options);
        case advancedsettings:
            return bool(hooks.advancedsettings);
        case calibrate:
            return bool(hooks.calibrate);
        case showstatistics:
            return bool(hooks.showstatistics);
        case exporttext:
            return bool(hooks.exporttext);
        case controlpanel:
            return bool(hooks.controlpanel);
        default:
            return true;
        }
    };
    for (const tactiondef& d : main_action_defs()) {
        QAction* a = action(d.id);
        const tactionstate& st = s[d.id];
        a->setEnabled(st.enabled && hooked(d.id));
        a->setVisible(st.visible);
        if (d.checkable && a->isChecked() != st.checked) a->setChecked(st.checked);
        const QString hint = QString::fromUtf8(st.hint.empty() ? d.hint : st.hint.c_str());
        if (a->statusTip() != hint) {
            a->setStatusTip(hint);
            a->setToolTip(hint);
        }
        const std::int32_t image = st.image >= 0 ? st.image : d.image;
        if (image >= 0 && a->property("image").toInt() != image + 1) {
            a->setIcon(QIcon(action_image_path(image)));
            a->setProperty("image", image + 1);
        }
    }
    ftargetmenuaction->setVisible(s.targetmenuvisible);
    // A keyboard tone blocks the analysis while it sounds: not during a file's.
    fdrawingarea->keyboard()->setEnabled(!fform->analyzing);
    fui.set_other_windows_enabled(!fform->analyzing);
    for (QAction* a : frecentactions) a->setEnabled(s.recentfilesenabled);
}

void TMainWindow::rebuild_recent_menu() {
    const TMenu& model = fform->filemenu;
    std::vector<std::string> signature;
    for (int i = 0; i < model.count(); ++i)
        signature.push_back(model.item(i)->caption + (model.item(i)->visible ? "+" : "-"));
    if (signature == frecentsignature && frecentactions.size() == std::size_t(model.count()))
        return;
    for (QAction* a : frecentactions) {
        ffilemenu->removeAction(a);
        a->deleteLater();
    }
    frecentactions.clear();
    const bool enabled = !busy();
    for (int i = 0; i < model.count(); ++i) {
        TMenuItem* item = model.item(i);
        // A separator with a text is drawn as a section headed by it: "-" would show.
        const bool separator = item->caption == "-";
        auto* a =
            new QAction(separator ? QString() : QString::fromStdString(item->caption), ffilemenu);
        a->setSeparator(separator);
        a->setVisible(item->visible);
        a->setEnabled(enabled && item->enabled);
        // Queued, so that the menu has let go of the item before the list is rebuilt.
        connect(
            a, &QAction::triggered, this, [this, item] { run([item] { item->click(); }); },
            Qt::QueuedConnection);
        ffilemenu->insertAction(frecentanchor, a);
        frecentactions.push_back(a);
    }
    frecentsignature = std::move(signature);
}

void TMainWindow::rebuild_target_menu() {
    std::vector<std::string> signature;
    const std::vector<ttargetmenuitem> items =
        target_menu_items(fform->options, fform->statistics, localedecimalseparator());
    for (const ttargetmenuitem& it : items)
        if (it.kind == ttargetmenuitemkind::target) signature.push_back(it.caption);
    if (signature == ftargetsignature) return;
    for (QAction* a : ftargetactions) {
        ftargetmenu->removeAction(a);
        a->deleteLater();
    }
    ftargetactions.clear();
    for (const ttargetmenuitem& it : items) {
        if (it.kind != ttargetmenuitemkind::target) continue;
        auto* a = new QAction(QString::fromStdString(it.caption), ftargetmenu);
        const std::int32_t tag = it.tag;
        connect(a, &QAction::triggered, this, [this, tag] { choose_target(tag); });
        ftargetmenu->addAction(a);
        ftargetactions.push_back(a);
    }
    ftargetsignature = std::move(signature);
}

void TMainWindow::choose_target(std::int32_t tag) {
    if (!fform->choose_target(tag)) return;
    action(showtarget)->setChecked(fform->targetticked);
    fui.request_repaint();
}

void TMainWindow::on_timer() {
    fstatuspanel->refresh();
    fform->Timer1Timer(timerperiod);
    // The Record image changes when the background-noise hold of a recording is over.
    if (fform->recording()) apply_action_states(action_states(*fform));
}

void TMainWindow::show_progress(const std::string& what, double fraction) {
    fprogresslabel->setText(tr("%1 %2 (Esc cancels)")
                                .arg(QString::fromStdString(what),
                                     QFileInfo(QString::fromStdString(fform->title())).fileName()));
    fprogressbar->setValue(int(std::clamp(fraction, 0.0, 1.0) * 1000));
    fprogresslabel->show();
    fprogressbar->show();
}

void TMainWindow::hide_progress() {
    fprogresslabel->hide();
    fprogressbar->hide();
}

void TMainWindow::open_soundfile_dialog() {
    const QStringList names = fui.open_file_names("Analyze soundfile", sound_file_filter(), false);
    if (names.isEmpty()) return;
    fform->opensoundfileactionExecute(names.front().toStdString());
}

void TMainWindow::open_stdpg_dialog() {
    const QStringList names = fui.open_file_names("Open phonetogram", openpgfilter, true);
    for (const QString& n : names)
        fform->open_phonetogram(n.toStdString(), std::int32_t(fform->pgs.size()));
}

void TMainWindow::make_reference_group_dialog() {
    const QStringList names =
        fui.open_file_names("Phonetograms of the reference group", stdpgfilter, true);
    if (names.isEmpty()) return;
    std::vector<std::string> members;
    for (const QString& n : names) members.push_back(n.toStdString());
    // Two or more are needed; saying so before the save dialog spares choosing a name.
    if (members.size() < 2) {
        fform->make_reference_group(members, "");
        return;
    }
    const std::string fname = fui.save_file_name("Save reference group as", stdpgfilter, ".stdpg");
    if (!fname.empty()) fform->make_reference_group(members, fname);
}

void TMainWindow::open_options_dialog() {
    const QStringList names = fui.open_file_names("Open options", settingsfilter, false);
    if (!names.isEmpty()) fform->open_settings(names.front().toStdString(), false);
}

void TMainWindow::save_options_dialog() {
    const std::string name = fui.save_file_name("Save options", settingsfilter, ".qubfile");
    if (!name.empty()) fform->save_settings(name);
}

void TMainWindow::show_manual() {
    const QString page = find_manual(QCoreApplication::applicationDirPath());
    if (page.isEmpty()) {
        const QStringList looked = manual_candidates(QCoreApplication::applicationDirPath());
        fui.tell(message_fact(fform->progid.ProductName(),
                              "Cannot find the manual. It should be at\n" +
                                  looked.join("\nor ").toStdString(),
                              tmessagekind::error));
        return;
    }
    if (fmanual == nullptr) fmanual = new TManualWindow(this);
    if (!fmanual->isVisible() && !fmanual->open(page)) {
        fui.tell(message_fact(fform->progid.ProductName(),
                              "Cannot read the manual " + page.toStdString(), tmessagekind::error));
        return;
    }
    fmanual->show();
    fmanual->raise();
    fmanual->activateWindow();
}

void TMainWindow::copy_image_at_size() {
    const QSize suggested = fimagesize.isValid() ? fimagesize : fdrawingarea->pixel_size();
    if (const auto size = ask_image_size(this, suggested, fdrawingarea->size())) {
        fimagesize = *size;
        fdrawingarea->copy_image_at(*size);
    }
}

void TMainWindow::save_report_dialog() {
    TForm1& f = *fform;
    // Beside the files the take was saved as, under their name; else as they would be named.
    std::string base = f.results_base_name();
    for (const auto& [saved, name, ending] :
         {std::tuple{!f.stdpgmodified(), &f.stdpgdialogfilename, std::string("_pg.stdpg")},
          std::tuple{!f.soundmodified(), &f.smpdialogfilename, std::string("_an.smp")}}) {
        if (!saved || name->empty()) continue;
        const QFileInfo file(QString::fromStdString(*name));
        QString stem = file.fileName();
        stem = stem.endsWith(QString::fromStdString(ending))
                   ? stem.chopped(qsizetype(ending.size()))
                   : file.completeBaseName();
        base = file.dir().filePath(stem).toStdString();
        break;
    }
    const std::string name = fui.save_file_name_from(reportdialogcaption, reportdialogfilter,
                                                     ".pdf", base + "_report.pdf");
    if (name.empty()) return;
    const treport r = make_report(f, subject_pgs(f, -1), decimal_separator(QLocale()));
    std::string why;
    if (!write_report_pdf(f, r, name, why, nullptr, fdrawingarea->fonts()))
        fui.tell(message_fact("Cannot save file", "Cannot save file \r" + name + "\r" + why,
                              tmessagekind::error));
}

void TMainWindow::print_report_dialog() {
    TForm1& f = *fform;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setDocName("Voice range profile");
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle("Print report");
    if (dialog.exec() != QDialog::Accepted) return;
    const treport r = make_report(f, subject_pgs(f, -1), decimal_separator(QLocale()));
    std::string why;
    if (!print_report(f, r, printer, why, fdrawingarea->fonts()))
        fui.tell(message_fact("Cannot print", why, tmessagekind::error));
}

void TMainWindow::show_about() {
    const TProgId& id = fform->progid;
    QMessageBox::about(this, tr("About %1").arg(QString::fromStdString(id.ProductName())),
                       QString::fromStdString(
                           id.ProductName() + " " + id.Version() + "\n\n" +
                           "Voice range profiles (phonetograms) from calibrated recordings.\n\n" +
                           id.Copyright()));
}

} // namespace gravon
