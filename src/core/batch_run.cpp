#include "core/batch_run.h"

namespace gravon {

tbatchrun::tbatchrun(std::FILE* err, bool verbose, std::int32_t channel,
                     std::vector<TForm1::tsettingsoverride> overrides)
    : ui(err, verbose), form(ui, headless_policy()) {
    form.syntaxprogramname = "gravon-cli";
    form.soundfilechannel = channel;
    form.settingsoverrides = std::move(overrides);
}

} // namespace gravon
