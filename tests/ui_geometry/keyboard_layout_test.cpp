#include "ui/geometry/keyboard_model.h"
#include "ui/geometry/view_layout.h"

#include <gtest/gtest.h>
#include <vector>

namespace gravon {
namespace {

TKeyBoardModel window_keyboard(int width, int height) {
    TKeyBoardModel kb;
    kb.setSize(width, height);
    kb.setLoKey(24);
    kb.setnKeys(72);
    return kb;
}

TEST(KeyboardModel, KeysAndPixels) {
    TKeyBoardModel kb = window_keyboard(720, 70);
    EXPECT_EQ(kb.get_hikey(), 95);
    EXPECT_EQ(kb.midi_to_pixel(24), 5);
    EXPECT_EQ(kb.midi_to_pixel(23.5), 0);
    EXPECT_EQ(kb.midi_to_pixel(95.5), 720);
    EXPECT_EQ(kb.keyrect(1), (trect{10, 0, 21, 46}));
    kb.setnKeys(300);
    EXPECT_EQ(kb.nKeys(), 256);
    kb.setnKeys(-3); // a highest key below the lowest keeps one key
    EXPECT_EQ(kb.nKeys(), 1);
}

TEST(KeyboardModel, BlackKeySlotSplitsBelowTheKey) {
    TKeyBoardModel kb = window_keyboard(720, 100);
    // Slot 1 is C#1 (25), pixels 10 ... 19.
    EXPECT_EQ(kb.pixel_to_midi(12, 10), 25);
    EXPECT_EQ(kb.pixel_to_midi(12, 80), 24);
    EXPECT_EQ(kb.pixel_to_midi(17, 80), 26);
    EXPECT_EQ(kb.pixel_to_midi(17, 65), 25);
}

TEST(KeyboardModel, SlidingRaisesOneNoteOnPerKeyAndOneNoteOff) {
    TKeyBoardModel kb = window_keyboard(720, 100);
    std::vector<int> on, off;
    kb.OnNoteOn = [&](int m) { on.push_back(m); };
    kb.OnNoteOff = [&](int m) { off.push_back(m); };
    kb.mouse_press_left(5, 10);
    EXPECT_TRUE(kb.keydown(24));
    for (int x = 5; x <= 25; ++x) kb.mouse_move(x, 10, true, true);
    kb.mouse_release_left();
    EXPECT_EQ(on, (std::vector<int>{24, 25, 26}));
    EXPECT_EQ(off, (std::vector<int>{26}));
    EXPECT_FALSE(kb.keydown(26));
    EXPECT_FALSE(kb.set_keydown(200, true));
    EXPECT_FALSE(kb.keydown(200));
}

TEST(ViewLayout, FillsThePanelOrKeepsTheAspectRatio) {
    tlayoutinput in;
    in.width = 1000;
    in.height = 700;
    in.lockaspectratio = false;
    tviewlayout l = layout_drawing_area(in);
    EXPECT_EQ(l.keyboard.left, l.view.left);
    EXPECT_EQ(l.keyboard.width(), l.view.width());
    EXPECT_EQ(l.faxis.left, l.view.left);
    EXPECT_EQ(l.faxis.width(), l.view.width());
    EXPECT_EQ(l.laxis.right, l.view.left);
    EXPECT_EQ(l.laxis.height(), l.view.height());
    EXPECT_EQ(l.keyboard.bottom, l.view.top);
    EXPECT_EQ(l.keyboard.height(), (l.view.width() * 7 + 36) / 72);
    EXPECT_EQ(l.faxis.bottom, 700 - layoutmargin);
    EXPECT_LT(l.view.right, l.legendaxis.left + 1);
    EXPECT_EQ(l.legendaxis.height(), l.view.height() / 2);
    EXPECT_EQ(l.legendstrip.left, l.legendaxis.right);

    in.lockaspectratio = true;
    l = layout_drawing_area(in);
    const double r = locked_aspect_ratio(40, 120, 72);
    EXPECT_NEAR(double(l.view.width()) / (l.view.bottom - l.keyboard.top), r, 0.01);
    // Height limits: the block fills it and is centred across.
    EXPECT_EQ(l.keyboard.top, layoutmargin);
    EXPECT_EQ(l.faxis.bottom, 700 - layoutmargin);

    in.legendshown = false;
    l = layout_drawing_area(in);
    EXPECT_EQ(l.legendaxis.width(), 0);
}

} // namespace
} // namespace gravon
