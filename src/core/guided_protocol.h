// The guided voice range profile: a fixed order of pitch prompts that a clinic can repeat from
// session to session. From a start note the steps go down, a semitone or a whole tone at a
// time, until the patient no longer reaches the note, then up from the start until the same
// happens at the top. Each step plays the note as a keyboard tone and then asks for the softest
// and then the loudest sustained /a/ on it; the step is done once the map holds both.
//
// The protocol knows nothing of sound or windows: it reads the phonetogram it is given and the
// clock it is told, and says what should sound and what the patient is asked for.
#pragma once

#include "phonetogram/phonetogram.h"
#include "settings/guided_settings.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace gravon {

// A note given as a name ("A3", "C#4", "Bb2") or a MIDI number ("57"); nullopt for anything
// else or a note outside 0...127.
std::optional<std::int32_t> parse_note(const std::string& text);

// Where a note of the map stands for the protocol. A band of softloudband dB is held at the
// note when its cells hold the phonation time; the band stands for the level in it that holds
// the most time. The soft level is that of the lowest band held, the loud level that of the
// highest band held at least minsoftloud dB above it: one sustained level is never both, and a
// stray frame at the edge of the note's area moves neither.
inline constexpr std::int32_t softloudband = 3;
inline constexpr std::int32_t minsoftloud = 6;
struct tnotelevels {
    double time = 0; // s at the note, at any level
    // s in the band of the soft level; without one, in the fullest band of the note
    double softtime = 0;
    // s in the band of the loud level; without one, in the fullest band far enough above the
    // soft level; 0 without a soft level
    double loudtime = 0;
    std::int32_t soft = -1; // dB; -1 when there is none
    std::int32_t loud = -1;
};
using tnotecolumn = std::array<double, nlevelbins>; // s of accepted voice at each level
tnotelevels note_levels(const tnotecolumn& column, double phonationtime);
tnotecolumn note_column(const tpg& pg, std::int32_t note);
inline tnotelevels note_levels(const tpg& pg, std::int32_t note, double phonationtime) {
    return note_levels(note_column(pg, note), phonationtime);
}

enum class tguidedphase { tone, soft, loud, finished };
enum class tguidedoutcome {
    done,    // soft and loud
    partial, // voice at the note, but not both levels within the limit
    failed,  // no voice at the note within the limit
    skipped,
    stopped
};
struct tguidedstep {
    std::int32_t note = 0;
    tguidedoutcome outcome = tguidedoutcome::done;
    double seconds = 0;
};

class tguidedprotocol {
  public:
    explicit tguidedprotocol(const tguidedsettings& s) : fsettings(s) {}

    // The first step begins at now (s on the caller's clock).
    void start(double now);
    // The map and the clock moved on: the step ends when the map holds it or its time is up.
    // Only what the map gained at the note since the step began counts, so that a map that
    // already held voice there (an earlier profile, a glide from the note before, the step
    // before a repeat) does not end the step before the patient sang it.
    void update(const tpg& pg, double now);
    // The clinician: the step again from its tone; the next step; the end of the profile.
    void repeat(double now);
    void skip(double now);
    void stop(double now);

    const tguidedsettings& settings() const { return fsettings; }
    tguidedphase phase() const { return fphase; }
    bool finished() const { return fphase == tguidedphase::finished; }
    bool goingdown() const { return fdown; }
    std::int32_t target() const { return fnote; }
    // Whether the prompt tone is to sound now.
    bool tone() const { return fphase == tguidedphase::tone; }
    // The instruction for the patient, in a few words.
    std::string instruction() const;
    // How far the step is: the shares (0...1) of the soft and the loud phonation time that the
    // map holds, and the seconds the step has left.
    double softshare() const { return fsoftshare; }
    double loudshare() const { return floudshare; }
    double stepsecondsleft(double now) const;
    // Steps still to come at most, this one included: those of this direction down to the
    // lowest (or up to the highest) note and, going down, all those of the way up.
    std::int32_t stepsleft() const;
    // The steps so far, in order.
    const std::vector<tguidedstep>& steps() const { return fsteps; }
    // The lowest and highest note of a step the patient reached (done or partial); -1 for none.
    std::int32_t lowestreached() const;
    std::int32_t highestreached() const;
    double started() const { return fstarted; }
    double ended() const { return fended; }
    // The most time the steps so far could have taken: the step limit for each.
    double allowedseconds() const;

  private:
    void end_step(tguidedoutcome outcome, double now);
    void begin_step(std::int32_t note, double now);
    void turn_or_finish(double now);
    std::int32_t steps_to_edge(std::int32_t from, bool down) const;

    tguidedsettings fsettings;
    tguidedphase fphase = tguidedphase::finished;
    bool fdown = true;
    std::int32_t fnote = 0;
    double fstarted = 0;
    double fended = 0;
    double fstepstart = 0;
    std::int32_t ffailures = 0; // failed steps in a row in this direction
    double fsoftshare = 0;
    double floudshare = 0;
    bool fneedbefore = false; // the step's first update reads what the map held before it
    tnotecolumn fbefore{};
    std::vector<tguidedstep> fsteps;
};

const char* guided_outcome_text(tguidedoutcome o);

} // namespace gravon
