#include "python_runs.h"

namespace gravon {

std::unique_ptr<tbatchrun> checked_run(const trunrequest& request) {
    trunresult r = run_request(request);
    if (r.failed()) throw tanalysisfailure(r.failure_text());
    return std::move(r.run);
}

void check_run(const tbatchrun& run, std::size_t from) {
    trunresult r;
    r.failures = run_failures(run, from);
    if (r.failed()) throw tanalysisfailure(r.failure_text());
}

} // namespace gravon
