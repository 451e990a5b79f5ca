// gravon-cli: the headless program. It takes the same command line as the desktop program
// (a settings file, /f full-scale values, a sound file, /s, /c, /?, processed left to right)
// plus options of its own that begin with "-".
#include "base/number_text.h"
#include "base/pitch.h"
#include "base/prog_id.h"
#include "base/text_utils.h"
#include "cli_options.h"
#include "core/cells_table.h"
#include "core/distance_note.h"
#include "core/guided_run.h"
#include "core/main_window.h"
#include "core/phonetogram_subjects.h"
#include "core/profile_tables.h"
#include "core/provenance.h"
#include "core/replay_notes.h"
#include "core/report.h"
#include "core/run_request.h"
#include "core/settings_override.h"
#include "core/summary_table.h"
#include "core/track_table.h"
#include "files/qub_file.h"
#include "files/text_export.h"
#include "files/voicemap_file.h"
#include "phonetogram/pg_param.h"
#include "phonetogram_summary.h"
#include "qt_parts.h"
#include "track_export.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace gravon;

constexpr int exitok = 0;
constexpr int exiterror = 1;
constexpr int exitusage = 2;
constexpr int exitdoubtful = 3;

// The window's export, over a grid that holds every cell with time: the dialog's default
// ranges, widened where the phonetogram reaches beyond them.
void export_text(TForm1& form, std::int32_t pgno, const std::string& fname) {
    ttextexportchoices choices;
    choices.pgno = pgno;
    check_all_parameters(choices, form, true);
    const tpg& pg = form.pgs[std::size_t(pgno)];
    int lox = 24, hix = 95, loy = 40, hiy = 120;
    if (pg.param.size() > pglayeracctime)
        for (int x = 0; x < nf0bins; ++x)
            for (int y = 0; y < nlevelbins; ++y)
                if (pg.param[pglayeracctime].arr[x][y] > 0) {
                    lox = std::min(lox, x);
                    hix = std::max(hix, x);
                    loy = std::min(loy, y);
                    hiy = std::max(hiy, y);
                }
    choices.lomidiedit = std::to_string(lox);
    choices.himidiedit = std::to_string(hix);
    choices.loleveledit = std::to_string(loy);
    choices.hileveledit = std::to_string(hiy);
    export_phonetogram_text(form, choices, text_export_format(form), fname);
}

constexpr std::int32_t graycolorindex = 7;

constexpr const char* nothingcompared =
    "the baseline has nothing to be compared with: no sound file was analysed and no other "
    "phonetogram with data was loaded (a reference group, or another patient's phonetogram, is "
    "never the current one)";

bool wants_output(const tclioptions& o) {
    return o.summary || o.stats || o.condensed || !o.exportfile.empty() || !o.cellsfile.empty() ||
           !o.contourfile.empty() || !o.summarycsv.empty() || !o.pngfile.empty() ||
           !o.tracksfile.empty() || !o.reportfile.empty() || !o.voicemapfile.empty() || o.compare;
}

