// Blocking between the two channels (cross-talk in two-person recordings) and by the
// keyboard reference tones.
#pragma once

#include "analysis/analysis_params.h"
#include "analysis/kill_point.h"

#include <cstdint>

namespace gravon {

// level0, level1: this hop's levels of both channels, also of channels that were blocked.
// keyboardblocktime: ms left during which a keyboard tone blocks the analysis.
inline void block_channels(double level0, double level1, std::int32_t keyboardblocktime,
                           const tanalysisparams& p, tkillpoint& kp0, tkillpoint& kp1) {
    if (p.rightblockleft && level1 - level0 > p.rightblockleftthreshold)
        kp0.add(tkillreason::otherlouder);
    if (p.leftblockright && level0 - level1 > p.leftblockrightthreshold)
        kp1.add(tkillreason::otherlouder);
    if (p.keyboardblock && keyboardblocktime > 0) {
        kp0.add(tkillreason::keyboard);
        kp1.add(tkillreason::keyboard);
    }
}

} // namespace gravon
