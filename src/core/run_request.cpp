#include "core/run_request.h"

#include "base/text_utils.h"
#include "core/settings_override.h"
#include "phonetogram/pg_list.h"

namespace gravon {

namespace {

// As the command line opens a file: what raises is said and ends the source.
template <class tf> void said(TForm1& form, tf open) {
    try {
        open();
    } catch (const std::exception& e) {
        form.ui.tell(message_fact(form.progid.ProductName(), e.what(), tmessagekind::error));
    }
}

// Why the source did not give what the request wants; empty when it did.
std::string unwanted(const TForm1& form, const trunsource& s, trunwant want) {
    const std::string& name = s.path.empty() ? s.name : s.path;
    if (want == trunwant::analysis && !form.soundfileanalysed)
        return "Cannot analyse " + name + ": it is not a sound file";
    if (want == trunwant::phonetogram && form.pgs.size() <= std::size_t(firstloadedpg))
        return "Cannot read " + name + ": it was not loaded";
    return "";
}

} // namespace

std::string trunresult::failure_text() const {
    std::string text;
    for (const std::string& f : failures) text += (text.empty() ? "" : "\n") + f;
    return text;
}

std::unique_ptr<tbatchrun> start_run(const trunrequest& request) {
    auto run = std::make_unique<tbatchrun>(request.err, request.verbose, request.channel,
                                           settings_overrides(request.settings));
    TForm1& form = run->form;
    form.progid.setSettingsDir(request.settingsdir);
    form.storeaudio = request.keepaudio;
    form.commandlinesession = request.session;
    form.commandlinereference = request.reference;
    form.recoverorphans = request.recoverorphans;
    form.discardorphans = request.discardorphans;
    form.takebasename = request.takename;
    form.comparedpgoption = request.comparedpg;
    form.differenceview = request.differenceview;
    return run;
}

void check_request(const trunrequest& request) {
    settings_overrides(request.settings);
}

std::vector<std::string> run_failures(const tbatchrun& run, std::size_t from) {
    const std::vector<std::string>& all = run.ui.failures();
    std::vector<std::string> failures(all.begin() + std::ptrdiff_t(std::min(from, all.size())),
                                      all.end());
    if (failures.empty() && from == 0 && run.ui.failed()) failures.push_back("the run failed");
    return failures;
}

trunresult run_request(const trunrequest& request) {
    trunresult r;
    r.run = start_run(request);
    TForm1& form = r.run->form;
    form.activate({});
    for (const trunsource& s : request.sources) {
        if (request.want == trunwant::phonetogram && lowercase_extension(s.path) != ".stdpg") {
            r.failures.push_back("Cannot read " + s.path +
                                 ": it is not a stored phonetogram (a .stdpg file)");
            break;
        }
        said(form, [&] { form.set_full_scales(s.fullscale); });
        if (r.run->ui.failed()) break;
        // A source is a file, whatever its name looks like.
        if (!s.path.empty())
            form.execute_steps({{.kind = tcommandstep::tkind::open, .text = s.path}});
        else
            said(form, [&] {
                form.Open_samples(s.name, s.samples, s.nchans, s.fs);
                form.fix_things();
            });
        if (r.run->ui.failed()) break;
        if (const std::string why = unwanted(form, s, request.want); !why.empty()) {
            r.failures.push_back(why);
            break;
        }
    }
    if (r.failures.empty()) r.failures = run_failures(*r.run);
    r.notes = r.run->ui.warnings();
    r.analysedfile = form.analysedfilename;
    return r;
}

} // namespace gravon
