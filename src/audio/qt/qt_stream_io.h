// The buffer stream as the QIODevice that Qt's audio classes pull from or push into: capture
// writes into it, playback reads from it, both on whatever thread the backend uses.
#pragma once

#include "audio/wave_buffer_stream.h"

#include <QIODevice>

namespace gravon {

class tqtstreamio : public QIODevice {
    Q_OBJECT
  public:
    explicit tqtstreamio(twavebufferstream& stream) : stream(stream) {}
    bool isSequential() const override { return true; }

  protected:
    qint64 readData(char* data, qint64 maxlen) override {
        return static_cast<qint64>(
            stream.play(reinterpret_cast<std::byte*>(data), static_cast<std::size_t>(maxlen)));
    }
    qint64 writeData(const char* data, qint64 len) override {
        stream.capture(reinterpret_cast<const std::byte*>(data), static_cast<std::size_t>(len));
        return len;
    }

  private:
    twavebufferstream& stream;
};

} // namespace gravon
