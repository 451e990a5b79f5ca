// Which optional rows the condensed area statistics list: the show flags of the options.
#pragma once

#include <vector>

namespace gravon {

// Which optional rows the condensed form lists (every row is listed in the full form).
struct tstatisticsrows {
    bool showstatsarea = true;
    bool showstatstakentime = true;
    bool showstatsrecordedtime = true;
    bool showstatsavgf0 = true;
    bool showstatsf0median = true;
    bool showstatsf0mode = true;
    bool showstatsminf0 = true;
    bool showstatsmaxf0 = true;
    bool showstatsf0range = true;
    bool showstatssplrange = false;
    bool showstatsf0asfreqs = true;
    bool showstatsf0assemitones = false;
    bool showstatsf0asnotes = false;
    bool showstatsleq = true;
    bool showstatsminspl = true;
    bool showstatsmaxspl = true;
    bool showstatsdistance = true;
    bool showstatsactualdistance = false;
    bool showstatsm = false;
    bool showstatsk = false;
    bool showstatsr = false;
    // Sized by the owner: one flag per percentile and one per display parameter.
    std::vector<bool> showf0percentile;
    std::vector<bool> showSPLpercentile;
    std::vector<bool> showstatsparam;
    bool shortversion = false; // the condensed switch of the statistics window
};

} // namespace gravon
