// The rejection set of one analysis frame. Every test that finds a frame unsuitable adds its
// reason; only a frame with an empty set is binned. The bit values are stored as the "Debug"
// analysis track, so they must never change.
#pragma once

#include <cstdint>

namespace gravon {

enum class tkillreason : std::uint16_t {
    lfblock = 1,          // much energy below the F0 search band
    hfblock = 2,          // much energy above the F0 search band
    nof0 = 4,             // no F0 found
    f0speed = 8,          // F0 changes too fast
    levelspeed = 16,      // level changes too fast
    lowhnr = 32,          // HNR below minimum
    otherlouder = 64,     // the other channel is louder
    keyboard = 128,       // keyboard tone sounding
    ratearithmetic = 256, // arithmetic failure in the rate tests
    reference = 512,      // a reference tone or vowel, not the voice
    nonfinite = 1024,     // a sample of the window is NaN or infinite
    notanalysed = 4096,   // not analysed yet
};

struct tkillpoint {
    std::uint16_t bits = 0;

    void add(tkillreason r) { bits = static_cast<std::uint16_t>(bits | std::uint16_t(r)); }
    bool has(tkillreason r) const { return (bits & std::uint16_t(r)) != 0; }
    bool empty() const { return bits == 0; }
    void clear() { bits = 0; }
    // True when the set holds exactly this one reason.
    bool only(tkillreason r) const { return bits == std::uint16_t(r); }
    std::uint16_t value() const { return bits; }

    friend bool operator==(const tkillpoint&, const tkillpoint&) = default;
};

} // namespace gravon
