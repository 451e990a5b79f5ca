// The advanced settings dialog over a headless main window: apply order and failures, the
// derived texts, the digit edits, reset, and the parameter lists with their editors.
#include "core/sim_devices.h"
#include "core/test_form.h"
#include "ui/advanced_settings_dialog.h"
#include "ui/calibration_log_window.h"
#include "ui/dialog_windows.h"
#include "ui/parameter_editors.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <gtest/gtest.h>

namespace gravon {
namespace {

using testing::ttestform;

struct AdvancedSettingsDialog : ::testing::Test {
    ttestform t;
    TForm7 log;
    TForm2 dialog{t.form, log};

    AdvancedSettingsDialog() { dialog.FormShow(); }
    template <typename T> T* child(const char* name) {
        T* w = dialog.findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLineEdit* edit(const char* name) { return child<QLineEdit>(name); }
    QString label(const char* name) { return child<QLabel>(name)->text(); }
    QStringList lines(const char* list) {
        QStringList l;
        auto* w = child<QListWidget>(list);
        for (int i = 0; i < w->count(); ++i) l << w->item(i)->text();
        return l;
    }
};

TEST_F(AdvancedSettingsDialog, ApplyWritesConvertedValuesBack) {
    edit("hikeyedit")->setText("96");
    edit("lokeyedit")->setText("36");
    edit("timethresholdedit")->setText("80");
    edit("distanceedit0")->setText("200");
    edit("noisequantileedit")->setText("25");
    edit("fftbwedit")->setText("25");
    edit("locationidedit")->setText("Studio A");
    edit("dbdecimalsedit")->setText("25"); // taken as 20
    ASSERT_TRUE(dialog.apply_settings());
    const tadvancedsettings& a = t.form.advanced;
    EXPECT_EQ(a.lokey, 36);
    EXPECT_EQ(a.nkeys, 61);
    EXPECT_DOUBLE_EQ(a.timethreshold, 0.08);
    EXPECT_DOUBLE_EQ(a.standardactualdistance(0), 0.2);
    EXPECT_DOUBLE_EQ(t.form.pgs[0].actualdistance, 0.2);
    EXPECT_DOUBLE_EQ(a.noisequantile, 0.25);
    EXPECT_EQ(a.fftbw, 25.0);
    EXPECT_EQ(a.dbformat, "0." + std::string(20, '0'));
    EXPECT_EQ(t.form.locationid, "Studio A");
    EXPECT_TRUE(t.ui.messages.empty());
}

TEST_F(AdvancedSettingsDialog, AFieldThatIsNotANumberStopsTheApplyThere) {
    child<QTabWidget>("PageControl1")->setCurrentIndex(0);
    edit("calibratorspledit")->setText("94");
    edit("overloadlimitedit")->setText("120");
    edit("expirationdaysedit")->setText("ten");
    edit("hpfreqedit")->setText("80");
    edit("timethresholdedit")->setText("80");
    EXPECT_FALSE(dialog.apply_settings());
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_EQ(t.ui.messages[0].text, "'ten' is not a valid floating point value");
    EXPECT_EQ(dialog.focusWidget(), edit("expirationdaysedit"));
    EXPECT_EQ(child<QTabWidget>("PageControl1")->currentIndex(), 3); // its tab came forward
    EXPECT_DOUBLE_EQ(t.form.advanced.timethreshold, 0.08);           // before it: applied
    EXPECT_EQ(t.form.advanced.calibratoroverloadlimit, 120.0);
    EXPECT_EQ(t.form.advanced.hpfreq, 40.0); // after it: not
}

TEST_F(AdvancedSettingsDialog, CancelDiscardsEvenTheParameterLists) {
    dialog.findChild<QListWidget*>("mappinglist")->setCurrentRow(0);
    dialog.remove_mapping();
    edit("minsnredit")->setText("3");
    dialog.cancel();
    EXPECT_EQ(t.form.advanced.stdpgparams.size(), 11u);
    EXPECT_EQ(t.form.advanced.minsnr, 10.0);
    dialog.FormShow();
    EXPECT_EQ(lines("mappinglist").size(), 11);
}

TEST_F(AdvancedSettingsDialog, ShowingTwiceOffersFourCalibrationMethods) {
    dialog.FormShow();
    EXPECT_EQ(child<QComboBox>("calibrationmethod0")->count(), 4);
    EXPECT_EQ(child<QComboBox>("calibrationmethod1")->count(), 4);
}

TEST_F(AdvancedSettingsDialog, DerivedTexts) {
    edit("lokeyedit")->setText("60");
    EXPECT_EQ(label("lokeynote"), "C4");
    edit("lokeyedit")->setText("x");
    EXPECT_EQ(label("lokeynote"), "");
    edit("distanceedit0")->setText("150");
    EXPECT_EQ(label("distancerange0"), "L: 134-168 mm");
    EXPECT_EQ(label("maxlevelat300_0"), "L: 124.9 dB");
    EXPECT_EQ(label("maxlevelatmic_0"), "L: 131.0 dB");
    edit("distanceedit1")->setText("far");
    EXPECT_EQ(label("distancerange1"), "R: ");
    edit("fftbwedit")->setText("50");
    child<QComboBox>("windowcombo")->setCurrentIndex(fftwindowblackman);
    EXPECT_EQ(label("windowlength"), "Window length: 80 ms");
    edit("fftbwedit")->setText("");
    EXPECT_EQ(label("windowlength"), "Window length: -");
    // The calibrator group belongs to method 1, the loudspeaker group to 2 and 3.
    child<QComboBox>("calibrationmethod0")->setCurrentIndex(2);
    child<QComboBox>("calibrationmethod1")->setCurrentIndex(0);
    EXPECT_FALSE(child<QWidget>("calibratorgroup")->property("shown").toBool());
    EXPECT_TRUE(child<QWidget>("loudspeakergroup")->property("shown").toBool());
}

TEST_F(AdvancedSettingsDialog, DigitEditsShowSamplesAndIgnoreText) {
    edit("sigdigitsedit")->setText("4");
    EXPECT_EQ(label("sigdigitssample"), "114.3 Hz");
    edit("dbdecimalsedit")->setText("0");
    EXPECT_EQ(label("dbsample"), "13 dB");
    edit("dbdecimalsedit")->setText("a");
    EXPECT_EQ(label("dbsample"), " ");
    ASSERT_TRUE(dialog.apply_settings());
    EXPECT_EQ(t.form.advanced.dbformat, "0.");
}

TEST_F(AdvancedSettingsDialog, UnchangedApplyRoundsTheLevelLimitsToTwoDecimals) {
    t.form.advanced.hilevel = 119.996;
    dialog.FormShow();
    ASSERT_TRUE(dialog.apply_settings());
    EXPECT_EQ(t.form.advanced.hilevel, 120.0);
}

TEST_F(AdvancedSettingsDialog, ResetAsksAndActsAtOnce) {
    t.form.advanced.minsnr = 3.0;
    t.ui.answer = tanswer::cancel;
    dialog.reset_all_advanced_settings();
    EXPECT_EQ(t.form.advanced.minsnr, 3.0);
    t.ui.answer = tanswer::ok;
    dialog.reset_all_advanced_settings();
    EXPECT_EQ(t.ui.questions.back(), "Do you want to reset ALL advanced settings to default?");
    EXPECT_EQ(t.form.advanced.minsnr, 10.0);
    EXPECT_EQ(edit("minsnredit")->text(), "10");
}

TEST_F(AdvancedSettingsDialog, CalibrationLogIsShownOrReportedMissing) {
    int shown = 0;
    dialog.show_modal = [&](QDialog&) { ++shown; };
    std::filesystem::remove(t.form.calibration_log_filename());
    dialog.show_calibration_log();
    EXPECT_EQ(shown, 0);
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_NE(t.ui.messages[0].text.find("Cannot open file"), std::string::npos);
    dialog.remove_all_calibrations(); // writes the log
    dialog.show_calibration_log();
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(log.text().isEmpty());
    EXPECT_EQ(t.form.signedpersonid[0], "");
}

TEST_F(AdvancedSettingsDialog, RemovingADisplayParameterRemapsTheMappings) {
    tadvancedsettings& a = t.form.advanced;
    a.stdpgparams = {{"p3", 3}, {"p4", 4}, {"p1", 1}};
    dialog.FormShow();
    auto* display = child<QListWidget>("displaylist");
    display->setCurrentRow(0);
    EXPECT_FALSE(child<QPushButton>("removedisplaybutton")->isEnabled());
    dialog.remove_display();
    EXPECT_EQ(dialog.working().displayparams.size(), 10u);
    display->setCurrentRow(3);
    const std::string name = a.displayparams[3].name;
    EXPECT_EQ(child<QPushButton>("removedisplaybutton")->text().toStdString(),
              "Remove display of " + name);
    dialog.remove_display();
    const tstdpgparamarr& m = dialog.working().stdpgparams;
    EXPECT_EQ(m[0].displaymapping, 0);
    EXPECT_EQ(m[1].displaymapping, 3);
    EXPECT_EQ(m[2].displaymapping, 1);
    EXPECT_EQ(a.displayparams.size(), 10u); // not applied yet
    // Removing every mapping and applying leaves an empty list.
    auto* mapping = child<QListWidget>("mappinglist");
    while (mapping->count() > 0) {
        mapping->setCurrentRow(0);
        dialog.remove_mapping();
    }
    EXPECT_FALSE(child<QPushButton>("removemappingbutton")->isEnabled());
    EXPECT_EQ(child<QPushButton>("removemappingbutton")->text(), "Remove stdpg parameter mapping");
    ASSERT_TRUE(dialog.apply_settings());
    EXPECT_TRUE(a.stdpgparams.empty());
    EXPECT_EQ(a.displayparams.size(), 9u);
}

TEST_F(AdvancedSettingsDialog, EditorsAddAndChangeEntriesOfTheWorkingCopies) {
    TForm9& mapping = dialog.mapping_editor();
    dialog.add_mapping();
    EXPECT_EQ(mapping.windowTitle(), "Add stdpg parameter");
    mapping.ok(); // an empty name does nothing
    EXPECT_TRUE(mapping.isVisible());
    mapping.findChild<QLineEdit*>("nameedit")->setText("Jitter");
    mapping.findChild<QComboBox*>("displaycombo")->setCurrentIndex(2);
    mapping.ok();
    EXPECT_FALSE(mapping.isVisible());
    EXPECT_EQ(lines("mappinglist").size(), 12);
    EXPECT_EQ(lines("mappinglist").back().toStdString(),
              "Jitter -> " + t.form.advanced.displayparams[2].name);

    child<QListWidget>("mappinglist")->setCurrentRow(11);
    dialog.edit_mapping();
    EXPECT_EQ(mapping.windowTitle(), "Edit stdpg parameter");
    EXPECT_EQ(mapping.findChild<QLineEdit*>("nameedit")->text(), "Jitter");
    mapping.findChild<QLineEdit*>("nameedit")->setText("Shimmer");
    mapping.ok();
    EXPECT_EQ(lines("mappinglist").size(), 12);
    EXPECT_TRUE(lines("mappinglist").back().startsWith("Shimmer -> "));

    TForm10& display = dialog.display_editor();
    dialog.add_display();
    EXPECT_EQ(display.windowTitle(), "Add displayable parameter");
    display.findChild<QLineEdit*>("nameedit")->setText("Jitter");
    display.findChild<QLineEdit*>("unitedit")->setText("%");
    display.ok();
    EXPECT_EQ(lines("displaylist").back(), "Jitter [%]");
    EXPECT_EQ(dialog.working().displayparams.back().max, 1.0);
    child<QListWidget>("displaylist")->setCurrentRow(10);
    dialog.edit_display();
    display.findChild<QLineEdit*>("unitedit")->setText("");
    display.ok();
    EXPECT_EQ(lines("displaylist").back(), "Jitter");
    ASSERT_TRUE(dialog.apply_settings());
    EXPECT_EQ(t.form.advanced.displayparams.size(), 11u);
    EXPECT_EQ(t.form.advanced.stdpgparams.back().name, "Shimmer");
}

// ---- The device lists ----

QStringList items_of(const QComboBox* c) {
    QStringList l;
    for (int i = 0; i < c->count(); ++i) l << c->itemText(i);
    return l;
}

// The main window's news of a changed device list goes to the dialog, as the desktop window
// passes it on.
struct tdevicelistinterface : testing::trecordinginterface {
    TForm2* dialog = nullptr;
    void refresh_device_lists() override {
        if (dialog) dialog->refresh_device_lists();
    }
};

TEST(AdvancedSettingsDevices, TheListsShowTheDevicesConnectedNowAndKeepAChosenOneThatIsNot) {
    testing::ttempconfig config;
    tdevicelistinterface ui;
    TForm1 form(ui);
    testing::tsimdevices devices;
    form.attach_audio(devices);
    form.FormActivate({});
    QWidget main;
    tdialogwindows windows(form, main);
    TForm2& dialog = *windows.advanced;
    ui.dialog = &dialog;
    auto* rec = dialog.findChild<QComboBox*>("recorddevice");
    auto* noise = dialog.findChild<QComboBox*>("noisedevice");
    ASSERT_TRUE(rec && noise);

    // Plugged in since the window started, before any news of it: showing the dialog reads
    // the lists anew.
    form.advanced.recorddevice = "Line in";
    devices.in->change_devices({"Headset mic", "USB mic", "Line in"});
    dialog.FormShow();
    EXPECT_EQ(items_of(rec),
              (QStringList{"The system's default input", "Headset mic", "USB mic", "Line in"}));
    EXPECT_EQ(rec->currentText(), "Line in");

    // While the dialog is open: the lists follow, and what the user chose in them stays.
    rec->setCurrentIndex(1); // "Headset mic"
    devices.in->change_devices({"USB mic", "Headset mic", "Webcam mic"});
    devices.in->deliver();
    EXPECT_EQ(items_of(rec),
              (QStringList{"The system's default input", "USB mic", "Headset mic", "Webcam mic"}));
    EXPECT_EQ(rec->currentText(), "Headset mic");
    devices.noise().change_devices({"Speakers", "USB headphones"});
    devices.noise().deliver();
    EXPECT_EQ(items_of(noise),
              (QStringList{"The system's default output", "Speakers", "USB headphones"}));
    ASSERT_TRUE(dialog.apply_settings());
    EXPECT_EQ(form.advanced.recorddevice, "Headset mic");

    // Unplugged while chosen: still chosen, marked, and applying keeps it rather than another.
    devices.in->change_devices({"USB mic"});
    devices.in->deliver();
    EXPECT_EQ(items_of(rec), (QStringList{"The system's default input", "USB mic",
                                          "Headset mic (not connected)"}));
    EXPECT_EQ(rec->currentIndex(), 2);
    ASSERT_TRUE(dialog.apply_settings());
    EXPECT_EQ(form.advanced.recorddevice, "Headset mic");
    rec->setCurrentIndex(0);
    ASSERT_TRUE(dialog.apply_settings());
    EXPECT_EQ(form.advanced.recorddevice, "");
}

} // namespace
} // namespace gravon
