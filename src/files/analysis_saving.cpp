// Saving sound and analysis: the SMP file with the audio and the chosen analysis tracks, the
// signal set for the sibling sound editor, and the normalised WAV for listening.
#include "files/analysis_saving.h"

#include "analysis/filter_sections.h"
#include "analysis/hop_analysis.h"
#include "base/errors.h"
#include "base/number_text.h"
#include "base/rounding.h"
#include "base/sample_conversion.h"
#include "base/text_utils.h"
#include "files/qub_file.h"
#include "files/smp_file.h"
#include "files/utf8_path.h"
#include "files/wav_file.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace gravon {

namespace fs = std::filesystem;

double saved_audio_fullscale(double audiopeak, double audiofsd, bool amplify) {
    double f = amplify || audiopeak > audiofsd ? audiopeak : audiofsd;
    if (!(f > 0) || !std::isfinite(f)) f = audiofsd;
    if (!(f > 0) || !std::isfinite(f)) f = 1.0;
    return f;
}

tsmpitemlayout smp_item_layout(int item, int ch, double hif0limit) {
    const std::string c = std::to_string(ch);
    const tdoublepair bipolar{-32768, 32768};
    const tdoublepair positive{0, 32768};
    switch (item) {
    case 1:
        return {"SPL " + c, {0, 120}, "dB", positive};
    case 2:
        return {"fo " + c, {0, hif0limit}, "Hz", positive};
    case 3:
        return {"H1H2 " + c, {-50, 50}, "dB", bipolar};
    case 4:
        return {"HNR " + c, {-50, 50}, "dB", bipolar};
    case 5:
        return {"Centroid " + c, {-10000, 10000}, "Hz", bipolar};
    case 6:
        return {"Crest " + c, {-50, 50}, "dB", bipolar};
    case 7:
        return {"Strongest partial " + c, {-32.768, 32.768}, "", bipolar};
    case 8:
        return {"Debug " + c, {0, 128}, "", positive};
    default:
        throw ERangeError("No analysis item " + std::to_string(item));
    }
}

bool is_analysis_track_channel(const std::string& name, const std::string& unit) {
    for (int ch = 0; ch < 2; ++ch)
        for (int item = 1; item <= 8; ++item) {
            const tsmpitemlayout l = smp_item_layout(item, ch, 0);
            if (l.name == name && l.unit == unit) return true;
        }
    return false;
}

tsmpitemlayout smp_audio_layout(const std::string& name, double fullscale) {
    return {name, {-fullscale, fullscale}, "Pa", {-32768, 32768}};
}

double smp_item_value(int item, double value, double debug) {
    if (debug == 0) return value;
    switch (item) {
    case 2:
        return 0;
    case 3:
    case 4:
    case 6:
        return -50;
    default:
        return value;
    }
}

std::string smp_audio_channel_name(int ch, double actualdistance, bool recalculate,
                                   double standarddistance) {
    std::string s = "Audio " + std::to_string(ch) + " @" +
                    std::to_string(roundint(actualdistance * 1000)) + " mm";
    if (recalculate)
        s += " recalc. to " + std::to_string(roundint(standarddistance * 1000)) + " mm";
    return s;
}

std::int32_t analysis_block_length(std::int32_t frames, std::int32_t audiosamples,
                                   std::int32_t downsamplingfactor) {
    const std::int32_t l = frames > 0 ? audiosamples / frames : downsamplingfactor / 2;
    return std::max<std::int32_t>(l, 1);
}

} // namespace gravon
