// The user value a recorder or player gives its final buffer. When that buffer comes back,
// the component closes the device; buffer indices never reach it (at most 1000 buffers).
#pragma once

#include <cstdint>

namespace gravon {

inline constexpr std::intptr_t mpc_endmarker = 100000000;
inline constexpr std::int32_t mpc_maxbuffers = 1000;

} // namespace gravon
