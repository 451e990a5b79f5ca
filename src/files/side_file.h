// A file written under a temporary name next to its target and renamed over the target only
// once it is complete, so that a failed save never destroys the file that was there. For
// writers that open the file themselves by name (the SMP container); a stream written in one
// go can use TReplacingFile.
#pragma once

#include <filesystem>
#include <string>

namespace gravon {

class TSideFile {
  public:
    // Picks a free name next to the target (a symbolic link is followed, so that the file it
    // points to is replaced, not the link). Raises EOSError when no name is free.
    explicit TSideFile(const std::string& target);
    TSideFile(const TSideFile&) = delete;
    TSideFile& operator=(const TSideFile&) = delete;
    // Removes the temporary file unless commit succeeded.
    ~TSideFile();

    // The temporary name to write to.
    std::string name() const;
    // Renames the temporary file over the target; raises EOSError naming the target.
    void commit();

  private:
    std::filesystem::path ftarget;
    std::filesystem::path ftemp;
    bool fcommitted = false;
};

} // namespace gravon
