// One run without a window, as the headless program and the Python module make it: its user
// interface and its main window under the headless policy. The notes on a doubtful analysis
// are the headless program's warnings, with its advice.
#pragma once

#include "core/headless_interface.h"
#include "core/main_window.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace gravon {

struct tbatchrun {
    // err: where messages are printed (nullptr: nowhere, they are only kept); channel: the
    // file channel that sound files are analysed on (--channel); overrides: --set.
    tbatchrun(std::FILE* err, bool verbose, std::int32_t channel,
              std::vector<TForm1::tsettingsoverride> overrides);
    tbatchrun(const tbatchrun&) = delete;
    tbatchrun& operator=(const tbatchrun&) = delete;

    theadlessinterface ui;
    TForm1 form;
};

} // namespace gravon
