#include "analysis/rejection_reasons.h"

#include "analysis/kill_point.h"

#include <algorithm>
#include <array>
#include <numeric>

namespace gravon {

namespace {

struct treason {
    tkillreason bit;
    const char* name;
    const char* meaning;
};

constexpr std::array<treason, trejectioncounts::nreasons> reasons = {{
    {tkillreason::lfblock, "lfblock", "much energy below the F0 search band"},
    {tkillreason::hfblock, "hfblock", "much energy above the F0 search band"},
    {tkillreason::nof0, "nof0", "no F0 found"},
    {tkillreason::f0speed, "f0speed", "F0 changes too fast"},
    {tkillreason::levelspeed, "levelspeed", "level changes too fast"},
    {tkillreason::lowhnr, "lowhnr", "harmonic-to-noise ratio too low"},
    {tkillreason::otherlouder, "otherlouder", "the other channel is louder"},
    {tkillreason::keyboard, "keyboard", "a keyboard tone sounded"},
    {tkillreason::ratearithmetic, "ratearithmetic", "arithmetic failure in the rate tests"},
    {tkillreason::reference, "reference", "a reference tone or vowel, not the voice"},
    {tkillreason::nonfinite, "nonfinite", "a sample is not a number or infinite"},
    {tkillreason::notanalysed, "notanalysed", "not analysed yet"},
}};

} // namespace

std::string rejection_names(std::uint16_t bits) {
    std::string s;
    std::uint16_t known = 0;
    for (const treason& r : reasons) {
        known = std::uint16_t(known | std::uint16_t(r.bit));
        if ((bits & std::uint16_t(r.bit)) == 0) continue;
        if (!s.empty()) s += '+';
        s += r.name;
    }
    if ((bits & ~known) != 0) s += (s.empty() ? "bits" : "+bits") + std::to_string(bits & ~known);
    return s;
}

void trejectioncounts::add(std::uint16_t bits) {
    for (int i = 0; i < nreasons; ++i)
        if (bits & std::uint16_t(reasons[std::size_t(i)].bit)) ++count[i];
}

std::string trejectioncounts::text() const {
    std::array<int, nreasons> order{};
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return count[a] > count[b]; });
    std::string s;
    for (int i : order) {
        if (count[i] == 0) break;
        if (!s.empty()) s += ", ";
        s += std::string(reasons[std::size_t(i)].name) + " (" + reasons[std::size_t(i)].meaning +
             "): " + std::to_string(count[i]) + (count[i] == 1 ? " frame" : " frames");
    }
    return s;
}

} // namespace gravon
