#include "python_runs.h"

#include "base/text_utils.h"
#include "core/settings_override.h"
#include "phonetogram/pg_list.h"

#include <charconv>

namespace gravon {

namespace {

// "/f" with each full scale as the shortest text that reads back as the same number, which
// is what a user types: the value then goes through the same conversion as on the command
// line.
std::string fullscale_switch(const std::vector<double>& fullscale) {
    std::string arg = "/f";
    for (std::size_t k = 0; k < fullscale.size(); ++k) {
        char buf[64];
        const auto r = std::to_chars(buf, buf + sizeof buf, fullscale[k]);
        arg += (k > 0 ? "," : "") + std::string(buf, r.ptr);
    }
    return arg;
}

std::unique_ptr<tbatchrun> make_run(std::int32_t channel, const tsettinglist& settings) {
    std::vector<std::string> sets;
    for (const auto& [key, value] : settings) sets.push_back(key + "=" + value);
    auto run = std::make_unique<tbatchrun>(nullptr, false, channel, settings_overrides(sets));
    // A result offers tracks, cells and the phonetogram, never the recording: its samples
    // are not kept, so that threads analysing long files side by side need little memory.
    run->form.storeaudio = false;
    return run;
}

} // namespace

void check_run(const tbatchrun& run, std::size_t from) {
    const std::vector<std::string>& failures = run.ui.failures();
    if (failures.size() <= from && !(from == 0 && run.ui.failed())) return;
    std::string text;
    for (std::size_t k = from; k < failures.size(); ++k)
        text += (text.empty() ? "" : "\n") + failures[k];
    throw tanalysisfailure(text.empty() ? "the run failed" : text);
}

std::unique_ptr<tbatchrun> analyse_file_run(const std::string& path,
                                            const std::vector<double>& fullscale,
                                            std::int32_t channel, const tsettinglist& settings) {
    std::unique_ptr<tbatchrun> run = make_run(channel, settings);
    std::vector<std::string> args;
    if (!fullscale.empty()) args.push_back(fullscale_switch(fullscale));
    args.push_back(path);
    run->form.FormActivate(args);
    check_run(*run);
    // A settings file or a stored phonetogram is no analysis.
    if (!run->form.soundfileanalysed)
        throw tanalysisfailure("Cannot analyse " + path + ": it is not a sound file");
    return run;
}

std::unique_ptr<tbatchrun> analyse_samples_run(std::span<const float> samples, std::int32_t nchans,
                                               double fs, const std::vector<double>& fullscale,
                                               std::int32_t channel, const tsettinglist& settings,
                                               const std::string& name) {
    std::unique_ptr<tbatchrun> run = make_run(channel, settings);
    TForm1& form = run->form;
    form.FormActivate({fullscale_switch(fullscale)});
    check_run(*run);
    // As the command line does with a file it opens: what raises is shown and ends the run.
    try {
        form.Open_samples(name, samples, nchans, fs);
        form.fix_things();
    } catch (const std::exception& e) {
        form.ui.message_box(form.progid.ProductName(), e.what(), tmessagekind::error);
    }
    check_run(*run);
    return run;
}

std::unique_ptr<tbatchrun> read_stdpg_run(const std::string& path) {
    if (lowercase_extension(path) != ".stdpg")
        throw tanalysisfailure("Cannot read " + path +
                               ": it is not a stored phonetogram (a .stdpg file)");
    std::unique_ptr<tbatchrun> run = make_run(0, {});
    run->form.FormActivate({path});
    check_run(*run);
    if (run->form.pgs.size() <= std::size_t(firstloadedpg))
        throw tanalysisfailure("Cannot read " + path + ": it was not loaded");
    return run;
}

} // namespace gravon
