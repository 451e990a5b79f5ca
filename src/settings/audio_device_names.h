// Settings files name audio devices by their names, so that a device survives a change of the
// device order (but not of its name).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

// The device names the audio layer offers, in its device order (device i is entry i; -1, the
// system's default device, has no entry). Empty while there is no audio layer.
struct taudiodevicenames {
    std::vector<std::string> output; // players: masking noise, calibration tone, keyboard
    std::vector<std::string> input;  // recorders
};

// The name stored for a device: its entry, or empty for the default device and for an id
// without an entry.
std::string device_name(const std::vector<std::string>& names, std::int32_t device);
// The device a stored name selects: the entry that matches exactly, or -1 (the default
// device) for an empty name or one no longer present.
std::int32_t device_index(const std::vector<std::string>& names, const std::string& name);

} // namespace gravon
