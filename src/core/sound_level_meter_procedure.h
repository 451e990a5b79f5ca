// Calibration with a sound level meter: five steps in which a tone (or a vowel) is recorded
// through the A-weighting, the user types the meter's reading and marks the stretch in the
// waveform, and the factor follows from the ratio of the reading to the stretch's rms.
#pragma once

#include "audio/mpc_play.h"
#include "audio/mpc_record.h"
#include "audio/waveform_ring_buffer.h"
#include "calibration/calibration_procedures.h"

#include <functional>
#include <optional>
#include <string>

namespace gravon {

class TForm1;

class tmeterprocedure {
  public:
    tmeterprocedure(TForm1& form, twaveinservice& in, twaveoutservice& out);

    // Showing the window: step 1, nothing selected, no reading; the ring holds the last ten
    // seconds over displaywidth columns.
    void start(std::int32_t chno, std::int32_t method, std::int32_t displaywidth);
    // Closing the window: player and recorder stop. EMPCError when either reports an error
    // as it closes (both are closed all the same).
    void stop();

    std::int32_t calstep() const { return fcalstep; }
    // Moves to a step (clamped to 1 ... 5), leaving the current one and entering the new one.
    // Raises EMPCError from the recorder or player with the step unchanged.
    void setcalstep(std::int32_t step);
    // The "Calibrate" button: one step on, when the current step allows it.
    void advance();
    // "<- Start over".
    void start_over() { setcalstep(1); }

    // The selection in display columns: pressing, dragging, releasing (step 4 only).
    void mouse_down(std::int32_t x);
    void mouse_move(std::int32_t x);
    void mouse_up();
    bool has_selection() const { return upcursor != downcursor; }

    void sign(const std::string& name);
    // "Save waveform...": the marked stretch, or the whole ring when nothing is marked, as a
    // mono 16-bit WAV file. Raises the file's error.
    void save_waveform(const std::string& fname) const;

    // What the window shows.
    std::string caption() const { return meter_caption(fchanno, calmethod); }
    std::string instruction(const std::string& name) const;
    std::string button_caption() const { return meter_button_caption(fcalstep); }
    bool calibrate_enabled() const;
    bool start_over_enabled() const { return fcalstep >= 2; }
    bool level_visible() const { return fcalstep >= 3; }
    bool level_editable() const { return fcalstep == 3; }
    bool signing_visible() const { return fcalstep == 5; }

    std::int32_t fchanno = 0;
    std::int32_t calmethod = 2;
    double factor = 0.0;
    double arg = 0.0;
    std::string leveltext; // the reading as typed
    std::string overloadtext;
    std::int32_t downcursor = -1, upcursor = -1;
    std::int32_t weighting = 0;
    taweighting aweighting;
    tRingBuffer ringbuffer;
    // Runs after every recorded block, so that the waveform is repainted.
    std::function<void()> on_waveform;
    // The recorder or the player failed while they ran (a device went away); both have
    // stopped. Inside the failed one's notification.
    std::function<void(const std::string& text)> on_failed;

    TMPCRecord& recorder() { return frecorder; }
    TMPCPlay& player() { return fplayer; }

  private:
    void enter(std::int32_t step, std::int32_t from);
    void leave(std::int32_t step);
    bool compute_factor();
    void fill_tone(TWaveChunk& arr, std::int32_t& used);
    void record(const TWaveChunk& arr, std::int32_t used);

    TForm1& fform;
    TMPCRecord frecorder;
    TMPCPlay fplayer;
    std::int32_t fcalstep = 1;
    double flevel = 0.0;
    TWaveChunk fchannel;
};

} // namespace gravon
