// Backs a writer's large page memory ahead of it on a thread of its own. The system backs such
// memory as it is first written, zeroing (and on a fragmented machine first compacting) 2 MiB
// at a time; a writer that must keep pace with a sound card would stall for milliseconds at
// each new page. The writer says how far it will soon write, and the pages up to there are
// backed meanwhile on the other thread.
#pragma once

#include "base/large_page_memory.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <thread>

namespace gravon {

class tpageprefaulter {
  public:
    static constexpr std::size_t maxblocks = 2;

    tpageprefaulter() = default;
    ~tpageprefaulter();
    tpageprefaulter(const tpageprefaulter&) = delete;
    tpageprefaulter& operator=(const tpageprefaulter&) = delete;

    // Starts backing the blocks (at most maxblocks of them, the rest are left alone), none of
    // which may move or be released until stop. A running prefaulter is stopped first; where
    // no thread can be started, nothing runs.
    void start(std::span<const tlargepagememory* const> blocks);
    // Returns once the thread has ended; nothing is asked of the blocks any more.
    void stop() noexcept;
    bool running() const { return fthread.joinable(); }
    // Block k is soon written up to byte `to`. Returns at once and allocates nothing, so that
    // a buffer handler may call it; the thread is woken once per large page.
    void ask(std::size_t k, std::size_t to) noexcept;

  private:
    void work() noexcept;

    std::array<const tlargepagememory*, maxblocks> fblocks{};
    // Up to where each block is wanted, in whole large pages; written by the asking thread.
    std::array<std::atomic<std::size_t>, maxblocks> fwanted{};
    // Up to where each block is backed; the thread's own.
    std::array<std::size_t, maxblocks> fdone{};
    std::atomic<std::uint32_t> fsignal{0};
    std::atomic<bool> fstop{false};
    std::thread fthread;
};

} // namespace gravon
