#include "core/main_window.h"
#include "core/phonetogram_subjects.h"
#include "phonetogram/level_distance.h"
#include "settings/statistics_settings.h"

namespace gravon {

std::int32_t TForm1::baseline_pg() const {
    for (std::size_t i = firstloadedpg; i < pgs.size(); ++i)
        if (pgs[i].baseline) return std::int32_t(i);
    return -1;
}

bool TForm1::set_baseline_pg(std::int32_t k, bool on) {
    if (k < firstloadedpg || k >= std::int32_t(pgs.size())) return false;
    for (std::size_t i = 0; i < pgs.size(); ++i) pgs[i].baseline = on && std::int32_t(i) == k;
    fix_things();
    return true;
}

std::int32_t TForm1::compared_pg() const {
    const std::int32_t b = baseline_pg();
    if (b < 0) return -1;
    const std::int32_t n = std::int32_t(pgs.size());
    if (comparedpgoption >= 0 && comparedpgoption < n && comparedpgoption != b)
        return comparedpgoption;
    for (std::int32_t i = 0; i < n; ++i)
        if (i != b && total_time(pgs[std::size_t(i)]) > 0) return i;
    return -1;
}

tbaselinecomparison TForm1::comparison() const {
    const std::int32_t b = baseline_pg(), c = compared_pg();
    if (b < 0 || c < 0) return {};
    return compare_phonetograms(*this, binshow_settings(), statistics_settings(options, advanced),
                                b, c);
}

tcomparedareas TForm1::compared_areas() const {
    return gravon::compared_areas(*this, binshow_settings(), baseline_pg(), compared_pg());
}

std::vector<tcomparisonrow> TForm1::comparison_table(char decimalseparator) const {
    return comparison_rows(*this, comparison(), statistics_format(advanced, decimalseparator));
}

std::vector<std::string> TForm1::comparison_text_lines(char decimalseparator) const {
    std::vector<std::string> lines = comparison_text(comparison_table(decimalseparator));
    // Under the two names, before any number is read.
    const std::string why = distance_mismatch(*this, {baseline_pg(), compared_pg()});
    if (!lines.empty() && !why.empty())
        lines.insert(lines.begin() + std::min<std::ptrdiff_t>(3, std::ptrdiff_t(lines.size())),
                     "Warning: " + why);
    return lines;
}

std::string TForm1::distance_note() const {
    std::vector<std::int32_t> shown;
    for (std::size_t i = 0; i < pgs.size(); ++i)
        if (pgs[i].visible && total_time(pgs[i]) > 0) shown.push_back(std::int32_t(i));
    if (const std::string why = distance_mismatch(*this, shown); !why.empty()) return why;
    const std::int32_t b = baseline_pg(), c = compared_pg();
    if (b < 0 || c < 0) return "";
    return distance_mismatch(*this, {b, c});
}

bool TForm1::difference_view_shown() const {
    return differenceview && compared_pg() >= 0;
}

} // namespace gravon