// Everything asked for after the command line. Each output that fails says so and the others
// are still made.
// livetracks: the --tracks file a take wrote while it was recorded.
void write_outputs(TForm1& form, const tclioptions& o, const std::string& analysedfile,
                   theadlessinterface& ui, tlivetracks& livetracks) {
    if (!wants_output(o)) return;
    std::vector<std::int32_t> subjects;
    try {
        subjects = output_subjects(form, o.pg);
    } catch (const std::exception& e) {
        ui.error(e.what());
        return;
    }
    // A refused input writes nothing: a summary row, a table or statistics made without it
    // would pass for the result of the whole command line.
    if (ui.failed()) {
        ui.error("no output written, because of the error above");
        return;
    }
    // What is laid over or compared must be at one distance, or the numbers say nothing.
    tell_distance_note(form, form.distance_note());
    if (o.differenceview && !form.difference_view_shown() && form.baseline_pg() >= 0)
        ui.error("--difference-view: " + std::string(nothingcompared));
    // The picture shows what the window shows: no selection, unless asked for.
    if (!o.pngfile.empty()) {
        if (!o.pngselectall) form.clear_area_selection_action();
        std::string why;
        if (!write_phonetogram_png(form, o.pngfile, o.pngwidth, o.pngheight, why))
            ui.error("--png " + o.pngfile + ": " + why);
        if (!o.pngselectall) select_subject_areas(form, subjects);
    }
    // The report's picture likewise; its statistics are those --stats prints.
    if (!o.reportfile.empty()) {
        if (!o.pngselectall) form.clear_area_selection_action();
        std::string why;
        if (!write_report(form, subjects, o.reportfile, why))
            ui.error("--report " + o.reportfile + ": " + why);
        if (!o.pngselectall) select_subject_areas(form, subjects);
    }

    if (o.summary) print_phonetogram_summary(form, subjects, stdout);
    if (o.stats || o.condensed) {
        std::printf("Area statistics of %s. \"Time taken\" counts these bins only; --summary "
                    "counts all the time.\n",
                    area_time_text(form).c_str());
        for (bool c : {false, true}) {
            if (c ? !o.condensed : !o.stats) continue;
            for (const std::string& line : form.statistics_text_lines(c))
                std::printf("%s\n", line.c_str());
        }
    }
    if (o.compare) {
        const std::vector<std::string> lines = form.comparison_text_lines();
        // A baseline that could not be loaded has said so already.
        if (lines.empty() && form.baseline_pg() >= 0)
            ui.error("--compare: " + std::string(nothingcompared));
        for (const std::string& line : lines) std::printf("%s\n", line.c_str());
    }
    const auto attempt = [&](const char* what, const std::string& fname, auto write) {
        if (fname.empty()) return;
        try {
            write();
        } catch (const std::exception& e) {
            ui.error(std::string(what) + " " + fname + ": " + e.what());
        }
    };
    attempt("--export-text", o.exportfile,
            [&] { export_text(form, subjects.front(), o.exportfile); });
    attempt("--export-voicemap", o.voicemapfile,
            [&] { write_voicemap(o.voicemapfile, form.pgs[std::size_t(subjects.front())]); });
    attempt("--cells-csv", o.cellsfile,
            [&] { write_csv(cells_table(form, subjects), o.cellsfile); });
    attempt("--contour-csv", o.contourfile,
            [&] { write_csv(contour_table(form, subjects), o.contourfile); });
    attempt("--summary-csv", o.summarycsv, [&] {
        append_summary_csv(form, subjects, {analysedfile, ui.warnings()}, o.summarycsv);
    });
    if (livetracks.isopen() && !form.analysisisfromsoundfile()) {
        // Still the take whose rows were written as it was analysed.
        if (!livetracks.close(form)) ui.error("--tracks: cannot write " + o.tracksfile);
    } else if (!o.tracksfile.empty()) {
        livetracks.close(form);
        if (!form.soundfileanalysed)
            ui.error("--tracks " + o.tracksfile + ": no sound file was analysed");
        else
            attempt("--tracks", o.tracksfile, [&] { write_csv(track_table(form), o.tracksfile); });
    }
}

// The base name /s saves a take under: --take, or the moment of this run.
std::string take_name(const tclioptions& o) {
    if (!o.takebase.empty()) return o.takebase;
    const auto now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "take-%Y%m%d-%H%M%S", std::localtime(&now));
    return stamp;
}

// The steps of a guided profile and what it reached, one line each, as the take's record
// keeps them.
void print_guided_steps(const tguidedprotocol& p) {
    for (const tguidedstep& s : p.steps())
        std::fprintf(stderr, "gravon-cli: %-4s %-12s %5.1f s\n", notename(s.note, false).c_str(),
                     guided_outcome_text(s.outcome), s.seconds);
    std::fprintf(stderr, "gravon-cli: guided profile %s\n", guided_result_text(p).c_str());
}

