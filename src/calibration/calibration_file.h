// The calibration file: a settings container that keeps the signed factor of each channel
// together with the name of the recording device it was measured with, and the rule that
// decides, on loading, which of it applies to the device in use.
#pragma once

#include "calibration/calibration_model.h"
#include "files/qub_file.h"

#include <array>
#include <cstdint>
#include <string>

namespace gravon {

inline constexpr const char* calibrationfileid = "Gravon calibration";
inline constexpr const char* calibrationsection = "Calibration";
// Names in the settings folder.
inline constexpr const char* calibrationfilename = "GravonCalibration.qubfile";
inline constexpr const char* calibrationlogfilename = "CalibrationLog.txt";

struct tchannelcalibration {
    std::string personid;               // empty: unsigned
    double date = 0.0;                  // moment of signing (date_time.h)
    double factor = uncalibratedfactor; // Pa at full scale
};

// What the file holds.
struct tcalibrationrecord {
    std::string soundcard; // recording device the calibration belongs to
    std::array<tchannelcalibration, 2> ch;
};

// The outcome of loading for the device in use.
struct tcalibrationload {
    // The file is a calibration file whose device name could be read; only then does
    // soundcard hold the stored name.
    bool validfile = false;
    std::string soundcard;
    // The values that apply (uncalibrated where the file does not apply).
    std::array<tchannelcalibration, 2> ch;
    std::array<std::int32_t, 2> status{calstatusuncalibrated, calstatusuncalibrated};
};

// Sets the file id and writes "Soundcard", then per channel "SignedPersonID" + ch,
// "SignedCalibrationDate" + ch and "SignedFactor" + ch.
void write_calibration(TQUBFile& q, const tcalibrationrecord& r);

// Decides per channel from an opened container:
// - not a calibration file (also a missing or unreadable one): status 1;
// - no specific recording device selected: status 5;
// - stored for another device, or the selected device's name is unknown (empty): status 4;
// - otherwise the stored values, status 3 when signed, else 1.
// A channel whose stored entries have the wrong type, or whose factor is not a positive
// number or date not a number, is uncalibrated (status 1, default values): such a factor
// would turn every level into nonsense.
// The name of the recording device the calibration in q belongs to; empty when q holds no
// calibration.
std::string calibration_soundcard(const TQUBFile& q);

tcalibrationload read_calibration(const TQUBFile& q, bool specificdevice,
                                  const std::string& devicename);

} // namespace gravon
