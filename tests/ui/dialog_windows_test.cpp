// The windows around the main window keep their placements through the core's settings.
#include "audio/simulated_wave_service.h"
#include "core/test_form.h"
#include "ui/calibrator_window.h"
#include "ui/dialog_windows.h"
#include "ui/options_dialog.h"
#include "ui/statistics_window.h"

#include <QWidget>
#include <gtest/gtest.h>

namespace gravon {
namespace {

TEST(DialogWindows, PlacementsGoToTheirWindowsAndOnlySizedWindowsTakeTheSize) {
    testing::ttestform t;
    QWidget main;
    tdialogwindows d(t.form, main);
    EXPECT_TRUE(d.options->isWindow());
    EXPECT_TRUE(d.set_window_placement(twindowid::statisticswindow, {30, 40, 500, 300}));
    EXPECT_EQ(d.statistics->size(), QSize(500, 300));
    const QSize before = d.options->size();
    EXPECT_TRUE(d.set_window_placement(twindowid::optionswindow, {50, 60, 10, 10}));
    EXPECT_EQ(d.options->size(), before);
    twindowplace p;
    bool maximized = true;
    ASSERT_TRUE(d.get_window_placement(twindowid::optionswindow, p, maximized));
    EXPECT_EQ(p.left, 50);
    EXPECT_EQ(p.top, 60);
    EXPECT_FALSE(maximized);
    EXPECT_FALSE(d.get_window_placement(twindowid::mainwindow, p, maximized));
    EXPECT_FALSE(d.set_window_placement(twindowid::calibratorwindow, {1, 2, 3, 4}));
    tsimulatedwavein in;
    tsimulatedwaveout out;
    d.create_calibration_windows(main, in, out);
    EXPECT_TRUE(d.set_window_placement(twindowid::calibratorwindow, {70, 80, 3, 4}));
    EXPECT_EQ(d.calibrator->pos(), QPoint(70, 80));
}

} // namespace
} // namespace gravon