// The run the options ask for; its command line is processed as it comes.
trunrequest cli_request(const tclioptions& o) {
    trunrequest r;
    r.channel = o.channel;
    r.settings = o.sets;
    r.settingsdir = o.settingsdir;
    // Only /s saves a file's recording; without it the samples need not be kept, which
    // spares the memory a long file would fill. A take keeps its own.
    r.keepaudio = o.recordseconds > 0 || o.commandline.saves();
    r.session = o.session;
    r.reference = o.reference;
    r.recoverorphans = o.recover;
    r.discardorphans = o.discardorphans;
    r.comparedpg = o.pg;
    r.differenceview = o.differenceview;
    // /s names a recovered take like a recorded one.
    if (o.recordseconds > 0 || o.recover) r.takename = take_name(o);
    r.err = stderr;
    r.verbose = o.verbose;
    return r;
}

// The settings files and /f that come before anything else on the command line apply to the
// take; the rest of the command line acts on it.
void record_from_command_line(TForm1& form, const tclioptions& o, theadlessinterface& ui,
                              tlivetracks& livetracks) {
    const std::vector<tcommandstep>& steps = o.commandline.steps;
    const auto rest = std::find_if(steps.begin(), steps.end(), [](const tcommandstep& s) {
        return s.kind != tcommandstep::tkind::fullscale &&
               !(s.kind == tcommandstep::tkind::open && lowercase_extension(s.text) == ".qubfile");
    });
    form.activate({.steps = {steps.begin(), rest}});
    form.calibrate_live_from_command_line();
    // The rows of the take as it is analysed: a take that is killed leaves them.
    if (!o.tracksfile.empty()) {
        if (livetracks.open(form, o.tracksfile))
            form.onblockanalysed = [&] { livetracks.write_new(form); };
        else
            livetracks.close(form);
    }
    std::string why;
    std::optional<tguidedrun> guided;
    if (o.protocol) {
        tguidedsettings s = *o.protocol;
        // The steps stay on the keyboard.
        s.lowestnote = form.advanced.lokey;
        s.highestnote = form.advanced.lokey + form.advanced.nkeys - 1;
        std::string problem = guided_settings_problem(s);
        if (problem.empty()) problem = guided_refusal(form);
        if (!problem.empty()) {
            ui.error("--protocol: " + problem);
            return;
        }
        guided.emplace(form, s);
    }
    const bool recorded = record_take(form, o.recordseconds, o.device, o.recordevents, why, [&] {
        if (guided) guided->start();
    });
    // A take that never started has no steps to tell of.
    if (guided && !(guided->protocol().finished() && guided->protocol().steps().empty())) {
        if (!guided->protocol().finished()) {
            ui.tell(
                notes_fact("Guided profile", {"the guided profile was not done when the take's " +
                                              floattostrdot(o.recordseconds) + " s were over"}));
            guided->stop();
        }
        print_guided_steps(guided->protocol());
        guided.reset();
    }
    form.onblockanalysed = nullptr;
    if (!recorded) {
        ui.error("--record: " + why);
        return;
    }
    std::fprintf(stderr, "gravon-cli: recorded %.1f s from %s\n",
                 double(form.audiosamples()) / form.advanced.fs,
                 o.device.empty() ? "the default input" : o.device.c_str());
    form.take_as_analysis("the take", true);
    form.execute_steps({rest, steps.end()});
}

} // namespace

