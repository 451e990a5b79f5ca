#include "phonetogram/phonetogram_comparison.h"

#include "base/pitch.h"
#include "base/shown_number_text.h"
#include "phonetogram/area_selection.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace gravon {

namespace {

// The softest level of column x of an area: the lowest level the area statistics find when
// the column alone is selected; none when the column holds no cell of the area.
bool softest_level(const tpg& pg, const tbinmask& area, std::int32_t x,
                   const tstatisticssettings& settings, tbinmask& column, double& level) {
    column.fill(0);
    bool any = false;
    for (std::int32_t y = 0; y < nlevelbins; ++y)
        if (area[x][y]) column[x][y] = 1, any = true;
    if (!any) return false;
    tstatistics st;
    compute_area_statistics(st, pg, column, settings);
    level = st.minspl;
    return true;
}

} // namespace

std::string session_title(const tpg& pg) {
    const tsessionrecord& r = pg.session;
    std::vector<std::string> parts;
    if (!r.patient.empty()) parts.push_back("Patient " + r.patient);
    if (!r.name.empty()) parts.push_back(r.name);
    // The session's own date; else the start of the take the phonetogram was made from.
    const std::string date = shown_date(r.date.empty() ? pg.datestr : r.date);
    if (!date.empty() && date != "-") parts.push_back(date);
    if (!r.task.empty()) parts.push_back(r.task);
    std::string t;
    for (const std::string& p : parts) t += (t.empty() ? "" : ", ") + p;
    if (pg.pgname.empty()) return t;
    return t.empty() ? pg.pgname : t + " (" + pg.pgname + ")";
}

tcomparedareas compared_areas(const tpglist& list, const tbinshowsettings& show,
                              std::int32_t baselinepg, std::int32_t currentpg) {
    const std::int32_t n = std::int32_t(list.pgs.size());
    if (baselinepg < 0 || currentpg < 0 || baselinepg >= n || currentpg >= n)
        return {make_binmask(), make_binmask()};
    // The two alone, shown, with the cells the user glued: the entire area of each is then
    // what "Select entire area" takes, while the window's own selection stays untouched. Which
    // cells are shown depends on the time alone, so the copies need no other layer.
    tpglist two;
    two.pgs.resize(2);
    resize_binmasks(two.masks, 2);
    for (std::size_t k = 0; k < 2; ++k) {
        const std::size_t from = std::size_t(k == 0 ? baselinepg : currentpg);
        const tpg& pg = list.pgs[from];
        two.pgs[k].param.assign(pg.param.begin(),
                                pg.param.begin() +
                                    std::ptrdiff_t(std::min(pg.param.size(), pglayeracctime + 1)));
        if (from < list.masks.binglued.size()) two.masks.binglued[k] = list.masks.binglued[from];
    }
    select_all_area(two, show, 0);
    select_all_area(two, show, 1);
    return {std::move(two.masks.binmarked[0]), std::move(two.masks.binmarked[1])};
}

tbaselinecomparison compare_phonetograms(const tpglist& list, const tbinshowsettings& show,
                                         const tstatisticssettings& settings,
                                         std::int32_t baselinepg, std::int32_t currentpg) {
    tbaselinecomparison c;
    tcomparedareas areas = compared_areas(list, show, baselinepg, currentpg);
    c.baselinearea = std::move(areas.baseline);
    c.currentarea = std::move(areas.current);
    const std::int32_t n = std::int32_t(list.pgs.size());
    if (baselinepg < 0 || currentpg < 0 || baselinepg >= n || currentpg >= n) return c;
    c.baselinepg = baselinepg;
    c.currentpg = currentpg;
    const tpg &baseline = list.pgs[std::size_t(baselinepg)],
              &current = list.pgs[std::size_t(currentpg)];
    compute_area_statistics(c.baseline, baseline, c.baselinearea, settings);
    compute_area_statistics(c.current, current, c.currentarea, settings);

    for (std::size_t i = 0; i < c.baselinearea.cells.size(); ++i) {
        const bool b = c.baselinearea.cells[i] != 0, k = c.currentarea.cells[i] != 0;
        c.onlybaseline += b && !k;
        c.onlycurrent += k && !b;
        c.both += b && k;
    }

    tbinmask column = make_binmask();
    double sumb = 0, sumc = 0, largest = -1;
    for (std::int32_t x = 0; x < nf0bins; ++x) {
        double lb = 0, lc = 0;
        if (!softest_level(baseline, c.baselinearea, x, settings, column, lb) ||
            !softest_level(current, c.currentarea, x, settings, column, lc))
            continue;
        ++c.commonsemitones;
        sumb += lb;
        sumc += lc;
        if (std::abs(lc - lb) > largest) {
            largest = std::abs(lc - lb);
            c.largestchangeat = x;
            c.largestbaseline = lb;
            c.largestcurrent = lc;
        }
    }
    if (c.commonsemitones > 0) {
        c.softestbaseline = sumb / c.commonsemitones;
        c.softestcurrent = sumc / c.commonsemitones;
    }
    return c;
}

