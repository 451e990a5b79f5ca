// The phonetogram grid: 128 semitone columns by 140 decibel rows, and a 2-D array over it.
//
// Column x is the semitone number on the scale where 69 is 440 Hz (x = 12*log2(f/440) + 69),
// row y is the sound pressure level in whole dB re 20 uPa. Cells are indexed [x][y].
#pragma once

#include "base/errors.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace gravon {

inline constexpr std::int32_t nf0bins = 128;
inline constexpr std::int32_t nlevelbins = 140;

inline constexpr bool bin_in_grid(std::int32_t x, std::int32_t y) {
    return x >= 0 && x < nf0bins && y >= 0 && y < nlevelbins;
}

// A bin position (the crosshair cursor, a fill seed).
struct tbincursor {
    std::int32_t xbin = 0;
    std::int32_t ybin = 0;
    friend bool operator==(const tbincursor&, const tbincursor&) = default;
};

// A rectangular array stored column after column, so that g[x][y] reads like the 2-D arrays
// the rest of the program is written against, while whole-grid passes stay one flat loop.
template <class T> struct tgrid {
    std::int32_t nx = 0;
    std::int32_t ny = 0;
    std::vector<T> cells;

    tgrid() = default;
    tgrid(std::int32_t nx_, std::int32_t ny_, T value = T{}) { assign(nx_, ny_, value); }

    void assign(std::int32_t nx_, std::int32_t ny_, T value = T{}) {
        if (nx_ < 0 || ny_ < 0)
            throw ERangeError("Grid size out of range: " + std::to_string(nx_) + " x " +
                              std::to_string(ny_));
        nx = nx_;
        ny = ny_;
        cells.assign(static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny), value);
    }

    std::span<T> operator[](std::int32_t x) {
        return {cells.data() + static_cast<std::size_t>(x) * static_cast<std::size_t>(ny),
                static_cast<std::size_t>(ny)};
    }
    std::span<const T> operator[](std::int32_t x) const {
        return {cells.data() + static_cast<std::size_t>(x) * static_cast<std::size_t>(ny),
                static_cast<std::size_t>(ny)};
    }

    bool inside(std::int32_t x, std::int32_t y) const {
        return x >= 0 && x < nx && y >= 0 && y < ny;
    }
    // Bounds-checked access for callers that index with untrusted numbers (file records).
    T& at(std::int32_t x, std::int32_t y) {
        if (!inside(x, y))
            throw ERangeError("Bin (" + std::to_string(x) + ", " + std::to_string(y) +
                              ") lies outside the grid");
        return (*this)[x][y];
    }
    const T& at(std::int32_t x, std::int32_t y) const { return const_cast<tgrid*>(this)->at(x, y); }

    void fill(T value) { std::fill(cells.begin(), cells.end(), value); }

    friend bool operator==(const tgrid&, const tgrid&) = default;
};

// Cell values of one parameter layer, [nf0bins][nlevelbins].
using tpgarr = tgrid<double>;
// One Boolean mask over the grid (bytes rather than vector<bool>, for plain fast passes).
using tbinmask = tgrid<std::uint8_t>;

inline tpgarr make_pgarr() {
    return tpgarr(nf0bins, nlevelbins, 0.0);
}
inline tbinmask make_binmask() {
    return tbinmask(nf0bins, nlevelbins, 0);
}

} // namespace gravon
