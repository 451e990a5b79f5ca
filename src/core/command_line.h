// The main window's command line, read once into the steps it asks for, in their order:
// which argument is a file and which a switch, and what /f gives, is decided here and nowhere
// else. A front end builds the request from its arguments; the main window takes its steps.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace gravon {

// Most entries of commandlinefsd that /f can set.
inline constexpr std::size_t maxcommandlinefsd = 1000;

struct tcommandstep {
    enum class tkind {
        open,      // text: a file, opened by its extension (settings, sound, phonetogram)
        fullscale, // /f: fullscale; text: why the item after them was refused, which ends
                   // the command line
        save,      // /s
        close,     // /c
        syntax,    // /?
        ignored,   // an empty argument, or a switch that is none of these
    };
    tkind kind = tkind::ignored;
    std::string text{};
    std::vector<float> fullscale{};
};

// One argument as the command line reads it.
tcommandstep command_step(const std::string& arg);

// An argument that begins with "/" is a switch, unless it is a path (it holds another "/") or
// names something on disk and is not /c, /s or /?.
bool is_command_switch(const std::string& arg);

// /f's comma-separated list: fullscale gets the items up to the first empty one (at most
// maxcommandlinefsd, from the first 1000 characters). Returns why an item was refused, with
// fullscale holding the items before it; empty when none was.
std::string read_full_scales(const std::string& list, std::vector<float>& fullscale);

// What a front end asks of the main window it starts.
struct twindowrequest {
    // In order. A refused /f ends them when it is taken; what comes after it still tells
    // what the command line meant (closes, saves).
    std::vector<tcommandstep> steps{};
    // A settings folder of the window's own; empty: the user's, or the one its run was given.
    std::string settingsdir{};
    // Then, however the command line ended, the entire area of each recording phonetogram
    // that holds data is selected, as a picture of the window should show it.
    bool selectall = false;

    // Something asks the window to close (/c), so nobody stays to answer its questions.
    bool closes() const;
    // Something saves the results (/s).
    bool saves() const;
};

// The arguments, left to right; those that ask for nothing are left out.
twindowrequest window_request(const std::vector<std::string>& args);

} // namespace gravon
