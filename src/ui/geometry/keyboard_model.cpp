#include "ui/geometry/keyboard_model.h"

#include "base/pitch.h"
#include "base/rounding.h"

#include <algorithm>

namespace gravon {

void TKeyBoardModel::setLoKey(std::int32_t v) {
    flokey = v;
    fkeydown.fill(false);
    if (onchange) onchange();
}

void TKeyBoardModel::setnKeys(std::int32_t v) {
    fnkeys = std::clamp(v, 1, maxkeys);
    fkeydown.fill(false);
    if (onchange) onchange();
}

void TKeyBoardModel::setSize(std::int32_t width, std::int32_t height) {
    fwidth = std::max(width, 1);
    fheight = std::max(height, 1);
}

std::int32_t TKeyBoardModel::midi_to_pixel(double m) const {
    return roundint((m - flokey + 0.5) * fwidth / fnkeys);
}

trect TKeyBoardModel::keyrect(std::int32_t k) const {
    trect r;
    r.left = roundint(double(k) / fnkeys * (fwidth - 1));
    r.right = roundint(double(k + 1) / fnkeys * (fwidth - 1)) + 1;
    r.top = 0;
    r.bottom = roundint(0.66 * fheight);
    return r;
}

std::int32_t TKeyBoardModel::pixel_to_midi(std::int32_t x, std::int32_t y) const {
    const std::int64_t xn = std::int64_t(x) * fnkeys;
    std::int32_t m = std::int32_t(xn / fwidth) + flokey;
    if (isblackkey(m) && y > 0.65 * fheight) {
        const double f = double(xn % fwidth) / fwidth;
        m += f < 0.5 ? -1 : 1;
    }
    return m;
}

bool TKeyBoardModel::set_keydown(std::int32_t m, bool b) {
    if (m < flokey || m > get_hikey()) return false;
    bool& flag = fkeydown[std::size_t(m - flokey)];
    if (flag == b) return false;
    flag = b;
    if (ShowKeyPress && onchange) onchange();
    return true;
}

bool TKeyBoardModel::keydown(std::int32_t m) const {
    if (m < flokey || m > get_hikey()) return false;
    return fkeydown[std::size_t(m - flokey)];
}

void TKeyBoardModel::mouse_press_left(std::int32_t x, std::int32_t y) {
    set_keydown(flastmidi, false);
    flastmidi = pixel_to_midi(x, y);
    set_keydown(flastmidi, true);
    if (OnNoteOn) OnNoteOn(flastmidi);
}

void TKeyBoardModel::mouse_move(std::int32_t x, std::int32_t y, bool leftheld,
                                bool anybuttonormodifier) {
    const std::int32_t m = pixel_to_midi(x, y);
    if (leftheld) {
        if (m != flastmidi) {
            set_keydown(flastmidi, false);
            flastmidi = m;
            set_keydown(m, true);
            if (OnNoteOn) OnNoteOn(m);
        }
    } else if (m != lastmovemidi) {
        lastmovemidi = m;
        if (!anybuttonormodifier && OnMoveOver) OnMoveOver(m);
    }
}

void TKeyBoardModel::mouse_release_left() {
    set_keydown(flastmidi, false);
    if (OnNoteOff) OnNoteOff(flastmidi);
}

} // namespace gravon
