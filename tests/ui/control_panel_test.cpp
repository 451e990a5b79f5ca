// The phonetogram control panel: what the selection shows, and which rows may move or close.
#include "core/test_form.h"
#include "phonetogram/pg_param.h"
#include "ui/control_panel.h"
#include "ui/statistics_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

namespace gravon {
namespace {

using testing::ttestform;

struct ControlPanel : ::testing::Test {
    ttestform t;
    TForm8 panel{t.form};

    // Three loaded phonetograms "A", "B", "C" (phonetograms 2, 3, 4).
    ControlPanel() {
        set_nchans(t.form, 5);
        for (int i = 2; i < 5; ++i) t.form.pgs[std::size_t(i)].pgname = std::string(1, 'A' + i - 2);
        t.form.pgs[2].actualdistance = 0.15;
        panel.FormShow();
    }
    template <typename T> T* child(const char* name) { return panel.findChild<T*>(name); }
    QStringList loaded() {
        QStringList items;
        auto* list = child<QListWidget>("pgchecklistbox");
        for (int i = 0; i < list->count(); ++i) items << list->item(i)->text();
        return items;
    }
    QString memo() { return child<QPlainTextEdit>("propertiesmemo")->toPlainText(); }
};

TEST_F(ControlPanel, NothingSelectedShowsNoPropertiesAndNothingToClose) {
    EXPECT_EQ(loaded(), QStringList({"2: A", "3: B", "4: C"}));
    EXPECT_EQ(child<QListWidget>("recchecklistbox")->item(0)->text(), "0: Left");
    EXPECT_EQ(child<QGroupBox>("GroupBox1")->title(), "Properties");
    auto* close = child<QPushButton>("closebutton");
    EXPECT_EQ(close->text(), "Close phonetogram");
    EXPECT_FALSE(close->isEnabled());
    EXPECT_FALSE(child<QPushButton>("upbutton")->isEnabled());
    EXPECT_FALSE(child<QPushButton>("downbutton")->isEnabled());
}

// Tab gives a list without a current row its first one; that chooses no phonetogram. An arrow
// there does.
TEST_F(ControlPanel, TabbingIntoAListKeepsTheChosenPhonetogram) {
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    panel.phonetogram_clicked(1); // B
    auto* rec = child<QListWidget>("recchecklistbox");
    rec->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    EXPECT_EQ(child<QGroupBox>("GroupBox1")->title(), "Properties of 3: B");
    QTest::keyClick(rec, Qt::Key_Down);
    QApplication::processEvents();
    EXPECT_NE(child<QGroupBox>("GroupBox1")->title(), "Properties of 3: B");
}

TEST_F(ControlPanel, ReferenceGroupOffersItsSecondShareAndListsItsMembers) {
    t.form.pgs[3].group.files = {"w1.stdpg", "w2.stdpg", "w3.stdpg"};
    panel.show();
    auto* box = child<QGroupBox>("groupbox");
    auto* spin = child<QSpinBox>("groupsharespin");
    panel.phonetogram_clicked(0); // a patient's profile
    EXPECT_FALSE(box->isVisible());
    panel.phonetogram_clicked(1);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(spin->value(), 90);
    EXPECT_TRUE(memo().endsWith("Reference group of 3 phonetograms:\n  w1.stdpg\n  w2.stdpg\n"
                                "  w3.stdpg"))
        << memo().toStdString();
    spin->setValue(75);
    EXPECT_EQ(t.form.options.groupshare, 75);
    // The box keeps to the layout: no part of it outside the properties.
    EXPECT_TRUE(child<QGroupBox>("GroupBox1")->rect().contains(box->geometry()));
}

TEST_F(ControlPanel, SelectionShowsPropertiesAndDeselectsTheOtherList) {
    panel.phonetogram_clicked(0);
    EXPECT_EQ(child<QGroupBox>("GroupBox1")->title(), "Properties of 2: A");
    EXPECT_EQ(child<QPushButton>("closebutton")->text(), "Close 2: A");
    EXPECT_EQ(memo(), "Recorded at: \nDate: \nCalibration: \nActual distance: 0.15 m\n"
                      "Display distance: Unknown");
    panel.recording_clicked(1);
    EXPECT_EQ(panel.selection().pgitem, -1);
    EXPECT_EQ(child<QGroupBox>("GroupBox1")->title(), "Properties of 1: Right");
    // Recording phonetograms cannot be closed or moved.
    EXPECT_FALSE(child<QPushButton>("closebutton")->isEnabled());
    EXPECT_FALSE(child<QPushButton>("upbutton")->isEnabled());
    EXPECT_FALSE(child<QPushButton>("downbutton")->isEnabled());
}

TEST_F(ControlPanel, UpAndDownMoveOnlyAmongTheLoadedPhonetograms) {
    panel.phonetogram_clicked(0);
    EXPECT_FALSE(child<QPushButton>("upbutton")->isEnabled());
    panel.up(); // the first loaded one never passes the recordings
    EXPECT_EQ(t.form.pgs[1].pgname, "Right");
    t.form.masks.binmarked[2].at(10, 50) = 1;
    panel.down();
    EXPECT_EQ(loaded(), QStringList({"2: B", "3: A", "4: C"}));
    EXPECT_EQ(panel.selection().pgitem, 1);
    EXPECT_EQ(t.form.masks.binmarked[3].at(10, 50), 1); // the selection moved with A
    panel.down();
    EXPECT_EQ(panel.selection().pgitem, 2);
    EXPECT_FALSE(child<QPushButton>("downbutton")->isEnabled());
    panel.down();
    EXPECT_EQ(loaded(), QStringList({"2: B", "3: C", "4: A"}));
    panel.up();
    EXPECT_EQ(loaded(), QStringList({"2: B", "3: A", "4: C"}));
}

TEST_F(ControlPanel, ClosingSelectsTheNextOrTheNewLast) {
    panel.phonetogram_clicked(2);
    panel.close_phonetogram();
    EXPECT_EQ(t.form.nchans(), 4);
    EXPECT_EQ(loaded(), QStringList({"2: A", "3: B"}));
    EXPECT_EQ(panel.selection().pgitem, 1);
    panel.phonetogram_clicked(0);
    panel.close_phonetogram();
    EXPECT_EQ(loaded(), QStringList({"2: B"}));
    EXPECT_EQ(panel.selection().pgitem, 0);
    EXPECT_EQ(t.form.statistics.size(), 3u);
    panel.close_phonetogram();
    EXPECT_TRUE(loaded().isEmpty());
    EXPECT_EQ(child<QPushButton>("closebutton")->text(), "Close phonetogram");
    EXPECT_TRUE(memo().isEmpty()); // nothing left that it could describe
}

TEST_F(ControlPanel, TicksColourAndOpacityChangeTheSelectedPhonetogram) {
    child<QListWidget>("pgchecklistbox")->item(1)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(t.form.pgs[3].visible);
    EXPECT_TRUE(t.form.pgs[2].visible);
    panel.phonetogram_clicked(1);
    panel.color_clicked(3);
    EXPECT_EQ(t.form.pgs[3].colorindex, 3);
    EXPECT_EQ(t.form.pgs[3].color, t.form.pgcolor[3]);
    panel.set_opaque(true);
    EXPECT_TRUE(t.form.pgs[3].opaque);
    panel.fix_things();
    EXPECT_TRUE(child<QRadioButton>("opaqueradio")->isChecked());
    EXPECT_EQ(child<QListWidget>("ColorListBox1")->currentRow(), 3);
}

// The arrow keys move the highlight; the caption, Close and the colour follow the highlighted
// row, not the one last clicked.
TEST_F(ControlPanel, TheKeyboardSelectsRowsAndColoursAsTheMouseDoes) {
    panel.show();
    auto* list = child<QListWidget>("pgchecklistbox");
    panel.phonetogram_clicked(0);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Down);
    QCoreApplication::processEvents();
    EXPECT_EQ(panel.selection().pgitem, 2);
    EXPECT_EQ(child<QGroupBox>("GroupBox1")->title(), "Properties of 4: C");
    EXPECT_EQ(child<QPushButton>("closebutton")->text(), "Close 4: C");
    QTest::keyClick(list, Qt::Key_Up);
    QCoreApplication::processEvents();
    panel.up();
    EXPECT_EQ(loaded(), QStringList({"2: B", "3: A", "4: C"}));

