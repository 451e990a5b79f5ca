// The events through which the recorder and the player talk to their owner. All of them run
// on the thread the wave service reports on, and must return quickly: only the other queued
// buffers cover the time they take.
#pragma once

#include "audio/wave_services.h"
#include "base/types.h"

#include <cstdint>
#include <functional>
#include <string>

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
// Something failed while the device was open and no call of the owner's was there to raise it:
// a buffer that came back and could not be queued again, a device that went away, a handler
// of the owner's that raised. The component has closed itself already (a later Run opens
// afresh); `text` says what failed, as an EMPCError would.
using TMPCFailed = std::function<void(const std::string& text)>;

} // namespace gravon
