// The settings files: the input as a container read by the options, advanced-settings and
// calibration readers, then opened by the main window, which applies what it holds (the
// advanced settings size the analysis).
#include "calibration/calibration_file.h"
#include "fuzz_support.h"
#include "settings/advanced_settings.h"
#include "settings/advanced_settings_file.h"
#include "settings/options_file.h"

using namespace gravon;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = fuzz::write_input(data, size, "input.qubfile");
    try {
        TQUBFile q;
        q.open_file(path);
        {
            toptions o;
            tadvancedsettings a;
            set_advanced_to_default(a, o);
            set_options_to_default(o, std::int32_t(a.displayparams.size()));
            std::array<bool, 2> showbins{true, true};
            tsettingsreader r(q);
            read_options(r, o, showbins, std::int32_t(a.displayparams.size()));
            tsettingsreader r2(q);
            taudiodevicenames devices;
            devices.input = {"In 1", "In 2"};
            devices.output = {"Out 1"};
            read_advanced_settings(r2, a, devices);
            settings_problems_text(path, r.problems());
            settings_problems_text(path, r2.problems());
        }
        // The calibration as the program reads it, and once more as if the file were a
        // calibration file for the stored device, so that the stored values are read too.
        read_calibration(q, true, "In 1");
        std::string card;
        try {
            card = q.readstring(calibrationsection, "Soundcard", "");
        } catch (const EGravonError&) {
        }
        q.setFileId(calibrationfileid);
        read_calibration(q, true, card);
        read_calibration(q, false, card);
    } catch (const EGravonError&) {
    }

    fuzz::tfuzzform& f = fuzz::fuzzform();
    f.reset_settings();
    try {
        f.form.open_any_file(path);
        f.form.open_calibration(path);
        f.form.fix_things();
    } catch (const EGravonError&) {
    }
    return 0;
}
