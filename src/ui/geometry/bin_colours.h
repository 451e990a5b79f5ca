// The colour of every bin of the phonetogram view: the visible phonetograms blended from the
// last to the first (so the first lies on top), with overload, glue, enclosed holes and the
// selection applied on each. Plain data for the painter, which draws the touched bins as
// filled rectangles.
#pragma once

#include "phonetogram/display_params.h"
#include "phonetogram/pg_colors.h"
#include "phonetogram/pg_list.h"
#include "phonetogram/shown_layer.h"
#include "ui/geometry/transparency.h"

#include <cstdint>
#include <vector>

namespace gravon {

struct tbinpaint {
    tgrid<TColor> fill;   // C
    tgrid<TColor> border; // D: black where some phonetogram drew the bin
    tbinmask touched;     // some step coloured the bin: it is drawn
    // Per phonetogram, the tint of each bin's value as last computed, with the value it was
    // computed from: during a recording one bin changes per hop, so a repaint computes only
    // the tints (and their logarithms) of changed values. Dropped when the colour scale, the
    // colour or the layer changes.
    struct ttintcache {
        tgrid<double> q;
        tgrid<ttransparency> tint;
        TColor color;
        tdisplayparam scale;
        std::int32_t zparam = -1;
        std::size_t layer = 0;
    };
    std::vector<ttintcache> tints;
    // Per phonetogram: drawn over the others as a speech profile (speech_overlaid), so left
    // out of the blend.
    std::vector<std::uint8_t> overlaid;
};

// A speech profile over a voice range profile: its cells washed over with speechcolor, so
// that the profile under it shows through, and its border a line of speechoutlinecolor.
// Orange stands apart from every colour of the phonetograms' table and from the selection.
inline constexpr TColor speechcolor = {235, 120, 0};
inline constexpr TColor speechoutlinecolor = {160, 70, 0};
inline constexpr double speechwash = 0.45; // the share of speechcolor in a washed cell
// The colour of a cell of colour under with the wash over it.
TColor speech_washed(TColor under);

// log2(x) for finite x > 0 to about 1e-15 relative, without a call into the maths library:
// the bins' colours take one logarithm each, and the library call (with its change of
// instruction set) cost more than the rest of a paint. NaN for x <= 0 or NaN, +inf for +inf.
double fast_log2(double x);

// A cell that holds time but no value of the shown measure (no CPPS above its search band):
// a neutral grey that no colour scale reaches, so it never reads as a low or a high value.
inline constexpr TColor novaluecolor = {190, 190, 190};

// The colour strength of a layer value q: 0.7 for "Solid color" (zparam 0), otherwise its
// place in the display parameter's range, linear or logarithmic, not limited; NaN for a
// value that is not there.
double value_fraction(double q, const tdisplayparam& p, std::int32_t zparam);

// Fills out for the bins x = 0 ... hix, y = 0 ... hiy (limited to the grid), from binshow and
// the selection masks as they stand (binshow is the caller's to recompute first). The grids
// keep their storage from one paint to the next.
void compute_bin_paint(const tpglist& list, const tdisplayparamarr& displayparams,
                       const tstdpgparamarr& stdpgparams, std::int32_t zparam,
                       TColor selectioncolor, std::int32_t hix, std::int32_t hiy, tbinpaint& out);

} // namespace gravon
