// A short text of where a recording phonetogram's time landed: for the headless program's
// --summary and for a first look at a result.
#pragma once

#include "core/main_window.h"

#include <cstdio>

namespace gravon {

void print_phonetogram_summary(const TForm1& form, std::FILE* out);

} // namespace gravon
