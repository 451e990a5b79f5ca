#include "base/errors.h"
#include "base/pitch.h"
#include "phonetogram/targets.h"
#include "settings/options.h"

#include <gtest/gtest.h>

using namespace gravon;

namespace {

using trow = std::array<std::string, 3>;

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

ttargetgrid grid_of(int n) {
    ttargetgrid g;
    g.cells.push_back({"", "fo [Hz]", "Level [dB]"});
    for (int i = 1; i <= n; ++i)
        g.cells.push_back({std::to_string(i), std::to_string(100 * i), std::to_string(60 + i)});
    g.row = n > 0 ? 1 : 0;
    return g;
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

TEST_F(Targets, PageShowsTheOptions) {
    o.defaultf0target = 130.8;
    o.showtarget = true;
    ttargetpage p = show_target_page(o);
    EXPECT_EQ(p.f0targetedit, "130.8");
    EXPECT_EQ(p.leveltargetedit, "70");
    EXPECT_TRUE(p.showtargetcheck);
    ASSERT_EQ(p.grid.rowcount(), 5);
    EXPECT_EQ(p.grid.cells[0], (trow{"", "fo [Hz]", "Level [dB]"}));
    EXPECT_EQ(p.grid.cells[1], (trow{"1", "110", "70"}));
    EXPECT_EQ(p.grid.cells[4], (trow{"4", "220", "80"}));
    EXPECT_EQ(p.grid.row, 1);
    o.targets.clear();
    p = show_target_page(o, ',');
    EXPECT_EQ(p.grid.rowcount(), 1);
    EXPECT_EQ(p.grid.row, 0);
    EXPECT_EQ(p.f0targetedit, "130,8");
}

TEST_F(Targets, AddTargetAppendsTheEdits) {
    ttargetpage p = show_target_page(o);
    p.grid.row = 2;
    p.f0targetedit = "330";
    p.leveltargetedit = "85.5";
    add_target_row(p);
    ASSERT_EQ(p.grid.rowcount(), 6);
    EXPECT_EQ(p.grid.cells[5], (trow{"5", "330", "85.5"}));
    EXPECT_EQ(p.grid.row, 2);
}

TEST_F(Targets, DeleteTheMiddleRowRenumbers) {
    ttargetgrid g = grid_of(3);
    g.row = 2;
    EXPECT_TRUE(delete_target_row(g));
    ASSERT_EQ(g.rowcount(), 3);
    EXPECT_EQ(g.cells[1], (trow{"1", "100", "61"}));
    EXPECT_EQ(g.cells[2], (trow{"2", "300", "63"}));
    EXPECT_EQ(g.row, 2);
    // The last row: only that row goes, and the current row follows to the new last one.
    EXPECT_TRUE(delete_target_row(g));
    ASSERT_EQ(g.rowcount(), 2);
    EXPECT_EQ(g.cells[1], (trow{"1", "100", "61"}));
    EXPECT_EQ(g.row, 1);
    EXPECT_TRUE(delete_target_row(g));
    EXPECT_EQ(g.rowcount(), 1);
    EXPECT_EQ(g.row, 0);
    EXPECT_FALSE(delete_target_row(g)); // no target row left
    EXPECT_EQ(g.rowcount(), 1);
}

TEST_F(Targets, UpAndDownSwapTheValues) {
    ttargetgrid g = grid_of(3);
    g.row = 2;
    EXPECT_TRUE(move_target_up(g));
    EXPECT_EQ(g.row, 1);
    EXPECT_EQ(g.cells[1], (trow{"1", "200", "62"}));
    EXPECT_EQ(g.cells[2], (trow{"2", "100", "61"}));
    EXPECT_TRUE(move_target_down(g));
    EXPECT_TRUE(move_target_down(g));
    EXPECT_EQ(g.row, 3);
    EXPECT_EQ(g.cells[3], (trow{"3", "200", "62"}));
    EXPECT_EQ(g.cells[2], (trow{"2", "300", "63"}));
}

TEST_F(Targets, UpOnTheFirstAndDownOnTheLastDoNothing) {
    ttargetgrid g = grid_of(3);
    const ttargetgrid before = g;
    g.row = 1;
    EXPECT_FALSE(move_target_up(g));
    EXPECT_EQ(g.cells, before.cells);
    EXPECT_EQ(g.row, 1);
    EXPECT_FALSE(fix_targetbuttons(g).upenabled);
    EXPECT_TRUE(fix_targetbuttons(g).downenabled);
    g.row = 3;
    EXPECT_FALSE(move_target_down(g));
    EXPECT_EQ(g.cells, before.cells);
    EXPECT_EQ(g.row, 3);
    EXPECT_FALSE(fix_targetbuttons(g).downenabled);
    EXPECT_TRUE(fix_targetbuttons(g).upenabled);
}

TEST_F(Targets, ButtonCaptionsAndStates) {
    ttargetgrid g = grid_of(3);
    g.row = 2;
    ttargetbuttons b = fix_targetbuttons(g);
    EXPECT_EQ(b.deletecaption, "Delete target 2");
    EXPECT_TRUE(b.deleteenabled);
    EXPECT_EQ(b.upcaption, "Move target 2 up");
    EXPECT_EQ(b.downcaption, "Move target 2 down");
    EXPECT_TRUE(b.upenabled);
    EXPECT_TRUE(b.downenabled);
    // No target row selected.
    g.row = 0;
    b = fix_targetbuttons(g);
    EXPECT_EQ(b.deletecaption, "Delete target");
    EXPECT_FALSE(b.deleteenabled);
    EXPECT_EQ(b.upcaption, "Move target");
    EXPECT_EQ(b.downcaption, "Move target");
    EXPECT_FALSE(b.upenabled);
    EXPECT_FALSE(b.downenabled); // it would move nothing
    // A single target row.
    g = grid_of(1);
    b = fix_targetbuttons(g);
    EXPECT_TRUE(b.deleteenabled);
    EXPECT_FALSE(b.upenabled);
    EXPECT_FALSE(b.downenabled);
}

TEST_F(Targets, SelectingAndEditingCells) {
    ttargetgrid g = grid_of(2);
    EXPECT_TRUE(select_target_row(g, 2));
    EXPECT_EQ(g.row, 2);
    EXPECT_FALSE(select_target_row(g, 0)); // the header
    EXPECT_FALSE(select_target_row(g, 3));
    EXPECT_EQ(g.row, 2);
    EXPECT_TRUE(set_target_cell(g, 1, 2, "99"));
    EXPECT_EQ(g.cells[1][2], "99");
    EXPECT_FALSE(set_target_cell(g, 0, 1, "x"));
    EXPECT_FALSE(set_target_cell(g, 1, 3, "x"));
    EXPECT_FALSE(set_target_cell(g, 5, 1, "x"));
    EXPECT_EQ(g.cells[0][1], "fo [Hz]");
}

TEST_F(Targets, ApplyTakesThePageOver) {
    drag_target_to_bin(o, {60, 90});
    ttargetpage p = show_target_page(o);
    p.f0targetedit = "196";
    p.leveltargetedit = "75.5";
    p.showtargetcheck = true;
    p.grid.row = 1;
    delete_target_row(p.grid);
    set_target_cell(p.grid, 1, 1, "123.5");
    apply_target_page(p, o);
    EXPECT_EQ(o.defaultf0target, 196.0);
    EXPECT_EQ(o.defaultleveltarget, 75.5);
    EXPECT_EQ(o.f0target, 196.0);
    EXPECT_EQ(o.leveltarget, 75.5);
    EXPECT_TRUE(o.showtarget);
    ASSERT_EQ(o.targets.size(), 3u);
    EXPECT_EQ(o.targets[0].f0, 123.5);
    EXPECT_EQ(o.targets[0].level, 80.0);
    EXPECT_EQ(o.targets[2].f0, 220.0);
    EXPECT_EQ(o.targets[2].level, 80.0);
}

TEST_F(Targets, ApplyWithUnchangedDefaultsMovesADraggedTargetBack) {
    drag_target_to_bin(o, {45, 100});
    apply_target_page(show_target_page(o), o);
    EXPECT_EQ(o.f0target, 110.0);
    EXPECT_EQ(o.leveltarget, 70.0);
    EXPECT_EQ(o.targets.size(), 4u);
}

TEST_F(Targets, ApplyStopsAtAFieldThatIsNoNumber) {
    ttargetpage p = show_target_page(o);
    p.leveltargetedit = "66";
    p.f0targetedit = "abc";
    p.showtargetcheck = true;
    try {
        apply_target_page(p, o);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid floating point value");
    }
    EXPECT_EQ(o.defaultleveltarget, 66.0); // taken over before the failing field
    EXPECT_EQ(o.defaultf0target, 110.0);
    EXPECT_FALSE(o.showtarget);

    // A bad grid cell: the fields before it are new, the list stays whole.
    p = show_target_page(o);
    p.f0targetedit = "150";
    p.grid.cells[3][2] = "";
    const ttargetarr before = o.targets;
    p.grid.cells[1][1] = "999";
    EXPECT_THROW(apply_target_page(p, o), EConvertError);
    EXPECT_EQ(o.defaultf0target, 150.0);
    EXPECT_EQ(o.f0target, 150.0);
    ASSERT_EQ(o.targets.size(), before.size());
    EXPECT_EQ(o.targets[0].f0, before[0].f0);
}

TEST_F(Targets, ApplyReadsTheGivenSeparator) {
    ttargetpage p = show_target_page(o, ',');
    p.f0targetedit = "110,5";
    apply_target_page(p, o, ',');
    EXPECT_EQ(o.defaultf0target, 110.5);
    p.f0targetedit = "110.5"; // not a number with a comma separator
    EXPECT_THROW(apply_target_page(p, o, ','), EConvertError);
}

TEST_F(Targets, ApplyAnEmptyList) {
    ttargetpage p = show_target_page(o);
    p.grid = grid_of(0);
    apply_target_page(p, o);
    EXPECT_TRUE(o.targets.empty());
    // Adding to an empty grid numbers the first row 1.
    add_target_row(p);
    EXPECT_EQ(p.grid.cells[1], (trow{"1", "110", "70"}));
    p.grid.cells.clear(); // even without its header row
    add_target_row(p);
    ASSERT_EQ(p.grid.rowcount(), 2);
    EXPECT_EQ(p.grid.cells[1][0], "1");
}
