#include "base/large_page_memory.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <utility>

#if defined(__unix__) || defined(__APPLE__)
#include <sys/mman.h>
#include <unistd.h>
#elif defined(_WIN32)
#include <windows.h>
#else
#include <cstdlib>
#include <cstring>
#endif

namespace gravon {

namespace {

// The large page of x86-64 and arm64 Linux. Only blocks of at least this size are worth
// aligning to it; a smaller one would take a whole large page for a few kilobytes.
constexpr std::size_t largepage = std::size_t(2) << 20;

} // namespace

tlargepagememory::tlargepagememory(std::size_t bytes) : fsize(bytes) {
    if (bytes == 0) return;
#if defined(__unix__) || defined(__APPLE__)
    const bool large = bytes >= largepage;
    // A large block is mapped one large page longer than asked, so that it can start on a
    // large page boundary; the system only backs the pages that are touched.
    const std::size_t rounded = (bytes + largepage - 1) / largepage * largepage;
    const std::size_t length = large ? rounded + largepage : bytes;
    void* p = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    fbase = p;
    fmapped = length;
    fdata = p;
    if (large) {
        const auto at = reinterpret_cast<std::uintptr_t>(p);
        const std::uintptr_t aligned = (at + largepage - 1) / largepage * largepage;
        fdata = reinterpret_cast<void*>(aligned);
#if defined(MADV_HUGEPAGE)
        // Only a hint: without large pages the block works the same on small ones.
        madvise(fdata, rounded, MADV_HUGEPAGE);
#endif
    }
#elif defined(_WIN32)
    // Committed pages are zero and backed only once touched.
    void* p = VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (p == nullptr) throw std::bad_alloc();
    fbase = fdata = p;
    fmapped = bytes;
#else
    void* p = std::calloc(bytes, 1);
    if (p == nullptr) throw std::bad_alloc();
    fbase = fdata = p;
    fmapped = bytes;
#endif
}

tlargepagememory::~tlargepagememory() {
    release();
}

tlargepagememory::tlargepagememory(tlargepagememory&& other) noexcept
    : fdata(std::exchange(other.fdata, nullptr)), fsize(std::exchange(other.fsize, 0)),
      fbase(std::exchange(other.fbase, nullptr)), fmapped(std::exchange(other.fmapped, 0)) {}

tlargepagememory& tlargepagememory::operator=(tlargepagememory&& other) noexcept {
    if (this != &other) {
        release();
        fdata = std::exchange(other.fdata, nullptr);
        fsize = std::exchange(other.fsize, 0);
        fbase = std::exchange(other.fbase, nullptr);
        fmapped = std::exchange(other.fmapped, 0);
    }
    return *this;
}

void tlargepagememory::populate(std::size_t from, std::size_t to) const noexcept {
    to = std::min(to, fsize);
    if (fdata == nullptr || from >= to) return;
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
    // The range must begin on a page; fdata does.
    const auto page = std::size_t(sysconf(_SC_PAGESIZE));
    from = from / page * page;
    // A kernel before 5.14 refuses the advice: its pages are backed on first touch.
    madvise(static_cast<char*>(fdata) + from, to - from, MADV_POPULATE_WRITE);
#else
    (void)from;
#endif
}

void tlargepagememory::release() noexcept {
    if (fbase == nullptr) return;
#if defined(__unix__) || defined(__APPLE__)
    munmap(fbase, fmapped);
#elif defined(_WIN32)
    VirtualFree(fbase, 0, MEM_RELEASE);
#else
    std::free(fbase);
#endif
    fbase = fdata = nullptr;
    fsize = fmapped = 0;
}

} // namespace gravon
