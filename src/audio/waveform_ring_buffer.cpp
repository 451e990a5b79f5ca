#include "audio/waveform_ring_buffer.h"

#include <algorithm>

namespace gravon {

tRingBuffer::tRingBuffer() {
    resize();
}

void tRingBuffer::setnsamples(std::int32_t value) {
    fnsamples = std::max(value, 0);
    resize();
}

void tRingBuffer::setwavedisplaywidth(std::int32_t value) {
    fwavedisplaywidth = std::max(value, 0);
    resize();
}

void tRingBuffer::resize() {
    std::int32_t length = fnsamples;
    if (fnsamples != 0 && fwavedisplaywidth != 0) {
        fratefactor = fnsamples / fwavedisplaywidth + 1;
        length = fratefactor * fwavedisplaywidth;
    }
    buffer.resize(static_cast<std::size_t>(length));
    // Without a width there are no columns to keep up to date.
    wavedisplaybuffer.resize(static_cast<std::size_t>(fwavedisplaywidth));
    clear_buffers();
}

void tRingBuffer::clear_buffers() {
    std::fill(buffer.begin(), buffer.end(), std::int16_t{0});
    std::fill(wavedisplaybuffer.begin(), wavedisplaybuffer.end(), tminmax{});
    bufferpos = 0;
    wavedisplaybufferpos = 0;
}

void tRingBuffer::add_sample(std::int16_t sample) {
    if (buffer.empty()) return;
    if (++bufferpos >= length()) bufferpos = 0;
    buffer[static_cast<std::size_t>(bufferpos)] = sample;
    if (wavedisplaybuffer.empty()) return;
    const std::int32_t c = bufferpos / fratefactor;
    tminmax& column = wavedisplaybuffer[static_cast<std::size_t>(c)];
    if (c != wavedisplaybufferpos) column = tminmax{32767, -32768};
    wavedisplaybufferpos = c;
    column.max = std::max(column.max, sample);
    column.min = std::min(column.min, sample);
}

void tRingBuffer::add_wavechunk(const TWaveChunk& arr, std::int32_t used) {
    if (buffer.empty()) return;
    const auto n = std::min(static_cast<std::size_t>(std::max(used, 0)), arr.size());
    for (std::size_t k = 0; k < n; ++k) add_sample(arr[k]);
}

std::int16_t tRingBuffer::get_sample(std::int32_t pos) const {
    const std::int32_t l = length();
    if (pos < 0 || pos >= l) return 0;
    std::int32_t i = bufferpos + pos;
    if (i >= l) i -= l;
    return buffer[static_cast<std::size_t>(i)];
}

void tRingBuffer::get_wavechunk(TWaveChunk& arr, std::int32_t pos1, std::int32_t pos2) const {
    if (pos2 < pos1) {
        arr.clear();
        return;
    }
    arr.resize(static_cast<std::size_t>(std::int64_t{pos2} - pos1 + 1));
    const std::int32_t l = length();
    if (pos1 < 0 || pos2 >= l) {
        std::fill(arr.begin(), arr.end(), std::int16_t{0});
        return;
    }
    std::int32_t i = bufferpos + pos1;
    if (i >= l) i -= l;
    for (auto& s : arr) {
        s = buffer[static_cast<std::size_t>(i)];
        if (++i >= l) i = 0;
    }
}

std::vector<tminmax> tRingBuffer::wavedisplay() const {
    const std::size_t w = wavedisplaybuffer.size();
    std::vector<tminmax> out(w);
    for (std::size_t k = 0; k < w; ++k)
        out[k] = wavedisplaybuffer[(static_cast<std::size_t>(wavedisplaybufferpos) + 1 + k) % w];
    return out;
}

} // namespace gravon
