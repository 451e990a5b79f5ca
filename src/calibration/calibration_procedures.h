// The computations of the two calibration procedures: the calibrator's factor and live
// level, the A-weighting of the sound-level-meter procedure and the factor from a reading,
// and the texts both windows show.
#pragma once

#include "analysis/filter_sections.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace gravon {

// ---- Calibration with an acoustic calibrator ----

// Pa at full scale: the peak pressure of a sinusoid at the overload limit.
double calibrator_factor(double overloadlimit);
// The level of channel chno (of two interleaved ones) in a block of `used` samples, in dB;
// nothing when the block is silent. fullscale is the largest sample value of the width:
// 32766 for 16-bit blocks, 8388606 for 24-bit ones.
std::optional<double> calibrator_level(const std::vector<std::int32_t>& block, std::int32_t used,
                                       std::int32_t chno, double factor, double fullscale);
// The level as shown: "0.0" + " dB", or "-".
std::string calibrator_level_text(const std::optional<double>& level);
std::string calibrator_caption(std::int32_t chno);
std::string calibrator_instruction(std::int32_t chno, double calibratorspl);
// The sign button's caption; "Enter your name to calibrate" without a name.
std::string sign_caption(std::int32_t chno, const std::string& name);

// ---- Calibration with a sound level meter ----

inline constexpr double fullscalesample = 32766.0;

// The A-weighting as four filter sections; the low-pass section only where the sampling rate
// leaves room for it.
struct taweighting {
    THPFilterSection weightfilter1;
    TRealFilterSection weightfilter2;
    TRealFilterSection weightfilter3;
    TLPFilterSection weightfilter4;
    bool hffile = false;

    // Designs the sections for fs and clears their state.
    void setup(double fs);
    double filter(double x);
};

// Pa at full scale from a reading in dB(A) and the rms of the marked stretch (1 = full
// scale). Nothing when the rms is zero or not a number.
std::optional<double> meter_factor(double level, double rms);
// The rms, relative to full scale, of 16-bit samples.
double relative_rms(const std::vector<std::int16_t>& samples);
// The overload label of step 5 for a method and factor.
std::string overload_text(std::int32_t method, double factor);

// The window's caption and the texts of its steps. channel is " LEFT" or " RIGHT".
std::string meter_channel_word(std::int32_t chno);
std::string meter_caption(std::int32_t chno, std::int32_t method);
std::string meter_button_caption(std::int32_t step);
// The instruction of a step; buttoncaption is the "Calibrate" button's, signcaption the sign
// button's, name the signature typed.
std::string meter_instruction(std::int32_t step, std::int32_t method, std::int32_t chno,
                              const std::string& name);

} // namespace gravon
