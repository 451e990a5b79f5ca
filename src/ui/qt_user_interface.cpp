#include "ui/qt_user_interface.h"

#include "ui/full_scale_dialog.h"
#include "ui/qt_main_window.h"
#include "ui/session_dialog.h"
#include "ui/window_place.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QScreen>
#include <cstdio>

namespace gravon {

QString qt_text(const std::string& text) {
    QString s = QString::fromStdString(text);
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

QString qt_name_filter(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // Qt reads the patterns from the parentheses of the description, separated by spaces;
        // they are written anew from the pattern part. "*.*" means every file on Windows only.
        QString description = parts[i];
        if (const qsizetype open = description.indexOf(QLatin1Char('(')); open >= 0)
            description.truncate(open);
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns)
            if (p == QLatin1String("*.*")) p = QStringLiteral("*");
        out << description.trimmed() + " (" + patterns.join(QLatin1Char(' ')) + ")";
    }
    return out.join(QLatin1String(";;"));
}

namespace {

QMessageBox::Icon icon_of(tmessagekind kind) {
    switch (kind) {
    case tmessagekind::information:
        return QMessageBox::Information;
    case tmessagekind::warning:
        return QMessageBox::Warning;
    case tmessagekind::error:
        return QMessageBox::Critical;
    case tmessagekind::notes:
        return QMessageBox::Warning;
    case tmessagekind::question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons buttons_of(tbuttons b) {
    switch (b) {
    case tbuttons::ok:
        return QMessageBox::Ok;
    case tbuttons::yes_no:
        return QMessageBox::Yes | QMessageBox::No;
    case tbuttons::yes_no_cancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case tbuttons::ok_cancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

tanswer answer_of(int button) {
    switch (button) {
    case QMessageBox::Yes:
        return tanswer::yes;
    case QMessageBox::No:
        return tanswer::no;
    case QMessageBox::Ok:
        return tanswer::ok;
    default:
        return tanswer::cancel;
    }
}

// The file name with the default extension appended when it has none.
std::string with_default_extension(const QString& name, const std::string& defaultext) {
    if (name.isEmpty()) return "";
    std::string s = name.toStdString();
    if (!defaultext.empty() && QFileInfo(name).suffix().isEmpty()) s += defaultext;
    return s;
}

// Marks a window the options have placed.
constexpr const char* placedproperty = "gravonplaced";

// Refreshes come at most this often; more requests in between give one paint.
constexpr auto screenrefresh = std::chrono::milliseconds(16);

} // namespace

TQtUserInterface::TQtUserInterface(QWidget& window) : fwindow(window) {
    fwindows[std::size_t(twindowid::mainwindow)] = &window;
    frepainttimer.setSingleShot(true);
    QObject::connect(&frepainttimer, &QTimer::timeout, [this] { repaint_now(); });
}

TQtUserInterface::~TQtUserInterface() = default;

tanswer TQtUserInterface::tell(const tfact& fact) {
    if (fact.deferred) {
        tfact now = fact;
        now.deferred = false;
        QMetaObject::invokeMethod(
            &fwindow, [this, now] { tell(now); }, Qt::QueuedConnection);
        return unattended_answer(fact);
    }
    if (fact.kind == tmessagekind::question) return ask(fact);
    show_message(as_message(fact));
    return tanswer::ok;
}

void TQtUserInterface::show_message(const tfact& fact) {
    if (script.message) return script.message(fact.caption, fact.text, fact.kind);
    if (unattended) {
        std::fprintf(
            stderr, "gravon: %s: %s\n", fact.caption.c_str(),
            qt_text(fact.text).replace(QLatin1Char('\n'), QLatin1Char(' ')).toStdString().c_str());
        return;
    }
    QMessageBox box(icon_of(fact.kind), qt_text(fact.caption), qt_text(fact.text), QMessageBox::Ok,
                    &fwindow);
    box.exec();
}

bool TQtUserInterface::ask_full_scale(tfullscalequestion& q) {
    if (script.fullscale) return script.fullscale(q);
    // A run that scripts its file dialogs but not this one keeps the full scales shown.
    if (unattended || script.filenames) return true;
    TFullScaleDialog dialog(q, &fwindow);
    if (dialog.exec() != QDialog::Accepted) return false;
    q.values = dialog.values();
    return true;
}

bool TQtUserInterface::edit_session(tsessionrecord& r, bool atrecord) {
    if (script.session) return script.session(r, atrecord);
    // Nobody to type anything: the record stays as it is.
    if (unattended) return true;
    TSessionDialog d(&fwindow);
    d.set_record(r, atrecord);
    if (readingpassage) d.set_passage(*readingpassage);
    if (d.exec() != QDialog::Accepted) return false;
    r = d.record();
    if (readingpassage) *readingpassage = d.passage();
    return true;
}

bool TQtUserInterface::confirm_uncalibrated_record(const std::string& text) {
    if (script.uncalibrated) return script.uncalibrated(text);
    // A run that scripts its questions but not this one records, as a person who knows would.
    if (unattended || script.question) return true;
    return ask(question_fact("Channel not calibrated", text, tbuttons::yes_no)) == tanswer::yes;
}

tanswer TQtUserInterface::ask(const tfact& fact) {
    if (script.question) return script.question(fact.caption, fact.text, fact.buttons);
    if (unattended) {
        const tanswer a = unattended_answer(fact);
        std::fprintf(
            stderr, "gravon: %s: %s (answered %s)\n", fact.caption.c_str(),
            qt_text(fact.text).replace(QLatin1Char('\n'), QLatin1Char(' ')).toStdString().c_str(),
            a == tanswer::no ? "No" : "Cancel");
        return a;
    }
    QMessageBox box(QMessageBox::Question, qt_text(fact.caption), qt_text(fact.text),
                    buttons_of(fact.buttons), &fwindow);
    return answer_of(box.exec());
}

void TQtUserInterface::request_repaint() {
    if (frepainttimer.isActive()) return;
    const auto since = std::chrono::steady_clock::now() - flastpaint;
    const auto wait =
        since >= screenrefresh
            ? std::chrono::milliseconds(0)
            : std::chrono::duration_cast<std::chrono::milliseconds>(screenrefresh - since);
    frepainttimer.start(wait);
}

void TQtUserInterface::repaint_now() {
    flastpaint = std::chrono::steady_clock::now();
    if (fmain) fmain->repaint_view();
}

void TQtUserInterface::process_events() {
    QApplication::processEvents(QEventLoop::AllEvents);
}

void TQtUserInterface::refresh_actions() {
    if (fmain) fmain->refresh_state();
}

void TQtUserInterface::progress(const std::string& what, double fraction) {
    if (fmain) fmain->show_progress(what, fraction);
}

void TQtUserInterface::progress_done() {
    if (fmain) fmain->hide_progress();
}

void TQtUserInterface::refresh_device_lists() {
    if (fmain) fmain->refresh_device_lists();
}

void TQtUserInterface::refresh_control_panel() {
    if (fmain) fmain->refresh_control_panel();
}

void TQtUserInterface::show_control_panel() {
    if (fmain) fmain->show_control_panel();
}

void TQtUserInterface::select_phonetogram(std::int32_t pgno) {
    if (fmain) fmain->select_phonetogram(pgno);
}

void TQtUserInterface::register_window(twindowid w, QWidget* widget) {
    fwindows[std::size_t(w)] = widget;
}

void TQtUserInterface::set_other_windows_enabled(bool enabled) {
    for (std::size_t i = 0; i < fwindows.size(); ++i)
        if (fwindows[i] && twindowid(i) != twindowid::mainwindow) fwindows[i]->setEnabled(enabled);
}

bool TQtUserInterface::get_window_placement(twindowid w, twindowplace& place, bool& maximized) {
    QWidget* widget = fwindows[std::size_t(w)];
    if (!widget) return false;
    maximized = widget->isMaximized() || widget->isFullScreen();
    place = window_place_of(*widget);
    // A window never shown nor placed is where it will first appear: centred over the main
    // window, at the size of its layout.
    const bool known = w == twindowid::mainwindow || widget->property(placedproperty).toBool() ||
                       widget->testAttribute(Qt::WA_WState_ExplicitShowHide);
    if (!known) {
        // A window that chose its size (resize) opens at it; the others at their layout's.
        const QSize size = widget->testAttribute(Qt::WA_Resized) || !widget->sizeHint().isValid()
                               ? widget->size()
                               : widget->sizeHint();
        const QRect main = fwindow.geometry();
        place = {main.x() + (main.width() - size.width()) / 2,
                 main.y() + (main.height() - size.height()) / 2, size.width(), size.height()};
    }
    return true;
}

void TQtUserInterface::set_window_placement(twindowid w, const twindowplace& place) {
    QWidget* widget = fwindows[std::size_t(w)];
    if (!widget) return;
    widget->setProperty(placedproperty, true);
    place_window(*widget, place, windowtable[std::size_t(w)].hassize);
}

bool TQtUserInterface::get_desktop_work_area(tscreenrect& area) {
    const QScreen* screen = fwindow.screen() ? fwindow.screen() : QGuiApplication::primaryScreen();
    if (!screen) return false;
    const QRect r = screen->availableGeometry();
    area = {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    return true;
}

std::string TQtUserInterface::save_file_name(const std::string& caption, const std::string& filter,
                                             const std::string& defaultext) {
    return save_file_name_from(caption, filter, defaultext, "");
}

std::string TQtUserInterface::save_file_name_from(const std::string& caption,
                                                  const std::string& filter,
                                                  const std::string& defaultext,
                                                  const std::string& initialname) {
    if (script.filenames) {
        const QStringList names = script.filenames(caption, true);
        return names.isEmpty() ? "" : with_default_extension(names.front(), defaultext);
    }
    // The dialog asks before an existing file is overwritten.
    const QString name =
        QFileDialog::getSaveFileName(&fwindow, QString::fromStdString(caption),
                                     QString::fromStdString(initialname), qt_name_filter(filter));
    return with_default_extension(name, defaultext);
}

QStringList TQtUserInterface::open_file_names(const std::string& caption, const std::string& filter,
                                              bool multiple) {
    if (script.filenames) return script.filenames(caption, false);
    const QString c = QString::fromStdString(caption);
    if (multiple) return QFileDialog::getOpenFileNames(&fwindow, c, {}, qt_name_filter(filter));
    const QString name = QFileDialog::getOpenFileName(&fwindow, c, {}, qt_name_filter(filter));
    return name.isEmpty() ? QStringList{} : QStringList{name};
}

} // namespace gravon
