#include "cli_options.h"

#include "core/phonetogram_subjects.h"
#include "phonetogram/session_record.h"

#include <charconv>
#include <stdexcept>

namespace gravon {

namespace {

const char* const usagetext =
    "Usage: gravon-cli [options] [<settings file>] [/f<fullscale0>,<fullscale1>...]\n"
    "                  [<sound file>] [/s] [/c] [/?]\n"
    "\n"
    "Analyses sound files the way the desktop program does, without a window. The arguments\n"
    "that do not begin with \"-\" are processed strictly from left to right:\n"
    "  <file>      a sound file (.smp, .wav, .flac, .ogg, .oga, .opus, .mp3, .aif, .aiff,\n"
    "              .aifc, .w64, .rf64, .caf): analysed into the left phonetogram;\n"
    "              .stdpg: a stored phonetogram, loaded; .qubfile: settings, loaded\n"
    "  /f<list>    full scale in Pa (a positive number) per file channel, for the sound\n"
    "              files opened after it; without it levels are relative to 1 Pa\n"
    "  /s          save <base>_pg.stdpg, <base>_an.smp and <base>_an.kavell, where <base> is\n"
    "              the last file named before it (only after a successful analysis)\n"
    "  /c          close when the command line is done (the headless program always does)\n"
    "  /?          the command-line syntax message\n"
    "Switches are lower case; any other argument that begins with \"/\" and names no file is\n"
    "an error.\n"
    "\n"
    "Options (anywhere on the line):\n"
    "  --channel N        analyse channel N of the sound files (from 0; default 0)\n"
    "  --reference START-END:LEVEL[A][@MM]\n"
    "                     the full scale of the sound files from a reference recorded in\n"
    "                     them: the stretch START to END seconds has LEVEL dB SPL (LEVEL A:\n"
    "                     dB(A), measured through the A-weighting), read at MM mm if given;\n"
    "                     e.g. 0.5-3.5:94 for a 94 dB calibrator. It replaces /f\n"
    "  --set KEY=VALUE    an advanced setting or option by its key in the settings files\n"
    "                     (e.g. LofoLimit=80, NoiseLo0=20, BinningMethod=1, TimeThreshold=0.1);\n"
    "                     it overrides every settings file, with the same checks\n"
    "  --settings-dir DIR keep the settings files (options, advanced settings, calibration)\n"
    "                     in DIR instead of the per-user settings folder\n"
    "  --pg N             the phonetogram the outputs below describe (0, 1: the recording's\n"
    "                     left and right; 2 and up: loaded .stdpg files in order). Default:\n"
    "                     the recording phonetograms that hold data, else the first loaded\n"
    "  --summary          print where the phonetograms' time landed (all of their time)\n"
    "  --stats            print the area statistics of the entire shown area\n"
    "  --condensed        the same in the condensed form (the default show flags)\n"
    "  --cells-csv FILE   one CSV row per cell with time: note, frequency, level, time,\n"
    "                     each measure, whether the cell is shown and inside the area\n"
    "  --contour-csv FILE the softest and loudest level of the entire shown area at each\n"
    "                     semitone: channel,midi,note,f0_hz,spl_min_db,spl_max_db\n"
    "  --summary-csv FILE one CSV row per phonetogram, appended (the header only when the\n"
    "                     file is new): a corpus run builds one table\n"
    "  --tracks FILE      the per-frame analysis tracks of both channels as CSV\n"
    "  --export-text FILE the phonetogram's parameters as text tables (the window's export)\n"
    "  --export-voicemap FILE  the phonetogram as the voice-map CSV of other voice-map\n"
    "                     tools (MIDI;dB;Total;Clarity;Crest;SpecBal;CPP and the other layers)\n"
    "  --png FILE         a picture of the phonetogram view as the window shows it; --size WxH\n"
    "                     (default 800x600)\n"
    "  --select-all       the picture shows the entire area selected\n"
    "  --session KEY=VALUE\n"
    "                     a field of the session record of the takes and files analysed:\n"
    "                     patient, name, born, sex, clinician, date, task, notes (e.g.\n"
    "                     --session name=\"Anna Berg\" --session task=\"Singing profile\");\n"
    "                     it is saved in the .stdpg and .smp files and printed on the report\n"
    "  --report FILE      a one-page A4 report as PDF: the session record, the calibration,\n"
    "                     the phonetogram as --png draws it and the area statistics as\n"
    "                     --stats prints them\n"
    "  --baseline FILE    a stored phonetogram (.stdpg) of an earlier session, loaded after the\n"
    "                     command line as the baseline of the current phonetogram (the\n"
    "                     recording's, or --pg): --report adds the table of changes; one\n"
    "                     of another patient ID than the current one is refused\n"
    "  --compare          print the baseline and the current phonetogram side by side with\n"
    "                     the change: area, fo range, SPL range, Leq, the softest SPL at the\n"
    "                     semitones both reach, the cells in one only and in both; each is\n"
    "                     measured over the entire shown area, as --stats measures it\n"
    "  --difference-view  the picture colours the cells of the baseline only, of the current\n"
    "                     phonetogram only and of both\n"
    "  --reference-group OUT MEMBER...\n"
    "                     make a reference group of the stored phonetograms MEMBER... (.stdpg,\n"
    "                     at least two; every argument after OUT up to the next option or\n"
    "                     switch): for each cell the share of them that reach it, as the\n"
    "                     view shows it (TimeThreshold and the other display settings). It\n"
    "                     is saved as OUT and loaded, so that --png and --report draw its\n"
    "                     outlines\n"
    "  --record SECONDS   first record a take of SECONDS of sound (counted in the samples\n"
    "                     received) from a sound card, through the same recorder and\n"
    "                     analysis as the window's (the calibration file, or /f before it,\n"
    "                     gives its full scale); the rest of the command line and the\n"
    "                     outputs then act on the take\n"
    "  --record-events LIST\n"
    "                     what happens during the take, as at the window: a comma-separated\n"
    "                     list of pause@FROM-TO (paused from FROM to TO seconds of sound\n"
    "                     after its first sample) and key@MIDI:FROM-TO (the keyboard tone\n"
    "                     of key MIDI held), e.g. \"pause@1.5-2.5,key@60:3.0-3.8\"\n"
    "  --protocol vrp[,KEY=VALUE...]\n"
    "                     the take is a guided voice range profile: prompt tones from a start\n"
    "                     note down, then up, each asking for the softest and the loudest /a/;\n"
    "                     it ends by itself (or after --record SECONDS) and prints its steps.\n"
    "                     Keys: start=NOTE (A3 or a MIDI number; default A3), step=1|2\n"
    "                     (semitones; default 1), tone=S (1.5), phonation=S (soft and loud\n"
    "                     voice wanted at each note; 0.5), limit=S (a step at most; 20)\n"
    "  --device NAME      the input device to record from (default: the system's default)\n"
    "  --take BASE        base name under which /s saves the take (default take-<date>-<time>)\n"
    "  --list-devices     print the input and output devices by name\n"
    "  --recover          recover a take that a crash or kill left behind in the journal\n"
    "                     folder (the window offers this at start-up); its journal is kept\n"
    "                     until /s saves the take or --discard-orphans is given\n"
    "  --discard-orphans  discard the orphaned takes the run meets: the recovered take's\n"
    "                     journal once the outputs are written, a journal that cannot be\n"
    "                     recovered, and without --recover every orphaned take\n"
    "  --verbose          also say which questions were answered No\n"
    "  --version          print the program's name and version (as saved files record it)\n"
    "  -h, --help         this text\n"
    "\n"
    "Times: --summary, time_all_s and voiced time count all the time in a phonetogram;\n"
    "--stats and the in-area columns count the entire shown area: the bins whose time (with\n"
    "support from their neighbours) exceeds the display threshold (TimeThreshold, 0.04 s by\n"
    "default), and the empty or hidden bins they enclose.\n"
    "\n"
    "Exit status: 0 all went well; 1 an error (a file that could not be analysed, loaded or\n"
    "written; a bad value); 2 a bad option or switch (the usage is printed); 3 the results\n"
    "were written but a warning says they are doubtful (no background noise measured,\n"
    "clipping, uncalibrated input, channels not analysed, a truncated file, no voice found).\n";

// "vrp" with the settings that differ from the defaults; raises tusageerror for another
// protocol or an unknown key, tbadvalue for settings that cannot be used together.
tguidedsettings parse_protocol(const std::string& text) {
    tguidedsettings s;
    std::size_t at = text.find(',');
    if (text.substr(0, at) != "vrp")
        throw tusageerror("--protocol knows vrp (the guided voice range profile), not \"" +
                          text.substr(0, at) + "\"");
    while (at != std::string::npos) {
        const std::size_t next = text.find(',', at + 1);
        const std::string item =
            text.substr(at + 1, next == std::string::npos ? next : next - at - 1);
        at = next;
        const std::size_t eq = item.find('=');
        const std::string key = item.substr(0, eq);
        const std::string v = eq == std::string::npos ? std::string() : item.substr(eq + 1);
        double x = 0;
        const char* end = v.data() + v.size();
        const auto r = std::from_chars(v.data(), end, x);
        const bool number = !v.empty() && r.ec == std::errc() && r.ptr == end;
        if (key == "start") {
            const std::optional<std::int32_t> n = parse_note(v);
            if (!n)
                throw tusageerror("--protocol: start is a note such as A3 or a MIDI number, "
                                  "not \"" +
                                  v + "\"");
            s.startnote = *n;
        } else if (key == "step") {
            if (v != "1" && v != "2")
                throw tusageerror("--protocol: step is 1 (semitones) or 2 (whole tones), not \"" +
                                  v + "\"");
            s.stepsize = v == "1" ? 1 : 2;
        } else if (key == "tone" || key == "phonation" || key == "limit") {
            if (!number)
                throw tusageerror("--protocol: " + key + " is a number of seconds, not \"" + v +
                                  "\"");
            (key == "tone" ? s.tonetime : key == "phonation" ? s.phonationtime : s.steplimit) = x;
        } else {
            throw tusageerror("--protocol: \"" + item +
                              "\" is none of start=NOTE, step=1|2, tone=S, phonation=S, "
                              "limit=S");
        }
    }
    if (const std::string why = guided_settings_problem(s); !why.empty())
        throw tbadvalue("--protocol: " + why);
    return s;
}

std::int32_t int_value(const std::string& option, const std::string& text, std::int32_t lo,
                       std::int32_t hi) {
    std::int32_t v = 0;
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, v);
    if (text.empty() || r.ec != std::errc() || r.ptr != end || v < lo || v > hi)
        throw tusageerror(option + " needs a whole number from " + std::to_string(lo) + " to " +
                          std::to_string(hi) + ", not \"" + text + "\"");
    return v;
}

} // namespace

