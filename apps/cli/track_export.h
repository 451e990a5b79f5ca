// The per-frame analysis tracks as a CSV table, for comparing the analysis with other tools
// frame by frame.
#pragma once

#include "core/main_window.h"
#include "core/result_table.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace gravon {

// The table of the tracks (core/track_table.h) written while a take is recorded: the rows of
// each block's frames go to the system as soon as the block is analysed, so that a take that
// is killed leaves the rows of everything it had analysed.
class tlivetracks {
  public:
    // Creates the file with its header line; false when it cannot be written.
    bool open(const TForm1& form, const std::string& fname);
    // Writes the rows of the frames stored since the last call and flushes them.
    void write_new(const TForm1& form);
    // Writes what is left and closes the file; false when any write failed.
    bool close(const TForm1& form);
    bool isopen() const { return bool(fout); }

  private:
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> fout{nullptr, std::fclose};
    std::int32_t fwritten = 0;
    ttable ftable;
    std::string fline;
    bool fok = true;
};

} // namespace gravon
