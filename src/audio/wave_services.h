// The wave-in and wave-out services the recorder and the player drive: a device is opened with
// a PCM format, buffers are queued at it and come back filled (input) or played (output), in
// the order they were queued. The Qt backend, the simulated service of the tests and any other
// sound system implement these; the recorder and player know nothing of which one they use.
//
// Every notification (opened, closed, buffer done, failed) reaches the client on the thread
// that owns the user interface, never from inside a call the client made to the service, so
// that a client can queue a buffer again from its handler.
//
// Closing ends an opening for good: buffers and failures of it that have not yet been
// reported are not reported afterwards (only wave_closed is), so the client may reuse or free
// its buffers at once, and a later opening never sees a stale buffer or failure of an earlier
// one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace gravon {

// Result of a service call: 0 is success, anything else an error code that error_text names.
using twaveresult = std::int32_t;
inline constexpr twaveresult wave_noerror = 0;
// Codes every service may use; a service may add codes of its own above 100.
inline constexpr twaveresult wave_error_baddeviceid = 2;
inline constexpr twaveresult wave_error_allocated = 4;
inline constexpr twaveresult wave_error_nodriver = 6;
inline constexpr twaveresult wave_error_nomem = 7;
inline constexpr twaveresult wave_error_notsupported = 8;
inline constexpr twaveresult wave_error_invalidparam = 11;
inline constexpr twaveresult wave_error_badformat = 32;
inline constexpr twaveresult wave_error_stillplaying = 33;
inline constexpr twaveresult wave_error_unprepared = 34;
// The device went away while open (unplugged, sound server restarted).
inline constexpr twaveresult wave_error_devicelost = 101;
// The sound system itself (a sound server) is not running or does not answer.
inline constexpr twaveresult wave_error_nosoundsystem = 102;
// The device is there but refused to start a stream.
inline constexpr twaveresult wave_error_cannotopen = 103;

struct twaveformat {
    std::int32_t formattag = 1; // PCM
    std::int32_t channels = 1;
    std::int32_t samplespersec = 16000;
    std::int32_t avgbytespersec = 32000;
    std::int32_t blockalign = 2;
    std::int32_t bitspersample = 16;
    std::int32_t extrasize = 0;
};

// PCM format of `channels` channels at `rate` samples per second each.
inline twaveformat make_waveformat(std::int32_t channels, std::int32_t rate, std::int32_t bits) {
    twaveformat f;
    f.channels = channels;
    f.samplespersec = rate;
    f.bitspersample = bits;
    f.blockalign = channels * bits / 8;
    f.avgbytespersec = channels * rate * bits / 8;
    return f;
}

// One buffer queued at a device. The client owns the memory and keeps it alive and in place
// from prepare to unprepare.
struct twaveheader {
    std::byte* data = nullptr;
    std::uint32_t bufferlength = 0;  // bytes
    std::uint32_t bytesrecorded = 0; // input: bytes the device filled
    std::intptr_t user = 0;          // the client's own value, returned with the buffer
    std::uint32_t flags = 0;
    std::uint32_t loops = 1;
};
inline constexpr std::uint32_t whdr_done = 1;
inline constexpr std::uint32_t whdr_prepared = 2;
inline constexpr std::uint32_t whdr_inqueue = 16;

// The kinds of notification, as one record for a client that wants to watch them all.
enum class twavemsgkind { opened, closed, done, failed };
struct twavemsg {
    twavemsgkind kind = twavemsgkind::opened;
    twaveheader* header = nullptr;   // done only
    twaveresult code = wave_noerror; // failed only
};

// What a device reports to the client that opened it.
class twaveclient {
  public:
    virtual ~twaveclient() = default;
    virtual void wave_opened() {}
    virtual void wave_closed() {}
    // A queued buffer came back: filled (input) or played (output), or returned unfilled by a
    // reset. Buffers come back in the order they were queued.
    virtual void wave_done(twaveheader& header) = 0;
    // The device failed while open; code names the failure. The device stays open until the
    // client closes it, and queued buffers may still come back.
    virtual void wave_failed(twaveresult code) {}
};

// The calls both directions share.
class twaveservice {
  public:
    virtual ~twaveservice() = default;
    // Names of the devices; a device's id is its index, -1 the system's default device.
    virtual std::vector<std::string> device_names() = 0;
    // Opens device `deviceid` (-1: the default) with the format; notifications go to client.
    virtual twaveresult open(std::int32_t deviceid, const twaveformat& format,
                             twaveclient& client) = 0;
    virtual twaveresult prepare(twaveheader& header) = 0;
    virtual twaveresult unprepare(twaveheader& header) = 0;
    // Returns every queued buffer to the client (marked done) and stops the device.
    virtual twaveresult reset() = 0;
    // Fails with wave_error_stillplaying while buffers are queued.
    virtual twaveresult close() = 0;
    // The client is going away, or gives up an opening that would not close: the device is
    // let go of and nothing more is reported to it, whether open or not. A later open by the
    // same client starts afresh.
    virtual void detach(twaveclient& client) = 0;
    // Called, like the notifications, whenever the list of devices changes (a device plugged
    // in or removed), open or not; nullptr stops it. A service without such news never calls.
    virtual void watch_devices(std::function<void()> onchanged) {}
    // A readable description of an error code.
    virtual std::string error_text(twaveresult code) = 0;
};

// An input device: one open device per service object.
class twaveinservice : public twaveservice {
  public:
    // Queues a buffer to be filled.
    virtual twaveresult add_buffer(twaveheader& header) = 0;
    virtual twaveresult start() = 0;
};

// An output device: one open device per service object.
class twaveoutservice : public twaveservice {
  public:
    // Queues a buffer to be played.
    virtual twaveresult write(twaveheader& header) = 0;
    virtual twaveresult pause() = 0;
    virtual twaveresult restart() = 0;
    // System output volume of device `deviceid` (-1: the default), open or not: left in the
    // low 16 bits, right in the high. wave_error_notsupported when the service has no
    // volume control.
    virtual twaveresult get_volume(std::int32_t deviceid, std::uint32_t& volume) {
        return wave_error_notsupported;
    }
    virtual twaveresult set_volume(std::int32_t deviceid, std::uint32_t volume) {
        return wave_error_notsupported;
    }
};

} // namespace gravon
