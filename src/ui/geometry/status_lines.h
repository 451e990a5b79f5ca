// The contents of the status panel under the phonetogram view: one line of live readings per
// channel in use, with its lamp, and the line with the recorded time and the readings of the
// bin under the crosshair. The painter only draws what this gives.
#pragma once

#include "core/main_window.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

struct tstatustext {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::string text;
    TColor color;
    // Right-aligned at the panel's right edge less 2 pixels (x is then unused).
    bool rightaligned = false;
};

struct tstatuslamp {
    std::int32_t y = 0;
    TColor fill;
    bool cross = false;
    TColor crosscolor;
};

struct tstatuspanel {
    std::vector<tstatuslamp> lamps;
    std::vector<tstatustext> texts;
};

inline constexpr std::int32_t statuslineheight = 18;
inline constexpr TColor statusred = {255, 0, 0};
inline constexpr TColor statusblack = {0, 0, 0};
inline constexpr TColor lampunmeasured = {192, 192, 192};
inline constexpr TColor crossgrey = {128, 128, 128};

// Which lines the panel has: channel c when (recording and its live point is shown) or its
// phonetogram is visible or its spectrum or noise floor is shown; the time line always.
std::array<bool, 3> status_lines_shown(const TForm1& form);
// 18 pixels per line.
std::int32_t status_panel_height(const TForm1& form);

// Everything the panel draws, top to bottom. Recomputes which bins are shown when the
// crosshair is on.
tstatuspanel status_panel_content(TForm1& form);

} // namespace gravon
