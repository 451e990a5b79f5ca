#include "ui/dialog_windows.h"

#include "core/calibrate_action.h"
#include "core/main_window.h"
#include "ui/advanced_settings_dialog.h"
#include "ui/calibration_log_window.h"
#include "ui/calibrator_window.h"
#include "ui/control_panel.h"
#include "ui/options_dialog.h"
#include "ui/sound_level_meter_window.h"
#include "ui/statistics_window.h"
#include "ui/text_export_dialog.h"
#include "ui/window_place.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTabWidget>

namespace gravon {

tdialogwindows::tdialogwindows(TForm1& form, QWidget& mainwindow)
    : form(form), options(new TForm5(form, &mainwindow)),
      controlpanel(new TForm8(form, &mainwindow)), statistics(new TForm6(form, &mainwindow)),
      calibrationlog(new TForm7(&mainwindow)),
      advanced(new TForm2(form, *calibrationlog, &mainwindow)),
      textexport(new TForm11(form, &mainwindow)) {
    // The lists are read anew each time the dialog opens, so that a device plugged in since
    // counts even where the audio layer brings no news of it.
    advanced->read_devicenames = [&form] { form.read_audio_devicenames(); };
}

void tdialogwindows::create_calibration_windows(QWidget& mainwindow, twaveinservice& in,
                                                twaveoutservice& out) {
    calibrator = new TCalibratorWindow(form, in, &mainwindow);
    soundlevelmeter = new TSoundLevelMeterWindow(form, in, out, &mainwindow);
}

void tdialogwindows::calibrate() const {
    tcalibratewindows w;
    w.choose_recording_device = [this] {
        advanced->tabs().setCurrentIndex(advancedsoundcardstab);
        advanced->exec();
    };
    if (calibrator) w.calibrator = [this](std::int32_t ch) { calibrator->showmodal_channo(ch); };
    if (soundlevelmeter)
        w.sound_level_meter = [this](std::int32_t ch, std::int32_t method) {
            soundlevelmeter->showmodal_channo(ch, method);
        };
    CalibrateActionExecute(form, w);
}

QWidget* tdialogwindows::window(twindowid id) const {
    switch (id) {
    case twindowid::calibratorwindow:
        return calibrator;
    case twindowid::calibrationwindow:
        return soundlevelmeter;
    case twindowid::advancedsettingswindow:
        return advanced;
    case twindowid::optionswindow:
        return options;
    case twindowid::statisticswindow:
        return statistics;
    case twindowid::calibrationlogwindow:
        return calibrationlog;
    case twindowid::phonetogramviewwindow:
        return controlpanel;
    default:
        return nullptr;
    }
}

bool tdialogwindows::get_window_placement(twindowid id, twindowplace& place,
                                          bool& maximized) const {
    QWidget* w = window(id);
    if (!w) return false;
    place = window_place_of(*w);
    maximized = w->isMaximized();
    return true;
}

bool tdialogwindows::set_window_placement(twindowid id, const twindowplace& place) const {
    QWidget* w = window(id);
    if (!w) return false;
    place_window(*w, place, windowtable[std::size_t(id)].hassize);
    return true;
}

void tdialogwindows::show_control_panel() const {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect a = screen->availableGeometry();
        const tscreenrect area{a.left(), a.top(), a.right() + 1, a.bottom() + 1};
        place_window(*controlpanel, keep_on_screen(window_place_of(*controlpanel), area), false);
    }
    controlpanel->show();
    controlpanel->raise();
}

void tdialogwindows::refresh() const {
    controlpanel->fix_things();
    if (statistics->isVisible()) statistics->refresh();
}

} // namespace gravon
