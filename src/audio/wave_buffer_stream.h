// The buffers a client has queued at a device, as the sound backend's own thread sees them: a
// capture stream fills them in order from whatever byte blocks the backend delivers, a playback
// stream empties them in order into the blocks the backend asks for. Headers go to the backend
// and come back through two single-producer single-consumer queues, so neither thread waits
// for the other; the client's thread takes finished headers with take_finished.
//
// The backend may carry samples wider than the client's (24-bit samples travel as 32-bit
// ones, the top three bytes being kept).
#pragma once

#include "audio/spsc_queue.h"
#include "audio/wave_services.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace gravon {

class twavebufferstream {
  public:
    // Room for more headers than a recorder or player ever queues.
    twavebufferstream();
    twavebufferstream(const twavebufferstream&) = delete;
    twavebufferstream& operator=(const twavebufferstream&) = delete;

    // Client thread, while the backend is halted.
    // Bytes per sample in the client's buffers and in the backend's blocks: 2 and 2, or 3 and 4.
    void setwidths(std::int32_t clientbytes, std::int32_t backendbytes);
    // Called on the backend thread each time a header is finished; set while halted.
    std::function<void()> onfinished;

    // Client thread.
    // Queues a header; false when the stream is full.
    bool queue(twaveheader& header);
    // The next finished header, in queueing order; nullptr when none is.
    twaveheader* take_finished();
    // Headers queued and not yet taken back.
    std::int32_t outstanding() const { return foutstanding; }
    // From now on the backend's calls do nothing; waits for one in progress to end.
    void halt();
    // The backend may work again.
    void resume();
    // After halt: every header not finished, in order, the one in progress first (a capture
    // header keeps the bytes it has got), then finished ones not yet taken are left for
    // take_finished.
    template <class F> void take_unfinished(F&& each) {
        if (current != nullptr) {
            twaveheader* h = current;
            h->bytesrecorded = static_cast<std::uint32_t>(offset);
            current = nullptr;
            --foutstanding;
            each(*h);
        }
        twaveheader* h = nullptr;
        while (tobackend.pop(h)) {
            --foutstanding;
            each(*h);
        }
        offset = 0;
        carrycount = 0;
        discard = 0;
    }

    // Backend thread.
    // Takes `len` bytes of captured samples; bytes for which no header is queued are dropped.
    void capture(const std::byte* data, std::size_t len);
    // Gives up to `maxlen` bytes of queued samples; returns how many (0 when none is queued).
    std::size_t play(std::byte* out, std::size_t maxlen);
    // Captured bytes that found no queued header.
    std::int64_t droppedbytes() const { return fdropped.load(std::memory_order_relaxed); }

  private:
    bool enter();
    void leave() { inside.fetch_sub(1); }
    bool next_header();
    void finish_current();

    tspscqueue<twaveheader*> tobackend;
    tspscqueue<twaveheader*> finished;
    std::int32_t foutstanding = 0; // client thread only
    std::atomic<bool> active{true};
    std::atomic<std::int32_t> inside{0};
    std::atomic<std::int64_t> fdropped{0};
    std::int32_t clientbytes = 2;
    std::int32_t backendbytes = 2;
    // Backend thread only (and the client's while halted).
    twaveheader* current = nullptr;
    std::size_t offset = 0; // bytes of current filled or played
    std::byte carry[4] = {};
    std::int32_t carrycount = 0; // bytes of a backend sample split between two blocks
    std::size_t discard = 0;     // bytes left of a sample whose start found no buffer
};

} // namespace gravon
