// What "Listen to selection" plays: the frames of the take whose cells are selected, found
// from the frame tracks, and their samples from the audio store, joined so that no cut clicks.
// Plain functions of the stores and the masks, so that what is heard can be checked without a
// sound device.
#pragma once

#include "analysis/analysis_driver.h"
#include "phonetogram/pg_list.h"

#include <cstdint>
#include <span>
#include <vector>

namespace gravon {

// Samples first ... last - 1 of one channel of the audio store.
struct tsoundrun {
    std::int32_t channel = 0;
    std::int64_t first = 0;
    std::int64_t last = 0;
    friend bool operator==(const tsoundrun&, const tsoundrun&) = default;
};

// The cell of a stored frame of channel c: the one nearest its fo and level, where most of
// its time went whichever way it was binned; false for a frame the channel rejected or one
// outside the grid.
bool frame_cell(const TAnalysisDriver& d, int c, std::int32_t k, std::int32_t& x, std::int32_t& y);

// The stored frames whose cell is selected in their channel's recording phonetogram, in time
// order, as runs of frames that follow one another in the same channel. A frame selected in
// both channels is the left's. Frame k's samples are hop k of the audio store. Empty when the
// store does not hold every stored frame's samples (a take discarded, a run that kept none).
std::vector<tsoundrun> selected_sound_runs(const TAnalysisDriver& d, const tpglist& list);

// Seconds over which the sound fades in and out at each end of a run.
inline constexpr double selectionfade = 0.005;

// The runs' samples one after the other as full scale +-1 (each channel over its full scale),
// each run faded in and out over fade seconds at fs (at most half its length), so that the
// joins between runs and both ends do not click.
std::vector<float> selection_sound(const TAnalysisDriver& d, std::span<const tsoundrun> runs,
                                   double fs, double fade = selectionfade);

} // namespace gravon
