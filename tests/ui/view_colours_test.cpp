// Colours of the phonetogram view at the centres of chosen bins.
#include "core/test_form.h"
#include "phonetogram/pg_param.h"
#include "phonetogram/reference_group.h"
#include "support/block_phonetogram.h"
#include "ui/geometry/difference_colours.h"
#include "ui/geometry/view_layout.h"
#include "ui/view_renderer.h"

#include <QImage>
#include <gtest/gtest.h>

namespace gravon {
namespace {

class ViewColours : public ::testing::Test {
  protected:
    testing::ttestform t;
    TForm1& f = t.form;
    tdrawingmodels m;
    QImage img;

    void SetUp() override {
        f.set_zparam(0);
        f.options.showoutline = false;
        f.advanced.hideisolatedbins = false;
        f.pgs[1].visible = false;
    }
    void put(std::size_t pg, int x, int y) { f.pgs[pg].param[pglayeracctime].arr[x][y] = 1.0; }
    void render() {
        layout_drawing_models(m, f, QSize(1200, 900));
        img = QImage(m.layout.view.width(), m.layout.view.height(), QImage::Format_RGB32);
        tbinpaint scratch;
        paint_phonetogram_view(img, f, {m.laxis, m.faxis, m.keyboard}, scratch);
    }
    // Pixel bounds of bin (x, y): left, top, right (inside), bottom (inside).
    QRect bin_rect(int x, int y) const {
        const int l = m.keyboard.midi_to_pixel(x - 0.5), r = m.keyboard.midi_to_pixel(x + 0.5);
        const int t = m.laxis.value_to_pixel(y + 0.5), b = m.laxis.value_to_pixel(y - 0.5);
        return QRect(QPoint(l, t), QPoint(r, b));
    }
    QColor at_bin(int x, int y) const { return img.pixelColor(bin_rect(x, y).center()); }
};

// Blue (64, 64, 255) at 70 %: 255 * (0.3 + 0.7 * 64/255) = 121.3.
const QColor blue70(121, 121, 255);
const QColor red70(255, 121, 121);

TEST_F(ViewColours, SolidColourIsSeventyPercentAndOverlaysMultiply) {
    put(0, 57, 70);
    put(0, 60, 70);
    put(1, 60, 70);
    put(1, 62, 70);
    f.pgs[1].visible = true;
    render();
    EXPECT_EQ(at_bin(57, 70), blue70);
    EXPECT_EQ(at_bin(62, 70), red70);
    // Both transparent: the product of the two tints.
    EXPECT_EQ(at_bin(60, 70), QColor(121, 58, 121));
    EXPECT_EQ(at_bin(64, 73), QColor(Qt::white)); // off the grid lines

    f.pgs[0].opaque = true; // the first lies on top
    render();
    EXPECT_EQ(at_bin(60, 70), blue70);
    f.pgs[0].opaque = false;
    f.pgs[1].opaque = true; // an opaque one below still shows the top one's tint over it
    render();
    EXPECT_EQ(at_bin(60, 70), QColor(121, 58, 121));
}

TEST_F(ViewColours, ValueFractionFollowsTheShownParameter) {
    f.set_zparam(1); // accumulated time, logarithmic 0.02 ... 5 s
    f.pgs[0].param[pglayeracctime].arr[57][70] = 5.0;
    f.pgs[0].param[pglayeracctime].arr[58][70] = 0.02 * std::pow(250.0, 0.25);
    f.pgs[0].param[pglayeracctime].arr[59][70] = 0.01;
    f.pgs[0].param[pglayeracctime].arr[60][70] = 50.0;
    render();
    EXPECT_EQ(at_bin(57, 70), QColor(64, 64, 255));
    EXPECT_EQ(at_bin(58, 70), QColor(207, 207, 255)); // a quarter: 255 * (0.75 + 0.25 * 64/255)
    EXPECT_EQ(at_bin(59, 70), QColor(Qt::white));     // below the range: washed out
    EXPECT_EQ(at_bin(60, 70), QColor(0, 0, 255));     // above it: saturated
}

TEST_F(ViewColours, ACellWithoutAValueIsGreyInTheViewAndTheLegendSaysSo) {
    f.set_zparam(8); // CPPS, 0 ... 30 dB
    put(0, 57, 70);
    put(0, 58, 70);
    f.pgs[0].param[pglayercpps].arr[57][70] = 30.0;
    f.pgs[0].param[pglayercpps].arr[58][70] = NAN; // above the search band: no CPPS
    render();
    EXPECT_EQ(at_bin(57, 70), QColor(64, 64, 255));
    EXPECT_EQ(at_bin(58, 70), QColor(190, 190, 190));

    const QImage whole = render_drawing_area(f, QSize(1200, 900), tdrawingfonts{});
    const trect k = m.layout.novaluekey;
    ASSERT_GT(k.height(), 4);
    EXPECT_EQ(whole.pixelColor(k.left + k.height() / 2, k.top + k.height() / 2),
              QColor(190, 190, 190));
    EXPECT_LE(k.bottom, m.layout.distancelabel.top);
    // A measure every cell has needs no key.
    f.set_zparam(1);
    render();
    EXPECT_EQ(m.layout.novaluekey.height(), 0);
}

TEST_F(ViewColours, GlueSelectionOverloadAndEnclosedHoles) {
    for (int x = 55; x <= 60; ++x) put(0, x, 80);
    f.pgs[1].visible = true;
    put(1, 55, 80);
    f.masks.binglued[0][55][80] = 1; // black, whatever lies below
    f.masks.binmarked[0][56][80] = 1;
    f.pgs[0].param[pglayersolidcolor].arr[57][80] = 1.0;
    f.masks.binenclosed[0][58][80] = 1;
    f.masks.binmarked[0][58][80] = 1;
    render();
    EXPECT_EQ(at_bin(55, 80), QColor(Qt::black));
    EXPECT_EQ(at_bin(56, 80), QColor(61, 61, 128)); // darker by 128/255
    EXPECT_EQ(at_bin(57, 80), QColor(121, 0, 0));   // overload: only the red channel stays
    // Enclosed wins over selected: 192/220/192 over the tint.
    EXPECT_EQ(at_bin(58, 80), QColor(91, 105, 192));
}

TEST_F(ViewColours, OutlineFramesTheShownArea) {
    f.options.showoutline = true;
    put(0, 60, 90);
    put(0, 66, 90);
    put(0, 67, 90);
    render();
    const QRect r = bin_rect(60, 90);
    const int cx = r.center().x(), cy = r.center().y();
    EXPECT_EQ(img.pixelColor(r.left(), cy), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(r.right(), cy), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(cx, r.top()), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(cx, r.bottom()), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(r.left() + 1, cy), blue70);
    EXPECT_EQ(img.pixelColor(cx, r.bottom() - 1), blue70);
    // Two neighbours share no outline between them.
    const QRect a = bin_rect(66, 90);
    EXPECT_EQ(img.pixelColor(a.right(), a.center().y()), blue70);
    EXPECT_EQ(img.pixelColor(a.left(), a.center().y()), QColor(Qt::black));
}

TEST_F(ViewColours, TargetSquareIsGreenOnlyOnTheLiveVoice) {
    synth::tsynthparams p;
    p.phrases = {synth::steady_phrase(1.5, 220.0, 80.0)};
    p.vibrato_cents = 0;
    p.leadin = 0.5;
    std::vector<std::int16_t> s = testing::stereo_of(synth::synthesize(p));
    s.resize(std::size_t(2 * 44100 * 1.4));
    f.advanced.calibrationrecalculate = false;
    t.start();
    t.feed(s);
    f.StopActionExecute();
    const tchannelmeasures live = f.live(0);
    ASSERT_GT(live.f0, 200.0);

    f.options.showtarget = true;
    f.targetticked = true;
    f.options.f0target = live.f0 * 1.02;
    f.options.leveltarget = live.level + 0.4;
    render();
    const int s3 = int(2.8 * blob_size(m.keyboard));
    auto square = [&] {
        const QPoint c = target_pixel(f, {m.laxis, m.faxis, m.keyboard});
        return img.pixelColor(c - QPoint(s3, s3));
    };
    const QColor green = QColor(f.targetcolors[6].r, f.targetcolors[6].g, f.targetcolors[6].b);
    EXPECT_EQ(square(), green);
    const QPoint c = target_pixel(f, {m.laxis, m.faxis, m.keyboard});
    EXPECT_EQ(img.pixelColor(c), QColor(241, 216, 51)); // the bull's eye
    // Shadow: 3 pixels beyond the square's lower right corner.
    const int h = 3 * blob_size(m.keyboard);
    EXPECT_EQ(img.pixelColor(c + QPoint(h + 1, h + 1)), QColor(128, 128, 128));

    f.options.f0target = live.f0 * 1.04;
    render();
    EXPECT_EQ(square(), QColor(220, 220, 220));
    f.options.f0target = live.f0;
    f.options.leveltarget = live.level - 0.6;
    render();
    EXPECT_EQ(square(), QColor(220, 220, 220));

    // Ticked but its option off: not drawn.
    f.options.showtarget = false;
    render();
    EXPECT_NE(square(), QColor(220, 220, 220));
}

TEST_F(ViewColours, TheDifferenceViewColoursWhereTheCellsLieAndOnlyWithABaseline) {
    set_nchans(f, 3);
    for (int x = 50; x <= 54; ++x)
        for (int y = 60; y <= 62; ++y) put(2, x, y); // the baseline
    for (int x = 53; x <= 58; ++x)
        for (int y = 60; y <= 62; ++y) put(0, x, y); // now
    f.differenceview = true;
    render();
    // No baseline marked: the usual colours.
    EXPECT_EQ(at_bin(56, 61), blue70);

    ASSERT_TRUE(f.set_baseline_pg(2, true));
    ASSERT_EQ(f.compared_pg(), 0);
    render();
    const auto rgb = [](TColor c) { return QColor(c.r, c.g, c.b); };
    EXPECT_EQ(at_bin(51, 61), rgb(onlybaselinecolor));
    EXPECT_EQ(at_bin(54, 61), rgb(bothcolor));
    EXPECT_EQ(at_bin(57, 61), rgb(onlycurrentcolor));
    EXPECT_EQ(at_bin(60, 61), QColor(Qt::white));
    // Hidden by its tick, the baseline still takes part: the view shows the change.
    f.pgs[2].visible = false;
    render();
    EXPECT_EQ(at_bin(51, 61), rgb(onlybaselinecolor));

    f.differenceview = false;
    f.pgs[2].visible = true;
    render();
    EXPECT_EQ(at_bin(57, 61), blue70);
    // Laid over the current take, the baseline is grey.
    const QColor base = at_bin(51, 61);
    EXPECT_TRUE(base.red() == base.green() && base.green() == base.blue())
        << base.name().toStdString();
    // Unmarked, the difference view has nothing to show, and the baseline that was takes a
    // colour of its own.
    f.differenceview = true;
    ASSERT_TRUE(f.set_baseline_pg(2, false));
    EXPECT_FALSE(f.difference_view_shown());
    EXPECT_NE(f.pgs[2].colorindex, f.pgs[0].colorindex);
    EXPECT_NE(f.pgs[2].colorindex, baselinecolorindex);
    EXPECT_FALSE(f.set_baseline_pg(0, true)); // a recording is never a baseline
}

// A: 50..59 x 60..69, B: 55..64 x 60..69, C: 57..62 x 65..74. Two of three reach 55..59 x
// 60..69 and 60..62 x 65..69; all three 57..59 x 65..69. The group is outlined, never filled.
TEST_F(ViewColours, AReferenceGroupIsOutlinedAtHalfAndAtTheChosenShare) {
    set_nchans(f, 3);
    f.pgs[2] =
        make_reference_group({testing::block_pg(50, 59, 60, 69), testing::block_pg(55, 64, 60, 69),
                              testing::block_pg(57, 62, 65, 74)},
                             {"a", "b", "c"}, f.binshow_settings());
    set_pgcolor(f, 2, 3);
    const QColor line(f.pgs[2].dkcolor.r, f.pgs[2].dkcolor.g, f.pgs[2].dkcolor.b);
    for (int x = 52; x <= 57; ++x) put(0, x, 62); // the patient's profile runs into it
    // The pixel just inside an edge of bin (x, y): dx, dy = -1 left/bottom, +1 right/top.
    const auto edge = [&](int x, int y, int dx, int dy) {
        const QRect r = bin_rect(x, y);
        return img.pixelColor(dx < 0   ? r.left() + 1
                              : dx > 0 ? r.right() - 1
                                       : r.center().x(),
                              dy < 0   ? r.bottom() - 1
                              : dy > 0 ? r.top() + 1
                                       : r.center().y());
    };
    // How much of the left edge of bin (x, y) carries the line: all of it when solid.
    const auto left_run = [&](int x, int y) {
        const QRect r = bin_rect(x, y);
        int n = 0;
        for (int py = r.top() + 2; py <= r.bottom() - 2; ++py)
            n += img.pixelColor(r.left(), py) == line;
        return n;
    };
    render();
    ASSERT_GE(bin_rect(60, 60).width(), 6) << "bins too small to tell edges apart";
    EXPECT_EQ(edge(55, 64, -1, 0), line); // column 55, not 54 (one member only)
    EXPECT_NE(edge(54, 64, 1, 0), line);
    EXPECT_EQ(edge(56, 60, 0, -1), line);
    EXPECT_EQ(edge(56, 69, 0, 1), line);
    EXPECT_EQ(edge(59, 62, 1, 0), line); // the step: row 62 ends after 59, row 67 after 62
    EXPECT_NE(edge(59, 67, 1, 0), line);
    EXPECT_EQ(edge(62, 67, 1, 0), line);
    EXPECT_NE(edge(56, 64, 1, 0), line); // nothing between two cells of the area
    EXPECT_EQ(at_bin(58, 64), QColor(Qt::white));
    EXPECT_EQ(at_bin(56, 62), blue70); // the patient shows through
    // The chosen share, 90 %: only the cells all three reach, dashed.
    f.options.groupshare = 90;
    render();
    const int dashed = left_run(57, 67);
    EXPECT_GT(dashed, 0);
    EXPECT_LT(dashed, bin_rect(57, 67).height() - 3);
    f.options.groupshare = 50; // the same as the solid one: that one only
    render();
    EXPECT_EQ(left_run(57, 67), 0);
    f.pgs[2].visible = false;
    render();
    EXPECT_NE(edge(55, 64, -1, 0), line);
}

TEST_F(ViewColours, ASpeechProfileIsWashedOverTheVoiceRangeProfile) {
    f.options.showoutline = true;
    put(0, 57, 73);
    put(0, 60, 73);
    put(1, 60, 73);
    put(1, 62, 73);
    f.pgs[1].visible = true;
    f.pgs[1].session.task = "Speech";
    render();
    // Row 73 is off the grid lines, which show through the wash. Orange 235/120/0 at 45 % over what
    // lies below: the voice range profile's blue, or white.
    EXPECT_EQ(at_bin(57, 73), blue70);
    EXPECT_EQ(at_bin(60, 73), QColor(172, 121, 140));
    EXPECT_EQ(at_bin(62, 73), QColor(246, 194, 140));
    // Its border is its own dark orange line, two pixels wide, where the other one's is black.
    const QRect r = bin_rect(62, 73);
    EXPECT_EQ(img.pixelColor(r.right(), r.center().y()), QColor(160, 70, 0));
    EXPECT_EQ(img.pixelColor(r.right() - 1, r.center().y()), QColor(160, 70, 0));
    EXPECT_EQ(img.pixelColor(bin_rect(57, 73).left(), r.center().y()), QColor(Qt::black));
    // Alone, it is a profile like any other, in its own colour.
    f.pgs[0].visible = false;
    render();
    EXPECT_EQ(at_bin(62, 73), red70);
    EXPECT_EQ(at_bin(60, 73), red70);
}

} // namespace
} // namespace gravon
