// The guided profile's rules on a map filled by hand: what counts as the soft and the loud voice
// of a note, when a direction ends, and what repeat, skip and stop do; and the notes and
// settings it accepts.
#include "core/guided_protocol.h"
#include "phonetogram/pg_param.h"

#include <gtest/gtest.h>
#include <map>

namespace gravon {
namespace {

void add(tpg& pg, std::int32_t note, std::int32_t db, double s) {
    pg.param[pglayeracctime].arr[note][db] += s;
}

TEST(GuidedProtocol, SoftAndLoudAreTheLowestAndHighestLevelsHeldApart) {
    struct tcolumn {
        std::map<std::int32_t, double> cells; // dB -> s
        std::int32_t soft, loud;
    };
    const std::vector<tcolumn> cases = {
        {{}, -1, -1},
        // Stray frames below and above the two held levels move neither.
        {{{50, 0.06}, {60, 0.3}, {61, 0.3}, {80, 0.5}, {95, 0.06}}, 60, 80},
        // One sustained level is soft, never loud; nor is a level 5 dB above it.
        {{{70, 2.0}}, 70, -1},
        {{{70, 0.5}, {75, 0.5}}, 70, -1},
        {{{70, 0.5}, {76, 0.5}}, 70, 76},
        // Spread thin over many levels, no band holds the time.
        {{{60, 0.15}, {62, 0.15}, {64, 0.15}, {66, 0.15}}, -1, -1},
    };
    for (const tcolumn& c : cases) {
        tpg pg = make_empty_pg();
        for (const auto& [db, s] : c.cells) add(pg, 57, db, s);
        add(pg, 58, 100, 5.0); // the next note's time is not this one's
        const tnotelevels l = note_levels(pg, 57, 0.5);
        EXPECT_EQ(l.soft, c.soft) << c.cells.size();
        EXPECT_EQ(l.loud, c.loud) << c.cells.size();
        if (c.loud >= 0) {
            EXPECT_GE(l.loudtime, 0.5);
        }
    }
}

// The voice reaches lo...hi at 60 and 80 dB; at `partial` only softly.
struct tvoice {
    std::int32_t lo, hi, partial = -1;
    void answer(tpg& pg, const tguidedprotocol& p) const {
        const std::int32_t n = p.target();
        if (n < lo || n > hi || p.tone()) return;
        if (p.phase() == tguidedphase::soft) add(pg, n, 60, 0.1);
        if (p.phase() == tguidedphase::loud && n != partial) add(pg, n, 80, 0.1);
    }
};

TEST(GuidedProtocol, DirectionsEndAfterTwoNotesNotReachedAndTheClinicianSteps) {
    using o = tguidedoutcome;
    struct tcase {
        const char* what;
        tguidedsettings s;
        tvoice voice;
        std::map<double, char> clinician; // at t: 'r' repeat, 's' skip, 'x' stop
        std::vector<std::pair<std::int32_t, o>> steps;
        std::vector<std::int32_t> heldbefore = {}; // notes sung soft and loud before the start
    };
    tguidedsettings wide;
    wide.tonetime = 1;
    wide.phonationtime = 0.3;
    wide.steplimit = 5;
    tguidedsettings edge = wide;
    edge.startnote = 56;
    edge.lowestnote = 55;
    edge.highestnote = 57;
    const std::vector<tcase> cases = {
        {"a note reached only softly is no failure",
         wide,
         {55, 58, 56},
         {},
         {{57, o::done},
          {56, o::partial},
          {55, o::done},
          {54, o::failed},
          {53, o::failed},
          {58, o::done},
          {59, o::failed},
          {60, o::failed}}},
        {"a skipped note neither fails nor breaks a run of failures",
         wide,
         {57, 57},
         // 57 is done at 1.6 s, 56 fails at 6.6 s, 55 is skipped at 8 s, 54 fails.
         {{8.0, 's'}},
         {{57, o::done},
          {56, o::failed},
          {55, o::skipped},
          {54, o::failed},
          {58, o::failed},
          {59, o::failed}}},
        {"repeat plays the step again, stop ends the profile",
         wide,
         {50, 70},
         {{1.5, 'r'}, {2.0, 'x'}},
         {{57, o::stopped}}},
        {"the steps stay within the lowest and highest note",
         edge,
         {0, 127},
         {},
         {{56, o::done}, {55, o::done}, {57, o::done}}},
        {"what the map held before a step does not end it",
         wide,
         {57, 57},
         {},
         {{57, o::done}, {56, o::failed}, {55, o::failed}, {58, o::failed}, {59, o::failed}},
         {56, 58}},
    };
    for (const tcase& c : cases) {
        SCOPED_TRACE(c.what);
        tpg pg = make_empty_pg();
        for (const std::int32_t n : c.heldbefore) {
            add(pg, n, 60, 1.0);
            add(pg, n, 80, 1.0);
        }
        tguidedprotocol p(c.s);
        p.start(0);
        auto next = c.clinician.begin();
        double t = 0;
        while (!p.finished() && t < 200) {
            t += 0.1;
            if (next != c.clinician.end() && next->first <= t + 1e-9) {
                if (next->second == 'r') {
                    p.repeat(t);
                    EXPECT_TRUE(p.tone());
                    EXPECT_EQ(p.stepsecondsleft(t), c.s.steplimit);
                }
                if (next->second == 's') p.skip(t);
                if (next->second == 'x') p.stop(t);
                ++next;
            }
            c.voice.answer(pg, p);
            p.update(pg, t);
        }
        std::vector<std::pair<std::int32_t, o>> steps;
        for (const tguidedstep& st : p.steps()) steps.emplace_back(st.note, st.outcome);
        EXPECT_EQ(steps, c.steps);
        EXPECT_EQ(p.stepsleft(), 0);
        EXPECT_LE(p.ended() - p.started(), p.allowedseconds());
    }
}

TEST(GuidedProtocol, NotesAndSettings) {
    for (const auto& [text, note] :
         std::vector<std::pair<const char*, std::int32_t>>{{"A3", 57},
                                                           {"C#4", 61},
                                                           {"Bb2", 46},
                                                           {"c4", 60},
                                                           {"C-1", 0},
                                                           {"60", 60},
                                                           {"G9", 127},
                                                           {"H2", -1},
                                                           {"C10", -1},
                                                           {"G#9", -1},
                                                           {"128", -1},
                                                           {"", -1},
                                                           {"A", -1},
                                                           {"A3x", -1}}) {
        const std::optional<std::int32_t> n = parse_note(text);
        EXPECT_EQ(n.value_or(-1), note) << text;
    }
    tguidedsettings s;
    EXPECT_EQ(guided_settings_problem(s), "");
    EXPECT_EQ(guided_settings_text(s), "Guided profile: start A3, semitone steps, tone 1.5 s, "
                                       "0.5 s soft and loud, 20 s a step");
    const std::vector<std::pair<void (*)(tguidedsettings&), const char*>> bad = {
        {[](tguidedsettings& x) { x.stepsize = 3; }, "a whole tone (2), not 3"},
        {[](tguidedsettings& x) { x.startnote = 20; }, "The start note Ab0 lies outside C1 to B6"},
        {[](tguidedsettings& x) { x.steplimit = 3; }, "A step needs at least 3.5 s"},
        {[](tguidedsettings& x) { x.phonationtime = 0; }, "soft and the loud voice"},
    };
    for (const auto& [change, why] : bad) {
        tguidedsettings x;
        change(x);
        EXPECT_NE(guided_settings_problem(x).find(why), std::string::npos)
            << guided_settings_problem(x);
    }
}

} // namespace
} // namespace gravon
