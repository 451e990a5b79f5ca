// Where the main window gets its sound devices. Every recorder and player drives a service
// object of its own; the desktop program gives Qt Multimedia services, the tests simulated ones,
// and a headless run without recording none at all.
#pragma once

#include "audio/wave_services.h"

#include <functional>
#include <memory>
#include <string>

namespace gravon {

class taudiodevices {
  public:
    virtual ~taudiodevices() = default;
    virtual std::unique_ptr<twaveinservice> make_wavein() = 0;
    virtual std::unique_ptr<twaveoutservice> make_waveout() = 0;
    // Where a service reports a failure that no caller could catch (a handler that raised
    // while the service delivered a notification). Applies to the services made afterwards;
    // without it such failures are written to the error output.
    virtual void report_failures_to(std::function<void(const std::string&)> report) {
        freport = std::move(report);
    }

  protected:
    std::function<void(const std::string&)> freport;
};

} // namespace gravon
