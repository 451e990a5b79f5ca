// The recorder: keeps a ring of buffers queued at a wave-input device and hands every filled
// buffer to its owner through OnFetch (16-bit) or OnFetch24 (24-bit), on the thread the
// service reports on, then queues it again at once. The owner ends a recording with Stop, or
// by setting `last` in its handler: the buffer it just got back is queued once more with the
// end marker, and the device closes when that buffer returns.
#pragma once

#include "audio/mpc_events.h"
#include "audio/wave_services.h"
#include "base/types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

class TMPCRecord : private twaveclient {
  public:
    // 1 channel, sfTot 16000, 4 buffers of 4096 samples, 16 bits, the default device.
    explicit TMPCRecord(twaveinservice& service);
    ~TMPCRecord() override;
    TMPCRecord(const TMPCRecord&) = delete;
    TMPCRecord& operator=(const TMPCRecord&) = delete;

    // Values <= 0 become 1; EMPCError while the device is open.
    std::int32_t nChans() const { return fnchans; }
    void setnChans(std::int32_t value);
    // Samples per second over all channels.
    std::int32_t sfTot() const { return fsftot; }
    void setsfTot(std::int32_t value);
    // 16 or 24; other values are ignored. EMPCError while the device is open.
    std::int32_t nBits() const { return fnbits; }
    void setnBits(std::int32_t value);
    // At most 1000. The buffers stay queued at the device while it is open, so this and
    // nChunkSamples are refused then.
    std::int32_t nBuffers() const { return fnbufs; }
    void setnBuffers(std::int32_t value);
    // Samples per buffer, all channels interleaved.
    std::int32_t nChunkSamples() const { return fnchunksamples; }
    void setnChunkSamples(std::int32_t value);
    // -1: the system's default input.
    std::int32_t DeviceID() const { return fdeviceid; }
    void setDeviceID(std::int32_t value) { fdeviceid = value; }

    bool OwnBoard() const { return fownboard; }
    std::int32_t nDevices() const { return static_cast<std::int32_t>(fdevicenames.size()); }
    const std::vector<std::string>& Devicenames() const { return fdevicenames; }
    const twaveformat& wavefmt() const { return fwavefmt; }

    // Opens the device when needed, queues every buffer and starts recording. Call only
    // while closed.
    void Run();
    // Stops recording and closes the device; nothing when it is not open.
    void Stop();
    std::string ErrorText(twaveresult errornumber);
    // Devicenames follows the system's list by itself; this re-reads it at once.
    void read_devicenames();

    // A recorder whose handler is only for the other width gets its blocks converted: 24-bit
    // samples lose their low byte, 16-bit ones are shifted up by 8 bits.
    TMPCFetch OnFetch;
    TMPCFetch24 OnFetch24;
    TMPCNotify OnOpened;
    TMPCNotify OnClosed;
    // Sees every notification before it is handled.
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
    void requeue(std::int32_t i);
    void deliver(std::int32_t i, std::int32_t used);
    void refuse_while_open(const char* what) const;

    twaveinservice& service;
    twaveformat fwavefmt;
    std::vector<twaveheader> waveheader;
    std::vector<TWaveChunk> farr;
    std::vector<tint24arr> farr24;
    bool addnomore = false;
    bool oktofetch = false;
    std::int32_t fdeviceid = -1;
    bool fownboard = false;
    std::int32_t fnchans = 1;
    std::int32_t fsftot = 16000;
    std::int32_t fnbufs = 4;
    std::int32_t fnchunksamples = 4096;
    std::int32_t fnbits = 16;
    std::vector<std::string> fdevicenames;
};

} // namespace gravon
