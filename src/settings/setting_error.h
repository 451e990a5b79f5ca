// The error of the settings store and the recent-files list.
#pragma once

#include "base/errors.h"

namespace gravon {

struct ESettingError : EGravonError {
    using EGravonError::EGravonError;
};

} // namespace gravon
