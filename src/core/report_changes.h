// The table of changes a report shows when the current phonetogram has a baseline: one row per
// measure, its value then and now and the difference, already written as the user reads them.
// An empty list means the report has no table of changes.
#pragma once

#include <string>
#include <vector>

namespace gravon {

struct treportchange {
    std::string label;    // the measure, with its unit, e.g. "Area [STdB]"
    std::string baseline; // its value in the baseline
    std::string current;  // its value in the current phonetogram
    std::string change;   // current less baseline, with its sign
};

using treportchanges = std::vector<treportchange>;

} // namespace gravon
