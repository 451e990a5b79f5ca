// Keys never start sound by accident: after a take stopped with the mouse, Return and Space
// start no stream on the real sound server (scripts/sound_server.sh), wherever the window had
// put the focus; a control that makes sound takes the focus only when the user moves it there.
#include "audio/qt/qt_audio_factory.h"
#include "support/sound_server.h"
#include "support/temp_config.h"
#include "ui/main_actions.h"
#include "ui/qt_main_window.h"

#include <QAction>
#include <QApplication>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace gravon {
namespace {

namespace fs = std::filesystem;
using enum tactionid;

// The playback streams this process has open on the sound server.
int streams_of_this_process() {
    const std::string cmd = "pactl list sink-inputs | grep -c 'application.process.id = \"" +
                            std::to_string(getpid()) + "\"'";
    const std::unique_ptr<FILE, int (*)(FILE*)> p(popen(cmd.c_str(), "r"), pclose);
    int count = -1;
    return p && std::fscanf(p.get(), "%d", &count) == 1 ? count : -1;
}

QToolButton* button_of(TMainWindow& w, tactionid id) {
    return qobject_cast<QToolButton*>(w.tool_bar()->widgetForAction(w.action(id)));
}

TEST(SafeKeys, ReturnAndSpaceAfterStopStartNoSound) {
    gravon::testing::use_test_sound_server();
    testing::ttempconfig config;
    tqtaudiofactory audio;
    TMainWindow w;
    w.attach_audio(audio);
    w.userinterface().unattended = true;
    w.userinterface().script.question = [](const std::string&, const std::string&, tbuttons) {
        return tanswer::no;
    };
    w.userinterface().script.session = [](tsessionrecord&, bool) { return true; };
    w.userinterface().script.filenames = [](const std::string&, bool) { return QStringList{}; };
    w.show();
    w.activate({});
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    const auto& inputs = w.form().audiodevicenames.input;
    if (std::find(inputs.begin(), inputs.end(), "Gravon_loopback_microphone") == inputs.end())
        GTEST_SKIP() << "no sound server: run scripts/sound_server.sh start";
    ASSERT_EQ(streams_of_this_process(), 0);

    // The focus where a take leaves it, or on a control that Stop disables, which Qt then
    // moves on: along the toolbar, Cancel is disabled too and Noise comes next.
    for (const tactionid at : {record, pause, stop}) {
        SCOPED_TRACE(w.action(at)->text().toStdString());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F9);
        ASSERT_TRUE(w.form().recording());
        if (at != record) button_of(w, at)->setFocus(Qt::TabFocusReason);
        QTest::qWait(300);
        QTest::mouseClick(button_of(w, stop), Qt::LeftButton);
        ASSERT_FALSE(w.form().recording());
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Space}) {
            QWidget* focus = QApplication::focusWidget();
            ASSERT_NE(focus, nullptr);
            for (const tactionid id : {record, playnoise})
                EXPECT_NE(focus, button_of(w, id)) << w.action(id)->text().toStdString();
            QTest::keyClick(focus, key);
            QTest::qWait(300);
            EXPECT_FALSE(w.form().recording()) << QTest::toString(key);
            EXPECT_FALSE(w.form().noiseplaying()) << QTest::toString(key);
            EXPECT_EQ(streams_of_this_process(), 0) << QTest::toString(key);
        }
    }

    // Sound from the keyboard takes a deliberate move there: Tab onto Noise, then Return.
    QWidget* noise = button_of(w, playnoise);
    for (int i = 0; i < 40 && QApplication::focusWidget() != noise; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), noise);
    QTest::keyClick(noise, Qt::Key_Return);
    QTest::qWait(300);
    EXPECT_TRUE(w.form().noiseplaying());
    EXPECT_EQ(streams_of_this_process(), 1);
    QTest::keyClick(noise, Qt::Key_Return);
    QTest::qWait(300);
    EXPECT_FALSE(w.form().noiseplaying());
    EXPECT_EQ(streams_of_this_process(), 0);
}

} // namespace
} // namespace gravon
