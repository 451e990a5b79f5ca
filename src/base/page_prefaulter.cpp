#include "base/page_prefaulter.h"

#include <algorithm>
#include <system_error>

namespace gravon {

namespace {

constexpr std::size_t largepage = std::size_t(2) << 20;

} // namespace

tpageprefaulter::~tpageprefaulter() {
    stop();
}

void tpageprefaulter::start(std::span<const tlargepagememory* const> blocks) {
    stop();
    fblocks.fill(nullptr);
    std::copy_n(blocks.begin(), std::min(blocks.size(), maxblocks), fblocks.begin());
    for (auto& w : fwanted) w.store(0, std::memory_order_relaxed);
    fdone.fill(0);
    fstop.store(false, std::memory_order_relaxed);
    try {
        fthread = std::thread([this] { work(); });
    } catch (const std::system_error&) {
        // No thread to spare: the pages are backed as they are first written, as without one.
    }
}

void tpageprefaulter::stop() noexcept {
    if (!fthread.joinable()) return;
    fstop.store(true, std::memory_order_release);
    fsignal.fetch_add(1, std::memory_order_release);
    fsignal.notify_one();
    fthread.join();
}

void tpageprefaulter::ask(std::size_t k, std::size_t to) noexcept {
    if (k >= maxblocks || !running()) return;
    to = (to + largepage - 1) / largepage * largepage;
    if (to <= fwanted[k].load(std::memory_order_relaxed)) return;
    fwanted[k].store(to, std::memory_order_release);
    fsignal.fetch_add(1, std::memory_order_release);
    fsignal.notify_one();
}

void tpageprefaulter::work() noexcept {
    std::uint32_t seen = fsignal.load(std::memory_order_acquire);
    while (!fstop.load(std::memory_order_acquire)) {
        for (std::size_t k = 0; k < maxblocks; ++k) {
            const std::size_t wanted = fwanted[k].load(std::memory_order_acquire);
            // A large page at a time, so that stop need not wait for a long stretch.
            while (fblocks[k] != nullptr && fdone[k] < wanted &&
                   !fstop.load(std::memory_order_acquire)) {
                fblocks[k]->populate(fdone[k], fdone[k] + largepage);
                fdone[k] += largepage;
            }
        }
        // A signal given since `seen` was read returns at once.
        fsignal.wait(seen, std::memory_order_acquire);
        seen = fsignal.load(std::memory_order_acquire);
    }
}

} // namespace gravon
