#include "cli_recording.h"

#include "audio/qt/qt_audio_devices.h"
#include "audio/qt/qt_audio_factory.h"
#include "audio/qt/qt_wave_service.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cmath>

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

bool record_take(TForm1& form, double seconds, const std::string& device, std::string& error) {
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
