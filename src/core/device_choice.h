// Settings choose sound devices by name, while a device is opened by its place in the list
// the audio layer has at that moment; the two meet here, when a device is about to open.
#pragma once

#include "audio/mpc_device.h"
#include "audio/mpc_error.h"
#include "settings/advanced_settings.h"

#include <algorithm>
#include <string>

namespace gravon {

// Sets the component's DeviceID to the device `name` (empty: the system's default device), in
// its device list read anew, so that a device plugged in or out a moment ago counts. Raises
// EMPCError naming the device when none of that name is connected: another device is never
// opened in its place.
template <class tservice>
void choose_device(TMPCDevice<tservice>& component, const std::string& name) {
    if (name.empty()) return component.setDeviceID(defaultaudiodevice);
    component.read_devicenames();
    const auto& names = component.Devicenames();
    const auto it = std::find(names.begin(), names.end(), name);
    if (it == names.end())
        throw EMPCError("The soundcard \"" + name +
                        "\" is not connected. Connect it, or choose another soundcard in the "
                        "advanced settings (\"Soundcards\").");
    component.setDeviceID(static_cast<std::int32_t>(it - names.begin()));
}

// A device as messages name it: its name in quotes, or the system's default.
inline std::string sound_device_text(const std::string& name, bool input) {
    if (!name.empty()) return "\"" + name + "\"";
    return input ? "(the system's default input)" : "(the system's default output)";
}

} // namespace gravon
