// Readable descriptions of the error codes every wave service may return.
#pragma once

#include "audio/wave_services.h"

#include <string>

namespace gravon {

std::string wave_error_text(twaveresult code);

} // namespace gravon
