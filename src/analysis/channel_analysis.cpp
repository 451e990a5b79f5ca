#include "analysis/channel_analysis.h"

#include "analysis/frame_acceptance.h"
#include "analysis/spectral_block.h"
#include "analysis/voice_measures.h"

#include <algorithm>

namespace gravon {

void tchannelstate::resize(int fftsize) {
    const int nbins = std::max(fftsize / 2, 0);
    noise.resize(nbins);
    isharm.resize(std::size_t(nbins), 0);
}

bool analyse_channel(std::span<const double> x, std::span<const double> outabs2,
                     std::span<const double> outdb, const thopcontext& ctx,
                     const tanalysisparams& p, int c, tchannelstate& st) {
    tchannelmeasures& m = st.live;

    // 1. A new rejection set.
    m.killpoint.clear();

    // 2. Level and crest of the untapered window.
    const tlevelcrest lc = level_and_crest(x);
    m.power = lc.power;
    m.level = lc.level;
    m.crestlevel = lc.crestlevel;

    bool haspartials = false;
    bool searched = false;
    // 3. Background noise, then the spectral block tests.
    if (ctx.measurenoise) {
        st.noise.add_hop(outdb, m.level, ctx.d, p.noiselo[c], p.noisehi[c]);
        st.noise.update_quantiles(ctx.band.lobin, ctx.band.hibin, p.noisequantile);
    }
    if (!spectral_block_test(outabs2, ctx.band.lobin, ctx.band.hibin, m.power, p, m.killpoint)) {
        // 4. F0 and partials.
        searched = true;
        st.f0search = find_f0(outabs2, outdb, st.noise.specnoisequantile(), ctx.band, p.fs, p);
        m.peakfreq = st.f0search.peakfreq;
        m.f0 = st.f0search.f0;
        m.maxpartno = st.f0search.maxpartno;
        if (m.maxpartno == 0) {
            m.f0 = 0;
            m.killpoint.add(tkillreason::nof0);
        }
        // 5. H1/H2.
        if (m.maxpartno >= 1) m.h1h2 = h1h2_level(outdb, st.f0search.strongestbin, m.maxpartno);
        // 6. Centroid.
        m.centroid = spectral_centroid(outabs2, p.fs);
        // 7. HNR over the partial regions.
        if (m.maxpartno < 1) {
            m.hnr = nomeasure;
        } else {
            mark_partials(outabs2, st.f0search, st.isharm);
            haspartials = true;
            m.hnr = harmonic_to_noise(outabs2, st.isharm);
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

} // namespace gravon
