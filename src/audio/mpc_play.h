// The player: keeps a ring of 16-bit buffers queued at a wave-output device and asks its owner
// to fill each one through OnStash whenever the device has played it, so a generator can play
// a signal of any length without holding it. The owner ends playback with Stop, by setting
// `last` (that buffer is the final one), or by filling nothing (one silent frame ends it).
#pragma once

#include "audio/mpc_device.h"
#include "audio/mpc_events.h"
#include "audio/wave_services.h"
#include "base/types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

class TMPCPlay : public TMPCDevice<twaveoutservice> {
  public:
    // 1 channel, sfTot 16000, 4 buffers of 4096 samples, the default device.
    explicit TMPCPlay(twaveoutservice& service);
    ~TMPCPlay() override;

    // The system output volume of DeviceID, 0..65535 per side; 0 when the service has none.
    // Writing one side keeps the other.
    std::uint16_t LeftVolume();
    void setLeftVolume(std::uint16_t value);
    std::uint16_t RightVolume();
    void setRightVolume(std::uint16_t value);
    void setBothVolume(std::uint16_t value);

    // Opens the device when needed and queues every buffer while paused, so playback starts
    // only once all are queued. Call only while closed. When any step fails the player closes
    // again and raises the failure.
    void Run();

    TMPCStash OnStash;

  private:
    void fix_format() override;
    void size_buffers() override;
    void queue_buffer(std::int32_t i) override;
    std::uint32_t volume();

    std::vector<TWaveChunk> farr;
    bool sendnomore = false;
};

} // namespace gravon
