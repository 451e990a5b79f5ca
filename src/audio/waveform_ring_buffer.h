// The most recent stretch of a 16-bit signal together with a running overview of it, one
// minimum/maximum pair per display column, so that a waveform of fixed pixel width can be drawn
// without scanning the samples, and a stretch marked on it copied out.
#pragma once

#include "base/types.h"

#include <cstdint>
#include <vector>

namespace gravon {

struct tminmax {
    std::int16_t min = 0;
    std::int16_t max = 0;
};

class tRingBuffer {
  public:
    // 100 samples over 10 columns: 11 samples per column, a ring of 110.
    tRingBuffer();

    // Writing either stores it, resizes the ring and clears it. With both non-zero the ring
    // holds ratefactor × wavedisplaywidth samples, ratefactor = nsamples ÷ width + 1, so it
    // is always longer than asked; with either zero it holds nsamples and has no overview.
    std::int32_t nsamples() const { return fnsamples; }
    void setnsamples(std::int32_t value);
    std::int32_t wavedisplaywidth() const { return fwavedisplaywidth; }
    void setwavedisplaywidth(std::int32_t value);
    // Samples per display column.
    std::int32_t ratefactor() const { return fratefactor; }
    // Samples in the ring.
    std::int32_t length() const { return static_cast<std::int32_t>(buffer.size()); }

    void add_sample(std::int16_t sample);
    // The first `used` samples of arr.
    void add_wavechunk(const TWaveChunk& arr, std::int32_t used);

    // Position 0 is the newest sample, positions 1 … length − 1 run from the oldest to the
    // second newest. Positions outside the ring read 0.
    std::int16_t get_sample(std::int32_t pos) const;
    // arr gets the samples at positions pos1 … pos2; all zero when either lies outside the
    // ring, empty when pos2 < pos1.
    void get_wavechunk(TWaveChunk& arr, std::int32_t pos1, std::int32_t pos2) const;
    // The columns, oldest first: the one being filled comes last.
    std::vector<tminmax> wavedisplay() const;

    void clear_buffers();

  private:
    void resize();

    std::int32_t fnsamples = 100;
    std::int32_t fwavedisplaywidth = 10;
    std::int32_t fratefactor = 1;
    std::vector<std::int16_t> buffer;
    std::int32_t bufferpos = 0;
    std::vector<tminmax> wavedisplaybuffer;
    std::int32_t wavedisplaybufferpos = 0;
};

} // namespace gravon
