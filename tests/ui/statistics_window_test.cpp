// The statistics window: the condensed switch, the copy, and the refresh.
#include "core/test_form.h"
#include "ui/statistics_window.h"

#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>
#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

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
    const std::string condensed = [&] {
        std::string s;
        for (const std::string& l : t.form.statistics_text_lines(true)) s += l + "\n";
        return s;
    }();
    EXPECT_EQ(w.text().toStdString().substr(0, condensed.size()), condensed);
    // Below the selection's numbers, the profile's own: its summary and its contour, one row
    // per semitone of the block (D3 to B3, 60 to 79 dB).
    const std::string text = w.text().toStdString();
    for (const char* row :
         {"\nLowest fo\tD3 (146.8 Hz)\t\n", "\nHighest fo\tB3 (246.9 Hz)\t\n",
          "\nfo range [ST]\t9\t\n", "\nArea [cells]\t200\t\n",
          "\n\nContour\tLeft\t\t\n\tSoftest [dB]\tLoudest [dB]\t\nD3 146.8 Hz\t60\t79\t\n"})
        EXPECT_NE(text.find(row), std::string::npos) << row;
    EXPECT_TRUE(text.ends_with("\nBb3 233.1 Hz\t60\t79\t\nB3 246.9 Hz\t60\t79\t")) << text;
    // The option set elsewhere (a settings file) reaches the button at the next refresh.
    t.form.options.shortversion = false;
    w.refresh();
    EXPECT_FALSE(button->isChecked());
    EXPECT_EQ(w.text(), full);
}

// Each column starts right of everything in the column before it, so that no value lands
// in the column of another phonetogram.
TEST(StatisticsWindow, ColumnsAreAsWideAsTheirWidestEntry) {
    ttestform t;
    TForm6 w{t.form};
    select_an_area(t.form);
    t.form.options.shortversion = false;
    w.resize(900, 700);
    w.show();
    w.refresh();
    auto* memo = w.findChild<QPlainTextEdit*>("Memo1");
    ASSERT_NE(memo, nullptr);
    const QTextDocument* doc = memo->document();
    // Per column, the rightmost end of its entries and the leftmost start of the next.
    std::vector<int> ends, starts;
    int checked = 0;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        const QStringList fields = b.text().split('\t');
        int at = b.position();
        for (qsizetype k = 0; k < fields.size(); ++k) {
            QTextCursor start(b), end(b);
            start.setPosition(at);
            end.setPosition(at + int(fields[k].size()));
            const std::size_t c = std::size_t(k);
            if (ends.size() <= c) ends.resize(c + 1, 0), starts.resize(c + 1, 1 << 30);
            if (k > 0) starts[c] = std::min(starts[c], memo->cursorRect(start).x());
            if (k + 1 < fields.size()) ends[c] = std::max(ends[c], memo->cursorRect(end).x());
            at += int(fields[k].size()) + 1;
        }
        checked += fields.size() > 1;
    }
    for (std::size_t c = 1; c < ends.size(); ++c)
        EXPECT_LT(ends[c - 1], starts[c]) << "column " << c - 1 << " runs into column " << c;
    EXPECT_GT(checked, 5);
}

// The contour of two profiles is read across: it shows whole when it first appears, and a
// window the user narrowed afterwards is not widened again.
TEST(StatisticsWindow, TheContourOfTwoProfilesShowsWholeOnce) {
    ttestform t;
    TForm6 w{t.form};
    for (std::size_t i : {std::size_t(0), std::size_t(1)}) {
        t.form.pgs[i].visible = true;
        t.form.pgs[i].pgname = "session_" + std::to_string(i + 1) + "_pg.stdpg";
        for (int x = 50; x < 60; ++x)
            for (int y = 60; y < 80; ++y) t.form.pgs[i].param[pglayeracctime].arr[x][y] = 0.1;
    }
    w.show();
    w.refresh();
    auto* memo = w.findChild<QPlainTextEdit*>("Memo1");
    ASSERT_TRUE(w.text().contains("Contour"));
    QApplication::processEvents();
    EXPECT_EQ(memo->horizontalScrollBar()->maximum(), 0) << w.width();
    w.resize(300, w.height());
    w.refresh();
    EXPECT_EQ(w.width(), 300);
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
