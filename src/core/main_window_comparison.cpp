#include "core/main_window.h"
#include "core/phonetogram_subjects.h"
#include "settings/statistics_settings.h"

namespace gravon {

std::int32_t TForm1::baseline_pg() const {
    for (std::size_t i = firstloadedpg; i < pgs.size(); ++i)
        if (pgs[i].baseline) return std::int32_t(i);
    return -1;
}

bool TForm1::set_baseline_pg(std::int32_t k, bool on) {
    if (k < firstloadedpg || k >= std::int32_t(pgs.size())) return false;
    // The baseline is drawn in grey, so that the take compared with it stands out; one that
    // is no longer the baseline takes a colour of its own again.
    const std::int32_t before = baseline_pg();
    for (std::size_t i = 0; i < pgs.size(); ++i) pgs[i].baseline = on && std::int32_t(i) == k;
    if (before >= 0 && (before != k || !on))
        set_pgcolor(*this, before, distinct_pgcolor(*this, before));
    if (on && std::int32_t(pgcolor.size()) > baselinecolorindex)
        set_pgcolor(*this, k, baselinecolorindex);
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
    return comparison_text(comparison_table(decimalseparator));
}

bool TForm1::difference_view_shown() const {
    return differenceview && compared_pg() >= 0;
}

} // namespace gravon
