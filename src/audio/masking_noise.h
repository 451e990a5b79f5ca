// The masking-noise output: a player whose buffers the noise generator fills, started and
// stopped by the window's "Play noise" action.
#pragma once

#include "audio/mpc_play.h"
#include "audio/noise_generator.h"

#include <functional>

namespace gravon {

class tmaskingnoise {
  public:
    // The player starts as 1 channel at 44100, 4 buffers of 4096 samples; the generator's
    // filters are designed for `fs`, the sampling rate at start-up.
    tmaskingnoise(twaveoutservice& service, double fs);
    tmaskingnoise(const tmaskingnoise&) = delete;
    tmaskingnoise& operator=(const tmaskingnoise&) = delete;

    // Starts a new noise, stereo at `fs`, with its onset; EMPCError when the device cannot be
    // opened or started (the player is closed then).
    void start(double fs);
    // EMPCError when the device reports an error as it closes (it is closed all the same).
    void stop() { player.Stop(); }
    bool playing() const { return player.OwnBoard(); }

    // Asked before every buffer is filled for the settings in force, so that a change of
    // level, spectrum, onset or side is heard while the noise plays. Without it the generator
    // keeps the settings it has.
    std::function<void(tnoisesettings&)> readsettings;

    TMPCPlay player;
    tnoisegenerator generator;
};

} // namespace gravon
