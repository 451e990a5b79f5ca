#include "phonetogram/level_distance.h"

#include <cmath>

namespace gravon {

std::string referred_distance_text(double distance) {
    if (!(distance > 0) || !std::isfinite(distance)) return "no distance stated";
    return std::to_string(std::lround(distance * 1000.0)) + " mm";
}

bool same_referred_distance(double a, double b) {
    const bool knowna = a > 0 && std::isfinite(a), knownb = b > 0 && std::isfinite(b);
    if (!knowna || !knownb) return knowna == knownb;
    return std::lround(a * 1000.0) == std::lround(b * 1000.0);
}

std::string distance_mismatch(const tpglist& list, const std::vector<std::int32_t>& pgnos) {
    std::vector<std::int32_t> shown;
    for (std::int32_t k : pgnos)
        if (k >= 0 && std::size_t(k) < list.pgs.size()) shown.push_back(k);
    const auto pg = [&](std::int32_t k) -> const tpg& { return list.pgs[std::size_t(k)]; };
    bool same = true;
    for (std::int32_t k : shown)
        same = same && same_referred_distance(pg(k).distance, pg(shown[0]).distance);
    if (same) return "";
    std::string names;
    for (std::int32_t k : shown) {
        if (!names.empty()) names += ", ";
        names += pg(k).pgname.empty() ? "Channel " + std::to_string(k) : pg(k).pgname;
        names += ": " + referred_distance_text(pg(k).distance);
    }
    return "The levels are referred to different microphone distances (" + names +
           "), so they cannot be compared level for level: at half the distance a voice reads "
           "about 6 dB louder.";
}

} // namespace gravon
