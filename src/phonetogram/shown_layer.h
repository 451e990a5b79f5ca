// Which layer of a phonetogram shows a display parameter: its file names the layers, and the
// mapping of names to display parameters picks one.
#pragma once

#include "phonetogram/display_params.h"
#include "phonetogram/phonetogram.h"

#include <cstddef>
#include <cstdint>

namespace gravon {

// The layer of pg that shows display parameter zparam: the first layer whose name is that of
// an entry of stdpgparams mapped to zparam; layer 0 when there is none or zparam lies beyond
// the display parameters.
std::size_t shown_layer(const tpg& pg, const tstdpgparamarr& stdpgparams, std::int32_t zparam,
                        std::size_t ndisplayparams);

} // namespace gravon
