#include "analysis/threshold_ratios.h"

#include <cmath>
#include <cstring>

namespace gravon {

void tthresholdratios::update(const tanalysisparams& p) {
    const double keys[5] = {p.hfblockthreshold, p.maxhfblocklevel, p.lfblockthreshold,
                            p.minrelpartiallevel, p.minsubharmonicratio};
    if (fvalid && std::memcmp(keys, fkeys, sizeof keys) == 0) return;
    block = tblocklimits(p);
    relfloor = std::pow(10.0, p.minrelpartiallevel / 10.0);
    shrfloor = std::pow(10.0, p.minsubharmonicratio / 10.0);
    std::memcpy(fkeys, keys, sizeof keys);
    fvalid = true;
}

} // namespace gravon
