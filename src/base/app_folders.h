// The folders the platform offers for application data, and the program's own file name.
// On systems following the XDG base-directory rules the per-user folders are
// $XDG_CONFIG_HOME (default ~/.config) and the all-users folder is the first entry of
// $XDG_CONFIG_DIRS (default /etc/xdg).
#pragma once

#include <string>

namespace gravon {

// The shell-folder ids the storage components ask for.
enum class tappfolder : int {
    roamingappdata = 0x1A, // the user's roaming application data
    localappdata = 0x1C,   // the user's local application data
    commonappdata = 0x23   // application data shared by all users
};

// The folder, without a trailing separator; empty when the platform cannot name it (for a
// per-user folder: neither an absolute $XDG_CONFIG_HOME nor $HOME is set).
std::string app_data_folder(tappfolder which);
// The user's data folder ($XDG_DATA_HOME, default ~/.local/share), for what the program keeps
// that is neither configuration nor a document (the journal of a recording); empty when it
// cannot be named.
std::string user_data_folder();
// The folder of last resort when no application-data folder can be found: the system's
// temporary folder.
std::string system_folder();
// The running program's file name without folder and extension ("gravon"); the product of
// last resort is "program".
std::string program_file_name();

} // namespace gravon
