// Zeroed memory for stores that grow to hundreds of megabytes (the audio of a long file): the
// system hands it out page by page as it is first touched, on large pages where it has them,
// so that filling a store costs one page fault per 2 MiB instead of one per 4 KiB. Memory
// that is never touched costs nothing but address space.
#pragma once

#include <cstddef>

namespace gravon {

class tlargepagememory {
  public:
    tlargepagememory() = default;
    // At least `bytes` bytes, all zero. Raises std::bad_alloc when the system has no room.
    explicit tlargepagememory(std::size_t bytes);
    ~tlargepagememory();
    tlargepagememory(tlargepagememory&& other) noexcept;
    tlargepagememory& operator=(tlargepagememory&& other) noexcept;
    tlargepagememory(const tlargepagememory&) = delete;
    tlargepagememory& operator=(const tlargepagememory&) = delete;

    void* data() const { return fdata; }
    // The bytes asked for (the mapping itself may be larger).
    std::size_t size() const { return fsize; }
    // Backs bytes from ... to - 1 (within size) with memory now, as writing them would, but
    // leaves their contents as they are, so another thread may be writing them meanwhile.
    // Where the system cannot do that, they are backed as they are first touched, as before.
    void populate(std::size_t from, std::size_t to) const noexcept;

  private:
    void release() noexcept;

    void* fdata = nullptr;
    std::size_t fsize = 0;
    // What has to be given back: the whole mapping, which may begin before fdata.
    void* fbase = nullptr;
    std::size_t fmapped = 0;
};

} // namespace gravon
