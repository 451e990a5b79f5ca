#include "core/batch_run.h"

#include "core/replay_notes.h"

namespace gravon {

tbatchrun::tbatchrun(std::FILE* err, bool verbose, std::int32_t channel,
                     std::vector<TForm1::tsettingsoverride> overrides)
    : ui(err, verbose), form(ui) {
    form.batchmode = true;
    form.syntaxprogramname = "gravon-cli";
    form.soundfilechannel = channel;
    form.settingsoverrides = std::move(overrides);
    form.onsoundfileanalysed = [this](const std::string& fname) {
        analysedfile = fname;
        for (const std::string& note : replay_notes(form, fname, command_line_advice()))
            ui.warn(note);
    };
}

} // namespace gravon
