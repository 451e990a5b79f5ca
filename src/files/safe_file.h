// The one way Gravon writes a file. The data go to a temporary file in the target's folder;
// every write, the final sync and the close are checked, and only a complete file is renamed
// over the target. A save that fails raises an error naming the target, removes its temporary
// file and leaves the file that was there untouched.
//
// A temporary file carries the writer's process and host in its name, so that one left behind
// by a writer that was killed is recognised and removed by the next save into that folder.
#pragma once

#include "files/file_descriptor.h"

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

namespace gravon {

class TSafeFile {
  public:
    // Creates the temporary file, and with makefolders the target's missing folders (else a
    // missing folder is an error). A target that is a device or a pipe (/dev/stdout) is
    // written in place, since it cannot be replaced. Raises EOSError naming the target.
    explicit TSafeFile(const std::string& target, bool makefolders = false);
    TSafeFile(const TSafeFile&) = delete;
    TSafeFile& operator=(const TSafeFile&) = delete;
    // Removes the temporary file unless commit succeeded.
    ~TSafeFile();

    const std::string& target() const { return ftarget; }
    // The temporary file's name (the target's, written in place), for a writer that opens
    // the file itself; that writer checks its own writes and closes its file before commit.
    const std::string& name() const { return ftempname; }

    // Raises EOSError naming the target when the bytes cannot be written.
    void write(std::string_view bytes);
    // A stream onto the file; a failed write is kept and raised by commit.
    std::ostream& stream();
    // Syncs, closes and renames over the target; raises EOSError naming the target.
    void commit();

  private:
    class tbuffer;
    [[noreturn]] void fail(const std::string& what, int err) const;
    std::string ftarget;
    std::filesystem::path ftargetpath;
    std::filesystem::path ftemppath;
    std::string ftempname;
    tfiledescriptor ffd;
    bool finplace = false;
    int fmode = -1;
    bool fcommitted = false;
    int fwriteerror = 0;
    std::unique_ptr<tbuffer> fbuffer;
    std::unique_ptr<std::ostream> fstream;
};

// Writes bytes as the whole content of target through TSafeFile.
void write_file_safely(const std::string& target, std::string_view bytes, bool makefolders = false);

// Appends bytes to the open file fd (named target) and syncs it. When a write or the sync
// fails, the file is cut back to the length it had, so that no partial line stays, and
// EOSError naming the target is raised. The caller holds the file locked against other
// appending processes.
void append_file_safely(int fd, const std::string& target, std::string_view bytes);

// Removes the temporary files of this host's Gravon processes that have ended from folder;
// another process's that still runs, or another host's, are left alone. Returns how many it
// removed.
int remove_stale_temporaries(const std::filesystem::path& folder);

} // namespace gravon
