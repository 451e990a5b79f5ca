// The texts a speech take can be read from: the program's own, and the user's, which the
// settings keep.
#pragma once

#include "settings/options.h"

#include <string>
#include <vector>

namespace gravon {

struct treadingpassage {
    std::string title;
    std::string text;
};

// The program's passages, the first one the default.
const std::vector<treadingpassage>& reading_passages();

// The passage the user chose or typed; the first of the program's when there is none.
std::string reading_passage_text(const toptions& options);

} // namespace gravon
