// Failures in the windows around the main window reach the user as a message, and the
// windows go on: a handler that raises inside a modal dialog's loop, and "Remove all
// calibrations now!" when the calibration log cannot be written.
#include "support/temp_config.h"
#include "ui/advanced_settings_dialog.h"
#include "ui/control_panel.h"
#include "ui/dialog_windows.h"
#include "ui/gravon_application.h"
#include "ui/main_actions.h"
#include "ui/qt_main_window.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>
#include <gtest/gtest.h>

namespace gravon {
namespace {

namespace fs = std::filesystem;

class WindowFailures : public ::testing::Test {
  protected:
    testing::ttempconfig config;
    TMainWindow w;
    std::vector<std::string> messages;

    void SetUp() override {
        w.userinterface().script.message = [this](const std::string& c, const std::string& t,
                                                  tmessagekind) {
            messages.push_back(c + ": " + t);
        };
        w.userinterface().script.question = [](const std::string&, const std::string&, tbuttons) {
            return tanswer::no;
        };
        w.activate({});
    }
    static void settle() {
        for (int i = 0; i < 10; ++i) QApplication::processEvents();
    }
};

// The loop of a modal dialog that a failure left would crash at its next button.
TEST_F(WindowFailures, AHandlerThatRaisesInsideAModalDialogIsShownAndTheDialogGoesOn) {
    ASSERT_NE(TGravonApplication::instance(), nullptr);
    QDialog dialog(&w);
    auto* fail = new QPushButton("Fail", &dialog);
    auto* cancel = new QPushButton("Cancel", &dialog);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(fail);
    layout->addWidget(cancel);
    QObject::connect(fail, &QPushButton::clicked, [] {
        throw EGravonError("Cannot write the file /nowhere/x: No such file or directory");
    });
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    QTimer::singleShot(0, &dialog, [&] {
        QTest::mouseClick(fail, Qt::LeftButton);
        QTest::mouseClick(fail, Qt::LeftButton);
        settle();
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    settle();
    ASSERT_GE(messages.size(), 1u);
    EXPECT_EQ(messages[0], "Gravon: Cannot write the file /nowhere/x: No such file or directory");
    // The window still works.
    w.action(tactionid::controlpanel)->trigger();
    EXPECT_TRUE(w.dialogs().controlpanel->isVisible());
}

TEST_F(WindowFailures, RemovingAllCalibrationsWithAnUnwritableLogSaysSoAndCancelStillWorks) {
    TForm1& f = w.form();
    f.audiodevicenames.input = {"Mic A"};
    f.advanced.recorddevice = "Mic A";
    f.sign_calibration(0, "Anna", 1, 2.5);
    const fs::path log = f.calibration_log_filename();
    fs::remove(log);
    fs::create_directories(log); // a folder where the log should be
    TForm2& advanced = *w.dialogs().advanced;
    QTimer::singleShot(0, &w, [&] {
        QTest::mouseClick(advanced.findChild<QPushButton*>("removecalibrations"), Qt::LeftButton);
        settle();
        QTest::mouseClick(advanced.findChild<QPushButton*>("cancelbutton"), Qt::LeftButton);
    });
    w.action(tactionid::advancedsettings)->trigger();
    settle();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("Cannot remove the calibrations"), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find("CalibrationLog.txt"), std::string::npos) << messages[0];
    EXPECT_FALSE(advanced.isVisible());
    for (int c = 0; c < 2; ++c) EXPECT_EQ(f.signedfactors[c], 100.0);
    // And the dialog opens and closes again.
    QTimer::singleShot(0, &w, [&] {
        QTest::mouseClick(advanced.findChild<QPushButton*>("cancelbutton"), Qt::LeftButton);
    });
    w.action(tactionid::advancedsettings)->trigger();
    EXPECT_FALSE(advanced.isVisible());
}

} // namespace
} // namespace gravon
