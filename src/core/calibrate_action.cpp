#include "core/calibrate_action.h"

#include "core/main_window.h"

namespace gravon {

void CalibrateActionExecute(TForm1& form, const tcalibratewindows& windows) {
    if (!form.recording_device_selected()) {
        if (form.ui.tell(
                question_fact("Can not calibrate",
                              "A specific recording soundcard must be selected before "
                              "calibrating.\rDo you want to select the recording soundcard now? ",
                              tbuttons::ok_cancel)) == tanswer::ok &&
            windows.choose_recording_device)
            windows.choose_recording_device();
        if (!form.recording_device_selected()) return;
    }
    for (std::int32_t ch = 0; ch < 2; ++ch) {
        const std::int32_t method = form.advanced.calibrationmethod[std::size_t(ch)];
        if (method == 1) {
            if (windows.calibrator) windows.calibrator(ch);
        } else if (method >= 2 && method <= 4) {
            if (windows.sound_level_meter) windows.sound_level_meter(ch, method);
        }
    }
}

} // namespace gravon