    auto* colours = child<QListWidget>("ColorListBox1");
    colours->setFocus();
    const int before = t.form.pgs[2].colorindex;
    const int other = t.form.pgs[3].colorindex;
    QTest::keyClick(colours, Qt::Key_Down);
    EXPECT_EQ(t.form.pgs[2].colorindex, before + 1);
    EXPECT_EQ(t.form.pgs[2].color, t.form.pgcolor[std::size_t(before + 1)]);
    EXPECT_EQ(t.form.pgs[3].colorindex, other); // only the selected one
}

TEST_F(ControlPanel, TheBaselineIsAStoredPhonetogramThatFollowsItsRowIntoTheStatistics) {
    for (int x = 50; x < 56; ++x)
        for (int y = 60; y < 64; ++y) {
            t.form.pgs[0].param[pglayeracctime].arr[x][y] = 1.0;     // now
            t.form.pgs[2].param[pglayeracctime].arr[x - 2][y] = 1.0; // A: before
        }
    auto* baseline = child<QCheckBox>("baselinebox");
    auto* difference = child<QCheckBox>("differencebox");
    panel.recording_clicked(0);
    EXPECT_FALSE(baseline->isEnabled()); // a recording is never an earlier session

    panel.phonetogram_clicked(0);
    ASSERT_TRUE(baseline->isEnabled());
    baseline->click();
    EXPECT_EQ(t.form.baseline_pg(), 2);
    EXPECT_EQ(child<QLabel>("comparedlabel")->text(), "Baseline 2, compared with 0: Left");
    TForm6 statistics(t.form);
    statistics.refresh();
    EXPECT_TRUE(statistics.text().contains("Change since the baseline"))
        << qPrintable(statistics.text());
    EXPECT_TRUE(statistics.text().contains("\nCells in both [STdB]\t16\t16\t"))
        << qPrintable(statistics.text());

    // One baseline at a time; it moves with its row and goes when its phonetogram closes.
    panel.phonetogram_clicked(2);
    baseline->click();
    EXPECT_EQ(t.form.baseline_pg(), 4);
    EXPECT_FALSE(t.form.pgs[2].baseline);
    panel.up();
    EXPECT_EQ(t.form.baseline_pg(), 3);
    EXPECT_TRUE(baseline->isChecked());
    ASSERT_TRUE(difference->isEnabled());
    difference->click();
    EXPECT_TRUE(t.form.difference_view_shown());
    panel.close_phonetogram();
    EXPECT_EQ(t.form.baseline_pg(), -1);
    EXPECT_FALSE(t.form.difference_view_shown());
    EXPECT_EQ(child<QLabel>("comparedlabel")->text(), "No baseline marked");
    statistics.refresh();
    EXPECT_FALSE(statistics.text().contains("Change since the baseline"));
}

} // namespace
} // namespace gravon
