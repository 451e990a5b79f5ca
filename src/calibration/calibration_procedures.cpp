#include "calibration/calibration_procedures.h"

#include "base/number_text.h"
#include "base/text_utils.h"

#include <cmath>

namespace gravon {

namespace {

constexpr double pref = 2e-5; // Pa, 0 dB SPL

const char* channel_word(std::int32_t chno) {
    return chno == 0 ? "LEFT" : chno == 1 ? "RIGHT" : "";
}

std::string quoted(const std::string& s) {
    return "\"" + s + "\"";
}

} // namespace

double calibrator_factor(double overloadlimit) {
    return std::sqrt(2.0) * pref * std::pow(10.0, overloadlimit / 20.0);
}

std::optional<double> calibrator_level(const std::vector<std::int32_t>& block, std::int32_t used,
                                       std::int32_t chno, double factor, double fullscale) {
    if (used < 2) return std::nullopt;
    double sum = 0.0;
    for (std::int32_t i = chno; i < used && std::size_t(i) < block.size(); i += 2) {
        const double x = block[std::size_t(i)] * factor;
        sum += x * x;
    }
    const double meansquare = sum / (used / 2);
    if (meansquare <= 0.0) return std::nullopt;
    const double ref = fullscale * pref;
    return 10.0 * std::log10(meansquare / (ref * ref));
}

std::string calibrator_level_text(const std::optional<double>& level) {
    return level ? formatfloat("0.0", *level) + " dB" : "-";
}

std::string calibrator_caption(std::int32_t chno) {
    return chno == 0 || chno == 1
               ? "Calibrate " + std::string(channel_word(chno)) + " channel with a calibrator"
               : "Calibrate with a calibrator";
}

std::string calibrator_instruction(std::int32_t chno, double calibratorspl) {
    const std::string mic = chno == 0 || chno == 1
                                ? "the " + std::string(channel_word(chno)) + " microphone"
                                : "the microphone";
    return "Attach the calibrator to " + mic +
           " and adjust the volume control of the soundcard such that the display below reads " +
           formatfloat("0.0", calibratorspl) + " dB.";
}

std::string sign_caption(std::int32_t chno, const std::string& name) {
    if (name.empty()) return "Enter your name to calibrate";
    return "Sign && save calibration of " + std::string(channel_word(chno)) + " channel!";
}

void taweighting::setup(double fs) {
    weightfilter1.setSampFreq(fs);
    weightfilter1.setF0(20.6);
    weightfilter1.setQ(0.5);
    weightfilter2.setSampFreq(fs);
    weightfilter2.setUnityGainAtHF(true);
    weightfilter2.setFPole(107.7);
    weightfilter2.setFZero(0.01);
    weightfilter3.setSampFreq(fs);
    weightfilter3.setUnityGainAtHF(true);
    weightfilter3.setFPole(737.9);
    weightfilter3.setFZero(0.01);
    weightfilter4.setSampFreq(fs);
    weightfilter4.setF0(12194.2);
    weightfilter4.setQ(0.5);
    weightfilter2.setGain(1.0);
    weightfilter3.setGain(1.0);
    weightfilter4.setGain(1.0);
    hffile = 2.0 * 12194.2 < fs;
    // The gain that makes the chain read 0 dB at 1 kHz, with and without the low-pass.
    weightfilter1.setGain(hffile ? 1.2589046226564824 : 1.2504950225227347);
    weightfilter1.reset();
    weightfilter2.reset();
    weightfilter3.reset();
    weightfilter4.reset();
}

double taweighting::filter(double x) {
    double y = weightfilter3.filter(weightfilter2.filter(weightfilter1.filter(x)));
    if (hffile) y = weightfilter4.filter(y);
    return y;
}

std::optional<double> meter_factor(double level, double rms) {
    if (!(rms > 0.0) || !std::isfinite(rms) || !std::isfinite(level)) return std::nullopt;
    const double factor = pref * std::pow(10.0, level / 20.0) / rms;
    if (!std::isfinite(factor)) return std::nullopt;
    return factor;
}

double relative_rms(const std::vector<std::int16_t>& samples) {
    if (samples.empty()) return 0.0;
    double sum = 0.0;
    for (std::int16_t s : samples) sum += double(s) * double(s);
    return std::sqrt(sum / double(samples.size())) / fullscalesample;
}

std::string overload_text(std::int32_t method, double factor) {
    const std::string level = formatfloat("0.0", 20.0 * std::log10(factor / pref / std::sqrt(2.0)));
    switch (method) {
    case 2:
    case 3:
        return "Overload limit for a sinusoid at the microphone is " + level + " dB";
    case 4:
        return "Overload limit for a sinusoid at 30 cm is " + level + " dB";
    default:
        return "Overload limit = ? dB";
    }
}

std::string meter_channel_word(std::int32_t chno) {
    return chno == 0 ? " LEFT" : chno == 1 ? " RIGHT" : "";
}

std::string meter_caption(std::int32_t chno, std::int32_t method) {
    const std::string channel = meter_channel_word(chno);
    switch (method) {
    case 2:
        return "Calibrate" + channel + " channel with a loudspeaker and a sound level meter";
    case 3:
        return "Calibrate" + channel + " channel with voice and a sound level meter";
    default:
        return "Calibrate a HMM in " + channel + " channel with voice and a sound level meter";
    }
}

std::string meter_button_caption(std::int32_t step) {
    switch (step) {
    case 1:
        return "Calibrate!";
    case 2:
        return "Stop!";
    case 5:
        return "Done";
    default:
        return "Next";
    }
}

std::string meter_instruction(std::int32_t step, std::int32_t method, std::int32_t chno,
                              const std::string& name) {
    const std::string channel = meter_channel_word(chno);
    const std::string press = quoted(meter_button_caption(step));
    const bool voice = method == 3 || method == 4;
    switch (step) {
    case 1:
        if (method == 4)
            return "Place the" + channel +
                   " microphone close to the corner of the mouth, and the sound level meter at "
                   "precisely 300 mm from the mouth. Then press " +
                   press;
        return "Place the" + channel + " microphone close to the sound level meter, " +
               (voice ? "200-300 mm from the mouth and press "
                      : "200-300 mm from the loudspeaker and press ") +
               press;
    case 2:
        return (voice ? "Sustain a vowel, note the SPL at the sound level meter during the vowel "
                        "and then press "
                      : "Note the SPL at the sound level meter and press ") +
               press;
    case 3:
        return "Enter the SPL you read from the sound level meter and press " + press;
    case 4:
        return (voice ? "Select the vowel in the waveform below and press "
                      : "Select the calibration tone in the waveform below and press ") +
               press;
    default:
        // The button's caption escapes its ampersand; the instruction shows it plainly.
        return name.empty() ? "Enter your signature"
                            : "Press " + quoted(replaceall(sign_caption(chno, name), "&&", "&"));
    }
}

} // namespace gravon
