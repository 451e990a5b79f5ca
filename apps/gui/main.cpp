// gravon: the desktop program. Its command line is the headless program's (a settings file,
// /f full-scale values, a sound file, /s, /c, /?, processed left to right once the window is
// shown), so that "gravon /f14.1 take.wav /s /c" analyses, saves and closes.
//
// Options of its own begin with "--" and may stand anywhere:
//   --settings-dir DIR  keep the settings files in DIR instead of the per-user folder
//   --select-all        after the command line, select the entire area of each recording
//                       phonetogram that holds data
//   --screenshot FILE   after the command line, save a picture of the main window as PNG
//   --window-pictures DIR  then also pictures of every other window (PNG files in DIR)
//   --guided-picture STAGE  before the picture, the guided profile's panel as a guided take
//                       of the left phonetogram would stand: start, midway or end
#include "audio/qt/qt_audio_factory.h"
#include "ui/app_style.h"
#include "ui/gravon_application.h"
#include "ui/guided_window.h"
#include "ui/locale_numbers.h"
#include "ui/png_file.h"
#include "ui/qt_main_window.h"
#include "window_pictures.h"

#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* const helptext =
    "Usage: gravon [options] [<settings file>] [/f<fullscale0>,<fullscale1>...]\n"
    "              [<sound file>] [/s] [/c] [/?]\n"
    "\n"
    "The arguments that do not begin with \"--\" are processed from left to right once the\n"
    "window is shown, as gravon-cli processes them (see gravon-cli --help).\n"
    "\n"
    "Options:\n"
    "  --settings-dir DIR  keep the settings files in DIR instead of the per-user folder\n"
    "  --select-all        after the command line, select the entire area of each\n"
    "                      recording phonetogram that holds data\n"
    "  --screenshot FILE   after the command line, save a picture of the window (PNG)\n"
    "  --window-pictures DIR  after the command line, save pictures of every other window\n"
    "                      (the dialogs, the calibration windows) as PNG files in DIR\n"
    "  --guided-picture STAGE  before the picture, the guided profile's panel as a guided\n"
    "                      take of the left phonetogram would stand: start, midway or end\n"
    "  --help              this text\n";

} // namespace

int main(int argc, char** argv) {
    using namespace gravon;
    // Without a display, too.
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--help") {
            std::fputs(helptext, stdout);
            return 0;
        }
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    TGravonApplication app(argc, argv);
    QApplication::setApplicationName("Gravon");
    QApplication::setOrganizationName("ArnselData");
    QApplication::setDesktopFileName("gravon");
    // Shown numbers follow the user's locale; files keep ".".
    show_numbers_in_user_locale();
    // The application owns its style and deletes it at exit.
    QApplication::setStyle(new TAppStyle);

    std::vector<std::string> args;
    std::string settingsdir, screenshot, pictures, guidedstage;
    bool selectall = false;
    const QStringList arguments = QApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const std::string a = arguments[i].toStdString();
        if (a == "--screenshot" || a == "--settings-dir" || a == "--window-pictures" ||
            a == "--guided-picture") {
            if (i + 1 >= arguments.size()) {
                std::fprintf(stderr, "gravon: %s needs an argument\n", a.c_str());
                return 2;
            }
            const std::string value = arguments[++i].toStdString();
            if (a == "--screenshot")
                screenshot = value;
            else if (a == "--window-pictures")
                pictures = value;
            else if (a == "--guided-picture")
                guidedstage = value;
            else
                settingsdir = value;
        } else if (a == "--select-all") {
            selectall = true;
        } else if (a.rfind("--", 0) == 0) {
            std::fprintf(stderr, "gravon: unknown option %s (see --help)\n", a.c_str());
            return 2;
        } else {
            args.push_back(a);
        }
    }
    // What the window is asked: the command line, read once, in its own settings folder.
    twindowrequest request = window_request(args);
    request.settingsdir = settingsdir;
    request.selectall = selectall;

    // The sound card's services outlive the window whose recorder and players use them.
    tqtaudiofactory audio;
    TMainWindow window;
    window.attach_audio(audio);
    window.show();
    int status = 0;
    QTimer::singleShot(0, &window, [&] {
        window.activate(request, [&] {
            if (!guidedstage.empty() && !show_guided_stage(window, guidedstage)) {
                std::fprintf(stderr, "gravon: --guided-picture is start, midway or end\n");
                status = 2;
            }
            QApplication::processEvents();
            std::string failed;
            if (!screenshot.empty() && !save_png(window.grab().toImage(), screenshot, failed)) {
                std::fprintf(stderr, "gravon: %s\n", failed.c_str());
                status = 1;
            }
            std::string why;
            if (!pictures.empty() && !save_window_pictures(window, pictures, why)) {
                std::fprintf(stderr, "gravon: %s\n", why.c_str());
                status = 1;
            }
        });
    });
    const int rc = QApplication::exec();
    return rc != 0 ? rc : status;
}
