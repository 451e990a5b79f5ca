// A reference group in the phonetogram view: outlines in the group's colour around the cells
// half its members reach (solid) and around the user's share (dashed), never a fill, with the
// patient's profile still showing under them.
#include "core/test_form.h"
#include "phonetogram/reference_group.h"
#include "ui/view_renderer.h"

#include <QImage>
#include <gtest/gtest.h>

namespace gravon {
namespace {

void fill_block(tpg& pg, int x0, int x1, int y0, int y1) {
    for (int x = x0; x <= x1; ++x)
        for (int y = y0; y <= y1; ++y) pg.param[pglayeracctime].arr[x][y] = 1.0;
}

class ReferenceGroupView : public ::testing::Test {
  protected:
    testing::ttestform t;
    TForm1& f = t.form;
    tdrawingmodels m;
    QImage img;
    QColor line;

    // A: 50..59 x 60..69, B: 55..64 x 60..69, C: 57..62 x 65..74. Two of three reach
    // 55..59 x 60..69 and 60..62 x 65..69; all three 57..59 x 65..69.
    void SetUp() override {
        f.set_zparam(0);
        f.options.showoutline = false;
        f.pgs[1].visible = false;
        std::vector<tpg> members(3, make_empty_pg());
        fill_block(members[0], 50, 59, 60, 69);
        fill_block(members[1], 55, 64, 60, 69);
        fill_block(members[2], 57, 62, 65, 74);
        set_nchans(f, 3);
        f.pgs[2] = make_reference_group(members, {"a", "b", "c"}, f.binshow_settings());
        set_pgcolor(f, 2, 3);
        const TColor dk = f.pgs[2].dkcolor;
        line = QColor(dk.r, dk.g, dk.b);
        // The patient's profile runs into the group's area.
        for (int x = 52; x <= 57; ++x) f.pgs[0].param[pglayeracctime].arr[x][62] = 1.0;
    }
    void render() {
        layout_drawing_models(m, f, QSize(1200, 900));
        img = QImage(m.layout.view.width(), m.layout.view.height(), QImage::Format_RGB32);
        tbinpaint scratch;
        paint_phonetogram_view(img, f, {m.laxis, m.faxis, m.keyboard}, scratch);
    }
    // Pixel bounds of bin (x, y), all inside it.
    QRect bin_rect(int x, int y) const {
        const int l = m.keyboard.midi_to_pixel(x - 0.5), r = m.keyboard.midi_to_pixel(x + 0.5);
        const int tp = m.laxis.value_to_pixel(y + 0.5), b = m.laxis.value_to_pixel(y - 0.5);
        return QRect(QPoint(l, tp), QPoint(r, b));
    }
    // The pixels just inside each edge of bin (x, y), halfway along it.
    QColor inside_left(int x, int y) const {
        const QRect r = bin_rect(x, y);
        return img.pixelColor(r.left() + 1, r.center().y());
    }
    QColor inside_right(int x, int y) const {
        const QRect r = bin_rect(x, y);
        return img.pixelColor(r.right() - 1, r.center().y());
    }
    QColor inside_top(int x, int y) const {
        const QRect r = bin_rect(x, y);
        return img.pixelColor(r.center().x(), r.top() + 1);
    }
    QColor inside_bottom(int x, int y) const {
        const QRect r = bin_rect(x, y);
        return img.pixelColor(r.center().x(), r.bottom() - 1);
    }
    // How many pixels of the column just inside the left edge of bin (x, y) have the line.
    int line_pixels_left(int x, int y) const {
        const QRect r = bin_rect(x, y);
        int n = 0;
        for (int py = r.top() + 2; py <= r.bottom() - 2; ++py)
            n += img.pixelColor(r.left(), py) == line;
        return n;
    }
};

TEST_F(ReferenceGroupView, HalfOutlineEnclosesTheCellsTwoOfThreeReach) {
    render();
    ASSERT_GE(bin_rect(60, 60).width(), 6) << "bins too small to tell edges apart";
    ASSERT_GE(bin_rect(60, 60).height(), 6);
    // The outline's left side runs along column 55, not 54 (one member only).
    EXPECT_EQ(inside_left(55, 64), line);
    EXPECT_NE(inside_right(54, 64), line);
    // Its bottom and top along rows 60 and 69 of the main block.
    EXPECT_EQ(inside_bottom(56, 60), line);
    EXPECT_EQ(inside_top(56, 69), line);
    EXPECT_NE(inside_top(56, 70), line);
    // The step: at row 62 the area ends after column 59, at row 67 after column 62.
    EXPECT_EQ(inside_right(59, 62), line);
    EXPECT_NE(inside_right(59, 67), line);
    EXPECT_EQ(inside_right(62, 67), line);
    EXPECT_NE(inside_left(63, 67), line);
    EXPECT_EQ(inside_bottom(61, 65), line);
    // Nothing between two cells of the area, and no fill: the cells stay white.
    EXPECT_NE(inside_right(56, 64), line);
    EXPECT_EQ(img.pixelColor(bin_rect(58, 64).center()), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(bin_rect(64, 64).center()), QColor(Qt::white));
}

TEST_F(ReferenceGroupView, PatientProfileShowsThroughTheGroup) {
    render();
    const QColor blue70(121, 121, 255);
    EXPECT_EQ(img.pixelColor(bin_rect(52, 62).center()), blue70); // outside the area
    EXPECT_EQ(img.pixelColor(bin_rect(56, 62).center()), blue70); // inside it
    EXPECT_EQ(inside_left(55, 62), line);                         // the line lies over it
}

TEST_F(ReferenceGroupView, ChosenShareIsDashedAndFollowsTheOption) {
    f.options.groupshare = 90; // only 100 % of three reaches it: 57..59 x 65..69
    render();
    const int h = bin_rect(57, 67).height() - 3;
    const int dashed = line_pixels_left(57, 67);
    EXPECT_GT(dashed, 0);
    EXPECT_LT(dashed, h);
    EXPECT_EQ(line_pixels_left(56, 67), 0); // not a cell edge of either outline

    f.options.groupshare = 50; // the same as the main outline: that one only
    render();
    EXPECT_EQ(line_pixels_left(57, 67), 0);
    EXPECT_EQ(inside_left(55, 64), line);

    f.options.groupshare = 30; // a third: all of A's, B's and C's cells
    render();
    EXPECT_GT(line_pixels_left(50, 64), 0);

    f.pgs[2].visible = false;
    render();
    EXPECT_NE(inside_left(55, 64), line);
}

} // namespace
} // namespace gravon
