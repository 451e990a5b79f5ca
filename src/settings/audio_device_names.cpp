#include "settings/audio_device_names.h"

#include "settings/advanced_settings.h"

namespace gravon {

std::string device_name(const std::vector<std::string>& names, std::int32_t device) {
    if (device < 0 || std::size_t(device) >= names.size()) return {};
    return names[std::size_t(device)];
}

std::int32_t device_index(const std::vector<std::string>& names, const std::string& name) {
    if (name.empty()) return defaultaudiodevice;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return std::int32_t(i);
    return defaultaudiodevice;
}

} // namespace gravon
