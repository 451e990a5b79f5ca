// The settings of the area statistics and their text, as the options and the advanced settings
// hold them.
#pragma once

#include "phonetogram/area_statistics.h"
#include "phonetogram/statistics_text.h"
#include "settings/advanced_settings.h"
#include "settings/options.h"

namespace gravon {

// The percentile list, the standard parameter names and one entry per per-parameter show flag.
tstatisticssettings statistics_settings(const toptions& o, const tadvancedsettings& a);
// The formats of the advanced settings, the keyboard's lowest key and the separator.
tstatisticsformat statistics_format(const tadvancedsettings& a, char decimalseparator = '.');
// The show flags of the options; shortversion from the options too (the owner of the
// statistics window may set it afterwards).
inline tstatisticsrows statistics_rows(const toptions& o) {
    return o;
}

} // namespace gravon
