#include "base/random.h"

#include <chrono>

namespace gravon {

namespace {
// The state of the calling thread's sequence; a new thread starts from 0, as the program
// does.
thread_local std::uint32_t t_randseed = 0;
} // namespace

double Random() {
    t_randseed = t_randseed * 134775813u + 1u;
    return static_cast<double>(t_randseed) * (1.0 / 4294967296.0);
}

void Randomize() {
    auto t = std::chrono::system_clock::now().time_since_epoch().count();
    t_randseed = static_cast<std::uint32_t>(t ^ (t >> 32));
}

void RandSeed(std::uint32_t seed) { t_randseed = seed; }
std::uint32_t RandSeedValue() { return t_randseed; }

} // namespace gravon
