// The statistics window: the condensed switch, the copy, and the refresh.
#include "core/test_form.h"
#include "ui/statistics_window.h"

#include <QApplication>
#include <QClipboard>
#include <QToolButton>
#include <gtest/gtest.h>

namespace gravon {
namespace {

using testing::ttestform;

// A selected area of the left phonetogram, so that the statistics have something to list.
void select_an_area(TForm1& form) {
    tpgarr& time = form.pgs[0].param[pglayeracctime].arr;
    for (int x = 50; x < 60; ++x)
        for (int y = 60; y < 80; ++y) time[x][y] = 0.1;
    form.select_all_recording_areas();
}

TEST(StatisticsWindow, CondensedSwitchFollowsTheOptionAndShortensTheText) {
    ttestform t;
    TForm6 w{t.form};
    select_an_area(t.form);
    w.refresh();
    const QString full = w.text();
    auto* button = w.findChild<QToolButton*>("condensedbutton");
    button->click();
    EXPECT_TRUE(t.form.options.shortversion);
    EXPECT_LT(w.text().count('\n'), full.count('\n'));
    EXPECT_EQ(w.text().toStdString() + "\n", [&] {
        std::string s;
        for (const std::string& l : t.form.statistics_text_lines(true)) s += l + "\n";
        return s;
    }());
    // The option set elsewhere (a settings file) reaches the button at the next refresh.
    t.form.options.shortversion = false;
    w.refresh();
    EXPECT_FALSE(button->isChecked());
    EXPECT_EQ(w.text(), full);
}

TEST(StatisticsWindow, CopyPutsTheWholeTextWithTabsOnTheClipboard) {
    ttestform t;
    TForm6 w{t.form};
    select_an_area(t.form);
    w.refresh();
    w.copy_statistics();
    EXPECT_EQ(QApplication::clipboard()->text(), w.text());
    EXPECT_TRUE(w.text().contains('\t'));
}

} // namespace
} // namespace gravon
