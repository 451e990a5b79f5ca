#include "ui/geometry/axis_model.h"

#include <gtest/gtest.h>
#include <vector>

namespace gravon {
namespace {

TAxisModel linear_level_axis(int height) {
    TAxisModel a;
    a.setSize(40, height);
    a.setTickSpaceAim(60);
    a.set_hilovalues(120, 20);
    return a;
}

TEST(AxisModel, LinearTicksEndPastTheRangeAndAllMajor) {
    TAxisModel a = linear_level_axis(300);
    ASSERT_EQ(a.nTickMarks(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_DOUBLE_EQ(a.TickMarkValue(i), 20.0 + 20 * i);
        EXPECT_TRUE(a.TickIsMajor(i));
    }
    EXPECT_EQ(a.TickMarkText(5), "120");
    EXPECT_EQ(a.TickMarkPosition(0), 299);
    EXPECT_EQ(a.TickMarkPosition(5), 0);
    EXPECT_EQ(a.TickMarkPosition(6), 0); // 140 limited to the end
    EXPECT_THROW(a.TickMarkText(7), EAxisError);
    try {
        a.TickMarkPosition(-1);
    } catch (const EAxisError& e) {
        EXPECT_STREQ(e.what(), "Tickmark index out of range:-1");
    }
}

TEST(AxisModel, LogarithmicTicksAndThinning) {
    TAxisModel a;
    a.setPosition(tposition::posunder);
    a.setSize(600, 20);
    a.set_hilovalues(3520, 55);
    a.setLogarithmic(true);
    ASSERT_EQ(a.TickMarkText(0), "60");
    EXPECT_DOUBLE_EQ(a.TickMarkValue(0), 60);
    const int n = a.nTickMarks();
    EXPECT_DOUBLE_EQ(a.TickMarkValue(n - 1), 4000);
    EXPECT_DOUBLE_EQ(a.TickMarkValue(n - 2), 3000);
    // 100 and 1000 are placed first and always keep their labels; 7, 8 and 9 hundred crowd
    // at the right-hand end of a decade and lose theirs.
    bool have100 = false, have1000 = false, have900 = false;
    for (int i = 0; i < n; ++i) {
        const double v = a.TickMarkValue(i);
        if (v == 100) have100 = a.TickMarkText(i) == "100";
        if (v == 1000) have1000 = a.TickMarkText(i) == "1000";
        if (v == 900) have900 = !a.TickMarkText(i).empty();
        EXPECT_EQ(a.TickIsMajor(i), v == 100 || v == 200 || v == 500 || v == 1000 || v == 2000);
    }
    EXPECT_TRUE(have100);
    EXPECT_TRUE(have1000);
    EXPECT_FALSE(have900);
}

// Below 1 the ticks step by the decade as they do above it: 0.02, 0.03 ... 0.09, 0.1, 0.2 ...
// and not by a tenth of it (a comb of 90 ticks a decade).
TEST(AxisModel, LogarithmicTicksBelowOneStepByTheirDecade) {
    TAxisModel a;
    a.setPosition(tposition::posright);
    a.setSize(20, 400);
    a.set_hilovalues(4, 0.01);
    a.setLogarithmic(true);
    std::vector<double> v;
    for (int i = 0; i < a.nTickMarks(); ++i) v.push_back(a.TickMarkValue(i));
    const std::vector<double> want = {0.02, 0.03, 0.04, 0.05, 0.06, 0.07, 0.08, 0.09, 0.1,
                                      0.2,  0.3,  0.4,  0.5,  0.6,  0.7,  0.8,  0.9,  1,
                                      2,    3,    4,    5};
    ASSERT_EQ(v.size(), want.size());
    for (std::size_t i = 0; i < v.size(); ++i) EXPECT_NEAR(v[i], want[i], 1e-12 * want[i]) << i;
}

TEST(AxisModel, MusicScaleTicksOnWhiteKeys) {
    TAxisModel a;
    a.setPosition(tposition::posunder);
    a.setSize(2000, 20);
    a.set_hilovalues(523.25, 261.6255653); // C4 ... C5
    a.setLogarithmic(true);
    a.setMusicScale(true);
    // A tick exactly at the low end is skipped: D4 comes first, C5 is included.
    EXPECT_EQ(a.TickMarkText(0), "D4");
    EXPECT_EQ(a.TickMarkText(a.nTickMarks() - 1), "C5");
    EXPECT_TRUE(a.TickIsMajor(a.nTickMarks() - 1));
    EXPECT_EQ(a.nTickMarks(), 7);
}

TEST(AxisModel, LimitsAndErrors) {
    TAxisModel a;
    a.set_hilovalues(120, 20);
    a.setMaxValueDifference(50);
    EXPECT_DOUBLE_EQ(a.HiValue(), 70);
    a.setMaxValueDifference(1e300);
    a.setMinLoValue(30);
    EXPECT_DOUBLE_EQ(a.LoValue(), 30);

    TAxisModel b;
    b.set_hilovalues(10, 0);
    try {
        b.setLogarithmic(true);
        FAIL();
    } catch (const EAxisError& e) {
        EXPECT_STREQ(e.what(), "LoValue=0, must be >0 for log scale!");
    }
    b.setLoValue(1);
    b.setLogarithmic(true);
    EXPECT_THROW(b.setHiValue(-2), EAxisError);
}

TEST(AxisModel, Conversions) {
    TAxisModel a = linear_level_axis(101);
    EXPECT_DOUBLE_EQ(a.pixel_to_value(0), 120);
    EXPECT_DOUBLE_EQ(a.pixel_to_value(100), 20);
    EXPECT_DOUBLE_EQ(a.pixel_to_value(500), 20);
    EXPECT_EQ(a.value_to_pixel(70), 50);
    EXPECT_EQ(a.value_to_notclippedpixel(220), -100);
    EXPECT_EQ(a.value_to_pixel(220), 0);
    a.setReverse(true);
    EXPECT_EQ(a.value_to_pixel(30), 10);

    TAxisModel f;
    f.setPosition(tposition::posunder);
    f.setSize(301, 20);
    f.set_hilovalues(1000, 10);
    f.setLogarithmic(true);
    EXPECT_EQ(f.value_to_pixel(100), 150);
    EXPECT_NEAR(f.pixel_to_value(150), 100, 1e-9);
    EXPECT_EQ(f.value_to_pixel(-1), 0); // undefined gives 0
}

TEST(AxisModel, DragsKeepTheValueUnderThePointer) {
    TAxisModel a = linear_level_axis(101);
    a.AllowLoScroll = a.AllowHiScroll = a.AllowMidScroll = true;
    int changing = 0, changed = 0;
    a.OnScaleChanging = [&] { ++changing; };
    a.OnScaleChanged = [&] { ++changed; };
    EXPECT_EQ(a.drag_mode_at(0, 10), taxisdrag::high);
    EXPECT_EQ(a.drag_mode_at(0, 50), taxisdrag::mid);
    EXPECT_EQ(a.drag_mode_at(0, 90), taxisdrag::low);

    // Mid: the content follows the pointer, 10 pixels = 10 dB.
    ASSERT_TRUE(a.mouse_down(0, 50));
    a.mouse_move(0, 60);
    EXPECT_DOUBLE_EQ(a.LoValue(), 30);
    EXPECT_DOUBLE_EQ(a.HiValue(), 130);
    EXPECT_EQ(changed, 0);
    a.mouse_up(0, 60);
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(changed, 1);

    // High end: the low end stays, 110 dB (pressed at 20 px from the top) moves to 40 px.
    a.set_hilovalues(120, 20);
    changed = 0;
    ASSERT_TRUE(a.mouse_down(0, 10)); // limited to 11 pixels from the end: 109 dB
    a.mouse_move(0, 40);
    EXPECT_DOUBLE_EQ(a.LoValue(), 20);
    EXPECT_NEAR(a.pixel_to_value(40), 109, 1e-9);
    a.mouse_up(0, 40);
    EXPECT_EQ(changed, 1);

    // A press and release without moving changes nothing.
    changed = 0;
    a.mouse_down(0, 50);
    a.mouse_up(0, 50);
    EXPECT_EQ(changed, 0);
}

TEST(AxisModel, LogarithmicDragShiftsDecades) {
    TAxisModel f;
    f.setPosition(tposition::posunder);
    f.setSize(301, 20);
    f.set_hilovalues(1000, 10);
    f.setLogarithmic(true);
    f.AllowLoScroll = f.AllowHiScroll = f.AllowMidScroll = true;
    ASSERT_TRUE(f.mouse_down(150, 0));
    f.mouse_move(0, 0); // half the axis = one decade to the right
    EXPECT_NEAR(f.LoValue(), 100, 1e-9);
    EXPECT_NEAR(f.HiValue(), 10000, 1e-6);
}

} // namespace
} // namespace gravon
