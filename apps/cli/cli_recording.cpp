#include "audio/qt/qt_audio_devices.h"
#include "audio/qt/qt_audio_factory.h"
#include "audio/qt/qt_wave_service.h"
#include "qt_parts.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace gravon {

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
                 const std::vector<trecordevent>& events, std::string& error) {
    static tqtaudiofactory factory;
    form.attach_audio(factory);
    if (!device.empty()) {
        const auto& names = form.audiodevicenames.input;
        if (std::find(names.begin(), names.end(), device) == names.end()) {
            error = "no input device is named \"" + device + "\" (--list-devices lists them)";
            return false;
        }
    }
    form.advanced.recorddevice = device;
    form.RecordActionExecute(true);
    if (!form.recording()) {
        error = "the recording could not be started";
        return false;
    }
    form.set_paused(false);

    QEventLoop loop;
    QTimer end;
    end.setSingleShot(true);
    QObject::connect(&end, &QTimer::timeout, &loop, &QEventLoop::quit);
    end.start(int(std::lround(seconds * 1000)));
    // A device that went away stops the take before its time.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        if (!form.recording()) loop.quit();
    });
    watch.start(50);
    // The window's timer: the keyboard tone's block ends 300 ms after the key is let go.
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] { form.Timer1Timer(200); });
    tick.start(200);
    // Each event as a person at the window would do it, at its moment after the start.
    std::vector<std::unique_ptr<QTimer>> moments;
    const auto at = [&](double t, auto what) {
        auto timer = std::make_unique<QTimer>();
        timer->setSingleShot(true);
        QObject::connect(timer.get(), &QTimer::timeout, &loop, [&form, what] {
            if (form.recording()) what();
        });
        timer->start(int(std::lround(t * 1000)));
        moments.push_back(std::move(timer));
    };
    for (const trecordevent& e : events) {
        if (e.kind == trecordevent::tkind::pause) {
            at(e.from, [&form] { form.set_paused(true); });
            at(e.to, [&form] { form.set_paused(false); });
        } else {
            at(e.from, [&form, k = e.midi] { form.KeyBoard1NoteOn(k); });
            at(e.to, [&form, k = e.midi] { form.KeyBoard1NoteOff(k); });
        }
    }
    loop.exec();
    if (form.recording()) form.StopActionExecute();
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
