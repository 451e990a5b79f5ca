#include "base/errors.h"
#include "base/pitch.h"
#include "phonetogram/targets.h"
#include "settings/options.h"

#include <gtest/gtest.h>

using namespace gravon;

namespace {

class Targets : public ::testing::Test {
  protected:
    toptions o;
    ttargetaction action{true, false};
};

tstatisticsarr statistics_with(std::int32_t nbins0, double f0mode, double leq) {
    tstatisticsarr s(2);
    s[0].nbins = nbins0;
    s[0].f0mode = f0mode;
    s[0].leq = leq;
    return s;
}

} // namespace

TEST_F(Targets, ShownOnlyWhenVisibleAndTicked) {
    EXPECT_FALSE(target_shown({true, false}));
    EXPECT_FALSE(target_shown({false, true}));
    EXPECT_TRUE(target_shown({true, true}));
}

TEST_F(Targets, ResetAfterADragReturnsToTheDefault) {
    action.ticked = true;
    drag_target_to_bin(o, {57, 80});
    EXPECT_DOUBLE_EQ(o.f0target, 220.0);
    EXPECT_EQ(o.leveltarget, 80.0);
    reset_target(o);
    EXPECT_EQ(o.f0target, 110.0);
    EXPECT_EQ(o.leveltarget, 70.0);
    EXPECT_TRUE(action.ticked);
}

TEST_F(Targets, ChoosingAListItemTicksTheTarget) {
    ASSERT_FALSE(action.ticked);
    EXPECT_TRUE(choose_target_item(o, action, 3));
    EXPECT_EQ(o.f0target, 220.0);
    EXPECT_EQ(o.leveltarget, 80.0);
    EXPECT_TRUE(action.ticked);
    // A tag outside the list changes nothing.
    action.ticked = false;
    EXPECT_FALSE(choose_target_item(o, action, 4));
    EXPECT_FALSE(choose_target_item(o, action, -1));
    EXPECT_FALSE(action.ticked);
    EXPECT_EQ(o.f0target, 220.0);
}

TEST_F(Targets, SetFromTheAreaMeasurement) {
    EXPECT_FALSE(measured_target_enabled({}));
    tstatisticsarr none = statistics_with(0, 200, 75);
    EXPECT_FALSE(measured_target_enabled(none));
    EXPECT_FALSE(set_target_from_measurement(o, action, none));
    EXPECT_EQ(o.f0target, 110.0);
    EXPECT_FALSE(action.ticked);
    // Only statistics[0] counts, not another phonetogram's selection.
    none[1].nbins = 5;
    EXPECT_FALSE(measured_target_enabled(none));

    tstatisticsarr s = statistics_with(3, 246.9, 82.5);
    EXPECT_TRUE(measured_target_enabled(s));
    EXPECT_TRUE(set_target_from_measurement(o, action, s));
    EXPECT_EQ(o.f0target, 246.9);
    EXPECT_EQ(o.leveltarget, 82.5);
    EXPECT_TRUE(action.ticked);
}

TEST_F(Targets, GrabbedWithinThreeSemitonesAndThreeDecibels) {
    action.ticked = true;
    o.f0target = 220.0;
    o.leveltarget = 80.0;
    EXPECT_TRUE(target_grabbed(o, action, 220.0, 80.0));
    EXPECT_TRUE(target_grabbed(o, action, semitonetofreq(57 + 2.9), 80.0 - 2.9));
    EXPECT_TRUE(target_grabbed(o, action, semitonetofreq(57 - 2.9), 80.0 + 2.9));
    EXPECT_FALSE(target_grabbed(o, action, semitonetofreq(57 + 3.1), 80.0));
    EXPECT_FALSE(target_grabbed(o, action, 220.0, 83.0)); // strictly within
    EXPECT_FALSE(target_grabbed(o, action, 0.0, 80.0));
    // A hidden target cannot be grabbed.
    EXPECT_FALSE(target_grabbed(o, {false, true}, 220.0, 80.0));
    EXPECT_FALSE(target_grabbed(o, {true, false}, 220.0, 80.0));
}

TEST_F(Targets, MenuItemsInMenuOrder) {
    std::vector<ttargetmenuitem> items = target_menu_items(o, statistics_with(1, 220, 80));
    ASSERT_EQ(items.size(), 7u);
    EXPECT_EQ(items[0].kind, ttargetmenuitemkind::setmeasured);
    EXPECT_EQ(items[0].caption, "Set target from area measurement");
    EXPECT_FALSE(items[0].visible);
    EXPECT_TRUE(items[0].enabled);
    EXPECT_EQ(items[1].kind, ttargetmenuitemkind::reset);
    EXPECT_EQ(items[1].caption, "Reset target");
    EXPECT_TRUE(items[1].visible);
    EXPECT_EQ(items[2].kind, ttargetmenuitemkind::separator);
    EXPECT_EQ(items[2].caption, "-");
    const char* captions[] = {"Set target to 110 Hz, 70 dB", "Set target to 110 Hz, 80 dB",
                              "Set target to 220 Hz, 70 dB", "Set target to 220 Hz, 80 dB"};
    for (int i = 0; i < 4; ++i) {
        const ttargetmenuitem& it = items[3 + i];
        EXPECT_EQ(it.kind, ttargetmenuitemkind::target);
        EXPECT_EQ(it.caption, captions[i]);
        EXPECT_EQ(it.tag, i);
        EXPECT_TRUE(it.visible);
        EXPECT_TRUE(it.enabled);
    }
    // Without a measurement the hidden item is disabled too.
    EXPECT_FALSE(target_menu_items(o, {})[0].enabled);
}

TEST_F(Targets, EmptyListLeavesResetAndTheSeparator) {
    o.targets.clear();
    std::vector<ttargetmenuitem> items = target_menu_items(o, {});
    std::vector<std::string> visible;
    for (const ttargetmenuitem& it : items)
        if (it.visible) visible.push_back(it.caption);
    EXPECT_EQ(visible, (std::vector<std::string>{"Reset target", "-"}));
}

TEST_F(Targets, CaptionsUsePlainNumberText) {
    EXPECT_EQ(target_item_caption({72.5, 123.456}), "Set target to 123.456 Hz, 72.5 dB");
    EXPECT_EQ(target_item_caption({72.5, 123.456}, ','), "Set target to 123,456 Hz, 72,5 dB");
    EXPECT_EQ(target_item_caption({-3, 1e20}), "Set target to 1E20 Hz, -3 dB");
}
