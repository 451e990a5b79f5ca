// The system's audio inputs or outputs, named by their descriptions; id i is the i-th device
// of the current list and -1 the default one. Watches the list for devices coming and going:
// Qt 6.4's PulseAudio backend keeps its list up to date but does not signal the change, so the
// list is also compared once a second.
#pragma once

#include <QAudioDevice>
#include <QMediaDevices>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace gravon {

class tqtaudiodevices {
  public:
    explicit tqtaudiodevices(QAudioDevice::Mode mode);

    std::vector<std::string> names() const;
    // A null device when there is none with that id.
    QAudioDevice find(std::int32_t id) const;
    bool present(const QByteArray& deviceid) const;

    // The list changed: a device was plugged in or went away.
    std::function<void()> onchanged;

  private:
    QList<QAudioDevice> list() const;
    void check();

    QAudioDevice::Mode mode;
    QMediaDevices media;
    QTimer poll;
    QList<QByteArray> known; // ids of the devices last seen
};

} // namespace gravon