int main(int argc, char** argv) {
    tclioptions o;
    try {
        o = parse_cli_options(std::vector<std::string>(argv + 1, argv + argc));
        if (o.help) {
            std::fputs(usage_text(), stdout);
            return exitok;
        }
        if (o.version) {
            std::printf("%s\n", TProgId{}.processing_stamp().c_str());
            return exitok;
        }
        if (o.noarguments) {
            std::fputs(usage_text(), stderr);
            return exitusage;
        }
    } catch (const tusageerror& e) {
        std::fprintf(stderr, "gravon-cli: %s\n\n%s", e.what(), usage_text());
        return exitusage;
    } catch (const tbadvalue& e) {
        std::fprintf(stderr, "gravon-cli: %s\n", e.what());
        return exiterror;
    }

    // The sound card and the pictures need Qt; nothing else does.
    if (needs_qt_parts(o) && !has_qt_parts()) {
        std::string why;
        run_qt_parts_program(argv, why);
        std::fprintf(stderr, "gravon-cli: the sound card, --png and --report need %s: %s\n",
                     qtpartsprogram, why.c_str());
        return exiterror;
    }
    const std::shared_ptr<void> app = start_qt_application(o, argc, argv);
    if (o.listdevices) {
        print_audio_devices(stdout);
        if (o.commandline.steps.empty() && o.recordseconds <= 0 && !o.recover) return exitok;
    }

    std::unique_ptr<tbatchrun> run;
    try {
        run = start_run(cli_request(o));
    } catch (const tusageerror& e) {
        std::fprintf(stderr, "gravon-cli: %s\n\n%s", e.what(), usage_text());
        return exitusage;
    }
    TForm1& form = run->form;
    theadlessinterface& ui = run->ui;
    tlivetracks livetracks;
    try {
        if (o.recordseconds > 0) {
            record_from_command_line(form, o, ui, livetracks);
        } else {
            form.activate(o.commandline);
            if (o.recover && !form.frames() && !ui.failed())
                ui.tell(notes_fact(doubtfulcaption, {"--recover: no orphaned take was found"}));
            if (o.recover && form.frames()) {
                form.take_as_analysis("the recovered take", false);
            }
        }
        if (!o.baselinefile.empty()) {
            // After the command line, so that the phonetograms it loads keep their numbers.
            const std::int32_t k = std::max(form.nchans(), firstloadedpg);
            if (form.open_stdpg(o.baselinefile, k)) {
                // Another patient's is compared only when someone says so, and nobody is here.
                const std::string why = form.other_patient_text(k);
                if (!form.set_baseline_pg(k, true))
                    ui.error("--baseline " + o.baselinefile + ": " + why +
                             " Sessions of two patients are not compared.");
                // In grey under the current one on the pictures: a loaded phonetogram would
                // otherwise take the left channel's blue.
                set_pgcolor(form, k, graycolorindex);
            } else if (!ui.failed())
                ui.error("--baseline " + o.baselinefile + ": cannot be loaded");
        }
        // After the settings files and --set, whose display threshold decides what the
        // members reach; loaded before the outputs, which then draw it.
        if (!o.referencegroup.empty()) form.make_reference_group(o.groupmembers, o.referencegroup);
        write_outputs(form, o, o.recordseconds > 0 ? form.takebasename : form.analysedfilename, ui,
                      livetracks);
        // Headless, the window closes when the command line is done, whether or not it
        // asked for it. Nobody decided about a take that was not saved: its journal stays.
        const std::string journal = form.journal.filename();
        const double held = form.journalled_seconds();
        const double take = std::max(form.audiosamples(), 0) / form.storefs;
        if (form.FormCloseQuery()) form.FormClose();
        std::error_code ec;
        if (!journal.empty() && std::filesystem::exists(journal, ec)) {
            // Only what the journal holds comes back: after a failed write, that is not all.
            if (held + 0.05 < take)
                std::fprintf(stderr,
                             "gravon-cli: only the first %.1f s of the %.1f s take stay in its "
                             "journal %s; the rest is lost (--recover brings back that part, "
                             "--discard-orphans removes it)\n",
                             held, take, journal.c_str());
            else
                std::fprintf(stderr,
                             "gravon-cli: the take stays in its journal %s (--recover brings "
                             "it back, --discard-orphans removes it)\n",
                             journal.c_str());
        }
    } catch (const std::exception& e) {
        ui.error(e.what());
    }
    if (ui.failed()) return exiterror;
    return ui.warnings().empty() ? exitok : exitdoubtful;
}
