// A sound held in memory, played once through a player of its own: the samples (one channel,
// full scale +-1) are handed over whole and turned into 16-bit buffers as the device takes
// them. Stop ends it at once; at its end the player closes by itself (OnClosed).
#pragma once

#include "audio/mpc_play.h"

#include <cstddef>
#include <vector>

namespace gravon {

// A sound system may drop the first milliseconds of a stream as it starts, and may count a
// buffer as played once it has taken it into a buffer of its own, while the player closes the
// device when its last buffer comes back: so much silence before and after the sound lets all
// of it be heard.
inline constexpr double heldsoundlead = 0.1; // s
inline constexpr double heldsoundtail = 0.5; // s

class theldsound {
  public:
    // The player starts as 1 channel at 44100, 4 buffers of 4096 samples.
    explicit theldsound(twaveoutservice& service);
    theldsound(const theldsound&) = delete;
    theldsound& operator=(const theldsound&) = delete;

    // Plays samples at fs Hz from their start; a sound still playing is stopped first.
    // EMPCError when the device cannot be opened or started (the player is closed then).
    void start(std::vector<float> samples, double fs);
    // EMPCError when the device reports an error as it closes (it is closed all the same).
    void stop() { player.Stop(); }
    bool playing() const { return player.OwnBoard(); }

    TMPCPlay player;

  private:
    void fill(TWaveChunk& arr, std::int32_t& used, bool& last);
    std::vector<float> fsamples;
    // Samples of silence before and after the sound.
    std::size_t flead = 0;
    std::size_t ftail = 0;
    std::size_t fnext = 0;
};

} // namespace gravon
