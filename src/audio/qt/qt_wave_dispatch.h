// Hands a wave service's notifications to its client on the thread that owns the user
// interface, in order, always from the event loop and never from inside a call the client
// made. Buffers finished on the sound backend's thread arrive through the buffer stream; a
// wake from that thread posts one delivery, however many buffers it brings.
//
// Qt's audio classes may run the event loop themselves (Qt 6.4's PulseAudio source does as
// it is destroyed), so the service holds the delivery while it is inside one of their calls.
#pragma once

#include "audio/wave_buffer_stream.h"
#include "audio/wave_services.h"
#include "base/fifo.h"

#include <QObject>
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>

namespace gravon {

class tqtwavedispatch : public QObject {
    Q_OBJECT
  public:
    explicit tqtwavedispatch(twavebufferstream& stream);

    twaveclient* client() const { return fclient; }
    void setclient(twaveclient* c) { fclient = c; }

    // Client thread.
    void post(twavemsgkind kind, twaveheader* header = nullptr, twaveresult code = wave_noerror);
    // Moves the buffers the backend has finished behind the notifications already waiting.
    void collect();
    // Forgets every waiting buffer and failure, what an opening that ended leaves behind;
    // opened and closed stay.
    void drop_reports();
    // While a hold lives nothing is delivered; what came meanwhile follows from the event loop
    // once the last hold ends.
    class thold {
      public:
        explicit thold(tqtwavedispatch& d) : d(d) { ++d.fholds; }
        ~thold() {
            if (--d.fholds == 0) d.wake();
        }
        thold(const thold&) = delete;
        thold& operator=(const thold&) = delete;

      private:
        tqtwavedispatch& d;
    };
    // Forgets everything waiting.
    void clear();

    // Any thread: the stream has finished buffers.
    void wake();

    // The device list changed: ondeviceschanged is called from the event loop, before the
    // notifications then waiting, whether a client is there or not.
    void post_devices_changed();
    std::function<void()> ondeviceschanged;

    // A client's handler raised: the event loop must not see it. Without a handler the
    // message goes to the Qt log.
    std::function<void(const std::exception&)> onexception;

  private:
    struct tpending {
        twavemsgkind kind;
        twaveheader* header;
        twaveresult code;
    };
    void deliver();
    void report(const std::exception& e);

    twavebufferstream& stream;
    twaveclient* fclient = nullptr;
    tfifo<tpending> pending;
    std::atomic<bool> posted{false};
    std::int32_t fholds = 0; // client thread only
    bool fdevicesnews = false;
};

} // namespace gravon
