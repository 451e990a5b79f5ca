// The reasons why the analysis rejects a frame, by name, for tables and messages.
#pragma once

#include <cstdint>
#include <string>

namespace gravon {

// The names joined by "+" ("nof0+lowhnr"); empty for an accepted frame. Unknown bits are
// given as "bits" + their value.
std::string rejection_names(std::uint16_t bits);

// Counts of the reasons over many frames, and the text "hfblock (much energy above the F0
// search band): 70 frames, nof0 (no F0 found): 39 frames" of those that occurred, most frequent
// first.
struct trejectioncounts {
    static constexpr int nreasons = 12;
    std::int32_t count[nreasons] = {};
    void add(std::uint16_t bits);
    std::string text() const;
};

} // namespace gravon
