// Levels referred to different distances from the mouth differ by the distance, not by the
// voice: the window, the report and the comparison say so when such phonetograms meet, a
// group is not made of them, and a take whose channel has no calibration claims no distance.
#include "calibration/calibration_model.h"
#include "core/report.h"
#include "core/test_form.h"
#include "files/smp_file.h"
#include "files/stdpg_file.h"
#include "support/block_phonetogram.h"

#include <gtest/gtest.h>

namespace gravon {
namespace {

TEST(LevelDistances, PhonetogramsAtDifferentDistancesAreNeverLaidOverOrComparedSilently) {
    testing::ttestform t;
    TForm1& f = t.form;
    const auto path = [&](const std::string& name) { return (t.config.root / name).string(); };
    // Two files that state no distance and one at 300 mm.
    for (auto [name, x0, d] :
         {std::tuple{"a.stdpg", 50, -1.0}, {"b.stdpg", 55, -1.0}, {"c.stdpg", 52, 0.3}}) {
        tpg pg = testing::block_pg(x0, x0 + 9, 60, 69);
        pg.distance = d;
        TSMPfile file;
        write_stdpg(file, path(name), pg, {});
    }
    const auto said = [&](const std::string& text) {
        return !t.ui.messages.empty() && t.ui.messages.back().text.find(text) != std::string::npos;
    };
    EXPECT_FALSE(f.make_reference_group({path("a.stdpg"), path("c.stdpg")}, path("ac.stdpg")));
    EXPECT_TRUE(said("(a.stdpg: no distance stated, c.stdpg: 300 mm), so they cannot be compared"));
    t.ui.messages.clear();
    ASSERT_TRUE(f.make_reference_group({path("a.stdpg"), path("b.stdpg")}, path("g.stdpg")));
    EXPECT_TRUE(t.ui.messages.empty());

    // A take referred to 300 mm under the group: said once, when it gains its first cell.
    f.pgs[0].distance = 0.3;
    testing::fill_block(f.pgs[0], 53, 60, 62, 70);
    f.fix_things();
    f.fix_things();
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_TRUE(said("(Left: 300 mm, g.stdpg: no distance stated)"));

    // The comparison with a baseline states it above its numbers, the report beside them.
    ASSERT_TRUE(f.open_stdpg(path("b.stdpg"), f.nchans()));
    ASSERT_TRUE(f.set_baseline_pg(3, true));
    const std::vector<std::string> lines = f.comparison_text_lines();
    ASSERT_GT(lines.size(), 4u);
    EXPECT_EQ(lines[3].rfind("Warning: The levels are referred to different microphone "
                             "distances (b.stdpg: no distance stated, Left: 300 mm)",
                             0),
              0u)
        << lines[3];
    EXPECT_NE(make_report(f, {0}, '.').distancenote.find("different microphone distances"),
              std::string::npos);
    // At one distance there is nothing to say.
    f.pgs[0].distance = -1;
    EXPECT_EQ(f.distance_note(), "");
    EXPECT_EQ(make_report(f, {0}, '.').distancenote, "");
}

TEST(LevelDistances, RecordAsksOnceForAnUncalibratedChannelWhoseTakeStatesNoDistance) {
    testing::ttestform t;
    TForm1& f = t.form;
    f.pgs[1].visible = false;
    t.ui.recorduncalibrated = false;
    f.RecordActionExecute(true);
    EXPECT_FALSE(f.recording());
    ASSERT_EQ(t.ui.uncalibratedasked.size(), 1u);
    EXPECT_EQ(t.ui.uncalibratedasked[0].rfind("The Left channel is not calibrated", 0), 0u)
        << t.ui.uncalibratedasked[0];

    t.ui.recorduncalibrated = true;
    t.start();
    ASSERT_TRUE(f.recording());
    EXPECT_LT(f.pgs[0].distance, 0.0);
    t.feed(std::vector<std::int16_t>(2 * 4410, 100));
    f.StopActionExecute();
    // Record again continues the take: asked once per take.
    t.start();
    EXPECT_EQ(t.ui.uncalibratedasked.size(), 2u);
    f.StopActionExecute();

    // Calibrated, the take is referred to the standard distance and nothing is asked.
    f.calibrationstatus = {calstatussigned, calstatussigned};
    f.advanced.calibrationrecalculate = true;
    t.ui.answer = tanswer::no;
    f.NewRecordingActionExecute();
    t.start();
    ASSERT_TRUE(f.recording());
    EXPECT_EQ(t.ui.uncalibratedasked.size(), 2u);
    EXPECT_DOUBLE_EQ(f.pgs[0].distance, f.advanced.standarddistance);
    f.StopActionExecute();
}

} // namespace
} // namespace gravon
