// What the recorder and the player share: the published format and buffer properties with
// their rules, the device by id, the device list, the error texts, and how an opening ends:
// by Stop, or by itself after a failure. Each keeps its own buffers and its own way of
// queueing them.
//
// Whatever fails, the component ends closed, so that its format can change and the next Run
// opens the device afresh. A call of the owner's (Run, Stop) raises EMPCError; a failure
// inside a notification, where nobody could catch it, reaches the owner through OnFailed.
#pragma once

#include "audio/mpc_end_marker.h"
#include "audio/mpc_error.h"
#include "audio/mpc_events.h"
#include "audio/wave_services.h"

#include <algorithm>
#include <cstdint>
#include <exception>
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

    // Whole, however long: a service's text may end with what the user can do about it.
    std::string ErrorText(twaveresult errornumber) { return service.error_text(errornumber); }
    // Stops and closes the device; nothing when it is not open. It ends closed even when the
    // service reports errors on the way, and raises the first of them afterwards.
    void Stop() {
        const std::string error = close_board();
        if (!error.empty()) throw EMPCError(error);
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
    // The prefixes of the errors of the closing steps, as the direction names them.
    struct tclosetexts {
        const char* reset;
        const char* unprepare;
        const char* close;
    };
    TMPCDevice(tservice& s, const tclosetexts& texts) : service(s), closetexts(texts) {
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
    // Buffer i is free (at the start, or back from the device): the direction does its work
    // with it and queues it again, unless the opening is ending.
    virtual void queue_buffer(std::int32_t i) = 0;
    void refuse_while_open(const char* what) const {
        if (fownboard)
            throw EMPCError(std::string("Cannot change ") + what + " while owning board");
    }

    // Opens the device with the format unless it is open already; raises EMPCError with the
    // prefix when the service refuses.
    void open_board(const char* prefix) {
        if (fownboard) return;
        const twaveresult r = service.open(fdeviceid, fwavefmt, *this);
        if (r != wave_noerror) throw EMPCError(prefix + ErrorText(r));
        fownboard = true;
    }
    // Ends the opening, whatever the service says: every queued buffer back, every header
    // unprepared, the device closed. A device that will not close is forgotten instead, so
    // that nothing of this opening reaches us any more and the next open starts afresh.
    // Returns the first error as an EMPCError text, empty when every step went well.
    std::string close_board() {
        if (!fownboard) return {};
        std::string error;
        const auto note = [&](twaveresult r, const char* prefix) {
            if (r != wave_noerror && error.empty()) error = prefix + ErrorText(r);
        };
        note(service.reset(), closetexts.reset);
        for (auto& h : waveheader) note(service.unprepare(h), closetexts.unprepare);
        const twaveresult closed = service.close();
        note(closed, closetexts.close);
        if (closed != wave_noerror) service.detach(*this);
        fownboard = false;
        return error;
    }
    // A failure inside a notification: the device closes and the owner hears of it.
    void fail(const std::string& text) {
        close_board();
        if (OnFailed) OnFailed(text);
    }
    // Runs the handling of a notification. Nothing it raises may reach the service's event
    // loop: it ends the opening instead, and is reported through OnFailed.
    template <class F> void guarded(F&& handling) {
        try {
            handling();
        } catch (const std::exception& e) {
            fail(e.what());
        }
    }

    // The service's notifications, the same for both directions but for what a returned
    // buffer is for.
    void wave_opened() override {
        guarded([&] {
            if (OnMsg) OnMsg(twavemsg{twavemsgkind::opened});
            if (OnOpened) OnOpened();
        });
    }
    void wave_closed() override {
        guarded([&] {
            if (OnMsg) OnMsg(twavemsg{twavemsgkind::closed});
            if (OnClosed) OnClosed();
        });
    }
    void wave_done(twaveheader& header) override {
        guarded([&] {
            if (OnMsg) OnMsg(twavemsg{twavemsgkind::done, &header});
            if (!fownboard) return;
            mpc_check(service, service.unprepare(header), closetexts.unprepare);
            if (header.user == mpc_endmarker) return Stop();
            if (header.user >= 0 && header.user < fnbufs)
                queue_buffer(static_cast<std::int32_t>(header.user));
        });
    }
    void wave_failed(twaveresult code) override {
        guarded([&] {
            if (OnMsg) OnMsg(twavemsg{twavemsgkind::failed, nullptr, code});
            // A failure of an opening already ended is no news.
            if (fownboard) fail(ErrorText(code));
        });
    }

    tservice& service;
    tclosetexts closetexts;
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
