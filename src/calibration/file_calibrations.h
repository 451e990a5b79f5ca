// The calibrations that the user gave to sound files (a full scale typed in, or one measured
// from a reference in the file), remembered per file and channel so that opening the file
// again applies the same one. Kept as a text file in the settings folder, one line per file
// channel: its size in bytes, the channel, the full scale, the status code, the calibration
// text and the file's absolute path, separated by tabs; a calibration from a reference adds
// the reference's stretch (start and end in seconds) after the path.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace gravon {

struct tfilecalibration {
    double fullscale = 0;    // Pa at digital full scale
    std::int32_t status = 2; // calibration status code: 2 unsigned, 3 signed
    std::string text;        // how it was made
    double distance = -1;    // m the levels hold at; -1 not given
    // s of the file that hold the reference it was measured from, which is no voice; none
    // when the end is not after the start.
    double referencestart = 0;
    double referenceend = 0;
};

struct tfilecalibrationentry {
    std::string path; // absolute
    std::uintmax_t size = 0;
    std::int32_t channel = 0;
    tfilecalibration calibration;
};

class tfilecalibrations {
  public:
    // The store's file.
    explicit tfilecalibrations(std::string storename) : fname(std::move(storename)) {}

    // What the store holds for channel of soundfile; nothing when it holds nothing, or when
    // the file is no longer the one it was given for (another size).
    std::optional<tfilecalibration> find(const std::string& soundfile, std::int32_t channel) const;
    // Remembers it, replacing what was there for that file channel. Raises EOSError naming the
    // store when it cannot be written.
    void remember(const std::string& soundfile, std::int32_t channel, const tfilecalibration& c);
    // Forgets channel of soundfile (a full scale cleared in the dialog).
    void forget(const std::string& soundfile, std::int32_t channel);

    // All entries, in the store's order; a line that cannot be read is left out.
    std::vector<tfilecalibrationentry> read() const;

  private:
    void write(const std::vector<tfilecalibrationentry>& entries) const;
    std::string fname;
};

// The absolute path a sound file is remembered by.
std::string remembered_path(const std::string& soundfile);

} // namespace gravon
