#include "audio/keyboard_sound.h"

#include "base/rounding.h"

namespace gravon {

tkeyboardsound::tkeyboardsound(twaveoutservice& service) : player(service) {
    player.setnChans(1);
    player.setsfTot(16000);
    player.setnBuffers(4);
    player.setnChunkSamples(2048);
    player.OnStash = [this](TWaveChunk& arr, std::int32_t& used, bool&) { tone.fill(arr, used); };
    // Only the closing of the device tells that the player can be opened again.
    player.OnClosed = [this] { tone.keyboarding = false; };
    // A player that failed has closed; a close it could not report is not waited for.
    player.OnFailed = [this](const std::string& text) {
        tone.keyboarding = false;
        if (OnFailed) OnFailed(text);
    };
}

void tkeyboardsound::note_on(std::int32_t midicode) {
    if (!tone.note_on(midicode)) return;
    try {
        player.setnChans(2);
        player.setsfTot(roundint(2.0 * tone.fs));
        player.Run();
    } catch (...) {
        // A player that failed to start has closed again; the next key tries anew.
        tone.keyboarding = false;
        throw;
    }
}

void tkeyboardsound::timer_tick(std::int32_t intervalms) {
    if (!tone.timeout_step(intervalms)) return;
    try {
        player.Stop();
    } catch (...) {
        // Closed, though perhaps without the notification that would say so.
        tone.keyboarding = false;
        throw;
    }
}

} // namespace gravon
