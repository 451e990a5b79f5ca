// A short text of where a recording phonetogram's time landed: for the headless program's
// --summary and for a first look at a result.
#pragma once

#include "core/main_window.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace gravon {

// The subjects' time, all of it: no display threshold applies.
void print_phonetogram_summary(const TForm1& form, const std::vector<std::int32_t>& subjects,
                               std::FILE* out);

} // namespace gravon
