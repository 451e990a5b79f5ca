// Saving a recording's sound and analysis: the pieces of the SMP and signal-set layouts that
// do not depend on the main window, so that they can be checked on their own. The savers
// themselves are operations of the main window (save_smp, save_kavell, save_normalized_wav).
#pragma once

#include "base/types.h"

#include <cstdint>
#include <string>

namespace gravon {

// The full scale F that the saved audio of a channel is scaled to: the channel's peak when
// amplify is set or when the peak exceeds the nominal full scale, otherwise the nominal full
// scale. A zero full scale could not be scaled back by any reader, so a channel without a
// single non-zero sample keeps the nominal full scale, and when that is not positive either,
// 1 Pa.
double saved_audio_fullscale(double audiopeak, double audiofsd, bool amplify);

// How an analysis item (1 ... 8) is written as an SMP channel.
struct tsmpitemlayout {
    std::string name;  // e.g. "SPL 0"
    tdoublepair view;  // values at the ends of the range
    std::string unit;  // "dB", "Hz" or empty
    tdoublepair range; // sample values of the view's ends
};

// The layout of analysis item `item` (1 ... 8) of recording channel ch. hif0limit is the top
// of the F0 view. Raises ERangeError for another item.
tsmpitemlayout smp_item_layout(int item, int ch, double hif0limit);

// Whether an SMP channel of this name and unit is one of the analysis tracks (items 1 ... 8)
// that save_smp writes beside the audio: "SPL 0", "fo 1" and so on.
bool is_analysis_track_channel(const std::string& name, const std::string& unit);

// The layout of the audio (item 0): view (-F, F) in "Pa", range (-32768, 32768).
tsmpitemlayout smp_audio_layout(const std::string& name, double fullscale);

// The value an analysis frame contributes to item `item`: F0 of a rejected frame (debug
// value, the frame's rejection reasons, not 0) is 0, its H1/H2, HNR and crest level are -50,
// the floor of their views; every other value is written as measured.
double smp_item_value(int item, double value, double debug);

// The channel name of the audio of a live recording: "Audio 0 @150 mm", followed by
// " recalc. to 300 mm" when the levels are recalculated to the standard distance. Distances
// in m, shown in whole mm.
std::string smp_audio_channel_name(int ch, double actualdistance, bool recalculate,
                                   double standarddistance);

// The number of audio samples per analysis frame of the stores: audio samples divided by
// frames when there are frames, otherwise half the analysis window (downsamplingfactor);
// at least 1.
std::int32_t analysis_block_length(std::int32_t frames, std::int32_t audiosamples,
                                   std::int32_t downsamplingfactor);

// The texts of the save dialogs.
inline constexpr const char* smpdialogcaption = "Save sound and analysis as";
inline constexpr const char* smpdialogfilter =
    "Sound and analysis (*.smp)|*.smp|Signal set for Kavell (*.kavell)|*.kavell";
inline constexpr const char* kavelldialogfilter = "Signal set for Kavell (*.kavell)|*.kavell";
inline constexpr const char* wavdialogcaption = "Save normalized soundfile for listening as";
inline constexpr const char* wavdialogfilter = "Wave files (*.wav)|*.wav";

} // namespace gravon
