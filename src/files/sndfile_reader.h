// Sound files in the formats that libsndfile reads: FLAC, Ogg Vorbis and Opus, MP3, AIFF, W64,
// RF64, CAF and the WAV codings that TWavFile refuses (64-bit float, for one). One channel is
// read at a time, normalised to +-1 at digital full scale like TWavFile's normalised reads
// (float codings as stored).
#pragma once

#include "base/errors.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace gravon {

// The file cannot be opened or read; the message names the file and says why.
struct ESoundFileError : EGravonError {
    using EGravonError::EGravonError;
};

class tsndfilereader {
  public:
    tsndfilereader();
    ~tsndfilereader();
    tsndfilereader(const tsndfilereader&) = delete;
    tsndfilereader& operator=(const tsndfilereader&) = delete;

    // Opens fname for reading. Raises ESoundFileError: the file does not exist, is empty, is
    // text, is not in a format that can be read, uses a coding that cannot be read, is
    // damaged, or cannot be read at all.
    void open(const std::string& fname);
    void close();

    // Channel channo, handed to sink piece by piece as it is read (pieces of at most
    // readframes samples, in order). Raises ESoundFileError for a channel the file does not
    // have and for a read error. Returns the number of samples delivered: fewer than nframes()
    // when the file ends before the length its header announces (a truncated file).
    std::size_t read_channel(int channo, const std::function<void(std::span<const float>)>& sink);

    double sampfreq() const { return fsampfreq; }
    std::int32_t nchans() const { return fnchans; }
    // Frames (samples per channel) the header announces.
    std::int64_t nframes() const { return fnframes; }
    // The samples are stored as floating point: their scale is the file's own, not a
    // converter's.
    bool isfloat() const { return fisfloat; }
    // Bits per sample of an integer coding (8, 16, 24, 32); 0 for float and lossy codings.
    std::int32_t nbits() const { return fnbits; }
    // The container and coding, e.g. "FLAC, 16-bit PCM".
    const std::string& formatname() const { return fformatname; }

    static constexpr std::size_t readframes = 4096;

  private:
    struct tfile;
    std::unique_ptr<tfile> ffile;
    std::string ffilename;
    double fsampfreq = 0;
    std::int32_t fnchans = 0;
    std::int64_t fnframes = 0;
    bool fisfloat = false;
    std::int32_t fnbits = 0;
    std::string fformatname;
    std::vector<float> finterleaved;
    std::vector<float> fchannel;
};

// Whether a lower-cased extension (with its dot) names a format of tsndfilereader, beyond
// ".wav", which the program's own reader tries first (the table is in sound_file_kinds).
bool is_sndfile_extension(const std::string& ext);

} // namespace gravon
