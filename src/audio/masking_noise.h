// The masking-noise output: a player whose buffers the noise generator fills, started and
// stopped by the window's "Play noise" action.
#pragma once

#include "audio/mpc_play.h"
#include "audio/noise_generator.h"

namespace gravon {

class tmaskingnoise {
  public:
    // The player starts as 1 channel at 44100, 4 buffers of 4096 samples; the generator's
    // filters are designed for `fs`, the sampling rate at start-up.
    tmaskingnoise(twaveoutservice& service, double fs);
    tmaskingnoise(const tmaskingnoise&) = delete;
    tmaskingnoise& operator=(const tmaskingnoise&) = delete;

    // Starts a new noise, stereo at `fs`, with its onset; EMPCError when the device cannot be
    // opened.
    void start(double fs);
    void stop() { player.Stop(); }
    bool playing() const { return player.OwnBoard(); }

    TMPCPlay player;
    tnoisegenerator generator;
};

} // namespace gravon
