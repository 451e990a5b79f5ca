// Hands a wave service's notifications to its client on the thread that owns the user
// interface, in order, always from the event loop and never from inside a call the client
// made. Buffers finished on the sound backend's thread arrive through the buffer stream; a
// wake from that thread posts one delivery, however many buffers it brings.
#pragma once

#include "audio/wave_buffer_stream.h"
#include "audio/wave_services.h"

#include <QObject>
#include <atomic>
#include <deque>
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
    // Forgets every waiting buffer; the other notifications stay.
    void drop_buffers();
    // Forgets everything waiting.
    void clear();

    // Any thread: the stream has finished buffers.
    void wake();

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

    twavebufferstream& stream;
    twaveclient* fclient = nullptr;
    std::deque<tpending> pending;
    std::atomic<bool> posted{false};
};

} // namespace gravon
