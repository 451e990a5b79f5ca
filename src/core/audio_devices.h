// Where the main window gets its sound devices. Every recorder and player drives a service
// object of its own; the desktop program gives Qt Multimedia services, the tests simulated ones,
// and a headless run without recording none at all.
#pragma once

#include "audio/wave_services.h"

#include <memory>

namespace gravon {

class taudiodevices {
  public:
    virtual ~taudiodevices() = default;
    virtual std::unique_ptr<twaveinservice> make_wavein() = 0;
    virtual std::unique_ptr<twaveoutservice> make_waveout() = 0;
};

} // namespace gravon
