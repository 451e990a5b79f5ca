// The phonetogram view control with the mouse and the keys: selection, gap filling, the
// crosshair and dragging the target.
#include "base/pitch.h"
#include "core/test_form.h"
#include "phonetogram/area_selection.h"
#include "ui/drawing_area.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace gravon {
namespace {

class ViewWidget : public ::testing::Test {
  protected:
    testing::ttestform t;
    TForm1& f = t.form;
    std::unique_ptr<TDrawingArea> area;
    TPhonetogramView* view = nullptr;

    void SetUp() override {
        f.pgs[1].visible = false;
        // A 6 x 6 block of shown bins in phonetogram 0: columns 55 ... 60, rows 60 ... 65.
        for (int x = 55; x <= 60; ++x)
            for (int y = 60; y <= 65; ++y) f.pgs[0].param[pglayeracctime].arr[x][y] = 1.0;
        area = std::make_unique<TDrawingArea>(f);
        area->resize(1000, 800);
        area->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(area.get()));
        view = area->view();
    }
    // The centre of bin (x, y) in view coordinates.
    QPoint bin_centre(int x, int y) const {
        const tviewaxes a = area->axes();
        const int l = a.keyboard.midi_to_pixel(x - 0.5), r = a.keyboard.midi_to_pixel(x + 0.5);
        const int tp = a.laxis.value_to_pixel(y + 0.5), b = a.laxis.value_to_pixel(y - 0.5);
        return QPoint((l + r) / 2, (tp + b) / 2);
    }
    int marked_count(std::size_t pg) const {
        int n = 0;
        for (auto v : f.masks.binmarked[pg].cells) n += v;
        return n;
    }
};

TEST_F(ViewWidget, MapsPixelsToTheBinsDrawnThere) {
    for (int x : {24, 55, 69, 95})
        for (int y : {41, 60, 100}) {
            const tbincursor b = bin_at_pixel(area->axes(), bin_centre(x, y));
            EXPECT_EQ(b, (tbincursor{x, y}));
        }
}

TEST_F(ViewWidget, ShiftDragSelectsExactlyTheBinsUnderIt) {
    QSignalSpy stats(view, &TPhonetogramView::areaStatistics);
    // From (54, 59), outside the block, to (57, 62): the shown bins 55 ... 57 x 60 ... 62.
    QTest::mousePress(view, Qt::LeftButton, Qt::ShiftModifier, bin_centre(54, 59));
    QTest::mouseMove(view, bin_centre(56, 61));
    QTest::mouseRelease(view, Qt::LeftButton, Qt::ShiftModifier, bin_centre(57, 62));
    EXPECT_EQ(marked_count(0), 9);
    for (int x = 55; x <= 57; ++x)
        for (int y = 60; y <= 62; ++y) EXPECT_TRUE(f.masks.binmarked[0][x][y]) << x << " " << y;
    EXPECT_EQ(marked_count(1), 0); // hidden phonetogram
    ASSERT_EQ(stats.count(), 1);
    EXPECT_FALSE(stats.at(0).at(0).toStringList().isEmpty());
    EXPECT_FALSE(f.fshowcursor);
}

TEST_F(ViewWidget, RightClickTogglesTheAreaOrFillsAGap) {
    QSignalSpy stats(view, &TPhonetogramView::areaStatistics);
    QTest::mouseClick(view, Qt::RightButton, Qt::NoModifier, bin_centre(57, 62));
    EXPECT_EQ(marked_count(0), 36);
    EXPECT_EQ(stats.count(), 1);
    QTest::mouseClick(view, Qt::RightButton, Qt::NoModifier, bin_centre(57, 62));
    EXPECT_EQ(marked_count(0), 0);

    // An empty bin with one phonetogram visible is glued ...
    QTest::mouseClick(view, Qt::RightButton, Qt::NoModifier, bin_centre(70, 90));
    EXPECT_TRUE(f.masks.binglued[0][70][90]);
    // ... with two the user is told to hide the others, and nothing changes.
    f.pgs[1].visible = true;
    QTest::mouseClick(view, Qt::RightButton, Qt::NoModifier, bin_centre(72, 90));
    EXPECT_FALSE(f.masks.binglued[0][72][90]);
    EXPECT_FALSE(f.masks.binglued[1][72][90]);
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_EQ(t.ui.messages[0].caption, gapfillrefusedcaption);
    EXPECT_EQ(t.ui.messages[0].text, gapfillrefusedtext);
}

