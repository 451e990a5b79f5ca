#include "core/main_window.h"
#include "core/phonetogram_subjects.h"
#include "phonetogram/level_distance.h"
#include "settings/statistics_settings.h"

namespace gravon {

namespace {

// The phonetogram baseline b is compared with (see compared_pg). A reference group is never
// the current phonetogram, nor is a loaded phonetogram of another patient.
std::int32_t current_pg_of(const TForm1& f, std::int32_t b) {
    const std::int32_t n = std::int32_t(f.pgs.size());
    if (b < 0 || b >= n) return -1;
    const auto fits = [&](std::int32_t i) { return i != b && f.pgs[std::size_t(i)].group.empty(); };
    if (f.comparedpgoption >= 0 && f.comparedpgoption < n && f.comparedpgoption != b)
        return fits(f.comparedpgoption) ? f.comparedpgoption : -1;
    for (std::int32_t i = 0; i < n; ++i) {
        const tpg& pg = f.pgs[std::size_t(i)];
        if (!fits(i) || total_time(pg) <= 0) continue;
        if (i >= firstloadedpg && different_patients(pg.session, f.pgs[std::size_t(b)].session))
            continue;
        return i;
    }
    return -1;
}

} // namespace

std::int32_t TForm1::baseline_pg() const {
    for (std::size_t i = firstloadedpg; i < pgs.size(); ++i)
        if (pgs[i].baseline) return std::int32_t(i);
    return -1;
}

std::string TForm1::other_patient_text(std::int32_t k) const {
    if (k < firstloadedpg || k >= std::int32_t(pgs.size())) return "";
    // Before anything is recorded, the current phonetogram is the take about to be recorded.
    const std::int32_t c = current_pg_of(*this, k);
    const tsessionrecord current = c >= 0 ? pgs[std::size_t(c)].session : session();
    const tpg& pg = pgs[std::size_t(k)];
    if (!different_patients(pg.session, current)) return "";
    return pg.pgname + " is of patient " + pg.session.patient + ", " +
           (c >= 0 ? "the current phonetogram (" + pgs[std::size_t(c)].pgname + ")"
                   : "the take to be recorded") +
           " of patient " + current.patient + ".";
}

void TForm1::drop_baseline() {
    const std::int32_t b = baseline_pg();
    for (tpg& pg : pgs) pg.baseline = false;
    // No longer grey: it takes a colour of its own again.
    if (b >= 0) set_pgcolor(*this, b, distinct_pgcolor(*this, b));
}

bool TForm1::set_baseline_pg(std::int32_t k, bool on) {
    if (k < firstloadedpg || k >= std::int32_t(pgs.size())) return false;
    // A baseline is the same patient's earlier session; another's is compared only when the
    // user says so.
    if (on && !pgs[std::size_t(k)].baseline)
        if (const std::string why = other_patient_text(k);
            !why.empty() && ui.tell(question_fact("Baseline of another patient",
                                                  why + "\rCompare them all the same?",
                                                  tbuttons::yes_no)) != tanswer::yes)
            return false;
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
    return current_pg_of(*this, baseline_pg());
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

void TForm1::set_differenceview(bool on) {
    differenceview = on;
    fix_things();
    ui.request_repaint();
}

} // namespace gravon
