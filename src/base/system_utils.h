// Temporary files, user and machine names, and copying files.
//
// Paths and names are UTF-8 text.
#pragma once

#include <functional>
#include <string>

namespace gravon {

// Creates a new, empty file in the system's temporary folder and returns its full path. The
// name is "~" + the file-name part of prefix + a random part + ".tmp". Creation is exclusive,
// so two processes (or two calls) never get the same file. Raises EOSError naming the folder
// when no file can be created.
std::string tempfilename(const std::string& prefix);

// The logged-in user's name. Raises EOSError with the system's message when it cannot be read.
std::string username();
// The machine's network name, at most 255 characters; empty when it cannot be read.
std::string computername();

// Copies source to dest in 8192-byte blocks and gives dest the modification time of source.
// processmessages (when set) runs between the reads and writes, so that a user interface stays
// responsive during a long copy. Returns false when a write stores fewer bytes than were read
// (a full disk, for example). Raises EOSError naming the file when source cannot be opened or
// read, or dest cannot be created. Copying a file onto itself leaves it untouched and succeeds.
bool copyfile(const std::string& source, const std::string& dest,
              const std::function<void()>& processmessages = {});

} // namespace gravon