const char* usage_text() {
    return usagetext;
}

tclioptions parse_cli_options(const std::vector<std::string>& argv) {
    tclioptions o;
    o.noarguments = argv.empty();
    for (std::size_t i = 0; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        const auto value = [&](const char* what) -> const std::string& {
            if (i + 1 >= argv.size()) throw tusageerror(a + " needs " + what);
            return argv[++i];
        };
        if (a.size() > 1 && a[0] == '-') {
            if (a == "--help" || a == "-h") {
                o.help = true;
            } else if (a == "--version") {
                o.version = true;
            } else if (a == "--verbose") {
                o.verbose = true;
            } else if (a == "--summary") {
                o.summary = true;
            } else if (a == "--stats") {
                o.stats = true;
            } else if (a == "--condensed") {
                o.condensed = true;
            } else if (a == "--export-text") {
                o.exportfile = value("a file name");
            } else if (a == "--tracks") {
                o.tracksfile = value("a file name");
            } else if (a == "--export-voicemap") {
                o.voicemapfile = value("a file name");
            } else if (a == "--cells-csv") {
                o.cellsfile = value("a file name");
            } else if (a == "--contour-csv") {
                o.contourfile = value("a file name");
            } else if (a == "--summary-csv") {
                o.summarycsv = value("a file name");
            } else if (a == "--png") {
                o.pngfile = value("a file name");
            } else if (a == "--select-all") {
                o.pngselectall = true;
            } else if (a == "--size") {
                const std::string v = value("a size WxH, e.g. 800x600");
                const std::size_t x = v.find('x');
                if (x == std::string::npos)
                    throw tusageerror("--size needs WxH, not \"" + v + "\"");
                o.pngwidth = int_value("--size (width)", v.substr(0, x), 16, 8192);
                o.pngheight = int_value("--size (height)", v.substr(x + 1), 16, 8192);
            } else if (a == "--settings-dir") {
                o.settingsdir = value("a folder");
            } else if (a == "--channel") {
                o.channel = int_value(a, value("a channel number"), 0, 65535);
            } else if (a == "--pg") {
                o.pg = int_value(a, value("a phonetogram number"), 0, maxpgnumber);
            } else if (a == "--record") {
                const std::string v = value("a number of seconds");
                double sec = 0;
                const char* end = v.data() + v.size();
                const auto r = std::from_chars(v.data(), end, sec);
                if (v.empty() || r.ec != std::errc() || r.ptr != end || !(sec > 0) || sec > 1800)
                    throw tusageerror("--record needs a number of seconds from 0 to 1800, not \"" +
                                      v + "\"");
                o.recordseconds = sec;
            } else if (a == "--protocol") {
                o.protocol = parse_protocol(value("vrp, e.g. vrp,start=A3,step=2"));
            } else if (a == "--device") {
                o.device = value("a device name (--list-devices lists them)");
            } else if (a == "--take") {
                o.takebase = value("a base name");
            } else if (a == "--list-devices") {
                o.listdevices = true;
            } else if (a == "--recover") {
                o.recover = true;
            } else if (a == "--discard-orphans") {
                o.discardorphans = true;
            } else if (a == "--record-events") {
                const std::string v = value("a list of events, e.g. pause@1.5-2.5,key@60:3-3.8");
                try {
                    o.recordevents = parse_record_events(v);
                } catch (const std::invalid_argument& e) {
                    throw tusageerror("--record-events: " + std::string(e.what()));
                }
            } else if (a == "--reference") {
                std::string why;
                bool badvalue = false;
                o.reference =
                    parse_reference(value("START-END:LEVEL, e.g. 0.5-3.5:94"), why, &badvalue);
                if (!o.reference && badvalue) throw tbadvalue("--reference: " + why);
                if (!o.reference) throw tusageerror("--reference: " + why);
            } else if (a == "--session") {
                const std::string v = value("KEY=VALUE, e.g. name=\"Anna Berg\"");
                const std::size_t eq = v.find('=');
                const tsessionfield* f =
                    eq == std::string::npos ? nullptr : session_field(v.substr(0, eq));
                if (!f)
                    throw tusageerror("--session needs KEY=VALUE with KEY one of patient, name, "
                                      "born, sex, clinician, date, task, notes; not \"" +
                                      v + "\"");
                const std::string text = v.substr(eq + 1);
                if (utf8_length(text) > f->maxchars)
                    throw tusageerror("--session " + std::string(f->key) + ": at most " +
                                      std::to_string(f->maxchars) + " characters, not " +
                                      std::to_string(utf8_length(text)));
                o.session.emplace_back(f->key, text);
            } else if (a == "--baseline") {
                o.baselinefile = value("a phonetogram file (.stdpg)");
            } else if (a == "--compare") {
                o.compare = true;
            } else if (a == "--difference-view") {
                o.differenceview = true;
            } else if (a == "--reference-group") {
                o.referencegroup = value("the group's file name and the members' files");
                o.groupmembers.clear();
                while (i + 1 < argv.size() && !(argv[i + 1].size() > 1 && argv[i + 1][0] == '-') &&
                       !is_command_switch(argv[i + 1]))
                    o.groupmembers.push_back(argv[++i]);
                if (o.groupmembers.empty())
                    throw tusageerror("--reference-group needs the members' files after " +
                                      o.referencegroup);
            } else if (a == "--report") {
                o.reportfile = value("a file name");
            } else if (a == "--set") {
                const std::string v = value("KEY=VALUE");
                if (v.find('=') == std::string::npos || v.front() == '=')
                    throw tusageerror("--set needs KEY=VALUE, not \"" + v + "\"");
                o.sets.push_back(v);
            } else {
                throw tusageerror("unknown option " + a);
            }
            continue;
        }
        // The window ignores switches it does not know; here a typing error must not pass
        // unseen (/F14.1 would leave the file uncalibrated).
        tcommandstep step = command_step(a);
        if (step.kind == tcommandstep::tkind::ignored && is_command_switch(a))
            throw tusageerror("unknown switch " + a +
                              " (the switches are /f, /s, /c and /?, in lower case)");
        if (step.kind != tcommandstep::tkind::ignored)
            o.commandline.steps.push_back(std::move(step));
    }
    if (o.protocol && o.recordseconds <= 0) throw tusageerror("--protocol needs --record");
    if (!o.recordevents.empty() && o.recordseconds <= 0)
        throw tusageerror("--record-events needs --record");
    if (o.reference && o.recordseconds > 0)
        throw tusageerror("--reference measures a reference in a sound file, not in a take "
                          "recorded with --record (/f gives a take's full scale)");
    if ((o.compare || o.differenceview) && o.baselinefile.empty())
        throw tusageerror(std::string(o.compare ? "--compare" : "--difference-view") +
                          " needs --baseline FILE.stdpg");
    return o;
}

} // namespace gravon
