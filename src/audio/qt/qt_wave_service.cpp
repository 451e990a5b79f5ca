#include "audio/qt/qt_wave_service.h"

#include "audio/wave_error_text.h"

namespace gravon {

template <class Service, class QtAudio>
tqtwave<Service, QtAudio>::tqtwave() : devices(input ? QAudioDevice::Input : QAudioDevice::Output) {
    // News of the device list reaches the client from the event loop, like the
    // notifications, and never from inside a call of its own.
    devices.onchanged = [this] { dispatch.post_devices_changed(); };
    dispatch.ondeviceschanged = [this] {
        if (fopen && !devices.present(deviceid)) lost(wave_error_devicelost);
        if (ondeviceschanged) ondeviceschanged();
    };
    stream.onfinished = [this] { dispatch.wake(); };
}

template <class Service, class QtAudio> tqtwave<Service, QtAudio>::~tqtwave() {
    shut_down();
}

template <class Service, class QtAudio> void tqtwave<Service, QtAudio>::shut_down() {
    const tqtwavedispatch::thold held(dispatch);
    fopen = fstarted = fheld = false;
    // Stopped first, so that the backend no longer calls into the stream.
    if (audio) audio->stop();
    stream.halt();
    stream.take_unfinished([](twaveheader&) {});
    audio.reset();
    io.close();
    dispatch.clear();
    stream.resume();
}

template <class Service, class QtAudio>
twaveresult tqtwave<Service, QtAudio>::open(std::int32_t id, const twaveformat& format,
                                            twaveclient& client) {
    if (fopen) return wave_error_allocated;
    const QAudioDevice device = devices.find(id);
    if (device.isNull())
        return devices.names().empty() ? wave_error_nodriver : wave_error_baddeviceid;
    const bool wide = format.bitspersample == 24 && input;
    if (format.formattag != 1 || format.channels < 1 || format.samplespersec < 1 ||
        (format.bitspersample != 16 && !wide))
        return wave_error_badformat;
    // 24-bit samples travel as 32-bit ones: Qt has no packed 24-bit format.
    QAudioFormat qf;
    qf.setSampleRate(format.samplespersec);
    qf.setChannelCount(format.channels);
    qf.setSampleFormat(wide ? QAudioFormat::Int32 : QAudioFormat::Int16);
    if (!device.isFormatSupported(qf)) return wave_error_badformat;

    const tqtwavedispatch::thold held(dispatch);
    stream.setwidths(format.bitspersample / 8, wide ? 4 : 2);
    audio = std::make_unique<QtAudio>(device, qf);
    QObject::connect(audio.get(), &QtAudio::stateChanged, &dispatch,
                     [this](QAudio::State s) { state_changed(s); });
    deviceid = device.id();
    fopen = true;
    fstarted = fheld = flost = false;
    dispatch.setclient(&client);
    dispatch.post(twavemsgkind::opened);
    return wave_noerror;
}

template <class Service, class QtAudio>
twaveresult tqtwave<Service, QtAudio>::prepare(twaveheader& header) {
    if (!fopen || (header.data == nullptr && header.bufferlength > 0))
        return wave_error_invalidparam;
    header.flags |= whdr_prepared;
    return wave_noerror;
}

template <class Service, class QtAudio>
twaveresult tqtwave<Service, QtAudio>::unprepare(twaveheader& header) {
    if (header.flags & whdr_inqueue) return wave_error_stillplaying;
    header.flags &= ~whdr_prepared;
    return wave_noerror;
}

template <class Service, class QtAudio>
twaveresult tqtwave<Service, QtAudio>::enqueue(twaveheader& header) {
    if (!fopen) return wave_error_invalidparam;
    if (!(header.flags & whdr_prepared)) return wave_error_unprepared;
    if (header.flags & whdr_inqueue) return wave_error_stillplaying;
    header.flags = (header.flags & ~whdr_done) | whdr_inqueue;
    if (stream.queue(header)) return wave_noerror;
    header.flags &= ~whdr_inqueue;
    return wave_error_nomem;
}

template <class Service, class QtAudio> twaveresult tqtwave<Service, QtAudio>::go() {
    if (!fopen) return wave_error_invalidparam;
    const tqtwavedispatch::thold held(dispatch);
    if (fstarted) {
        if (fheld) audio->resume();
        fheld = false;
        return wave_noerror;
    }
    if (fheld) {
        // Paused before it ever started: starting now is the restart.
        fheld = false;
    }
    io.open(QIODevice::ReadWrite | QIODevice::Unbuffered);
    // A short capture buffer: what the sound system holds back is lost if the program dies,
    // and our own queued buffers give the slack.
    if constexpr (input) audio->setBufferSize(audio->format().bytesForDuration(40000));
    audio->start(&io);
    if (const QAudio::Error e = audio->error(); e != QAudio::NoError) {
        io.close();
        // Qt's PulseAudio backend says FatalError when it has no connection to the server.
        return e == QAudio::FatalError  ? wave_error_nosoundsystem
               : e == QAudio::OpenError ? wave_error_cannotopen
                                        : wave_error_nodriver;
    }
    fstarted = true;
    return wave_noerror;
}

template <class Service, class QtAudio> twaveresult tqtwave<Service, QtAudio>::hold() {
    if (!fopen) return wave_error_invalidparam;
    const tqtwavedispatch::thold held(dispatch);
    if (fstarted && !fheld) audio->suspend();
    fheld = true;
    return wave_noerror;
}

template <class Service, class QtAudio> twaveresult tqtwave<Service, QtAudio>::reset() {
    if (!fopen) return wave_error_invalidparam;
    const tqtwavedispatch::thold held(dispatch);
    // Not started any more before Qt hears of it: its stopping is no failure.
    fstarted = fheld = false;
    audio->stop();
    io.close();
    stream.halt();
    dispatch.collect();
    stream.take_unfinished([this](twaveheader& h) {
        h.flags = (h.flags & ~whdr_inqueue) | whdr_done;
        dispatch.post(twavemsgkind::done, &h);
    });
    stream.resume();
    return wave_noerror;
}

template <class Service, class QtAudio> twaveresult tqtwave<Service, QtAudio>::close() {
    if (!fopen) return wave_error_invalidparam;
    if (stream.outstanding() > 0) return wave_error_stillplaying;
    const tqtwavedispatch::thold held(dispatch);
    fopen = fstarted = fheld = false;
    audio->stop();
    audio.reset();
    io.close();
    // A failure Qt reported meanwhile belongs to the opening that ended.
    dispatch.drop_reports();
    dispatch.post(twavemsgkind::closed);
    return wave_noerror;
}

template <class Service, class QtAudio>
void tqtwave<Service, QtAudio>::detach(twaveclient& client) {
    if (dispatch.client() != &client) return;
    shut_down();
    dispatch.setclient(nullptr);
}

template <class Service, class QtAudio>
std::string tqtwave<Service, QtAudio>::error_text(twaveresult code) {
    // Qt 6.4 tries to reach a sound server that went away once, three seconds later, and
    // never again: only a server that was back by then can be used without a restart.
    if (code == wave_error_nosoundsystem)
        return wave_error_text(code) +
               " If it has just been restarted, try again in a few seconds; if it was away for "
               "longer, the program must be restarted to reach it.";
    return wave_error_text(code);
}

template <class Service, class QtAudio> void tqtwave<Service, QtAudio>::lost(twaveresult code) {
    if (flost) return;
    flost = true;
    dispatch.post(twavemsgkind::failed, nullptr, code);
}

template <class Service, class QtAudio>
void tqtwave<Service, QtAudio>::state_changed(QAudio::State state) {
    // An underrun of the output only means that no buffer was queued in time.
    if (!fopen || !fstarted || !audio) return;
    const QAudio::Error e = audio->error();
    if (state != QAudio::StoppedState) return;
    // FatalError: the connection to the sound server broke (it stopped or was restarted).
    if (e == QAudio::FatalError) lost(wave_error_nosoundsystem);
    if (e == QAudio::OpenError || e == QAudio::IOError) lost(wave_error_devicelost);
}

template class tqtwave<twaveinservice, QAudioSource>;
template class tqtwave<twaveoutservice, QAudioSink>;

} // namespace gravon
