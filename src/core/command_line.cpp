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

// On this platform absolute paths begin with "/" like the switches do. The switches never
// contain a second "/", so an argument that does, or that names something on disk and is
// not one of the switches, is a file name.
bool is_switch(const std::string& arg) {
    if (arg.empty() || arg[0] != '/') return false;
    if (arg == "/c" || arg == "/s" || arg == "/?") return true;
    if (arg.find('/', 1) != std::string::npos) return false;
    std::error_code ec;
    return !std::filesystem::exists(arg, ec);
}

// A full scale of zero or less would turn the sound into silence or flip it; it is never
// meant. item: the value as the user gave it.
float full_scale(double v, const std::string& item) {
    if (!std::isfinite(v) || !(v > 0))
        throw EConvertError("'" + item +
                            "' is not a valid full scale: it must be a positive number of Pa");
    return float(v);
}

} // namespace

std::string batch_save_name(const std::string& base, const std::string& suffix,
                            const std::string& ext) {
    return change_extension(insertbeforeext(base, suffix), ext);
}

void TForm1::set_commandlinefsd(const std::string& list) {
    commandlinefsd.clear();
    const std::string items = list.substr(0, 1000);
    for (std::size_t k = 0; k < maxcommandlinefsd; ++k) {
        const std::string item = commafield(items, int(k) + 1);
        if (item.empty()) break;
        double v = 0;
        try {
            v = strtofloatdot(item);
        } catch (const EConvertError&) {
            throw EConvertError("'" + item + "' is not a valid floating point value");
        }
        commandlinefsd.push_back(full_scale(v, item));
    }
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
    std::string base = takebasename;
    for (const std::string& arg : args) {
        if (arg.empty()) continue;
        try {
            if (!is_switch(arg)) {
                open_any_file(arg);
                base = arg;
            } else if (arg == "/c") {
                closerequested = true;
                ui.request_close();
            } else if (arg == "/s") {
                batch_save(base);
            } else if (arg.compare(0, 2, "/f") == 0) {
                set_commandlinefsd(arg.substr(2));
            } else if (arg == "/?") {
                ui.tell(message_fact("Gravon command line syntax", syntax_text(syntaxprogramname),
                                     tmessagekind::information));
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
