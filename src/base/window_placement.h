// Keeping a window reachable on the desktop, as a pure computation on rectangles.
#pragma once

#include <cstdint>

namespace gravon {

// The desktop's work area, in pixels.
struct tscreenrect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

// Position and size of a window, in pixels.
struct twindowplace {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Moves a window that lies (nearly) outside the desktop back so that a grip of it can be
// reached: at least 50 pixels from the right and 100 from the bottom edge, its bottom no
// higher than 50 pixels below the top, 100 pixels of it right of the left edge. The rules
// apply in this order; a window already reachable is returned unchanged.
inline twindowplace keep_on_screen(twindowplace w, const tscreenrect& r) {
    // 64-bit sums, so that absurd stored positions cannot overflow.
    if (w.left > std::int64_t(r.right) - 50) w.left = std::int32_t(std::int64_t(r.right) - 50);
    if (w.top > std::int64_t(r.bottom) - 100) w.top = std::int32_t(std::int64_t(r.bottom) - 100);
    if (std::int64_t(w.top) + w.height < std::int64_t(r.top) + 50) w.top = r.top;
    if (std::int64_t(w.left) + w.width < std::int64_t(r.left) + 100)
        w.left = std::int32_t(std::int64_t(r.left) - w.width + 100);
    return w;
}

} // namespace gravon
