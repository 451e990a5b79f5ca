#include "audio/qt/qt_audio_devices.h"

namespace gravon {

namespace {

QList<QByteArray> ids(const QList<QAudioDevice>& devices) {
    QList<QByteArray> out;
    for (const QAudioDevice& d : devices) out.push_back(d.id());
    return out;
}

} // namespace

tqtaudiodevices::tqtaudiodevices(QAudioDevice::Mode mode) : mode(mode), known(ids(list())) {
    auto changed = [this] { check(); };
    if (mode == QAudioDevice::Input)
        QObject::connect(&media, &QMediaDevices::audioInputsChanged, &media, changed);
    else
        QObject::connect(&media, &QMediaDevices::audioOutputsChanged, &media, changed);
    QObject::connect(&poll, &QTimer::timeout, &media, changed);
    poll.start(1000);
}

void tqtaudiodevices::check() {
    QList<QByteArray> now = ids(list());
    if (now == known) return;
    known = std::move(now);
    if (onchanged) onchanged();
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
