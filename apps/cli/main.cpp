// gravon-cli: the headless program. It takes the same command line as the desktop program
// (a settings file, /f full-scale values, a sound file, /s, /c, /?, processed left to right)
// plus options of its own that begin with "--".
#include "core/main_window.h"
#include "files/qub_file.h"
#include "files/text_export.h"
#include "headless_interface.h"
#include "phonetogram_summary.h"
#include "track_export.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const helptext =
    "Usage: gravon-cli [options] [<settings file>] [/f<fullscale0>,<fullscale1>...]\n"
    "                  [<sound file>] [/s] [/c] [/?]\n"
    "\n"
    "Analyses sound files the way the desktop program does, without a window. The arguments\n"
    "that do not begin with \"--\" are processed strictly from left to right:\n"
    "  <file>      .wav/.smp: analyse it; .stdpg: load it; .qubfile: load the settings\n"
    "  /f<list>    full scale in Pa per channel of WAV files opened afterwards\n"
    "  /s          save <base>_pg.stdpg, <base>_an.smp and <base>_an.kavell, where <base> is\n"
    "              the last file named before it\n"
    "  /c          close when the command line is done (the headless program always does)\n"
    "  /?          the command-line syntax message\n"
    "\n"
    "Options:\n"
    "  --summary   after the command line, print where the recording phonetograms' time\n"
    "              landed\n"
    "  --tracks FILE  after the command line, write the per-frame analysis tracks of both\n"
    "              channels as CSV (time_s, then per channel accepted, SPL, fo, H1H2, HNR,\n"
    "              Powercentroid, Crestlevel, Maxpartialno, Debug)\n"
    "  --stats     after the command line, select the entire area of each recording\n"
    "              phonetogram that holds data and print the area statistics\n"
    "  --condensed the same in the condensed form (the default show flags)\n"
    "  --export-text FILE  after the command line, write phonetogram 0 with all its\n"
    "              parameters as text tables (the export's default choices)\n"
    "  --settings-dir DIR  keep the settings files (options, advanced settings,\n"
    "              calibration) in DIR instead of the per-user settings folder\n"
    "  --help      this text\n"
    "\n"
    "Exit status: 0 when nothing went wrong; 1 when an error or a warning was shown or a\n"
    "result could not be saved; 2 for a bad option.\n";

} // namespace

int main(int argc, char** argv) {
    using namespace gravon;
    std::vector<std::string> args;
    bool summary = false;
    std::string tracksfile;
    bool stats = false, condensed = false;
    std::string exportfile;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.rfind("--", 0) == 0) {
            if (a == "--help") {
                std::fputs(helptext, stdout);
                return 0;
            } else if (a == "--summary") {
                summary = true;
            } else if (a == "--stats") {
                stats = true;
            } else if (a == "--condensed") {
                condensed = true;
            } else if (a == "--export-text") {
                if (i + 1 >= argc) {
                    std::fprintf(stderr, "gravon-cli: --export-text needs a file name\n");
                    return 2;
                }
                exportfile = argv[++i];
            } else if (a == "--settings-dir") {
                if (i + 1 >= argc) {
                    std::fprintf(stderr, "gravon-cli: --settings-dir needs a folder\n");
                    return 2;
                }
                setenv(settingsdirvariable, argv[++i], 1);
            } else if (a == "--tracks") {
                if (i + 1 >= argc) {
                    std::fprintf(stderr, "gravon-cli: --tracks needs a file name\n");
                    return 2;
                }
                tracksfile = argv[++i];
            } else {
                std::fprintf(stderr, "gravon-cli: unknown option %s (see --help)\n", a.c_str());
                return 2;
            }
            continue;
        }
        args.push_back(a);
    }

    theadlessinterface ui;
    TForm1 form(ui);
    form.batchmode = true;
    try {
        form.FormActivate(args);
        if (summary) print_phonetogram_summary(form, stdout);
        if (stats || condensed) {
            form.select_all_recording_areas();
            for (bool c : {false, true}) {
                if (c ? !condensed : !stats) continue;
                for (const std::string& line : form.statistics_text_lines(c))
                    std::printf("%s\n", line.c_str());
            }
        }
        if (!exportfile.empty()) {
            ttextexportchoices choices;
            choices.pgno = 0;
            check_all_parameters(choices, form, true);
            ttextexportformat format;
            format.nsigdig = form.advanced.nsigdig;
            format.dbformat = form.advanced.dbformat;
            format.binshow = form.binshow_settings();
            try {
                export_phonetogram_text(form, choices, format, exportfile);
            } catch (const std::exception& e) {
                ui.message_box("Cannot save file", e.what(), tmessagekind::error);
            }
        }
        if (!tracksfile.empty() && !write_track_csv(form, tracksfile)) {
            std::fprintf(stderr, "gravon-cli: cannot write the tracks to %s\n", tracksfile.c_str());
            ui.set_failed();
        }
        // Headless, the window closes when the command line is done, whether or not it
        // asked for it.
        if (form.FormCloseQuery()) form.FormClose();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gravon-cli: %s\n", e.what());
        return 1;
    }
    return ui.failed() ? 1 : 0;
}
