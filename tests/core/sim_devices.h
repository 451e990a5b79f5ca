// Simulated sound cards for a main window under test, keeping a hold of each service it hands
// out: the recorder's, then the masking noise's, the keyboard's and the selection's (then the
// calibration windows' of a desktop window).
#pragma once

#include "audio/audio_devices.h"
#include "audio/simulated_wave_service.h"

#include <memory>
#include <string>
#include <vector>

namespace gravon::testing {

struct tsimdevices : taudiodevices {
    tsimulatedwavein* in = nullptr; // the first: the main recorder's
    std::vector<tsimulatedwavein*> ins;
    std::vector<tsimulatedwaveout*> outs;
    tsimulatedsource source;
    twaveresult failopen = wave_noerror;
    std::vector<std::string> inputs{"USB mic", "Line in"};
    std::vector<std::string> outputs{"Speakers"};
    std::unique_ptr<twaveinservice> make_wavein() override {
        auto p = std::make_unique<tsimulatedwavein>();
        p->names = inputs;
        p->source = source;
        p->failopen = failopen;
        if (!in) in = p.get();
        ins.push_back(p.get());
        return p;
    }
    std::unique_ptr<twaveoutservice> make_waveout() override {
        auto p = std::make_unique<tsimulatedwaveout>();
        p->names = outputs;
        outs.push_back(p.get());
        return p;
    }
    tsimulatedwaveout& noise() { return *outs.at(0); }
    tsimulatedwaveout& keyboard() { return *outs.at(1); }
    tsimulatedwaveout& listen() { return *outs.at(2); }
};

} // namespace gravon::testing
