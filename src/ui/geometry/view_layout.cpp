#include "ui/geometry/view_layout.h"

#include "base/rounding.h"

#include <algorithm>
#include <cmath>

namespace gravon {

double locked_aspect_ratio(double lolevel, double hilevel, std::int32_t nkeys) {
    if (nkeys < 1) return 0;
    const double r = 1.0 / ((hilevel - lolevel - 1) / (1.5 * nkeys) + 1.0 / 7);
    return std::isfinite(r) && r > 0 ? r : 0;
}

tviewlayout layout_drawing_area(const tlayoutinput& in) {
    tviewlayout l;
    const std::int32_t nkeys = std::max(in.nkeys, 1);
    const std::int32_t legendcol =
        in.legendshown
            ? std::max(in.legendaxiswidth + in.legendstripwidth, in.captionwidth) + 2 * layoutmargin
            : 0;
    const std::int32_t left = layoutmargin + in.laxiswidth;
    const std::int32_t top = layoutmargin;
    const std::int32_t aw = std::max(in.width - layoutmargin - legendcol - left, 2);
    const std::int32_t ah = std::max(in.height - layoutmargin - in.faxisheight - top, 2);

    std::int32_t bw = aw, bh = ah, bx = left, by = top;
    const double r = in.lockaspectratio ? locked_aspect_ratio(in.lolevel, in.hilevel, nkeys) : 0;
    if (r > 0) {
        if (aw > ah * r) {
            bw = std::clamp(roundint(ah * r), 2, aw);
        } else {
            bh = std::clamp(roundint(aw / r), 2, ah);
        }
        bx = left + (aw - bw) / 2;
        by = top + (ah - bh) / 2;
    }
    const std::int32_t kbh = std::clamp(roundint(double(bw) * 7 / nkeys), 1, bh - 1);

    l.keyboard = {bx, by, bx + bw, by + kbh};
    l.view = {bx, by + kbh, bx + bw, by + bh};
    l.laxis = {bx - in.laxiswidth, l.view.top, bx, l.view.bottom};
    l.faxis = {bx, l.view.bottom, bx + bw, l.view.bottom + in.faxisheight};
    if (in.legendshown) {
        const std::int32_t cx = l.view.right + layoutmargin;
        const std::int32_t cw = legendcol - layoutmargin;
        l.legendlabel = {cx, l.view.top, cx + cw, l.view.top + in.captionheight};
        if (in.legendaxisshown) {
            const std::int32_t at = l.legendlabel.bottom + layoutmargin;
            const std::int32_t ab = at + std::max(l.view.height() / 2, 2);
            l.legendaxis = {cx, at, cx + in.legendaxiswidth, ab};
            l.legendstrip = {l.legendaxis.right, at, l.legendaxis.right + in.legendstripwidth, ab};
            if (in.novaluekeyshown) {
                const std::int32_t kt = ab + layoutmargin;
                l.novaluekey = {cx, kt, cx + cw, kt + in.captionheight};
            }
        }
        const std::int32_t dt =
            (in.legendaxisshown ? (in.novaluekeyshown ? l.novaluekey.bottom : l.legendaxis.bottom)
                                : l.legendlabel.bottom) +
            2 * layoutmargin;
        l.distancelabel = {cx, dt, cx + cw, dt + 2 * in.captionheight};
    } else {
        // The distance caption then sits under the level axis' unit, left of the frequency axis.
        l.distancelabel = {layoutmargin, l.faxis.top, bx, l.faxis.top + 2 * in.captionheight};
    }
    return l;
}

std::int32_t blob_size(const TKeyBoardModel& kb) {
    return (kb.midi_to_pixel(40) - kb.midi_to_pixel(39)) / 2 + 2;
}

} // namespace gravon
