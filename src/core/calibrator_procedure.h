// Calibration with an acoustic calibrator: the recorder that listens to the channel while the
// user turns the sound card's input volume, the live level, and signing.
#pragma once

#include "audio/mpc_record.h"

#include <functional>
#include <optional>
#include <string>

namespace gravon {

class TForm1;

class tcalibratorprocedure {
  public:
    tcalibratorprocedure(TForm1& form, twaveinservice& service);

    // Starts for a channel: the factor from the overload limit, the recorder running. Raises
    // EMPCError when the recorder cannot start or its device is not connected.
    void start(std::int32_t chno);
    // Stops the recorder (closing the window).
    void stop();
    // Signs the channel with method 1 and the factor; refused while no level is shown.
    void sign(const std::string& name);

    std::int32_t fchanno = 0;
    double factor = 0.0;
    // The level of the last block; nothing before the first or for a silent one.
    std::optional<double> level;
    // Runs after every block, so that the window shows the level.
    std::function<void()> on_level;
    // The recorder failed while it listened (its device went away) and has closed; inside
    // its notification.
    std::function<void(const std::string& text)> on_failed;
    TMPCRecord& recorder() { return frecorder; }

  private:
    void fetch(const std::vector<std::int32_t>& block, std::int32_t used, double fullscale);

    TForm1& fform;
    TMPCRecord frecorder;
    std::vector<std::int32_t> fblock;
};

} // namespace gravon
