#include "settings/advanced_settings.h"

#include "settings/options.h"

namespace gravon {

tdisplayparamarr default_displayparams() {
    // name, min, max, logarithmic, unit
    return {
        {"Solid color", 0, 1, false, ""},   {"Acc. Time", 0.02, 5, true, "s"},
        {"H1/H2", -30, 30, false, "dB"},    {"HNR", 0, 30, false, "dB"},
        {"Centroid", 50, 2000, true, "Hz"}, {"Crest factor", 0, 20, false, "dB"},
        {"MaxPartNo", 1, 20, true, ""},     {"StDev", -40, 40, false, "cent"},
        {"CPPS", 0, 30, false, "dB"},       {"Spectrum balance", -50, 0, false, "dB"},
    };
}

tstdpgparamarr default_stdpgparams() {
    return {
        {"", 0},
        {"AccTime", 1},
        {"H1H2To01", 2},
        {"HNRTo01", 3},
        {"CentroidTo01", 4},
        {"CrestTo01", 5},
        {"MaxPartNoTo01", 6},
        {"StDevHi01", 7},
        // The statistics take entry k for display parameter k, so the new layers come before
        // the second name of the crest layer.
        {"CPPS", 8},
        {"SpecBal", 9},
        {"CrestHi01", 5},
    };
}

void set_advanced_to_default(tadvancedsettings& a, toptions& o) {
    // Everything but the devices, output channels, sample width and location, which keep the
    // values they have.
    tadvancedsettings d;
    d.noiseplayleft = a.noiseplayleft;
    d.noiseplayright = a.noiseplayright;
    d.keyboardplayleft = a.keyboardplayleft;
    d.keyboardplayright = a.keyboardplayright;
    d.calibrationtoneplayleft = a.calibrationtoneplayleft;
    d.calibrationtoneplayright = a.calibrationtoneplayright;
    d.playdevice = a.playdevice;
    d.calibrationdevice = a.calibrationdevice;
    d.keyboarddevice = a.keyboarddevice;
    d.recorddevice = a.recorddevice;
    d.use24bits = a.use24bits;
    d.locationid = std::move(a.locationid);
    a = std::move(d);
    o.noisespectrum = 0;
    // The options keep one statistics flag per display parameter and a darkness index into
    // the list; both follow the restored list.
    o.showstatsparam.resize(a.displayparams.size(), false);
    o.setzparam(o.zparam(), std::int32_t(a.displayparams.size()));
}

} // namespace gravon