TEST_F(ViewWidget, LeftDragMovesTheCrosshairAndArrowsStepIt) {
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, bin_centre(60, 70));
    EXPECT_TRUE(f.fshowcursor);
    EXPECT_EQ(f.cursor, (tbincursor{60, 70}));
    QTest::mouseMove(view, bin_centre(62, 75));
    EXPECT_EQ(f.cursor, (tbincursor{62, 75}));
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, bin_centre(62, 75));
    EXPECT_TRUE(f.fshowcursor); // only a target drag hides it

    QTest::keyClick(view, Qt::Key_Right);
    QTest::keyClick(view, Qt::Key_Up);
    EXPECT_EQ(f.cursor, (tbincursor{63, 76}));
    QTest::keyClick(view, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(f.cursor, (tbincursor{51, 76}));
    QTest::keyClick(view, Qt::Key_Escape);
    EXPECT_FALSE(f.fshowcursor);
}

TEST_F(ViewWidget, DraggingTheTargetMovesItByTheAxes) {
    f.options.showtarget = true;
    f.targetticked = true;
    f.options.f0target = 220.0; // semitone 57
    f.options.leveltarget = 80.0;
    const tviewaxes a = area->axes();
    const QPoint grab = target_pixel(f, a) + QPoint(3, -2); // near it: within 3 st and 3 dB
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, grab);
    EXPECT_TRUE(f.movetargetwithmouse);
    EXPECT_DOUBLE_EQ(f.options.f0target, 220.0);
    const QPoint to(a.keyboard.midi_to_pixel(60), a.laxis.value_to_pixel(74));
    QTest::mouseMove(view, to);
    EXPECT_DOUBLE_EQ(f.options.f0target, semitonetofreq(60));
    EXPECT_DOUBLE_EQ(f.options.leveltarget, 74.0);
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, to);
    EXPECT_FALSE(f.fshowcursor);
    EXPECT_FALSE(f.movetargetwithmouse);

    // Pressing 4 semitones away moves the crosshair, not the target.
    const QPoint far(a.keyboard.midi_to_pixel(64), a.laxis.value_to_pixel(74));
    QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, far);
    QTest::mouseMove(view, far + QPoint(0, 30));
    QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, far + QPoint(0, 30));
    EXPECT_DOUBLE_EQ(f.options.f0target, semitonetofreq(60));
    EXPECT_DOUBLE_EQ(f.options.leveltarget, 74.0);
    EXPECT_TRUE(f.fshowcursor);
}

TEST_F(ViewWidget, DraggedLevelAxisRangeIsKept) {
    TAxis* la = area->laxis();
    const int mid = la->height() / 2;
    QTest::mousePress(la, Qt::LeftButton, Qt::NoModifier, QPoint(5, mid));
    QTest::mouseMove(la, QPoint(5, mid + 40));
    QTest::mouseRelease(la, Qt::LeftButton, Qt::NoModifier, QPoint(5, mid + 40));
    EXPECT_GT(f.advanced.lolevel, 40.0);
    EXPECT_DOUBLE_EQ(f.advanced.hilevel - f.advanced.lolevel, 80.0);
    EXPECT_DOUBLE_EQ(area->laxis()->model().LoValue(), f.advanced.lolevel);
}

TEST_F(ViewWidget, CopiedImageIsWhatTheScreenShows) {
    f.advanced.hideisolatedbins = false;
    f.pgs[0].param[pglayeracctime].arr[70][90] = 5.0;
    area->refresh();
    const QImage screen = area->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage copy = area->image();
    ASSERT_EQ(screen.size(), copy.size());
    const QPoint offset = view->geometry().topLeft();
    for (QPoint p : {bin_centre(57, 62), bin_centre(70, 90), bin_centre(80, 100)})
        EXPECT_EQ(screen.pixel(p + offset), copy.pixel(p + offset));
    const QRect kb = area->keyboard()->geometry();
    for (int x = kb.left(); x < kb.right(); x += 7)
        EXPECT_EQ(screen.pixel(x, kb.top() + 10), copy.pixel(x, kb.top() + 10)) << x;
    const QRect la = area->laxis()->geometry();
    for (int y = la.top(); y < la.bottom(); y += 5)
        EXPECT_EQ(screen.pixel(la.right(), y), copy.pixel(la.right(), y)) << y;
}

TEST_F(ViewWidget, RefreshKeepsTheLegendScale) {
    f.set_zparam(1); // accumulated time: logarithmic 0.02 ... 5 s
    area->refresh();
    area->refresh();
    EXPECT_TRUE(f.advanced.displayparams[1].logarithmic);
    EXPECT_TRUE(area->legendaxis()->model().Logarithmic());
    EXPECT_DOUBLE_EQ(area->legendaxis()->model().LoValue(), 0.02);
    EXPECT_DOUBLE_EQ(area->legendaxis()->model().HiValue(), 5);
    EXPECT_EQ(area->legendlabel()->text(), "Acc. Time");
    area->step_legend_param(); // H1/H2: the recording phonetograms have it
    EXPECT_EQ(f.options.zparam(), 2);
    EXPECT_FALSE(area->legendaxis()->model().Logarithmic());
    EXPECT_EQ(area->legendaxis()->model().AxisText(), "[dB]");
}

} // namespace
} // namespace gravon
