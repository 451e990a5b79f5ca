#include "analysis/analysis_driver.h"

#include "analysis/frame_acceptance.h"

#include <algorithm>
#include <cmath>

namespace gravon {

TAnalysisDriver::TAnalysisDriver(tanalysisparams& params, tframesink& sink)
    : analysisparams(params), fsink(sink) {
    recarr.assign(2, tsinglearr(std::size_t(analyser.hopsize()), 0.0f));
    for (auto& row : paramarr)
        for (auto& ch : row) ch.assign(paramarrgrowth, 0.0f);
    for (auto& ch : framepeak) ch.assign(paramarrgrowth, 0.0f);
    for (auto& ch : frameclipped) ch.assign(paramarrgrowth, 0.0f);
    reset_audio_store();
    downsamplingfactor = analyser.windowsize();
}

void TAnalysisDriver::set_fftbw(double v) {
    try {
        analyser.set_window(analysisparams.fftwindow);
    } catch (const EFFTError&) {
        // A window kind the transform does not know (only from an edited settings file)
        // keeps the current window, like a refused size.
    }
    analyser.set_analysis_bandwidth(analysisparams.fs, v);
    analysisparams.fftbw = v;
}

void TAnalysisDriver::crunch_arr(const trecarr& block, std::span<const double> factors) {
    std::size_t n = block.empty() ? 0 : block[0].size();
    if (block.size() > 1) n = std::min(n, block[1].size());
    crunch_arr(block, n, factors);
}

void TAnalysisDriver::crunch_arr(const trecarr& block, std::size_t n,
                                 std::span<const double> factors) {
    if (block.size() < 2 || recarr.size() < 2 || recarr[0].empty()) return;
    n = std::min({n, block[0].size(), block[1].size()});
    const std::size_t hop = recarr[0].size();
    std::size_t i = 0;
    while (i < n) {
        // A whole hop inside the block is analysed where it lies, without a copy.
        if (recarrpos == 0 && n - i >= hop) {
            samplecount += std::int32_t(hop);
            holdcount += std::int32_t(hop);
            // The next hop, when it lies whole in the block too, is filtered along.
            const std::size_t nexthop = n - i >= 2 * hop ? hop : 0;
            crunch_hop(std::span<const float>(block[0].data() + i, hop),
                       std::span<const float>(block[1].data() + i, hop), factors,
                       std::span<const float>(block[0].data() + i + hop, nexthop),
                       std::span<const float>(block[1].data() + i + hop, nexthop));
            i += hop;
            continue;
        }
        // Copy as much of the block as fits into the hop being filled; the hop boundaries
        // fall on the same sample positions however the stream is cut into blocks.
        const std::size_t room = hop - std::size_t(recarrpos);
        const std::size_t take = std::min(room, n - i);
        for (int c = 0; c < 2; ++c)
            std::copy_n(block[c].begin() + std::ptrdiff_t(i), take, recarr[c].begin() + recarrpos);
        i += take;
        samplecount += std::int32_t(take);
        holdcount += std::int32_t(take);
        recarrpos += std::int32_t(take);
        if (std::size_t(recarrpos) >= hop) {
            recarrpos = 0;
            // The analysis counts the frames received up to and including this hop.
            crunch_recarr(recarr, factors);
        }
    }
}

void TAnalysisDriver::crunch_recarr(const trecarr& hop, std::span<const double> factors) {
    static const tsinglearr none;
    crunch_hop(hop.size() > 0 ? std::span<const float>(hop[0]) : none,
               hop.size() > 1 ? std::span<const float>(hop[1]) : none, factors);
}

void TAnalysisDriver::crunch_hop(std::span<const float> ch0, std::span<const float> ch1,
                                 std::span<const double> factors, std::span<const float> next0,
                                 std::span<const float> next1) {
    prevrecarroverloaded = recarroverloaded;
    for (int c = 0; c < 2; ++c)
        audiofsd[c] = std::size_t(c) < factors.size() ? factors[std::size_t(c)] : 1.0;

    const thopresult& r = analyser.analyse(ch0, ch1, factors, analysisparams, holdcount,
                                           keyboardblocktime, next0, next1);
    for (int c = 0; c < 2; ++c) recarroverloaded[c] = analyser.recarroverloaded(c);
    flast = r;
    if (!novoicestretches.empty()) reject_novoice(flast, std::max(ch0.size(), ch1.size()));

    // The store keeps the samples as analysed: a NaN or infinite one is kept as zero.
    if (!fpaused) store_frame({analyser.input(0), analyser.input(1)}, flast);
    if (onhopanalysed) onhopanalysed();
}

void TAnalysisDriver::store_frame(const std::array<std::span<const float>, 2>& hop,
                                  const thopresult& r) {
    for (int c = 0; c < 2; ++c) audiopeak[c] = std::max(audiopeak[c], r.ch[c].peak);

    ++arrpos;
    if (std::size_t(arrpos) >= paramarr[1][0].size()) {
        for (auto& row : paramarr)
            for (auto& ch : row) ch.resize(ch.size() + paramarrgrowth, 0.0f);
        for (auto& ch : framepeak) ch.resize(paramarr[1][0].size(), 0.0f);
        for (auto& ch : frameclipped) ch.resize(paramarr[1][0].size(), 0.0f);
    }
    for (int c = 0; c < 2; ++c) {
        const tchannelmeasures& m = r.ch[c];
        const std::size_t k = std::size_t(arrpos);
        framepeak[c][k] = float(m.peak);
        frameclipped[c][k] = clips(c, hop[std::size_t(c)], m.peak) ? 1.0f : 0.0f;
        paramarr[trackspl][c][k] = float(m.level);
        paramarr[trackfo][c][k] = float(m.f0);
        paramarr[trackh1h2][c][k] = float(m.h1h2);
        paramarr[trackhnr][c][k] = float(m.hnr);
        paramarr[trackcentroid][c][k] = float(m.centroid);
        paramarr[trackcrest][c][k] = float(m.crestlevel);
        paramarr[trackmaxpartno][c][k] = float(m.maxpartno);
        paramarr[trackdebug][c][k] = float(m.killpoint.value());
        paramarr[trackcpps][c][k] = std::isfinite(m.cpps) ? float(m.cpps) : tracknovalue;
        paramarr[trackspecbal][c][k] = std::isfinite(m.specbal) ? float(m.specbal) : tracknovalue;
    }

    const std::size_t h = std::max(hop[0].size(), hop[1].size());
    const double d = double(h) / analysisparams.fs;
    for (int c = 0; c < 2; ++c)
        if (r.ch[c].killpoint.empty()) fsink.frame_accepted(c, r.ch[c], d);

    const std::size_t need = std::size_t(audioarrpos + 1) + h;
    if (need > audioarr[0].size()) {
        std::size_t size = audioarr[0].size();
        while (size < need) size += audioarrgrowth;
        if (size > audioarr[0].capacity()) stop_prefaulting();
        for (auto& ch : audioarr) ch.resize(size, 0.0f);
    }
    if (storeaudio)
        for (std::size_t c = 0; c < 2; ++c) {
            audioarr[c].write(std::size_t(audioarrpos + 1), hop[c]);
            fprefaulter.ask(c, audioarr[c].written() * sizeof(float) + prefaultahead);
        }
    else
        faudioleftout = true;
    audioarrpos += std::int32_t(h);
    fsink.frame_stored(double(audioarrpos + 1) / analysisparams.fs);
}

void TAnalysisDriver::reject_novoice(thopresult& r, std::size_t hop) const {
    // The window holds the hop before and this one.
    const std::int64_t end = samplecount, begin = end - 2 * std::int64_t(hop);
    for (const tsamplestretch& s : novoicestretches) {
        if (s.first >= end || s.last <= begin) continue;
        for (tchannelmeasures& m : r.ch) {
            m.killpoint.add(tkillreason::reference);
            clear_rejected(m);
        }
        return;
    }
}

bool TAnalysisDriver::clips(int c, std::span<const float> hop, double peak) {
    const std::size_t k = std::size_t(c);
    if (analyser.recarroverloaded(c)) {
        frunlength[k] = 0;
        return true;
    }
    const float limit = float(std::fabs(audiofsd[k]) * clipfraction);
    // Nearly every hop stays below full scale, and a run cannot cross such a hop.
    if (!(peak >= double(limit)) || limit <= 0.0f) {
        frunlength[k] = 0;
        return false;
    }
    std::int32_t run = frunlength[k];
    float prev = frunvalue[k];
    bool clipped = false;
    for (const float x : hop) {
        if (std::fabs(x) >= limit) {
            run = run > 0 && x == prev ? run + 1 : 1;
            prev = x;
            clipped = clipped || run >= clippedrun;
        } else {
            run = 0;
        }
    }
    frunlength[k] = run;
    frunvalue[k] = prev;
    return clipped;
}

void TAnalysisDriver::setup_analysis() {
    analyser.setup(analysisparams);
    downsamplingfactor = analyser.windowsize();
    const std::size_t hop = std::size_t(downsamplingfactor / 2);
    recarr.assign(2, tsinglearr(hop, 0.0f));
    recarroverloaded = {false, false};
    prevrecarroverloaded = {false, false};
    recarrpos = 0;
}

void TAnalysisDriver::reset_analysis() {
    analyser.reset();
    flast = thopresult{};
    audiopeak = {0.0, 0.0};
    samplecount = 0;
    holdcount = 0;
    arrpos = -1;
    for (auto& row : paramarr)
        for (auto& ch : row) ch.assign(paramarrgrowth, 0.0f);
    for (auto& ch : framepeak) ch.assign(paramarrgrowth, 0.0f);
    for (auto& ch : frameclipped) ch.assign(paramarrgrowth, 0.0f);
    frunlength = {0, 0};
    novoicestretches.clear();
}

void TAnalysisDriver::reserve_stores(std::size_t samples) {
    // The sizes the stores will have grown to, in their growth steps.
    const auto grown = [](std::size_t size, std::size_t need, std::size_t step) {
        return need <= size ? size : size + (need - size + step - 1) / step * step;
    };
    const std::size_t audio =
        grown(audioarr[0].size(), std::size_t(audioarrpos + 1) + samples, audioarrgrowth);
    if (audio > audioarr[0].capacity()) stop_prefaulting();
    for (auto& ch : audioarr) ch.reserve(audio);
    const std::size_t hop = recarr.empty() ? 0 : recarr[0].size();
    if (hop == 0) return;
    const std::size_t frames =
        grown(paramarr[1][0].size(), std::size_t(arrpos + 1) + samples / hop + 1, paramarrgrowth);
    for (auto& row : paramarr)
        for (auto& ch : row) ch.reserve(frames);
    for (auto& ch : framepeak) ch.reserve(frames);
    for (auto& ch : frameclipped) ch.reserve(frames);
}

void TAnalysisDriver::start_prefaulting() {
    std::array<const tlargepagememory*, 2> blocks{};
    for (std::size_t c = 0; c < 2; ++c) {
        const tsamplestore& s = audioarr[c];
        const std::size_t from = s.written() * sizeof(float);
        s.memory().populate(from, from + prefaultfirst);
        blocks[c] = &s.memory();
    }
    fprefaulter.start(blocks);
    for (std::size_t c = 0; c < 2; ++c)
        fprefaulter.ask(c, audioarr[c].written() * sizeof(float) + prefaultahead);
}

void TAnalysisDriver::stop_prefaulting() noexcept {
    fprefaulter.stop();
}

void TAnalysisDriver::reset_audio_store() {
    for (auto& ch : audioarr) ch.assign(audioarrgrowth, 0.0f);
    audioarrpos = -1;
    faudioleftout = false;
}

void TAnalysisDriver::trim_stores() {
    const std::int64_t frames = std::int64_t(arrpos) + 1;
    std::int64_t samples = frames * downsamplingfactor / 2;
    // With an odd window the formula counts more samples than the hops stored; never
    // invent samples that were not recorded.
    samples = std::min<std::int64_t>(samples, std::int64_t(audioarrpos) + 1);
    audioarrpos = std::int32_t(samples - 1);
    for (auto& row : paramarr)
        for (auto& ch : row) ch.resize(std::size_t(frames), 0.0f);
    for (auto& ch : framepeak) ch.resize(std::size_t(frames), 0.0f);
    for (auto& ch : frameclipped) ch.resize(std::size_t(frames), 0.0f);
    for (auto& ch : audioarr) ch.resize(std::size_t(samples), 0.0f);
}

} // namespace gravon
