#include "phonetogram/speech_profile.h"

#include "base/text_utils.h"
#include "phonetogram/area_statistics.h"

#include <cmath>

namespace gravon {

namespace {

double time_of(const tpg& pg) {
    if (pg.param.size() <= pglayeracctime) return 0;
    double t = 0;
    for (double v : pg.param[pglayeracctime].arr.cells)
        if (v > 0) t += v;
    return t;
}

} // namespace

bool is_speech_task(const std::string& task) {
    std::size_t b = 0;
    while (b < task.size() && (task[b] == ' ' || task[b] == '\t')) ++b;
    const std::string word = lowercase(task.substr(b, 6));
    return word == "speech";
}

bool is_speech_profile(const tpg& pg) {
    return is_speech_task(pg.session.task);
}

tspeechstatistics speech_statistics(const tpg& pg) {
    tspeechstatistics s;
    if (pg.param.size() <= pglayeracctime) return s;
    const tpgarr& t = pg.param[pglayeracctime].arr;
    tbinmask all = make_binmask();
    if (t.nx != all.nx || t.ny != all.ny) return s;
    for (std::size_t i = 0; i < all.cells.size(); ++i) all.cells[i] = t.cells[i] > 0;
    tstatisticssettings settings;
    settings.percentile.assign(speechpercentiles.begin(), speechpercentiles.end());
    tstatistics st;
    compute_area_statistics(st, pg, all, settings);
    if (!(st.takentime > 0)) return s;
    s.time = st.takentime;
    for (std::size_t k = 0; k < speechpercentiles.size(); ++k) {
        s.f0[k] = st.f0percentile[k];
        s.spl[k] = st.SPLpercentile[k];
    }
    if (s.f0.front() > 0 && s.f0.back() > 0)
        s.rangest = 12.0 * std::log2(s.f0.back() / s.f0.front());
    s.leq = st.leq;
    return s;
}

bool speech_overlaid(const tpglist& list, std::size_t n) {
    if (n >= list.pgs.size()) return false;
    const tpg& pg = list.pgs[n];
    if (!pg.visible || !is_speech_profile(pg) || !(time_of(pg) > 0)) return false;
    for (const tpg& other : list.pgs)
        if (&other != &pg && other.visible && other.group.empty() && !is_speech_profile(other) &&
            time_of(other) > 0)
            return true;
    return false;
}

} // namespace gravon
