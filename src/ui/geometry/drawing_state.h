// What the drawing area derives from the main window's state on every refresh: the three axes
// and the keyboard as the window's instances are set up, the level-axis and distance captions,
// which parts of the legend show, and the legend's parameter stepping.
#pragma once

#include "core/main_window.h"
#include "ui/geometry/axis_model.h"
#include "ui/geometry/keyboard_model.h"

#include <string>

namespace gravon {

// The fixed settings of the window's axes: laxis (level, left of the view), faxis
// (frequency, under it) and legendaxis (the colour legend).
void setup_level_axis(TAxisModel& a);
void setup_frequency_axis(TAxisModel& a);
void setup_legend_axis(TAxisModel& a);

// The keyboard's keys from the advanced settings.
void sync_keyboard(TKeyBoardModel& kb, const TForm1& form);
// The frequency axis spans the keyboard: from half a semitone below the lowest key to half a
// semitone above the highest.
void sync_frequency_axis(TAxisModel& a, const TKeyBoardModel& kb);
// The level axis range (advanced settings lolevel ... hilevel) and its unit text.
void sync_level_axis(TAxisModel& a, const TForm1& form);
// The legend axis for the shown parameter: linear first, then its max and min, logarithmic
// only when both are > 0 and the parameter is; its text "[" + unit + "]".
void sync_legend_axis(TAxisModel& a, const TForm1& form);

// "[dB]@" + distance in mm + "mm" when every visible phonetogram has the same distance > 0,
// else "[dB]".
std::string level_axis_text(const tpglist& list);
// The caption under the view from the visible phonetograms' actual distances.
std::string distance_caption(const tpglist& list);
// The legend caption: the shown parameter's name.
std::string legend_caption(const TForm1& form);
// The legend axis and strip show with showlegend and zparam >= 1; the caption with showlegend.
bool legend_axis_shown(const TForm1& form);
bool legend_caption_shown(const TForm1& form);
// The key of the colour of cells without a value shows under the strip while a visible
// phonetogram has such a cell: a measure every cell has would only be cluttered by it.
bool no_value_key_shown(const TForm1& form);

// A click on the legend caption: the next parameter (cyclically) that is 0 or that some
// phonetogram has a layer for.
std::int32_t next_legend_param(const TForm1& form);

} // namespace gravon
