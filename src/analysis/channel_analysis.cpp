#include "analysis/channel_analysis.h"

#include "analysis/frame_acceptance.h"
#include "analysis/spectral_block.h"
#include "analysis/voice_measures.h"

#include <algorithm>
#include <cmath>

namespace gravon {

void tchannelstate::resize(int fftsize) {
    const int nbins = std::max(fftsize / 2, 0);
    noise.resize(nbins);
    isharm.resize(std::size_t(nbins), 0);
}

namespace {

// Steps 1-9, with the level and crest of the window given. leveldb(count) gives the dB spectrum
// with at least bins 0..count-1 valid, so that a caller with a lazily computed spectrum computes
// only the bins a step reads. mirrored: outabs2 is a real input's, valid up to bin N/2.
template <class tleveldb>
bool analyse_channel_with(const tlevelcrest& lc, std::span<const double> outabs2, bool mirrored,
                          const tleveldb& leveldb, const thopcontext& ctx, const tanalysisparams& p,
                          int c, tchannelstate& st) {
    tchannelmeasures& m = st.live;

    // 1. A new rejection set.
    m.killpoint.clear();

    // 2. Level and crest of the untapered window.
    m.power = lc.power;
    m.level = lc.level;
    m.crestlevel = lc.crestlevel;

    bool haspartials = false;
    bool searched = false;
    // 3. Background noise, then the spectral block tests. Only a hop inside the noise range
    // reads the level spectrum here, of the bins the histogram holds.
    if (ctx.measurenoise) {
        const double lo = p.noiselo[c], hi = p.noisehi[c];
        if (lo < m.level && m.level < hi)
            st.noise.add_hop(leveldb(st.noise.nbins()), m.level, ctx.d, lo, hi);
        st.noise.update_quantiles(ctx.band.lobin, ctx.band.hibin, p.noisequantile);
    }
    tthresholdratios own;
    if (!ctx.ratios) own.update(p);
    const tthresholdratios& ratios = ctx.ratios ? *ctx.ratios : own;
    if (!spectral_block_test(outabs2, ctx.band.lobin, ctx.band.hibin, m.power, ratios.block,
                             m.killpoint)) {
        // 4. F0 and partials. The search reads the level of bins up to one above the
        // strongest bin of the band, H1/H2 up to one above twice that bin.
        searched = true;
        const int n = int(outabs2.size());
        const int nq = std::min(st.noise.nbins(), n / 2);
        const int top = strongest_bin(outabs2, ctx.band, nq);
        const std::span<const double> outdb = leveldb(std::min(2 * top + 2, n));
        st.f0search = find_f0(outabs2, outdb, st.noise.specnoisequantile(), ctx.band, p.fs, p,
                              mirrored, ratios.relfloor, ratios.shrfloor, top);
        m.peakfreq = st.f0search.peakfreq;
        m.f0 = st.f0search.f0;
        m.maxpartno = st.f0search.maxpartno;
        if (m.maxpartno == 0) {
            m.f0 = 0;
            m.killpoint.add(tkillreason::nof0);
        }
        // 5. H1/H2.
        if (m.maxpartno >= 1) m.h1h2 = h1h2_level(outdb, st.f0search.strongestbin, m.maxpartno);
        // 6. Centroid and 7. HNR over the partial regions, whose sums run side by side.
        if (m.maxpartno < 1) {
            m.centroid = spectral_centroid(outabs2, p.fs);
            m.hnr = nomeasure;
        } else {
            mark_partials(outabs2, st.f0search, st.isharm);
            haspartials = true;
            const tcentroidhnr ch = centroid_and_hnr(outabs2, st.isharm, p.fs, ctx.alongside);
            m.centroid = ch.centroid;
            m.hnr = ch.hnr;
            if (m.hnr < p.minhnr) m.killpoint.add(tkillreason::lowhnr);
        }
        // 8. Rate tests against the previous hop.
        rate_tests(st.prevf0, m.f0, st.prevpower, m.power, ctx.d, p, m.killpoint);
    }
    // The live spectrum shows the partials of this hop only.
    if (!haspartials) std::fill(st.isharm.begin(), st.isharm.end(), std::uint8_t(0));

    // 9. Always, also after a block: a blocked channel keeps the f0 of the previous hop.
    st.prevpower = m.power;
    st.prevf0 = m.f0;
    return searched;
}

} // namespace

bool analyse_channel(std::span<const double> x, std::span<const double> outabs2,
                     std::span<const double> outdb, const thopcontext& ctx,
                     const tanalysisparams& p, int c, tchannelstate& st) {
    return analyse_channel_with(
        level_and_crest(x), outabs2, false, [outdb](int) { return outdb; }, ctx, p, c, st);
}

bool analyse_channel(std::span<const double> x, TFFT& fft, const thopcontext& ctx,
                     const tanalysisparams& p, int c, tchannelstate& st) {
    return analyse_channel(level_and_crest(x), fft, ctx, p, c, st);
}

bool analyse_channel(const tlevelcrest& lc, TFFT& fft, const thopcontext& ctx,
                     const tanalysisparams& p, int c, tchannelstate& st) {
    // The steps read no power bin above N/2, so a real input's mirror is not written.
    const bool real = fft.IgnoreInIm();
    const tdoublearr& outabs2 = real ? fft.OutAbs2Lower() : fft.OutAbs2();
    return analyse_channel_with(
        lc, outabs2, real,
        [&fft](int count) { return std::span<const double>(fft.OutdBFirst(count)); }, ctx, p, c,
        st);
}

bool analyse_silent_channel(const thopcontext& ctx, const tanalysisparams& p, int c,
                            tchannelstate& st) {
    // What level_and_crest, the transform and spectral_bands give for an all-zero window.
    tlevelcrest lc;
    lc.power = 0.0;
    lc.level = 10.0 * std::log10(lc.power + 1e-100);
    lc.crestlevel = nomeasure;
    tkillpoint block;
    if (!spectral_block_test(tspectralbands{0.0, 0.0, 0.0}, lc.power, p, block)) return false;

    tchannelmeasures& m = st.live;
    m.killpoint.clear();
    m.power = lc.power;
    m.level = lc.level;
    m.crestlevel = lc.crestlevel;
    if (ctx.measurenoise) {
        st.noise.add_silent_hop(m.level, p.noiselo[c], p.noisehi[c]);
        st.noise.update_quantiles(ctx.band.lobin, ctx.band.hibin, p.noisequantile);
    }
    m.killpoint.bits |= block.bits;
    std::fill(st.isharm.begin(), st.isharm.end(), std::uint8_t(0));
    st.prevpower = m.power;
    st.prevf0 = m.f0;
    return true;
}

} // namespace gravon
