#include "window_pictures.h"

#include "base/number_text.h"
#include "core/phonetogram_subjects.h"
#include "core/report.h"
#include "ui/advanced_settings_dialog.h"
#include "ui/calibration_log_window.h"
#include "ui/calibrator_window.h"
#include "ui/control_panel.h"
#include "ui/dialog_windows.h"
#include "ui/drawing_area.h"
#include "ui/full_scale_dialog.h"
#include "ui/options_dialog.h"
#include "ui/parameter_editors.h"
#include "ui/png_file.h"
#include "ui/reference_calibration_window.h"
#include "ui/report_page.h"
#include "ui/session_dialog.h"
#include "ui/sound_level_meter_window.h"
#include "ui/statistics_window.h"
#include "ui/text_export_dialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QPixmap>
#include <QTabWidget>
#include <QWidget>

namespace gravon {

namespace {

// Every picture that could not be made is named, not just the last.
void add_failure(std::string& error, const std::string& why) {
    error += (error.empty() ? "" : "\n") + why;
}

void settle(int ms) {
    QElapsedTimer t;
    t.start();
    do QApplication::processEvents(QEventLoop::AllEvents, 10);
    while (t.elapsed() < ms);
}

// Shows w, saves it (each tab of a tabbed window under its own name) and hides it again.
bool picture(QWidget* w, const std::string& folder, const std::string& name, std::string& error) {
    if (!w) return true;
    w->show();
    settle(150);
    std::vector<std::pair<std::string, int>> shots{{name, -1}};
    auto* tabs = w->findChild<QTabWidget*>();
    if (tabs) {
        shots.clear();
        for (int i = 0; i < tabs->count(); ++i)
            shots.push_back({name + "_tab" + std::to_string(i + 1), i});
    }
    bool ok = true;
    for (const auto& [file, tab] : shots) {
        if (tab >= 0) {
            tabs->setCurrentIndex(tab);
            settle(50);
        }
        std::string why;
        if (!save_png(w->grab().toImage(), folder + "/" + file + ".png", why)) {
            add_failure(error, why);
            ok = false;
        }
    }
    w->hide();
    return ok;
}

bool save_image(const QImage& image, const std::string& folder, const std::string& name,
                std::string& error) {
    std::string why;
    if (save_png(image, folder + "/" + name + ".png", why)) return true;
    add_failure(error, why);
    return false;
}

// A picture that was asked for and could not be made: the run fails naming it.
bool not_made(const std::string& folder, const std::string& name, const std::string& why,
              std::string& error) {
    add_failure(error, "cannot make the picture " + folder + "/" + name + ".png: " + why);
    return false;
}

// The first stored phonetogram as the baseline of the analysis: the control panel that marks
// it, the change in the statistics window, the difference view and the follow-up report.
bool comparison_pictures(TMainWindow& window, const std::string& folder, std::string& error) {
    TForm1& f = window.form();
    tdialogwindows& d = window.dialogs();
    if (!f.set_baseline_pg(firstloadedpg, true)) return true;
    bool ok = true;
    d.controlpanel->FormShow();
    d.controlpanel->select_phonetogram(firstloadedpg);
    ok = picture(d.controlpanel, folder, "control_panel_comparison", error) && ok;
    d.statistics->refresh();
    ok = picture(d.statistics, folder, "statistics_comparison", error) && ok;
    f.set_differenceview(true);
    settle(150);
    ok = save_image(window.grab().toImage(), folder, "main_window_difference_view", error) && ok;
    f.set_differenceview(false);
    const treport r = make_report(f, subject_pgs(f, -1), decimal_separator(QLocale()));
    ok = save_image(render_report_image(f, r, 110, window.drawing_area()->fonts()), folder,
                    "report_comparison", error) &&
         ok;
    f.set_baseline_pg(firstloadedpg, false);
    return ok;
}

} // namespace

bool save_window_pictures(TMainWindow& window, const std::string& folder, std::string& error) {
    tdialogwindows& d = window.dialogs();
    bool ok = true;
    d.options->FormShow();
    ok = picture(d.options, folder, "options", error) && ok;
    d.advanced->FormShow();
    ok = picture(d.advanced, folder, "advanced_settings", error) && ok;
    d.advanced->mapping_editor().edit_stdpg_parameter(0);
    ok = picture(&d.advanced->mapping_editor(), folder, "parameter_mapping_editor", error) && ok;
    d.advanced->display_editor().edit_displayable_parameter(1);
    ok = picture(&d.advanced->display_editor(), folder, "display_parameter_editor", error) && ok;
    d.controlpanel->FormShow();
    ok = picture(d.controlpanel, folder, "control_panel", error) && ok;
    d.statistics->refresh();
    ok = picture(d.statistics, folder, "statistics", error) && ok;
    d.textexport->FormShow();
    ok = picture(d.textexport, folder, "text_export", error) && ok;
    d.calibrationlog->set_text("(the calibration log of this computer is shown here)");
    ok = picture(d.calibrationlog, folder, "calibration_log", error) && ok;
    // The calibration of the analysed file: its full scale as Analyze soundfile... asks for
    // it, and its reference marked in its waveform.
    TForm1& form = window.form();
    if (form.reference_calibration_possible()) {
        tfullscalequestion q;
        q.filename = form.soundfilename;
        q.values = {form.commandlinefsd.empty() ? "" : floattostrdot(form.commandlinefsd[0])};
        q.texts = {form.commandlinefsd.empty() ? "" : "Wav file is calibrated from command line"};
        TFullScaleDialog fullscale(q, &window);
        ok = picture(&fullscale, folder, "full_scale", error) && ok;
        TReferenceWindow reference(form, &window);
        reference.show();
        settle(150);
        if (reference.load())
            ok = picture(&reference, folder, "reference_calibration", error) && ok;
        else
            ok = not_made(folder, "reference_calibration", "the sound file cannot be shown", error);
    }
    if (d.calibrator) {
        if (d.calibrator->start(0)) {
            settle(600); // the live level
            ok = picture(d.calibrator, folder, "calibrator", error) && ok;
            d.calibrator->reject();
        } else {
            ok = not_made(folder, "calibrator", "its recorder cannot start", error);
        }
    }
    if (d.soundlevelmeter) {
        d.soundlevelmeter->resize(720, 520);
        d.soundlevelmeter->start(0, 2);
        ok = picture(d.soundlevelmeter, folder, "sound_level_meter", error) && ok;
        d.soundlevelmeter->reject();
    }
    // The session details of an example patient, and the report of what the window shows.
    TForm1& f = window.form();
    tsessionrecord example;
    example.patient = "2026-0417";
    example.name = "Anna Berg";
    example.born = "1979-03-14";
    example.sex = "Female";
    example.clinician = "Dr. M. Lund";
    example.date = "2026-12-09 14:30";
    example.task = "Singing profile";
    example.notes = "Before therapy. Warm-up 10 min, then sustained /a/ from the softest to the "
                    "loudest voice at every note.";
    f.set_session(example);
    TSessionDialog session(&window);
    session.set_record(example, false);
    ok = picture(&session, folder, "session_dialog", error) && ok;
    const treport r = make_report(f, subject_pgs(f, -1), decimal_separator(QLocale()));
    ok = save_image(render_report_image(f, r, 110, window.drawing_area()->fonts()), folder,
                    "report", error) &&
         ok;
    return comparison_pictures(window, folder, error) && ok;
}

} // namespace gravon
