// The Calibrate action: a specific recording device first, then the procedure of each
// channel's calibration method, channel 0 first.
#pragma once

#include <cstdint>
#include <functional>

namespace gravon {

class TForm1;

struct tcalibratewindows {
    // Opens the advanced settings on the page where the recording device is chosen (modal).
    std::function<void()> choose_recording_device;
    // The calibrator procedure for a channel (method 1), modal.
    std::function<void(std::int32_t chno)> calibrator;
    // The sound-level-meter procedure for a channel and method 2, 3 or 4, modal.
    std::function<void(std::int32_t chno, std::int32_t method)> sound_level_meter;
};

// Asks for a recording device when none is selected (and stops when there still is none),
// then runs each channel's procedure; method 0 skips a channel.
void CalibrateActionExecute(TForm1& form, const tcalibratewindows& windows);

} // namespace gravon
