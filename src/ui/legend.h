// The colour legend beside the view: the strip that shows each visible phonetogram's tint
// scale from white (legend axis low end) to the full colour (high end).
#pragma once

#include "phonetogram/pg_list.h"

#include <QPainter>

namespace gravon {

// Draws the strip into (0, 0, width, height) of the painter.
void paint_legend_strip(QPainter& p, int width, int height, const tpglist& list);

} // namespace gravon
