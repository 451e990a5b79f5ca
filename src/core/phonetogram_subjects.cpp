#include "core/phonetogram_subjects.h"

#include "base/errors.h"
#include "core/usage_error.h"
#include "phonetogram/area_selection.h"
#include "phonetogram/pg_param.h"
#include "settings/options_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace gravon {

double total_time(const tpg& pg) {
    double t = 0;
    if (pg.param.size() > pglayeracctime)
        for (double v : pg.param[pglayeracctime].arr.cells)
            if (v > 0) t += v;
    return t;
}

std::int32_t checked_pg_number(const std::string& option, std::int64_t n) {
    if (n < 0 || n > maxpgnumber)
        throw tusageerror(option + " needs a whole number from 0 to " +
                          std::to_string(maxpgnumber) + ", not \"" + std::to_string(n) + "\"");
    return std::int32_t(n);
}

std::vector<std::int32_t> subject_pgs(const TForm1& form, std::int32_t pgoption) {
    const std::int32_t n = std::int32_t(form.pgs.size());
    if (pgoption >= 0) {
        if (pgoption >= n)
            throw EGravonError("--pg " + std::to_string(pgoption) + ": there are " +
                               std::to_string(n) +
                               " phonetograms (0 and 1 the recording's, 2 and up loaded files)");
        return {pgoption};
    }
    std::vector<std::int32_t> v;
    for (std::int32_t c = 0; c < 2 && c < n; ++c)
        if (total_time(form.pgs[std::size_t(c)]) > 0) v.push_back(c);
    if (v.empty()) v.push_back(n > firstloadedpg ? firstloadedpg : 0);
    return v;
}

void select_subject_areas(TForm1& form, const std::vector<std::int32_t>& subjects) {
    clear_area_selection(form);
    form.fix_binshow();
    for (std::int32_t c : subjects)
        if (total_time(form.pgs[std::size_t(c)]) > 0)
            select_all_area(form, form.binshow_settings(), c);
    form.fix_area_statistics();
}

std::vector<std::int32_t> output_subjects(TForm1& form, std::int32_t pgoption) {
    const std::vector<std::int32_t> subjects = subject_pgs(form, pgoption);
    // Loaded phonetograms speak for themselves.
    const bool recording = std::any_of(subjects.begin(), subjects.end(),
                                       [](std::int32_t c) { return c < firstloadedpg; });
    if (recording && !form.soundfileanalysed)
        throw EGravonError(
            form.analysisisfromsoundfile()
                ? "no output written: the last sound file was not analysed"
                : "no output written: no sound file was analysed and no phonetogram loaded");
    select_subject_areas(form, subjects);
    return subjects;
}

std::string area_time_text(const TForm1& form) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", form.advanced.timethreshold);
    return std::string("the entire shown area: the bins whose time, with support from their "
                       "neighbours, exceeds the display threshold of ") +
           buf + " s, and the bins they enclose";
}

std::string percentile_column(double p) {
    std::string t = percentile_key_text(p);
    for (char& ch : t)
        if (ch == '.') ch = '_';
    return "p" + t;
}

} // namespace gravon
