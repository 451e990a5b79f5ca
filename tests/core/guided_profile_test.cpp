// The guided profile on a simulated sound card, with a simulated patient who hears each prompt
// and answers it: softly, then loudly, on the prompted note while it lies within the voice,
// and with silence beyond it. The microphone also hears every prompt tone, at a level where
// the voice never is, so the map shows whether any of it got in.
#include "audio/simulated_wave_service.h"
#include "base/pitch.h"
#include "core/guided_run.h"
#include "phonetogram/pg_param.h"
#include "sim_devices.h"
#include "synth/synth_params.h"
#include "test_form.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <memory>

namespace gravon {
namespace {

using testing::tsimdevices;

constexpr double softspl = 60;
constexpr double loudspl = 85;
constexpr double tonespl = 95;   // the prompt as the microphone hears it, above any voice
constexpr double reaction = 0.2; // s from a prompt to the voice

std::vector<std::int16_t> mono(double seconds, double semitone, double spl, std::uint64_t seed) {
    synth::tsynthparams p;
    if (spl > 0) p.phrases = {synth::steady_phrase(seconds, synth::semitone_to_hz(semitone), spl)};
    p.vibrato_cents = 0;
    p.leadin = spl > 0 ? 0 : seconds;
    p.tail = 0;
    p.seed = seed;
    p.keep_float = false;
    return synth::synthesize(p).samples;
}

// Sings the notes lo...hi at softspl and loudspl as the protocol asks; room noise otherwise.
struct tpatient {
    tpatient(std::int32_t lo, std::int32_t hi, std::int32_t tonelo, std::int32_t tonehi)
        : lo(lo), hi(hi), room(mono(2.0, 0, 0, 1)) {
        for (std::int32_t n = tonelo; n <= tonehi; ++n) {
            tone[n] = mono(3.0, n, tonespl, 100 + std::uint64_t(n));
            if (n < lo || n > hi) continue;
            soft[n] = mono(6.0, n, softspl, 200 + std::uint64_t(n));
            loud[n] = mono(6.0, n, loudspl, 300 + std::uint64_t(n));
        }
    }
    // Interleaved sample i of a 24-bit stereo device: the voice on the left.
    std::int32_t sample(std::int64_t i) {
        if (i % 2) return 0;
        const std::int64_t frame = i / 2;
        const tguidedprotocol& p = run->protocol();
        const auto phase = p.phase();
        if (phase != heardphase || p.target() != heardnote || p.steps().size() != heardsteps) {
            heardphase = phase;
            heardnote = p.target();
            heardsteps = p.steps().size();
            since = frame;
        }
        const std::int64_t t = frame - since;
        const std::int64_t wait = std::int64_t(reaction * 44100);
        const std::vector<std::int16_t>* s = nullptr;
        std::int64_t k = t;
        if (phase == tguidedphase::tone && tone.count(heardnote)) {
            s = &tone[heardnote];
        } else if (phase == tguidedphase::soft || phase == tguidedphase::loud) {
            auto& answers = phase == tguidedphase::soft ? soft : loud;
            if (t >= wait && answers.count(heardnote)) {
                s = &answers[heardnote];
                k = t - wait;
            }
        }
        if (!s || k >= std::int64_t(s->size())) return room[std::size_t(frame) % room.size()] * 256;
        return (*s)[std::size_t(k)] * 256;
    }
    std::int32_t lo, hi;
    std::vector<std::int16_t> room;
    std::map<std::int32_t, std::vector<std::int16_t>> tone, soft, loud;
    tguidedrun* run = nullptr;
    tguidedphase heardphase = tguidedphase::finished;
    std::int32_t heardnote = -1;
    std::size_t heardsteps = 0;
    std::int64_t since = 0;
};

double column_time(const tpg& pg, std::int32_t x) {
    double t = 0;
    for (std::int32_t y = 0; y < nlevelbins; ++y) t += pg.param[pglayeracctime].arr[x][y];
    return t;
}

struct tcase {
    std::int32_t stepsize, start, lo, hi;
    std::vector<std::int32_t> notes; // the steps in order
};

TEST(GuidedProfile, ASimulatedPatientIsProfiledExactlyOverTheRangeAndThePromptsLeaveNoTime) {
    const std::vector<tcase> cases = {
        {1, 57, 52, 60, {57, 56, 55, 54, 53, 52, 51, 50, 58, 59, 60, 61, 62}},
        {2, 57, 51, 61, {57, 55, 53, 51, 49, 47, 59, 61, 63, 65}},
    };
    for (const tcase& c : cases) {
        SCOPED_TRACE("step " + std::to_string(c.stepsize));
        gravon::testing::ttempconfig config;
        tsimdevices devices;
        auto patient = std::make_shared<tpatient>(
            c.lo, c.hi, *std::min_element(c.notes.begin(), c.notes.end()),
            *std::max_element(c.notes.begin(), c.notes.end()));
        devices.source = [patient](std::int64_t i) { return patient->sample(i); };
        gravon::testing::trecordinginterface ui;
        TForm1 f{ui};
        f.advanced.calibrationrecalculate = false;
        f.attach_audio(devices);
        f.advanced.recorddevice = "USB mic";
        f.FormActivate({});
        f.advanced.calibrationrecalculate = false;

        tguidedsettings s;
        s.startnote = c.start;
        s.stepsize = c.stepsize;
        s.tonetime = 1.0;
        s.phonationtime = 0.4;
        s.steplimit = 8;
        ASSERT_EQ(guided_settings_problem(s), "");
        tguidedrun run(f, s);
        patient->run = &run;
        ASSERT_TRUE(run.start());
        ASSERT_TRUE(f.recording());
        EXPECT_FALSE(f.paused());
        EXPECT_EQ(f.session().protocol, guided_settings_text(s));
        // The device's time in steps of the window's timer, which ends the tones' block.
        double seconds = 0;
        while (f.recording() && seconds < 400) {
            devices.in->advance(8820);
            f.Timer1Timer(200);
            seconds += 0.2;
        }
        const tguidedprotocol& p = run.protocol();
        ASSERT_TRUE(p.finished());
        EXPECT_FALSE(f.recording());
        // It ended by itself: two notes beyond each end were not reached.
        std::vector<std::int32_t> notes;
        for (const tguidedstep& st : p.steps()) {
            notes.push_back(st.note);
            const bool inside = st.note >= c.lo && st.note <= c.hi;
            EXPECT_EQ(st.outcome, inside ? tguidedoutcome::done : tguidedoutcome::failed)
                << st.note;
        }
        EXPECT_EQ(notes, c.notes);
        EXPECT_EQ(p.lowestreached(), c.lo);
        EXPECT_EQ(p.highestreached(), c.hi);
        // Within the time the steps allow: a note reached takes its tone, the tone's block
        // and the patient's two answers, one not reached its limit, and nothing in between.
        EXPECT_LE(p.ended() - p.started(), p.allowedseconds());
        double sum = 0;
        for (const tguidedstep& st : p.steps()) {
            sum += st.seconds;
            if (st.outcome == tguidedoutcome::done)
                EXPECT_LT(st.seconds, s.tonetime + 2 * (s.phonationtime + reaction) + 0.6)
                    << st.note;
            else
                EXPECT_NEAR(st.seconds, s.steplimit, 0.05) << st.note;
        }
        EXPECT_NEAR(p.ended() - p.started(), sum, 1e-9);
        // The map holds the voice at every prompted note within the range and nowhere
        // beyond it, although the microphone heard the tones of the notes beyond.
        const tpg& pg = f.pgs[0];
        for (std::int32_t n = c.lo - 2 * c.stepsize; n <= c.hi + 2 * c.stepsize; ++n) {
            const tnotelevels l = note_levels(pg, n, s.phonationtime);
            const bool prompted = std::find(c.notes.begin(), c.notes.end(), n) != c.notes.end();
            if (prompted && n >= c.lo && n <= c.hi) {
                EXPECT_GE(l.softtime, s.phonationtime) << n;
                EXPECT_GE(l.loudtime, s.phonationtime) << n;
                EXPECT_NEAR(l.soft, softspl, 2) << n;
                EXPECT_NEAR(l.loud, loudspl, 2) << n;
            } else {
                EXPECT_EQ(l.soft, -1) << n;
            }
        }
        for (const std::int32_t n : {c.lo - 2 * c.stepsize, c.hi + 2 * c.stepsize})
            EXPECT_EQ(column_time(pg, n), 0.0) << n;
        // Nothing above the loudest voice, where the tones were heard, at any note.
        double above = 0;
        for (std::int32_t x = 0; x < nf0bins; ++x)
            for (std::int32_t y = std::int32_t(loudspl) + 4; y < nlevelbins; ++y)
                above += pg.param[pglayeracctime].arr[x][y];
        EXPECT_EQ(above, 0.0);
        // The take says how it was led and what it reached.
        EXPECT_EQ(f.session().protocol, guided_settings_text(s) + "; " + guided_result_text(p));
        EXPECT_NE(guided_result_text(p).find("reached " + notename(c.lo, false) + " to " +
                                             notename(c.hi, false)),
                  std::string::npos);
    }
}

} // namespace
} // namespace gravon
