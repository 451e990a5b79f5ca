#include "audio/qt/qt_audio_devices.h"
#include "audio/qt/qt_audio_factory.h"
#include "audio/qt/qt_wave_service.h"
#include "qt_parts.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace gravon {

namespace {

// A device that delivers no sound for this long has stalled.
constexpr int stallseconds = 10;

} // namespace

void print_audio_devices(std::FILE* out) {
    for (const auto& [mode, what] :
         {std::pair{QAudioDevice::Input, "input"}, std::pair{QAudioDevice::Output, "output"}}) {
        tqtaudiodevices devices(mode);
        const auto names = devices.names();
        if (names.empty()) std::fprintf(out, "%s\t(none)\n", what);
        for (const std::string& n : names) std::fprintf(out, "%s\t%s\n", what, n.c_str());
    }
}

bool record_take(TForm1& form, double seconds, const std::string& device,
                 const std::vector<trecordevent>& events, std::string& error,
                 const std::function<void()>& started) {
    static tqtaudiofactory factory;
    form.attach_audio(factory);
    if (!device.empty()) {
        const auto& names = form.audiodevicenames.input;
        if (std::find(names.begin(), names.end(), device) == names.end()) {
            error = "no input device is named \"" + device + "\" (--list-devices lists them)";
            return false;
        }
    }
    form.set_record_device(device);
    form.RecordActionExecute(true);
    if (!form.recording()) {
        error = "the recording could not be started";
        return false;
    }
    form.set_paused(false);
    if (started) started();

    // The take's clock is the sound itself: its seconds are counted in the samples received,
    // from the first, so that a device that takes a while to deliver neither shortens the
    // take nor shifts its events.
    const double fs = form.storefs;
    const std::int64_t first = form.samplecount;
    const auto elapsed = [&] { return double(form.samplecount - first) / fs; };
    // Each event as a person at the window would do it, at its moment of the take.
    struct tmoment {
        double t;
        std::function<void()> what;
    };
    std::vector<tmoment> moments;
    for (const trecordevent& e : events) {
        if (e.kind == trecordevent::tkind::pause) {
            moments.push_back({e.from, [&form] { form.set_paused(true); }});
            moments.push_back({e.to, [&form] { form.set_paused(false); }});
        } else {
            moments.push_back({e.from, [&form, k = e.midi] { form.KeyBoard1NoteOn(k); }});
            moments.push_back({e.to, [&form, k = e.midi] { form.KeyBoard1NoteOff(k); }});
        }
    }
    std::stable_sort(moments.begin(), moments.end(),
                     [](const tmoment& a, const tmoment& b) { return a.t < b.t; });
    std::size_t next = 0;

    QEventLoop loop;
    // Between two blocks, not inside the handler of one: what is due happens before the next
    // block is analysed, and the take ends once it has its seconds.
    bool checking = false;
    const auto check = [&] {
        checking = false;
        const double t = elapsed();
        while (next < moments.size() && moments[next].t <= t && form.recording())
            moments[next++].what();
        if (t >= seconds) loop.quit();
    };
    const std::function<void()> analysed = form.onblockanalysed;
    form.onblockanalysed = [&] {
        if (analysed) analysed();
        const double t = elapsed();
        if (!checking && (t >= seconds || (next < moments.size() && moments[next].t <= t))) {
            checking = true;
            QTimer::singleShot(0, &loop, check);
        }
    };
    // A device that went away stops the take before its time; one that delivers nothing
    // for a long while has stalled.
    std::int64_t lastcount = first;
    auto lastsound = std::chrono::steady_clock::now();
    bool stalled = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        if (!form.recording()) loop.quit();
        const auto now = std::chrono::steady_clock::now();
        if (form.samplecount != lastcount) {
            lastcount = form.samplecount;
            lastsound = now;
        } else if (now - lastsound > std::chrono::seconds(stallseconds)) {
            stalled = true;
            loop.quit();
        }
    });
    watch.start(50);
    // The window's timer: the keyboard tone's block ends 300 ms after the key is let go.
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] { form.Timer1Timer(200); });
    tick.start(200);
    loop.exec();
    form.onblockanalysed = analysed;
    if (form.recording()) form.StopActionExecute();
    if (stalled)
        std::fprintf(stderr,
                     "gravon-cli: warning: the recording device delivered no sound for %d s; "
                     "the take ends after %.1f s of its %.1f s\n",
                     stallseconds, elapsed(), seconds);
    // The buffers still on their way belong to the take's last moments; they are not needed.
    if (auto* in = dynamic_cast<tqtwavein*>(form.frecordservice.get());
        in && in->droppedbytes() > 0)
        std::fprintf(stderr,
                     "gravon-cli: warning: %lld bytes of sound found no free buffer and were "
                     "lost\n",
                     static_cast<long long>(in->droppedbytes()));
    return true;
}

} // namespace gravon
