#include "audio/qt/qt_audio_devices.h"

namespace gravon {

tqtaudiodevices::tqtaudiodevices(QAudioDevice::Mode mode) : mode(mode) {
    auto changed = [this] {
        if (onchanged) onchanged();
    };
    if (mode == QAudioDevice::Input)
        QObject::connect(&media, &QMediaDevices::audioInputsChanged, &media, changed);
    else
        QObject::connect(&media, &QMediaDevices::audioOutputsChanged, &media, changed);
}

QList<QAudioDevice> tqtaudiodevices::list() const {
    return mode == QAudioDevice::Input ? QMediaDevices::audioInputs()
                                       : QMediaDevices::audioOutputs();
}

std::vector<std::string> tqtaudiodevices::names() const {
    std::vector<std::string> out;
    for (const QAudioDevice& d : list()) out.push_back(d.description().toStdString());
    return out;
}

QAudioDevice tqtaudiodevices::find(std::int32_t id) const {
    if (id == -1)
        return mode == QAudioDevice::Input ? QMediaDevices::defaultAudioInput()
                                           : QMediaDevices::defaultAudioOutput();
    const QList<QAudioDevice> all = list();
    return id >= 0 && id < all.size() ? all[id] : QAudioDevice();
}

bool tqtaudiodevices::present(const QByteArray& deviceid) const {
    for (const QAudioDevice& d : list())
        if (d.id() == deviceid) return true;
    return false;
}

} // namespace gravon
