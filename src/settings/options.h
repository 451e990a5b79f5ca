// The options: the user's preferences for what the phonetogram view shows, which area
// statistics are listed, the target positions, the keyboard tone and the masking noise.
//
// The struct holds the values only; redrawing after a change is up to the owner. Two option
// values live elsewhere: the visibility of the two recording phonetograms in the phonetogram
// records (defaults in `defaultpgvisible`) and the font of the axes in the user interface.
#pragma once

#include "base/types.h"
#include "phonetogram/statistics_rows.h"
#include "phonetogram/target.h"
#include "settings/advanced_settings.h"
#include "settings/guided_settings.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

// Default visibility of phonetograms 0 (left) and 1 (right).
inline constexpr std::array<bool, 2> defaultpgvisible = {true, false};

// The percentiles whose values the area statistics can list.
tdoublearr default_percentiles();

// A default-constructed value holds the defaults. The show flags of the area statistics and
// the targets are inherited; the flags have one entry per percentile and one per display
// parameter.
struct toptions : tstatisticsrows, ttargetsettings {
    toptions() : tstatisticsrows{}, ttargetsettings{} {
        showf0percentile.assign(percentile.size(), false);
        showSPLpercentile.assign(percentile.size(), false);
        showstatsparam.assign(ndefaultdisplayparams, false);
    }

    // Keyboard tone.
    bool voicelike = true;
    std::int32_t keyboardnpartials = 30;
    double keyboardslope = -6.0;  // dB/octave
    double keyboardlevel = -20.0; // dB
    // Masking noise. The spectrum is reset with the advanced settings.
    std::int32_t noisespectrum = 0; // 0 "Pink", 1 "White noise lowpassed (-6dB/oct) at 2 kHz"
    double noiselevel = -20.0;      // dB
    bool softnoiseonset = true;
    // Phonetogram view.
    bool lockaspectratio = true;
    bool showlegend = true;
    bool showblackborder = false;
    bool showoutline = true;
    std::array<bool, 2> showblob = {true, false};
    std::array<bool, 2> showspectrum = {false, false};
    std::array<bool, 2> shownoise = {false, false};
    // A reference group is outlined at 50 % of its members and at this share too (percent).
    std::int32_t groupshare = 90;
    // The clinician of the last session details, offered again at the next start.
    std::string clinician;
    // The text a speech take is read from, shown large while it records; the user picks or
    // types it with the session details. Empty: the first of the program's passages.
    std::string readingpassage;
    // The guided profile's settings of the last guided take, which its dialog offers again.
    tguidedsettings guided;
    // Set once; not an editable option. The two flag lists have one entry per percentile.
    tdoublearr percentile = default_percentiles();

    // Index of the display parameter shown as darkness.
    std::int32_t zparam() const { return fzparam; }
    // Stores v clamped to 0 .. ndisplayparams - 1 (0 when there is no display parameter, so
    // the index is never negative; users must still check it against the list).
    void setzparam(std::int32_t v, std::int32_t ndisplayparams) {
        std::int32_t hi = ndisplayparams > 0 ? ndisplayparams - 1 : 0;
        fzparam = v < 0 ? 0 : (v > hi ? hi : v);
    }

  private:
    std::int32_t fzparam = 1;
};

// Assigns every default, sizing the per-parameter list and clamping zparam for a list of
// ndisplayparams display parameters. The noise spectrum and the percentiles are left as they
// are.
void set_options_to_default(toptions& o, std::int32_t ndisplayparams);

} // namespace gravon
