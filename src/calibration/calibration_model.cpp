#include "calibration/calibration_model.h"

#include "calibration/date_time.h"

#include <cmath>

namespace gravon {

std::string calibration_status_text(std::int32_t status, double date, const std::string& signer) {
    switch (status) {
    case calstatusuncalibrated:
        return "Uncalibrated";
    // A calibration without a moment (day 0 of the calendar) must not show as 1899.
    case calstatusunsigned:
        return date > 0 ? "Calibrated " + datetimetostr(date) + ", unsigned"
                        : std::string("Calibrated, unsigned");
    case calstatussigned:
        return (date > 0 ? "Calibrated " + datetimetostr(date) : std::string("Calibrated")) +
               " by " + signer;
    case calstatusothersoundcard:
        return "Calibrated for another soundcard";
    case calstatusnosoundcard:
        return "Soundcard not set";
    default:
        return "Calibration unknown";
    }
}

std::string soundfile_calibration_text(std::int32_t pgstatus,
                                       const std::string& filecalibrationinfo) {
    if (pgstatus == calstatusunsigned || pgstatus == calstatussigned)
        return "Soundfile calibration: " + filecalibrationinfo;
    return "Soundfile is uncalibrated";
}

bool calibration_expired(double expirationdays, double now, double date) {
    return expirationdays > 0 && now - date > expirationdays;
}

bool calibration_warning_flag(double expirationdays, bool fromsoundfile, double now, double date,
                              std::int32_t pgstatus) {
    if (!fromsoundfile && calibration_expired(expirationdays, now, date)) return true;
    return pgstatus != calstatusunsigned && pgstatus != calstatussigned;
}

double effective_calibration_factor(double signedfactor, bool recalculate, double actualdistance,
                                    double standarddistance) {
    if (!recalculate || !(actualdistance > 0) || !(standarddistance > 0) ||
        !std::isfinite(actualdistance) || !std::isfinite(standarddistance))
        return signedfactor;
    return signedfactor * actualdistance / standarddistance;
}

double fullscale_sine_level(double factor, double distanceratio) {
    return 20.0 * std::log10(distanceratio * factor / (2e-5 * std::sqrt(2.0)));
}

} // namespace gravon
