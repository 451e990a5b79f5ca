// How the generators play: one signal into the interleaved pairs of a 16-bit buffer, on each
// side or silent there. An odd last sample is the left one of a pair.
#pragma once

#include "base/sample_conversion.h"
#include "base/types.h"

#include <cstddef>
#include <cstdint>

namespace gravon {

template <class tnext>
void fill_stereo(TWaveChunk& arr, std::int32_t used, bool left, bool right, tnext&& next) {
    for (std::int32_t k = 0; k < used; k += 2) {
        const std::int16_t s = doubletosample(false, next());
        arr[static_cast<std::size_t>(k)] = left ? s : std::int16_t{0};
        if (k + 1 < used) arr[static_cast<std::size_t>(k) + 1] = right ? s : std::int16_t{0};
    }
}

} // namespace gravon
