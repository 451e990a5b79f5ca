// A bad option, switch or setting given by the caller of a front end (the headless program's
// command line, the Python module's arguments): the message says which and why.
#pragma once

#include <stdexcept>

namespace gravon {

struct tusageerror : std::runtime_error {
    using std::runtime_error::runtime_error;
};

} // namespace gravon
