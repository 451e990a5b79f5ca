// The guided profile in the window: the take records as the panel opens, the target is marked
// on the keyboard and on the axis, the keys repeat, skip and stop it as the buttons do, and the
// stopped take's record states the protocol.
#include "base/pitch.h"
#include "core/sim_devices.h"
#include "support/temp_config.h"
#include "ui/drawing_area.h"
#include "ui/guided_window.h"
#include "ui/qt_main_window.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <cstdlib>
#include <gtest/gtest.h>

namespace gravon {
namespace {

void settle() {
    for (int i = 0; i < 10; ++i) QApplication::processEvents();
}

TEST(GuidedPanel, KeysAndButtonsLeadTheTakeAndTheTargetIsMarked) {
    testing::ttempconfig config;
    testing::tsimdevices devices;
    TMainWindow w;
    w.userinterface().script.question = [](const std::string&, const std::string&, tbuttons) {
        return tanswer::no;
    };
    w.userinterface().script.session = [](tsessionrecord&, bool) { return true; };
    w.userinterface().script.uncalibrated = [](const std::string&) { return true; };
    w.attach_audio(devices);
    w.show();
    w.activate({});
    w.form().advanced.recorddevice = "USB mic";
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));

    tguidedsettings s;
    s.startnote = 60;
    s.stepsize = 2;
    TGuidedPanel& panel = guided_panel(w);
    ASSERT_TRUE(panel.start(s));
    settle();
    EXPECT_TRUE(panel.isVisible());
    EXPECT_TRUE(w.form().recording());
    EXPECT_FALSE(w.form().paused());
    EXPECT_FALSE(w.action(tactionid::guidedprofile)->isEnabled());
    const TKeyBoardModel& keys = w.drawing_area()->keyboard()->model();
    auto* mark = w.drawing_area()->findChild<QLabel*>("guided_axismark");
    ASSERT_NE(mark, nullptr);
    const auto marked = [&](std::int32_t note) {
        if (keys.target() != note) return false;
        return note < 0 ? !mark->isVisible()
                        : mark->isVisible() &&
                              mark->text().endsWith(QString::fromStdString(notename(note, false)));
    };
    EXPECT_TRUE(marked(60));
    // The mark stands under the target's column.
    const int centre = w.drawing_area()->keyboard()->x() + keys.midi_to_pixel(60);
    EXPECT_LE(std::abs(mark->geometry().center().x() - centre), 1);
    // The key itself shows it, at the front of the white key C4.
    const QImage keyimage = w.drawing_area()->keyboard()->grab().toImage();
    const trect key = keys.keyrect(60 - keys.LoKey());
    const double dpr = keyimage.devicePixelRatio();
    EXPECT_EQ(keyimage.pixelColor(int(dpr * (key.left + key.right) / 2),
                                  int(dpr * (0.85 * keys.Height() - 2))),
              targetmarkcolour);

    // S skips, R plays the same note again, a click on Skip goes on; a skip is no failure.
    QTest::keyClick(&w, Qt::Key_S);
    settle();
    EXPECT_TRUE(marked(58));
    QTest::keyClick(&w, Qt::Key_R);
    settle();
    EXPECT_TRUE(marked(58));
    panel.skip_button()->click();
    settle();
    EXPECT_TRUE(marked(56));
    EXPECT_TRUE(panel.running());
    QTest::keyClick(&w, Qt::Key_Escape);
    settle();
    EXPECT_FALSE(panel.running());
    EXPECT_FALSE(w.form().recording());
    EXPECT_TRUE(marked(-1));
    EXPECT_FALSE(panel.stop_button()->isEnabled());
    EXPECT_TRUE(w.action(tactionid::guidedprofile)->isEnabled());
    EXPECT_EQ(w.form().session().protocol,
              "Guided profile: start C4, whole-tone steps, tone 1.5 s, 0.5 s soft and loud, 20 s "
              "a step; nothing reached in 3 steps, 0 s");
    w.form().NewRecordingActionExecute();

    // Stop in the window ends the profile with the take; the dialog offers its settings again.
    ASSERT_TRUE(panel.start(panel.last_settings()));
    EXPECT_EQ(panel.last_settings().startnote, 60);
    w.action(tactionid::stop)->trigger();
    QTest::qWait(400);
    EXPECT_FALSE(panel.running());
    EXPECT_NE(w.form().session().protocol.find("nothing reached in 1 step, 0 s"), std::string::npos)
        << w.form().session().protocol;
    w.form().NewRecordingActionExecute();
}

} // namespace
} // namespace gravon
