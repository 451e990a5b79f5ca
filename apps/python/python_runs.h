// The runs behind the Python module, in plain C++: each is the headless program's run of the
// same request, with its settings, checks and messages, and nothing printed. A run that the
// headless program would end with an error raises tanalysisfailure with the lines it would
// print.
#pragma once

#include "core/run_request.h"

#include <cstddef>
#include <memory>
#include <stdexcept>

namespace gravon {

struct tanalysisfailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The run of the request; raises tanalysisfailure with its failures when it failed.
std::unique_ptr<tbatchrun> checked_run(const trunrequest& request);

// Raises tanalysisfailure with the failures the run reported since it had `from` of them.
void check_run(const tbatchrun& run, std::size_t from = 0);

} // namespace gravon
