// The colour legend beside the view: the strip that shows each visible phonetogram's tint
// scale from white (legend axis low end) to the full colour (high end).
#pragma once

#include "phonetogram/pg_list.h"

#include <QPainter>

namespace gravon {

// Draws the strip into (0, 0, width, height) of the painter.
void paint_legend_strip(QPainter& p, int width, int height, const tpglist& list);

// The key under the strip: a swatch of the colour of cells without a value and its caption,
// in the painter's font, into (0, 0, width, height).
void paint_no_value_key(QPainter& p, int width, int height);

} // namespace gravon
