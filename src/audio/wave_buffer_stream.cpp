#include "audio/wave_buffer_stream.h"

#include "audio/mpc_end_marker.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace gravon {

twavebufferstream::twavebufferstream()
    : tobackend(2 * mpc_maxbuffers), finished(2 * mpc_maxbuffers) {}

void twavebufferstream::setwidths(std::int32_t client, std::int32_t backend) {
    clientbytes = client;
    backendbytes = backend;
}

bool twavebufferstream::queue(twaveheader& header) {
    header.bytesrecorded = 0;
    if (!tobackend.push(&header)) return false;
    ++foutstanding;
    return true;
}

twaveheader* twavebufferstream::take_finished() {
    twaveheader* h = nullptr;
    if (!finished.pop(h)) return nullptr;
    --foutstanding;
    return h;
}

void twavebufferstream::halt() {
    // Sequentially consistent on both sides: either the backend sees `active` false, or this
    // thread sees it inside and waits.
    active.store(false);
    while (inside.load() != 0) std::this_thread::yield();
}

void twavebufferstream::resume() {
    active.store(true);
}

bool twavebufferstream::enter() {
    inside.fetch_add(1);
    if (active.load()) return true;
    leave();
    return false;
}

bool twavebufferstream::next_header() {
    if (current != nullptr) return true;
    if (!tobackend.pop(current)) return false;
    offset = 0;
    return true;
}

void twavebufferstream::finish_current() {
    current->bytesrecorded = static_cast<std::uint32_t>(offset);
    finished.push(current); // never full: it holds only headers taken from tobackend
    current = nullptr;
    offset = 0;
    if (onfinished) onfinished();
}

void twavebufferstream::capture(const std::byte* data, std::size_t len) {
    if (!enter()) return;
    const auto cb = static_cast<std::size_t>(clientbytes);
    const auto bb = static_cast<std::size_t>(backendbytes);
    // The low bytes of a wider backend sample are the ones dropped (little-endian).
    const std::size_t skip = bb - cb;
    std::size_t k = 0;
    while (k < len) {
        if (discard > 0) {
            const std::size_t n = std::min(discard, len - k);
            fdropped.fetch_add(static_cast<std::int64_t>(n), std::memory_order_relaxed);
            discard -= n;
            k += n;
            continue;
        }
        if (!next_header()) {
            // The rest is lost. If it ends inside a sample, the rest of that sample in the
            // next block is lost too, so that the next buffer starts on a sample.
            const std::size_t rest = len - k;
            fdropped.fetch_add(static_cast<std::int64_t>(rest), std::memory_order_relaxed);
            const std::size_t phase = (static_cast<std::size_t>(carrycount) + rest) % bb;
            discard = (bb - phase) % bb;
            carrycount = 0;
            break;
        }
        if (cb == bb) {
            // Same width: bytes as they come, a sample may be split between two blocks.
            const std::size_t n = std::min(len - k, current->bufferlength - offset);
            std::memcpy(current->data + offset, data + k, n);
            offset += n;
            k += n;
            if (offset >= current->bufferlength) finish_current();
            continue;
        }
        // One backend sample at a time, which may have begun in the previous block.
        carry[carrycount++] = data[k++];
        if (static_cast<std::size_t>(carrycount) < bb) continue;
        carrycount = 0;
        if (offset + cb > current->bufferlength) {
            finish_current();
            continue;
        }
        std::memcpy(current->data + offset, carry + skip, cb);
        offset += cb;
        if (offset + cb > current->bufferlength) finish_current();
    }
    leave();
}

std::size_t twavebufferstream::play(std::byte* out, std::size_t maxlen) {
    if (!enter()) return 0;
    std::size_t k = 0;
    while (k < maxlen && next_header()) {
        const std::size_t n = std::min(maxlen - k, current->bufferlength - offset);
        std::memcpy(out + k, current->data + offset, n);
        offset += n;
        k += n;
        if (offset >= current->bufferlength) finish_current();
    }
    leave();
    return k;
}

} // namespace gravon
