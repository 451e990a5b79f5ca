// The table of changes a report shows when the current phonetogram has a baseline: the rows of
// the comparison but the first (the names, which the report puts above the table), already
// written as the user reads them. An empty list means the report has no table of changes.
#pragma once

#include "phonetogram/phonetogram_comparison.h"

#include <vector>

namespace gravon {

using treportchange = tcomparisonrow;
using treportchanges = std::vector<treportchange>;

} // namespace gravon
