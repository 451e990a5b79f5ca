#include "core/calibrator_procedure.h"

#include "base/rounding.h"
#include "base/sample_conversion.h"
#include "calibration/calibration_procedures.h"
#include "core/device_choice.h"
#include "core/main_window.h"

namespace gravon {

tcalibratorprocedure::tcalibratorprocedure(TForm1& form, twaveinservice& service)
    : fform(form), frecorder(service) {
    frecorder.setnChans(1);
    frecorder.setsfTot(16000);
    frecorder.setnBuffers(4);
    frecorder.setnChunkSamples(32768);
    frecorder.setnBits(16);
    frecorder.OnFetch = [this](const TWaveChunk& arr, std::int32_t used, bool&) {
        fblock.assign(arr.begin(), arr.begin() + std::min<std::size_t>(arr.size(), used));
        fetch(fblock, used, 32766.0);
    };
    frecorder.OnFetch24 = [this](const tint24arr& arr, std::int32_t used, bool&) {
        fblock.resize(std::min<std::size_t>(arr.size(), std::size_t(std::max(used, 0))));
        for (std::size_t i = 0; i < fblock.size(); ++i) fblock[i] = int24toint(arr[i]);
        fetch(fblock, used, 8388606.0);
    };
    frecorder.OnFailed = [this](const std::string& text) {
        if (on_failed) on_failed(text);
    };
}

void tcalibratorprocedure::start(std::int32_t chno) {
    fchanno = chno;
    factor = calibrator_factor(fform.advanced.calibratoroverloadlimit);
    level.reset();
    frecorder.Stop();
    choose_device(frecorder, fform.advanced.recorddevice);
    frecorder.setnChans(2);
    frecorder.setsfTot(roundint(2.0 * fform.advanced.fs));
    frecorder.Run();
}

void tcalibratorprocedure::stop() {
    frecorder.Stop();
}

void tcalibratorprocedure::sign(const std::string& name) {
    // The factor is only as good as the level the user saw: a level that was never shown
    // (nothing recorded, the device gone) would sign an unchecked calibration.
    if (!frecorder.OwnBoard() || !level)
        throw EGravonError("Nothing is being measured: the calibrator's tone must be recorded "
                           "and its level shown before the calibration can be signed.");
    fform.sign_calibration(fchanno, name, 1, factor);
}

void tcalibratorprocedure::fetch(const std::vector<std::int32_t>& block, std::int32_t used,
                                 double fullscale) {
    level = calibrator_level(block, used, fchanno, factor, fullscale);
    if (on_level) on_level();
}

} // namespace gravon
