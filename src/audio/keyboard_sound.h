// The keyboard-tone output: a player fed by the keyboard tone, opened at the first key press
// and closed five seconds after the last release. The window passes on the keyboard control's
// note events and its 200 ms timer ticks, and asks blocks_analysis() for every hop.
#pragma once

#include "audio/keyboard_tone.h"
#include "audio/mpc_play.h"

namespace gravon {

class tkeyboardsound {
  public:
    // The player starts as 1 channel at 16000, 4 buffers of 2048 samples.
    explicit tkeyboardsound(twaveoutservice& service);
    tkeyboardsound(const tkeyboardsound&) = delete;
    tkeyboardsound& operator=(const tkeyboardsound&) = delete;

    // OnNoteOn of the keyboard control; opens the player, stereo at tone.fs, when it is not
    // open. EMPCError when the device cannot be opened.
    void note_on(std::int32_t midicode);
    // OnNoteOff of the keyboard control.
    void note_off(std::int32_t midicode) { tone.note_off(); }
    // Every tick of the window's timer, after the status panel is repainted. EMPCError when
    // the idle player reports an error as it closes (it is closed all the same).
    void timer_tick(std::int32_t intervalms);
    bool blocks_analysis() const { return tone.blocking(); }

    // The player failed while it played (its device went away) and has closed; the next key
    // opens it again.
    TMPCFailed OnFailed;

    TMPCPlay player;
    tkeyboardtone tone;
};

} // namespace gravon
