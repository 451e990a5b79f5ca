#include "core/command_line.h"

#include "base/errors.h"
#include "base/number_text.h"
#include "base/text_utils.h"
#include "core/main_window.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>

namespace gravon {

namespace {

// The syntax message; program replaces the desktop program's name in the syntax line and the
// example when it is not empty.
std::string syntax_text(const std::string& program) {
    const std::string name = program.empty() ? "Gravon" : program;
    const std::string example = program.empty() ? "gravon" : program;
    return "Command line syntax:\r" + name +
           " [<settings file name>] /f<fullscale> [<calibrated smp file name>] [/s] [/c] [/?]\r"
           "/s saves analysis and phonetogram\r/c closes Gravon\r"
           "/f<fullscale0>,<fullscale1>... Sets full scale in Pa for wav file\r/? shows this "
           "message box\rExample:\r" +
           example +
           " /f14.1 testfile.wav /s /c\rNote that the order of the command line parameters "
           "matter.";
}

// A full scale of zero or less would turn the sound into silence or flip it; it is never
// meant. item: the value as the user gave it.
float full_scale(double v, const std::string& item) {
    if (!std::isfinite(v) || !(v > 0))
        throw EConvertError("'" + item +
                            "' is not a valid full scale: it must be a positive number of Pa");
    return float(v);
}

// One item of /f in Pa; raises EConvertError naming it when it is no full scale.
float full_scale_item(const std::string& item) {
    double v = 0;
    try {
        v = strtofloatdot(item);
    } catch (const EConvertError&) {
        throw EConvertError("'" + item + "' is not a valid floating point value");
    }
    return full_scale(v, item);
}

bool has_step(const twindowrequest& r, tcommandstep::tkind kind) {
    return std::any_of(r.steps.begin(), r.steps.end(),
                       [kind](const tcommandstep& s) { return s.kind == kind; });
}

} // namespace

std::string batch_save_name(const std::string& base, const std::string& suffix,
                            const std::string& ext) {
    return change_extension(insertbeforeext(base, suffix), ext);
}

// On this platform absolute paths begin with "/" like the switches do. The switches never
// contain a second "/", so an argument that does, or that names something on disk and is
// not one of the switches, is a file name.
bool is_command_switch(const std::string& arg) {
    if (arg.empty() || arg[0] != '/') return false;
    if (arg == "/c" || arg == "/s" || arg == "/?") return true;
    if (arg.find('/', 1) != std::string::npos) return false;
    std::error_code ec;
    return !std::filesystem::exists(arg, ec);
}

std::string read_full_scales(const std::string& list, std::vector<float>& fullscale) {
    fullscale.clear();
    const std::string items = list.substr(0, 1000);
    for (std::size_t k = 0; k < maxcommandlinefsd; ++k) {
        const std::string item = commafield(items, int(k) + 1);
        if (item.empty()) break;
        try {
            fullscale.push_back(full_scale_item(item));
        } catch (const EConvertError& e) {
            return e.what();
        }
    }
    return "";
}

tcommandstep command_step(const std::string& arg) {
    using tkind = tcommandstep::tkind;
    if (arg.empty()) return {};
    if (!is_command_switch(arg)) return {.kind = tkind::open, .text = arg};
    if (arg == "/c") return {.kind = tkind::close};
    if (arg == "/s") return {.kind = tkind::save};
    if (arg == "/?") return {.kind = tkind::syntax};
    if (arg.compare(0, 2, "/f") == 0) {
        tcommandstep s{.kind = tkind::fullscale};
        s.text = read_full_scales(arg.substr(2), s.fullscale);
        return s;
    }
    return {.kind = tkind::ignored, .text = arg};
}

bool twindowrequest::closes() const {
    return has_step(*this, tcommandstep::tkind::close);
}

bool twindowrequest::saves() const {
    return has_step(*this, tcommandstep::tkind::save);
}

twindowrequest window_request(const std::vector<std::string>& args) {
    twindowrequest r;
    for (const std::string& arg : args)
        if (tcommandstep s = command_step(arg); s.kind != tcommandstep::tkind::ignored)
            r.steps.push_back(std::move(s));
    return r;
}

void TForm1::set_commandlinefsd(const std::string& list) {
    if (const std::string why = read_full_scales(list, commandlinefsd); !why.empty())
        throw EConvertError(why);
}

void TForm1::set_full_scales(const std::vector<double>& fullscale) {
    commandlinefsd.clear();
    for (std::size_t k = 0; k < std::min(fullscale.size(), maxcommandlinefsd); ++k) {
        // Named by the shortest text that reads back as the same number, as a user types it.
        char buf[64];
        const auto r = std::to_chars(buf, buf + sizeof buf, fullscale[k]);
        commandlinefsd.push_back(full_scale(fullscale[k], std::string(buf, r.ptr)));
    }
}

bool TForm1::execute_command_line(const std::vector<std::string>& args) {
    return execute_steps(window_request(args).steps);
}

bool TForm1::execute_steps(const std::vector<tcommandstep>& steps) {
    using tkind = tcommandstep::tkind;
    std::string base = takebasename;
    for (const tcommandstep& s : steps) {
        try {
            switch (s.kind) {
            case tkind::open:
                open_any_file(s.text);
                base = s.text;
                break;
            case tkind::close:
                closerequested = true;
                ui.request_close();
                break;
            case tkind::save:
                batch_save(base);
                break;
            case tkind::fullscale:
                commandlinefsd = s.fullscale;
                if (!s.text.empty()) throw EConvertError(s.text);
                break;
            case tkind::syntax:
                ui.tell(message_fact("Gravon command line syntax", syntax_text(syntaxprogramname),
                                     tmessagekind::information));
                break;
            case tkind::ignored:
                break;
            }
        } catch (const std::exception& e) {
            ui.tell(message_fact(progid.ProductName(), e.what(), tmessagekind::error));
            return false;
        }
    }
    return true;
}

void TForm1::batch_save(const std::string& base) {
    if (policy.savesonlyanalysis && !soundfileanalysed) {
        ui.tell(message_fact("Nothing saved",
                             base.empty()
                                 ? std::string("/s: no sound file was analysed before it")
                                 : "/s: nothing saved for " + base + ": no analysis of it was made",
                             tmessagekind::error));
        return;
    }
    save_stdpg_action(batch_save_name(base, "_pg", ".stdpg"), 0);
    save_smp_action(batch_save_name(base, "_an", ".smp"));
    save_kavell_action(batch_save_name(base, "_an", ".kavell"));
}

} // namespace gravon
