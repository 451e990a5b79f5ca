// The player: keeps a ring of 16-bit buffers queued at a wave-output device and asks its owner
// to fill each one through OnStash whenever the device has played it, so a generator can play
// a signal of any length without holding it. The owner ends playback with Stop, by setting
// `last` (that buffer is the final one), or by filling nothing (one silent frame ends it).
#pragma once

#include "audio/mpc_events.h"
#include "audio/wave_services.h"
#include "base/types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

class TMPCPlay : private twaveclient {
  public:
    // 1 channel, sfTot 16000, 4 buffers of 4096 samples, the default device.
    explicit TMPCPlay(twaveoutservice& service);
    ~TMPCPlay() override;
    TMPCPlay(const TMPCPlay&) = delete;
    TMPCPlay& operator=(const TMPCPlay&) = delete;

    // Values <= 0 become 1; EMPCError while the device is open.
    std::int32_t nChans() const { return fnchans; }
    void setnChans(std::int32_t value);
    std::int32_t sfTot() const { return fsftot; }
    void setsfTot(std::int32_t value);
    // At most 1000; refused while open, like nChunkSamples.
    std::int32_t nBuffers() const { return fnbufs; }
    void setnBuffers(std::int32_t value);
    std::int32_t nChunkSamples() const { return fnchunksamples; }
    void setnChunkSamples(std::int32_t value);
    std::int32_t DeviceID() const { return fdeviceid; }
    void setDeviceID(std::int32_t value) { fdeviceid = value; }

    bool OwnBoard() const { return fownboard; }
    std::int32_t nDevices() const { return static_cast<std::int32_t>(fdevicenames.size()); }
    const std::vector<std::string>& Devicenames() const { return fdevicenames; }
    const twaveformat& wavefmt() const { return fwavefmt; }

    // The system output volume of DeviceID, 0..65535 per side; 0 when the service has none.
    // Writing one side keeps the other.
    std::uint16_t LeftVolume();
    void setLeftVolume(std::uint16_t value);
    std::uint16_t RightVolume();
    void setRightVolume(std::uint16_t value);
    void setBothVolume(std::uint16_t value);

    // Opens the device when needed and queues every buffer while paused, so playback starts
    // only once all are queued. Call only while closed.
    void Run();
    // Stops playback and closes the device; nothing when it is not open.
    void Stop();
    std::string ErrorText(twaveresult errornumber);
    // Devicenames follows the system's list by itself; this re-reads it at once.
    void read_devicenames();

    TMPCStash OnStash;
    TMPCNotify OnOpened;
    TMPCNotify OnClosed;
    TMPCMsg OnMsg;
    TMPCFailed OnFailed;
    // The list of devices changed (Devicenames is already new); a device id may now name
    // another device.
    TMPCNotify OnDevicesChanged;

  private:
    void wave_opened() override;
    void wave_closed() override;
    void wave_done(twaveheader& header) override;
    void wave_failed(twaveresult code) override;

    void fix_format();
    void size_buffers();
    void refill(std::int32_t i);
    void refuse_while_open(const char* what) const;
    std::uint32_t volume();

    twaveoutservice& service;
    twaveformat fwavefmt;
    std::vector<twaveheader> waveheader;
    std::vector<TWaveChunk> farr;
    bool sendnomore = false;
    std::int32_t fdeviceid = -1;
    bool fownboard = false;
    std::int32_t fnchans = 1;
    std::int32_t fsftot = 16000;
    std::int32_t fnbufs = 4;
    std::int32_t fnchunksamples = 4096;
    std::vector<std::string> fdevicenames;
};

} // namespace gravon
