#include "synth/synth_random.h"

#include <cmath>
#include <numbers>

namespace gravon::synth {

namespace {
std::uint64_t mix(std::uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}
} // namespace

TSynthRandom::TSynthRandom(std::uint64_t seed, std::uint64_t stream)
    : state_(mix(seed ^ mix(stream * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull))) {}

std::uint64_t TSynthRandom::next() {
    state_ += 0x9E3779B97F4A7C15ull;
    return mix(state_);
}

double TSynthRandom::uniform() {
    return static_cast<double>(next() >> 11) * 0x1.0p-53;
}

double TSynthRandom::gauss() {
    if (hasspare_) {
        hasspare_ = false;
        return spare_;
    }
    double u = 0;
    while (u <= 0) u = uniform();
    const double v = uniform();
    const double r = std::sqrt(-2.0 * std::log(u));
    const double a = 2.0 * std::numbers::pi * v;
    spare_ = r * std::sin(a);
    hasspare_ = true;
    return r * std::cos(a);
}

double TSynthRandom::noise() {
    // Four uniforms in [0,1) have mean 2 and variance 4/12; rescale to unit variance.
    const double s = uniform() + uniform() + uniform() + uniform();
    return (s - 2.0) * std::numbers::sqrt3;
}

} // namespace gravon::synth
