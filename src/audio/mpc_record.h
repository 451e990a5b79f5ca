// The recorder: keeps a ring of buffers queued at a wave-input device and hands every filled
// buffer to its owner through OnFetch (16-bit) or OnFetch24 (24-bit), on the thread the
// service reports on, then queues it again at once. The owner ends a recording with Stop, or
// by setting `last` in its handler: the buffer it just got back is queued once more with the
// end marker, and the device closes when that buffer returns.
#pragma once

#include "audio/mpc_device.h"
#include "audio/mpc_events.h"
#include "audio/wave_services.h"
#include "base/types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

class TMPCRecord : public TMPCDevice<twaveinservice> {
  public:
    // 1 channel, sfTot 16000, 4 buffers of 4096 samples, 16 bits, the default device.
    explicit TMPCRecord(twaveinservice& service);
    ~TMPCRecord() override;

    // 16 or 24; other values are ignored. EMPCError while the device is open.
    std::int32_t nBits() const { return fnbits; }
    void setnBits(std::int32_t value);

    // Opens the device when needed, queues every buffer and starts recording. Call only
    // while closed. When any step fails the recorder closes again and raises the failure.
    void Run();

    // A recorder whose handler is only for the other width gets its blocks converted: 24-bit
    // samples lose their low byte, 16-bit ones are shifted up by 8 bits.
    TMPCFetch OnFetch;
    TMPCFetch24 OnFetch24;

  private:
    void fix_format() override;
    void size_buffers() override;
    void queue_buffer(std::int32_t i) override;
    void deliver(std::int32_t i, std::int32_t used);

    std::vector<TWaveChunk> farr;
    std::vector<tint24arr> farr24;
    bool addnomore = false;
    bool oktofetch = false;
    std::int32_t fnbits = 16;
};

} // namespace gravon
