// Errors of the recorder and the player: misuse, and failures the wave service reports.
#pragma once

#include "audio/wave_services.h"
#include "base/errors.h"

#include <string>

namespace gravon {

struct EMPCError : EGravonError {
    using EGravonError::EGravonError;
};

// Raises EMPCError `prefix` + the service's text for `code` unless code is wave_noerror.
inline void mpc_check(twaveservice& service, twaveresult code, const char* prefix) {
    if (code != wave_noerror) throw EMPCError(prefix + service.error_text(code));
}

} // namespace gravon
