// The wave services over Qt Multimedia. Qt's audio classes pull from or push into our own
// QIODevice (pull mode: push mode delivered far too few bytes on Qt 6.4), which fills or
// empties the client's queued buffers on the backend's thread; finished buffers reach the
// client through the dispatcher on the user-interface thread. Devices are listed by their
// descriptions. A device that goes away while open is reported as wave_error_devicelost, a
// sound server that stops as wave_error_nosoundsystem.
//
// A service object serves one client and one open device at a time: each recorder and player
// gets its own. Construct and use it on the user-interface thread, with an event loop running.
#pragma once

#include "audio/qt/qt_audio_devices.h"
#include "audio/qt/qt_stream_io.h"
#include "audio/qt/qt_wave_dispatch.h"
#include "audio/wave_buffer_stream.h"
#include "audio/wave_services.h"

#include <QAudioSink>
#include <QAudioSource>
#include <exception>
#include <functional>
#include <memory>
#include <type_traits>

namespace gravon {

template <class Service, class QtAudio> class tqtwave : public Service {
  public:
    tqtwave();
    ~tqtwave() override;
    tqtwave(const tqtwave&) = delete;
    tqtwave& operator=(const tqtwave&) = delete;

    // A client's handler raised while the event loop delivered a notification; the window
    // shows the message.
    void setonexception(std::function<void(const std::exception&)> handler) {
        dispatch.onexception = std::move(handler);
    }
    // Captured bytes that found no queued buffer since the service was made.
    std::int64_t droppedbytes() const { return stream.droppedbytes(); }

    std::vector<std::string> device_names() override { return devices.names(); }
    twaveresult open(std::int32_t deviceid, const twaveformat& format,
                     twaveclient& client) override;
    twaveresult prepare(twaveheader& header) override;
    twaveresult unprepare(twaveheader& header) override;
    twaveresult reset() override;
    twaveresult close() override;
    void detach(twaveclient& client) override;
    void watch_devices(std::function<void()> onchanged) override {
        ondeviceschanged = std::move(onchanged);
    }
    std::string error_text(twaveresult code) override;

  protected:
    twaveresult enqueue(twaveheader& header);
    // Starts the data flowing, or resumes it.
    twaveresult go();
    twaveresult hold();

  private:
    static constexpr bool input = std::is_same_v<QtAudio, QAudioSource>;

    void shut_down();
    // The open device failed for good: reported once per opening.
    void lost(twaveresult code);
    void state_changed(QAudio::State state);

    tqtaudiodevices devices;
    twavebufferstream stream;
    tqtstreamio io{stream};
    tqtwavedispatch dispatch{stream};
    std::unique_ptr<QtAudio> audio;
    std::function<void()> ondeviceschanged;
    QByteArray deviceid;
    bool fopen = false;
    bool fstarted = false;
    bool fheld = false;
    bool flost = false;
};

class tqtwavein final : public tqtwave<twaveinservice, QAudioSource> {
  public:
    twaveresult add_buffer(twaveheader& header) override { return enqueue(header); }
    twaveresult start() override { return go(); }
};

class tqtwaveout final : public tqtwave<twaveoutservice, QAudioSink> {
  public:
    twaveresult write(twaveheader& header) override { return enqueue(header); }
    twaveresult pause() override { return hold(); }
    twaveresult restart() override { return go(); }
};

extern template class tqtwave<twaveinservice, QAudioSource>;
extern template class tqtwave<twaveoutservice, QAudioSink>;

} // namespace gravon
