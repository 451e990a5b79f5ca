#include "settings/options.h"

namespace gravon {

tdoublearr default_percentiles() {
    return {0.05, 0.1, 0.25, 0.5, 0.75, 0.9, 0.95};
}

void set_options_to_default(toptions& o, std::int32_t ndisplayparams) {
    const toptions d;
    std::int32_t noisespectrum = o.noisespectrum;
    tdoublearr percentile = o.percentile;
    o = d;
    o.noisespectrum = noisespectrum;
    o.percentile = std::move(percentile);
    o.showf0percentile.assign(o.percentile.size(), false);
    o.showSPLpercentile.assign(o.percentile.size(), false);
    o.showstatsparam.assign(ndisplayparams > 0 ? size_t(ndisplayparams) : 0, false);
    o.setzparam(1, ndisplayparams);
}

} // namespace gravon
