// Window places kept from an earlier session open inside the screen: at a scale factor of 1
// the windows are made large and moved towards the edges, the program quits (keeping their
// places), and the next start, at a scale factor of 2 on the same 1600 x 1000 screen, shows
// every window inside it. Both starts run on a real X display (Xvfb) under a real window
// manager (openbox), which decides the frames as a desktop does.
#include "core/sim_devices.h"
#include "support/temp_config.h"
#include "ui/calibration_log_window.h"
#include "ui/calibrator_window.h"
#include "ui/control_panel.h"
#include "ui/dialog_windows.h"
#include "ui/options_dialog.h"
#include "ui/qt_main_window.h"
#include "ui/sound_level_meter_window.h"
#include "ui/statistics_window.h"

#include <QApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QScreen>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace gravon {
namespace {

void settle(int ms = 300) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

std::string phase() {
    const char* p = std::getenv("GRAVON_GEOMETRY_PHASE");
    return p ? p : "";
}

// The windows that keep their places, besides the main window.
std::vector<std::pair<std::string, QWidget*>> kept_windows(TMainWindow& w) {
    tdialogwindows& d = w.dialogs();
    return {{"Statistics", d.statistics},          {"Control panel", d.controlpanel},
            {"Calibration log", d.calibrationlog}, {"Options", d.options},
            {"Calibrator", d.calibrator},          {"Sound level meter", d.soundlevelmeter}};
}

std::string outside(QWidget& w, const std::string& name) {
    const QRect area = w.screen()->availableGeometry(), f = w.frameGeometry();
    if (area.contains(f)) return "";
    QString said;
    QDebug(&said) << name.c_str() << f << "is not inside the screen's" << area << "\n";
    return said.toStdString();
}

// One start on the X display: at "first", every window made large and towards the bottom
// right, then quit; at "next", each window where it was kept, inside the screen.
TEST(WindowGeometry, OneStart) {
    if (phase().empty()) GTEST_SKIP() << "runs on an X display, below";
    testing::tsimdevices devices;
    TMainWindow w;
    w.userinterface().unattended = true;
    w.attach_audio(devices);
    w.show();
    w.activate({});
    settle();
    const QRect area = w.screen()->availableGeometry();
    if (phase() == "first")
        w.setGeometry(area.adjusted(40, 30, -40, -30));
    else
        ASSERT_EQ(w.screen()->devicePixelRatio(), 2.0);
    std::string faults = outside(w, "the main window");
    for (auto& [name, window] : kept_windows(w)) {
        window->show();
        settle(100);
        if (phase() == "first")
            window->setGeometry(area.right() - window->width() / 2, area.bottom() - 200,
                                area.width() - 200, area.height() - 100);
        else
            faults += outside(*window, name);
    }
    settle();
    if (phase() == "first")
        ASSERT_TRUE(w.close());
    else
        EXPECT_EQ(faults, "");
}

int run(const std::string& cmd) {
    const int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

TEST(WindowGeometry, KeptFromScaleOneInsideAtScaleTwo) {
    if (!phase().empty()) GTEST_SKIP();
    for (const char* tool : {"xvfb-run", "openbox"})
        if (run(std::string("command -v ") + tool + " >/dev/null 2>&1") != 0)
            GTEST_SKIP() << tool << " is missing";
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    testing::ttempconfig config; // the settings folder of both starts
    const std::string log = (config.root / "out.txt").string();
    const std::string start = std::string("QT_QPA_PLATFORM=xcb '") + self + "' --gtest_filter=";
    const std::string script = "openbox >/dev/null 2>&1 & wm=\\$!; sleep 1; "
                               "GRAVON_GEOMETRY_PHASE=first QT_SCALE_FACTOR=1 " +
                               start +
                               "'*OneStart' && "
                               "GRAVON_GEOMETRY_PHASE=next QT_SCALE_FACTOR=2 " +
                               start +
                               "'*OneStart'; "
                               "rc=\\$?; kill \\$wm; exit \\$rc";
    const int rc = run("timeout 120 xvfb-run -a -s '-screen 0 1600x1000x24' sh -c \"" + script +
                       "\" >'" + log + "' 2>&1");
    const std::string text = testing::read_text(log);
    EXPECT_EQ(rc, 0) << text;
    EXPECT_EQ(text.find("[  SKIPPED ] 1 test"), std::string::npos) << text;
}

} // namespace
} // namespace gravon
