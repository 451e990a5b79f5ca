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
}

void tkeyboardsound::note_on(std::int32_t midicode) {
    if (!tone.note_on(midicode)) return;
    try {
        player.setnChans(2);
        player.setsfTot(roundint(2.0 * tone.fs));
        player.Run();
    } catch (...) {
        // No close will come for a player that never opened; the next key tries again.
        if (!player.OwnBoard()) tone.keyboarding = false;
        throw;
    }
}

void tkeyboardsound::timer_tick(std::int32_t intervalms) {
    if (tone.timeout_step(intervalms)) player.Stop();
}

} // namespace gravon
