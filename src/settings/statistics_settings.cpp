#include "settings/statistics_settings.h"

namespace gravon {

tstatisticssettings statistics_settings(const toptions& o, const tadvancedsettings& a) {
    tstatisticssettings s;
    s.percentile = o.percentile;
    s.stdpgparams = a.stdpgparams;
    s.nparams = o.showstatsparam.size();
    return s;
}

tstatisticsformat statistics_format(const tadvancedsettings& a, char decimalseparator) {
    tstatisticsformat f;
    f.nsigdig = a.nsigdig;
    f.dbformat = a.dbformat;
    f.stformat = a.stformat;
    f.secformat = a.secformat;
    f.lokey = a.lokey;
    f.decimalseparator = decimalseparator;
    return f;
}

} // namespace gravon
