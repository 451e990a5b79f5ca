// The calibration of an input channel: the factor that turns a sample normalised to full
// scale into pascals, who signed it and when, and the status code every phonetogram carries
// with its calibration text.
#pragma once

#include <cstdint>
#include <string>

namespace gravon {

// Pa at digital full scale of a channel that was never calibrated.
inline constexpr double uncalibratedfactor = 100.0;

// Status codes of a channel's calibration (`calibrationstatus`, `tpg::calstatus`).
inline constexpr std::int32_t calstatusunknown = 0;        // not determined
inline constexpr std::int32_t calstatusuncalibrated = 1;   // no, wrong, unsigned or removed
inline constexpr std::int32_t calstatusunsigned = 2;       // calibrated in this run, unsigned
inline constexpr std::int32_t calstatussigned = 3;         // calibrated and signed
inline constexpr std::int32_t calstatusothersoundcard = 4; // stored for another device
inline constexpr std::int32_t calstatusnosoundcard = 5;    // the system default device is used

// The calibration text of a live channel: "Calibration unknown", "Uncalibrated",
// "Calibrated " + date + ", unsigned", "Calibrated " + date + " by " + signer,
// "Calibrated for another soundcard", "Soundcard not set"; "Calibration unknown" for any
// other code. date is the moment of signing (see date_time.h).
std::string calibration_status_text(std::int32_t status, double date, const std::string& signer);

// The calibration text of a phonetogram analysed from a sound file: the file's own
// calibration information when its status is 2 or 3, otherwise "Soundfile is uncalibrated".
std::string soundfile_calibration_text(std::int32_t pgstatus,
                                       const std::string& filecalibrationinfo);

// Whether a calibration of that date has expired by now (expirationdays 0 or less: never).
bool calibration_expired(double expirationdays, double now, double date);

// Whether the channel's calibration text is to be drawn as a warning: an expired
// calibration of live data, or a phonetogram whose status is neither 2 nor 3.
bool calibration_warning_flag(double expirationdays, bool fromsoundfile, double now, double date,
                              std::int32_t pgstatus);

// The factor applied to incoming samples. With recalculate, levels are referred to the
// standard distance: the signed factor times actualdistance / standarddistance. A distance
// that is not a positive number (a phonetogram from a file keeps -1) cannot be referred to
// another, so the signed factor is used unchanged then.
double effective_calibration_factor(double signedfactor, bool recalculate, double actualdistance,
                                    double standarddistance);

// Level in dB of a full-scale sinusoid with the given factor, scaled by distanceratio
// (actual / standard distance for the level at the standard distance, 1 at the microphone).
// 130.97 dB for the uncalibrated factor at the microphone.
double fullscale_sine_level(double factor, double distanceratio = 1.0);

} // namespace gravon
