// What the recorder and the player share: the published format and buffer properties with
// their rules, the device by id, the device list and the error texts. Each keeps its own
// buffers and its own way of queueing them.
#pragma once

#include "audio/mpc_end_marker.h"
#include "audio/mpc_error.h"
#include "audio/mpc_events.h"
#include "audio/wave_services.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

template <class tservice> class TMPCDevice : protected twaveclient {
  public:
    TMPCDevice(const TMPCDevice&) = delete;
    TMPCDevice& operator=(const TMPCDevice&) = delete;

    // Values <= 0 become 1; EMPCError while the device is open.
    std::int32_t nChans() const { return fnchans; }
    void setnChans(std::int32_t value) {
        refuse_while_open("nChans");
        fnchans = std::max(value, 1);
        fix_format();
    }
    // Samples per second over all channels.
    std::int32_t sfTot() const { return fsftot; }
    void setsfTot(std::int32_t value) {
        refuse_while_open("sfTot");
        fsftot = std::max(value, 1);
        fix_format();
    }
    // At most 1000. The buffers stay queued at the device while it is open, so this and
    // nChunkSamples are refused then.
    std::int32_t nBuffers() const { return fnbufs; }
    void setnBuffers(std::int32_t value) {
        refuse_while_open("nBuffers");
        fnbufs = std::clamp(value, 0, mpc_maxbuffers);
        size_buffers();
    }
    // Samples per buffer, all channels interleaved.
    std::int32_t nChunkSamples() const { return fnchunksamples; }
    void setnChunkSamples(std::int32_t value) {
        refuse_while_open("nChunkSamples");
        fnchunksamples = std::max(value, 0);
        size_buffers();
    }
    // -1: the system's default device.
    std::int32_t DeviceID() const { return fdeviceid; }
    void setDeviceID(std::int32_t value) { fdeviceid = value; }

    bool OwnBoard() const { return fownboard; }
    std::int32_t nDevices() const { return static_cast<std::int32_t>(fdevicenames.size()); }
    const std::vector<std::string>& Devicenames() const { return fdevicenames; }
    const twaveformat& wavefmt() const { return fwavefmt; }

    std::string ErrorText(twaveresult errornumber) {
        return service.error_text(errornumber).substr(0, 128);
    }
    // Devicenames follows the system's list by itself; this re-reads it at once.
    void read_devicenames() { fdevicenames = service.device_names(); }

    TMPCNotify OnOpened;
    TMPCNotify OnClosed;
    // Sees every notification before it is handled.
    TMPCMsg OnMsg;
    TMPCFailed OnFailed;
    // The list of devices changed (Devicenames is already new); a device id may now name
    // another device.
    TMPCNotify OnDevicesChanged;

  protected:
    explicit TMPCDevice(tservice& s) : service(s) {
        read_devicenames();
        service.watch_devices([this] {
            read_devicenames();
            if (OnDevicesChanged) OnDevicesChanged();
        });
    }
    // The owner stops the device first; the service is then told to forget this client.
    ~TMPCDevice() override {
        service.watch_devices(nullptr);
        service.detach(*this);
    }

    virtual void fix_format() = 0;
    virtual void size_buffers() = 0;
    void refuse_while_open(const char* what) const {
        if (fownboard)
            throw EMPCError(std::string("Cannot change ") + what + " while owning board");
    }

    tservice& service;
    twaveformat fwavefmt;
    std::vector<twaveheader> waveheader;
    std::int32_t fdeviceid = -1;
    bool fownboard = false;
    std::int32_t fnchans = 1;
    std::int32_t fsftot = 16000;
    std::int32_t fnbufs = 4;
    std::int32_t fnchunksamples = 4096;
    std::vector<std::string> fdevicenames;
};

} // namespace gravon
