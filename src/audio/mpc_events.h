// The events through which the recorder and the player talk to their owner. All of them run
// on the thread the wave service reports on, and must return quickly: only the other queued
// buffers cover the time they take.
#pragma once

#include "audio/wave_services.h"
#include "base/types.h"

#include <cstdint>
#include <functional>

namespace gravon {

// A filled input block: the recorder's own buffer, valid only during the call; `used` counts
// the valid samples (frames × channels). Setting `last` ends the recording after this block.
using TMPCFetch = std::function<void(const TWaveChunk& arr, std::int32_t used, bool& last)>;
using TMPCFetch24 = std::function<void(const tint24arr& arr, std::int32_t used, bool& last)>;
// The owner fills `arr` (interleaved, nChunkSamples long); `used` arrives as the buffer length
// and may be lowered to the number of samples filled. Setting `last` makes this the final
// buffer.
using TMPCStash = std::function<void(TWaveChunk& arr, std::int32_t& used, bool& last)>;
using TMPCNotify = std::function<void()>;
// Sees every notification before the component handles it.
using TMPCMsg = std::function<void(const twavemsg& msg)>;
// The device failed while open (wave_error_devicelost: it went away); the component has
// already closed it.
using TMPCFailed = std::function<void(twaveresult code)>;

} // namespace gravon
