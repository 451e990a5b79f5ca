// The session record in the main window: offered at the first Record of a take, carried by
// both recording phonetograms, shown in the control panel and saved with the take's files.
#include "core/control_panel.h"
#include "core/test_form.h"
#include "files/session_items.h"
#include "phonetogram/pg_param.h"

#include <gtest/gtest.h>
#include <regex>

namespace gravon {
namespace {

namespace fs = std::filesystem;

// Answers the session dialog as told, and counts how often it was offered.
struct tsessionui : testing::trecordinginterface {
    bool accept = true;
    tsessionrecord typed;
    std::vector<bool> offers; // atrecord of each offer
    bool edit_session(tsessionrecord& r, bool atrecord) override {
        offers.push_back(atrecord);
        if (!accept) return false;
        typed.date = atrecord ? r.date : typed.date;
        r = typed;
        return true;
    }
};

struct SessionRecord : ::testing::Test {
    testing::ttempconfig config;
    tsessionui ui;
    TForm1 f{ui};
    void SetUp() override { f.FormActivate({}); }
    // The example phonation through the recorder intake.
    void record_example() {
        const synth::tsynthparams p = synth::make_example_params();
        const std::vector<std::int16_t> stereo = testing::stereo_of(synth::synthesize(p));
        f.set_paused(false);
        bool last = false;
        for (std::size_t i = 0; i < stereo.size(); i += 2048) {
            const std::size_t n = std::min<std::size_t>(2048, stereo.size() - i);
            f.MPCRecord1Fetch(TWaveChunk(stereo.begin() + std::ptrdiff_t(i),
                                         stereo.begin() + std::ptrdiff_t(i + n)),
                              std::int32_t(n), last);
        }
    }
};

TEST_F(SessionRecord, FirstRecordOffersTheDetailsAndCancelRecordsNothing) {
    ui.accept = false;
    f.RecordActionExecute(true);
    EXPECT_FALSE(f.recording());
    ASSERT_EQ(ui.offers, std::vector<bool>{true});

    ui.accept = true;
    ui.typed.name = "Anna Berg";
    ui.typed.task = "Singing profile";
    f.RecordActionExecute(true);
    ASSERT_TRUE(f.recording());
    record_example();
    f.StopActionExecute();
    // Both channels carry it; the take's start is its date and time.
    EXPECT_EQ(f.pgs[0].session.name, "Anna Berg");
    EXPECT_EQ(f.pgs[1].session, f.pgs[0].session);
    EXPECT_TRUE(std::regex_match(f.session().date, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d)")))
        << f.session().date;

    // Recording on into the same take asks nothing.
    f.RecordActionExecute(true);
    EXPECT_TRUE(f.recording());
    EXPECT_EQ(ui.offers.size(), 2u);
    f.StopActionExecute();

    const tpanelview v = control_panel_view(f, selection_of_pg(0), 4);
    EXPECT_EQ(v.properties.size(), 5u + 3u); // name, date and time, task
    EXPECT_NE(std::find(v.properties.begin(), v.properties.end(), "Name: Anna Berg"),
              v.properties.end());
    EXPECT_NE(std::find(v.properties.begin(), v.properties.end(), "Task: Singing profile"),
              v.properties.end());
}

TEST_F(SessionRecord, TakesFilesCarryItAndASoundFileBringsItsOwn) {
    ui.typed.patient = "P-9";
    ui.typed.name = "Dvořák Ærø";
    ui.typed.notes = "after therapy\nweek 12";
    f.RecordActionExecute(true);
    record_example();
    f.StopActionExecute();
    const tsessionrecord take = f.session();
    const std::string smp = (config.root / "take.smp").string();
    const std::string pg = (config.root / "take.stdpg").string();
    ASSERT_TRUE(f.save_smp(smp));
    ASSERT_TRUE(f.save_stdpg(pg, 0));

    // Session details changes the record of what the window holds, not of a loaded file.
    ASSERT_TRUE(f.open_stdpg(pg, std::int32_t(f.pgs.size())));
    ui.typed.name = "Someone else";
    ASSERT_TRUE(f.SessionDetailsActionExecute());
    EXPECT_EQ(ui.offers.back(), false);
    EXPECT_EQ(f.pgs[0].session.name, "Someone else");
    EXPECT_EQ(f.pgs.back().session, take);

    // The take's sound file analysed again brings its own record.
    f.Open_smpfile(smp, 0, -1);
    EXPECT_EQ(f.session(), take);
    // A WAV file says nothing of who was recorded; the headless program's --session fields
    // are set over whatever a file brings.
    f.commandlinesession = {{"clinician", "Dr. Núñez"}};
    f.Open_smpfile(smp, 0, -1);
    EXPECT_EQ(f.session().clinician, "Dr. Núñez");
    EXPECT_EQ(f.session().name, take.name);
}

} // namespace
} // namespace gravon
