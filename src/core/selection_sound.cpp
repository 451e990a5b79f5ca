#include "core/selection_sound.h"

#include "base/pitch.h"
#include "phonetogram/binning.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace gravon {

bool frame_cell(const TAnalysisDriver& d, int c, std::int32_t k, std::int32_t& x, std::int32_t& y) {
    const std::size_t i = std::size_t(k);
    // The debug row holds the frame's rejection reasons: none for an accepted frame.
    if (d.paramarr[trackdebug][std::size_t(c)][i] != 0.0f) return false;
    const double f0 = d.paramarr[trackfo][std::size_t(c)][i];
    if (!(f0 > 0)) return false;
    const tbinplacement p =
        place_point(binroundtonearest, freqtosemitone(f0), d.paramarr[trackspl][std::size_t(c)][i]);
    x = p.x;
    y = p.y;
    return p.inrange;
}

std::vector<tsoundrun> selected_sound_runs(const TAnalysisDriver& d, const tpglist& list) {
    std::vector<tsoundrun> runs;
    const std::int32_t frames = d.frames();
    if (frames <= 0 || !d.audiokept() || d.audiosamples() % frames != 0) return runs;
    const std::int64_t hop = d.audiosamples() / frames;
    const std::size_t nchannels = std::min<std::size_t>(2, list.pgs.size());
    for (std::int32_t k = 0; k < frames; ++k) {
        int channel = -1;
        for (std::size_t c = 0; c < nchannels && channel < 0; ++c) {
            if (c >= list.masks.binmarked.size()) break;
            const tbinmask& marked = list.masks.binmarked[c];
            std::int32_t x = 0, y = 0;
            if (frame_cell(d, int(c), k, x, y) && marked.inside(x, y) && marked[x][y])
                channel = int(c);
        }
        if (channel < 0) continue;
        const std::int64_t first = std::int64_t(k) * hop;
        if (!runs.empty() && runs.back().channel == channel && runs.back().last == first)
            runs.back().last = first + hop;
        else
            runs.push_back({channel, first, first + hop});
    }
    return runs;
}

std::vector<float> selection_sound(const TAnalysisDriver& d, std::span<const tsoundrun> runs,
                                   double fs, double fade) {
    std::size_t total = 0;
    for (const tsoundrun& r : runs)
        total += std::size_t(std::max<std::int64_t>(r.last - r.first, 0));
    std::vector<float> out;
    out.reserve(total);
    const std::int64_t fadelength = std::max<std::int64_t>(std::llround(fade * fs), 0);
    for (const tsoundrun& r : runs) {
        const tsamplestore& store = d.audioarr[std::size_t(r.channel)];
        const std::int64_t last = std::min<std::int64_t>(r.last, std::int64_t(store.size()));
        if (r.first >= last) continue;
        const double fullscale = d.audiofsd[std::size_t(r.channel)];
        const float scale =
            fullscale > 0 && std::isfinite(fullscale) ? float(1.0 / fullscale) : 1.0f;
        const std::int64_t n = last - r.first;
        const std::int64_t m = std::min(fadelength, n / 2);
        for (std::int64_t i = 0; i < n; ++i) {
            float g = scale;
            // A raised cosine at each end.
            const std::int64_t edge = std::min(i, n - 1 - i);
            if (edge < m)
                g *= float(0.5 -
                           0.5 * std::cos(std::numbers::pi * (double(edge) + 0.5) / double(m)));
            out.push_back(store[std::size_t(r.first + i)] * g);
        }
    }
    return out;
}

} // namespace gravon
