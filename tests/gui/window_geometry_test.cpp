// Window places kept from an earlier session open inside the screen: at a scale factor of 1
// the windows are made large and moved towards the edges and the program quits; the next start,
// at a scale factor of 2 on the same 1600 x 1000 screen, shows every window inside it. Both
// starts run on Xvfb under a real window manager (openbox), which decides the frames.
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

#include <QDebug>
#include <QScreen>
#include <QTest>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace gravon {
namespace {

std::string outside(QWidget& w) {
    const QRect area = w.screen()->availableGeometry(), f = w.frameGeometry();
    if (area.contains(f)) return "";
    QString said;
    QDebug(&said) << w.windowTitle() << f << "is not inside the screen's" << area << "\n";
    return said.toStdString();
}

// One start on the X display: the first makes every window large and towards the bottom right,
// then quits; the next finds each window where it was kept, inside the screen.
TEST(WindowGeometry, OneStart) {
    const char* phase = std::getenv("GRAVON_GEOMETRY_PHASE");
    if (!phase) GTEST_SKIP() << "runs on an X display, below";
    const bool first = std::string(phase) == "first";
    testing::tsimdevices devices;
    TMainWindow w;
    w.userinterface().unattended = true;
    w.attach_audio(devices);
    w.show();
    w.activate({});
    QTest::qWait(300);
    const QRect area = w.screen()->availableGeometry();
    if (first)
        w.setGeometry(area.adjusted(40, 30, -40, -30));
    else
        ASSERT_EQ(w.screen()->devicePixelRatio(), 2.0);
    std::string faults = outside(w);
    const tdialogwindows& d = w.dialogs();
    for (QWidget* window :
         std::initializer_list<QWidget*>{d.statistics, d.controlpanel, d.calibrationlog, d.options,
                                         d.calibrator, d.soundlevelmeter}) {
        window->show();
        QTest::qWait(100);
        if (first)
            window->setGeometry(area.right() - window->width() / 2, area.bottom() - 200,
                                area.width() - 200, area.height() - 100);
        else
            faults += outside(*window);
    }
    QTest::qWait(300);
    if (first)
        ASSERT_TRUE(w.close());
    else
        EXPECT_EQ(faults, "");
}

TEST(WindowGeometry, KeptFromScaleOneInsideAtScaleTwo) {
    if (std::getenv("GRAVON_GEOMETRY_PHASE")) GTEST_SKIP();
    if (std::system("command -v xvfb-run >/dev/null && command -v openbox >/dev/null") != 0)
        GTEST_SKIP() << "xvfb-run or openbox is missing";
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    testing::ttempconfig config; // the settings folder of both starts
    const std::string log = (config.root / "out.txt").string();
    const std::string start =
        std::string(" QT_QPA_PLATFORM=xcb '") + self + "' --gtest_filter='*OneStart'";
    const std::string script = "openbox >/dev/null 2>&1 & wm=\\$!; sleep 1; "
                               "GRAVON_GEOMETRY_PHASE=first QT_SCALE_FACTOR=1" +
                               start + " && GRAVON_GEOMETRY_PHASE=next QT_SCALE_FACTOR=2" + start +
                               "; rc=\\$?; kill \\$wm; exit \\$rc";
    const int rc = std::system(("timeout 120 xvfb-run -a -s '-screen 0 1600x1000x24' sh -c \"" +
                                script + "\" >'" + log + "' 2>&1")
                                   .c_str());
    const std::string text = testing::read_text(log);
    EXPECT_TRUE(WIFEXITED(rc) && WEXITSTATUS(rc) == 0) << text;
    // Both starts ran and passed.
    EXPECT_NE(text.find("[       OK ] WindowGeometry.OneStart", text.find("[       OK ]") + 1),
              std::string::npos)
        << text;
}

} // namespace
} // namespace gravon
