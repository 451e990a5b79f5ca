#include "base/random.h"

#include <chrono>

namespace gravon {

namespace {
std::uint32_t g_randseed = 0; // the one shared generator state
}

double Random() {
    g_randseed = g_randseed * 134775813u + 1u;
    return static_cast<double>(g_randseed) * (1.0 / 4294967296.0);
}

void Randomize() {
    auto t = std::chrono::system_clock::now().time_since_epoch().count();
    g_randseed = static_cast<std::uint32_t>(t ^ (t >> 32));
}

void RandSeed(std::uint32_t seed) { g_randseed = seed; }
std::uint32_t RandSeedValue() { return g_randseed; }

} // namespace gravon
