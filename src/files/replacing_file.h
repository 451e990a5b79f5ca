// Writing a file so that it is replaced in one step: the data go to a temporary file next to
// the target, which is renamed over the target only when everything was written. A failed or
// interrupted save therefore leaves the previous file intact.
#pragma once

#include <fstream>
#include <string>

namespace gravon {

class TReplacingFile {
  public:
    // Creates the missing folders of the target's path and opens the temporary file.
    // Raises EOSError naming the target when that fails.
    explicit TReplacingFile(std::string target);
    TReplacingFile(const TReplacingFile&) = delete;
    TReplacingFile& operator=(const TReplacingFile&) = delete;
    // Removes the temporary file unless commit succeeded.
    ~TReplacingFile();

    std::ostream& stream() { return fout; }
    // Flushes, closes and renames over the target; raises EOSError naming the target.
    void commit();

  private:
    std::string ftarget;
    std::string ftemp;
    std::ofstream fout;
    bool fcommitted = false;
};

} // namespace gravon