std::vector<tcomparisonrow> comparison_rows(const tpglist& list, const tbaselinecomparison& c,
                                            const tstatisticsformat& format) {
    std::vector<tcomparisonrow> rows;
    if (c.baselinepg < 0 || c.currentpg < 0) return rows;
    const char sep = format.decimalseparator;
    const bool hasb = c.baseline.nbins > 0, hasc = c.current.nbins > 0;
    // The change of two values written with pattern: their difference as written, with the
    // same decimals and a sign, so that it never disagrees with the two values beside it.
    const auto signedtext = [&](const std::string& pattern, double d) {
        const std::string t = formatfloatsep(pattern, d, sep);
        const bool zero = t.find_first_not_of("-0.,") == std::string::npos;
        if (zero) return t[0] == '-' ? t.substr(1) : t;
        return d > 0 ? "+" + t : t;
    };
    const auto add = [&](const std::string& label, const std::string& pattern, double b, double k,
                         bool valid = true) {
        tcomparisonrow r{label, "-", "-", "-"};
        if (valid && hasb) r.baseline = formatfloatsep(pattern, b, sep);
        if (valid && hasc) r.current = formatfloatsep(pattern, k, sep);
        if (valid && hasb && hasc) {
            const double wb = std::stod(formatfloatsep(pattern, b, '.'));
            const double wk = std::stod(formatfloatsep(pattern, k, '.'));
            r.change = signedtext(pattern, wk - wb);
        }
        rows.push_back(r);
    };
    const tstatistics &b = c.baseline, &k = c.current;
    const auto st = [](double hz) { return std::round(freqtosemitone(hz)); };
    const auto range = [](const tstatistics& s) { return 12.0 * std::log2(s.maxf0 / s.minf0); };

    rows.push_back({"Name", session_title(list.pgs[std::size_t(c.baselinepg)]),
                    session_title(list.pgs[std::size_t(c.currentpg)]), ""});
    add("Area [STdB]", "0", b.nbins, k.nbins);
    add("fo range [ST]", "0", range(b), range(k));
    // The notes themselves, their change in semitones.
    for (const bool high : {false, true}) {
        const double fb = high ? b.maxf0 : b.minf0, fk = high ? k.maxf0 : k.minf0;
        tcomparisonrow r{high ? "Max fo" : "Min fo", "-", "-", "-"};
        if (hasb) r.baseline = notenamesep(freqnotename(fb, false), sep);
        if (hasc) r.current = notenamesep(freqnotename(fk, false), sep);
        if (hasb && hasc) r.change = signedtext("0", st(fk) - st(fb)) + " ST";
        rows.push_back(r);
    }
    add("Min SPL [dB]", "0", b.minspl, k.minspl);
    add("Max SPL [dB]", "0", b.maxspl, k.maxspl);
    add("SPL range [dB]", "0", b.maxspl - b.minspl, k.maxspl - k.minspl);
    add("Leq [dB]", format.dbformat, b.leq, k.leq);
    const bool common = c.commonsemitones > 0;
    const std::string n = std::to_string(c.commonsemitones);
    rows.push_back({"Semitones both reach", n, n, ""});
    add("Softest SPL, mean [dB]", format.dbformat, c.softestbaseline, c.softestcurrent, common);
    add(common ? "Softest SPL, most changed: " + notename(c.largestchangeat, false) + " [dB]"
               : std::string("Softest SPL, most changed [dB]"),
        "0", c.largestbaseline, c.largestcurrent, common);
    // Each column adds up to its area: the cells it alone reaches and those both reach.
    rows.push_back({"Cells in one only [STdB]", std::to_string(c.onlybaseline),
                    std::to_string(c.onlycurrent), ""});
    rows.push_back({"Cells in both [STdB]", std::to_string(c.both), std::to_string(c.both), ""});
    return rows;
}

std::vector<std::string> comparison_text(const std::vector<tcomparisonrow>& rows) {
    std::vector<std::string> lines;
    if (rows.empty()) return lines;
    lines.push_back(comparisoncaption);
    // The names above the table rather than in it: a long file name would widen its column,
    // and with it the column of the statistics below, past the window.
    lines.push_back("Baseline: " + rows.front().baseline);
    lines.push_back("Current: " + rows.front().current);
    lines.push_back("\tBaseline\tCurrent\tChange\t");
    for (std::size_t i = 1; i < rows.size(); ++i) {
        const tcomparisonrow& r = rows[i];
        lines.push_back(r.label + "\t" + r.baseline + "\t" + r.current + "\t" + r.change + "\t");
    }
    return lines;
}

} // namespace gravon
