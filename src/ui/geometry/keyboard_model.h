// The piano keyboard above the phonetogram without any drawing: one slot of equal width per
// semitone, so that slot k lines up with phonetogram column LoKey + k; the key under a point;
// the pressed keys; and what a press, slide and release of the mouse raise.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

namespace gravon {

// A rectangle in pixels: left and top inside, right and bottom just outside.
struct trect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    std::int32_t width() const { return right - left; }
    std::int32_t height() const { return bottom - top; }
    bool contains(std::int32_t x, std::int32_t y) const {
        return x >= left && x < right && y >= top && y < bottom;
    }
    friend bool operator==(const trect&, const trect&) = default;
};

inline constexpr std::int32_t maxkeys = 256;

class TKeyBoardModel {
  public:
    std::int32_t LoKey() const { return flokey; }
    std::int32_t nKeys() const { return fnkeys; }
    // Stores the value and releases every key.
    void setLoKey(std::int32_t v);
    // Stores v limited to 1 ... 256 (a settings file may give a highest key below the lowest)
    // and releases every key.
    void setnKeys(std::int32_t v);
    bool ShowKeyPress = true;
    bool ShowKeyHole = false;
    std::int32_t Width() const { return fwidth; }
    std::int32_t Height() const { return fheight; }
    // A zero size is kept at one pixel, as the mappings divide by the width.
    void setSize(std::int32_t width, std::int32_t height);

    std::int32_t get_hikey() const { return flokey + fnkeys - 1; }
    // Centre pixel of key m's slot; m - 0.5 gives the slot's left border.
    std::int32_t midi_to_pixel(double m) const;
    trect keyrect(std::int32_t k) const;
    std::int32_t pixel_to_midi(std::int32_t x, std::int32_t y) const;
    // Returns whether the flag changed (the widget repaints when ShowKeyPress is set).
    bool set_keydown(std::int32_t m, bool b);
    bool keydown(std::int32_t m) const;
    // A key marked as the note the patient is asked for (a guided profile's step); -1 none.
    // The mark stays while the key goes up and down with the prompt tone.
    std::int32_t target() const { return ftarget; }
    void set_target(std::int32_t m) {
        if (m == ftarget) return;
        ftarget = m;
        if (onchange) onchange();
    }

    // ---- Mouse ----
    void mouse_press_left(std::int32_t x, std::int32_t y);
    void mouse_move(std::int32_t x, std::int32_t y, bool leftheld, bool anybuttonormodifier);
    void mouse_release_left();

    std::function<void(std::int32_t)> OnNoteOn;
    std::function<void(std::int32_t)> OnNoteOff;
    std::function<void(std::int32_t)> OnMoveOver;
    // The look changed: the widget repaints.
    std::function<void()> onchange;

  private:
    std::int32_t flokey = 36;
    std::int32_t fnkeys = 24;
    std::array<bool, maxkeys> fkeydown{};
    std::int32_t fwidth = 200;
    std::int32_t fheight = 40;
    std::int32_t flastmidi = 0;
    std::int32_t lastmovemidi = 0;
    std::int32_t ftarget = -1;
};

} // namespace gravon
