// The dialogs' plain rules without a toolkit: reading edits, the target grid, the control
// panel's lists, and the advanced settings' apply order and derived texts.
#include "base/number_text.h"
#include "core/advanced_settings_page.h"
#include "core/control_panel.h"
#include "core/dialog_fields.h"
#include "core/target_grid.h"
#include "core/test_form.h"

#include <gtest/gtest.h>

namespace gravon {
namespace {

using testing::ttestform;

TEST(DialogFields, IntegersAndNumbers) {
    EXPECT_EQ(read_integer(" 12 "), 12);
    EXPECT_EQ(read_integer("-7"), -7);
    EXPECT_EQ(read_integer("+3"), 3);
    for (const char* bad : {"", "1e3", "2.5", "12a", "-", "2147483648"}) {
        try {
            read_integer(bad);
            ADD_FAILURE() << bad;
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.what(), "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
    EXPECT_EQ(read_integer("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(read_number("1.5"), 1.5);
    EXPECT_THROW(read_number("1,5"), EConvertError);
    EXPECT_EQ(number_text(110.0), "110");
}

TEST(TargetGrid, ButtonsAtTheEndsAndTheCellAtWhichReadingStops) {
    ttargetgrid g = target_grid_of({{70, 110}, {80, 220}});
    ASSERT_EQ(g.rowcount(), 3);
    move_target_row_up(g); // row 1
    EXPECT_EQ(g.row, 1);
    EXPECT_EQ(g.cells[1][targetf0col], "110");
    g.row = 2;
    move_target_row_down(g); // the last row
    EXPECT_EQ(g.row, 2);
    const ttargetbuttons b = target_buttons(g);
    EXPECT_TRUE(b.upenabled);
    EXPECT_FALSE(b.downenabled);
    EXPECT_EQ(b.deletecaption, "Delete target 2");
    delete_target_row(g); // the last row: only it goes, the new last is current
    EXPECT_EQ(g.rowcount(), 2);
    EXPECT_EQ(g.row, 1);

    add_target_row(g, "440", "7O"); // a letter O
    ttarget keep{1, 2};
    ttargetarr targets(5, keep);
    const tapplyresult r = read_target_grid(g, targets);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->field, "targetsgrid");
    EXPECT_EQ(r->row, 2);
    EXPECT_EQ(r->col, targetlevelcol);
    EXPECT_EQ(r->message, "'7O' is not a valid floating point value");
    // The list has its new length; the rows before the bad cell are read.
    ASSERT_EQ(targets.size(), 2u);
    EXPECT_EQ(targets[0].f0, 110.0);
    EXPECT_EQ(targets[1].f0, 440.0);
}

TEST(ControlPanelRules, OnlyTheRecordingsAndASelectionOutsideTheLists) {
    tpglist list;
    set_nchans(list, 2);
    list.pgs[0].pgname = "Left";
    tpanelselection sel{-1, 4}; // a loaded item that no longer exists
    const tpanelview v = control_panel_view(list, sel, 4);
    EXPECT_EQ(v.recitems, (std::vector<std::string>{"0: Left", "1: "}));
    EXPECT_TRUE(v.pgitems.empty());
    EXPECT_EQ(v.selection.pgitem, -1);
    EXPECT_EQ(v.pgno, -1);
    EXPECT_FALSE(close_loaded_pg(list, sel));
    EXPECT_FALSE(move_loaded_pg_down(list, sel));
    EXPECT_EQ(list.nchans(), 2);

    set_nchans(list, 4);
    list.pgs[3].distance = 0.3;
    list.pgs[3].param[0].entitystr = "SPL";
    sel = selection_of_pg(3);
    EXPECT_EQ(sel.pgitem, 1);
    const tpanelview w = control_panel_view(list, sel, 4);
    EXPECT_EQ(w.pgno, 3);
    EXPECT_EQ(w.parameters, std::vector<std::string>{"SPL"});
    EXPECT_EQ(w.properties[4], "Display distance: 0.3 m");
    EXPECT_EQ(w.properties[3], "Actual distance: Unknown");
    set_visibility_from_ticks(list, {false, true}, {true, false});
    EXPECT_FALSE(list.pgs[0].visible);
    EXPECT_TRUE(list.pgs[1].visible);
    EXPECT_FALSE(list.pgs[3].visible);
}

TEST(AdvancedPage, ApplyStopsAtTheRateWithTheDevicesBeforeItTaken) {
    ttestform t;
    t.form.audiodevicenames.input = {"Mic A", "Mic B"};
    tadvancedpage p = advanced_page_of(t.form);
    p.recorddevice = "Mic B";
    p.use24bits = false;
    p.fsedit = "44k";
    p.noiseplayleft = false; // after the rate
    const tapplyresult r = apply_advanced_page(t.form, p);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->field, "fsedit");
    EXPECT_EQ(t.form.advanced.recorddevice, "Mic B");
    EXPECT_FALSE(t.form.advanced.use24bits);
    EXPECT_EQ(t.form.advanced.fs, 44100.0);
    EXPECT_TRUE(t.form.advanced.noiseplayleft);
}

TEST(AdvancedPage, DerivedTextsAndDigits) {
    ttestform t;
    tadvancedpage p = advanced_page_of(t.form);
    p.fftbwedit = "100";
    const std::pair<std::int32_t, const char*> lengths[] = {{fftwindowrectangle, "10"},
                                                            {fftwindowbartlett, "20"},
                                                            {fftwindowhamming, "20"},
                                                            {fftwindowhanning, "20"},
                                                            {fftwindowblackman, "40"}};
    for (auto [w, ms] : lengths) {
        p.fftwindow = w;
        EXPECT_EQ(advanced_derived(p).windowlength, "Window length: " + std::string(ms) + " ms");
    }
    EXPECT_EQ(set_level_decimals(p, "25"), formatfloat(decimals_pattern(20), 90.0 / 7.0) + " dB");
    EXPECT_EQ(p.ndecdb, 20);
    EXPECT_EQ(set_time_decimals(p, "2"), "129.29 s");
    EXPECT_EQ(p.secstr, "0.00");
    EXPECT_EQ(set_significant_digits(p, "-3"), sigdigits(0, 800.0 / 7.0) + " Hz");
    EXPECT_EQ(p.ndig, 0);
    EXPECT_EQ(set_significant_digits(p, "four"), " ");
    EXPECT_EQ(p.ndig, 0);
    p.lokeyedit = "36";
    p.hikeyedit = "96";
    const tadvancedderived d = advanced_derived(p);
    EXPECT_EQ(d.lokeynote, "C2");
    EXPECT_EQ(d.hikeynote, "C7");
    EXPECT_FALSE(d.editmappingenabled);
    EXPECT_EQ(d.editdisplaycaption, "Edit display parameter");
}

} // namespace
} // namespace gravon
