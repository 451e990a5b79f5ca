// Where the keyboard, the level and frequency axes, the phonetogram view and the legend go in
// the drawing panel, with and without the locked aspect ratio.
#pragma once

#include "ui/geometry/keyboard_model.h"

#include <cstdint>

namespace gravon {

struct tlayoutinput {
    std::int32_t width = 0; // the drawing panel
    std::int32_t height = 0;
    bool lockaspectratio = true;
    double lolevel = 40; // level axis range, dB
    double hilevel = 120;
    std::int32_t nkeys = 72;
    std::int32_t laxiswidth = 40;  // the level axis' autosized width
    std::int32_t faxisheight = 20; // the frequency axis' autosized height
    bool legendshown = true;       // the legend's column and caption
    bool legendaxisshown = true;   // its axis and colour strip
    bool novaluekeyshown = false;  // the key of cells without a value, under the strip
    std::int32_t legendaxiswidth = 40;
    std::int32_t legendstripwidth = 16;
    std::int32_t captionheight = 15; // one line of caption text
    std::int32_t captionwidth = 0;   // the widest caption line of the legend column
};

struct tviewlayout {
    trect keyboard;
    trect laxis;
    trect faxis;
    trect view;
    trect legendlabel;
    trect legendaxis;
    trect legendstrip;
    trect novaluekey; // under the strip: the colour of a cell without a value
    trect distancelabel;
};

inline constexpr std::int32_t layoutmargin = 2;

// Width over height of the keyboard-plus-view block with the locked aspect ratio: one semitone
// column 1.5 times as wide as one decibel row is high, the keyboard 1/7 as high as it is wide.
// 0 when the ranges give no ratio.
double locked_aspect_ratio(double lolevel, double hilevel, std::int32_t nkeys);

tviewlayout layout_drawing_area(const tlayoutinput& in);

// Half-size in pixels of the live point: half a semitone column plus 2.
std::int32_t blob_size(const TKeyBoardModel& kb);

} // namespace gravon
