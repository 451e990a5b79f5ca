// TWavFile: reads and writes RIFF/WAVE sound files.
//
// Reading walks the RIFF chunk list, accepts PCM (8/16/24/32 bits), IEEE float (16/32 bits),
// mu-law and A-law (8 bits), also inside the extensible format header, and delivers one
// channel at a time, normalised to +-1 or as raw integers. Reading never writes to the file.
//
// Writing produces a complete file in one call, with optional triangular dither. With `safe`
// an existing file is replaced through a temporary file, so a failed save leaves it intact.
#pragma once

#include "base/errors.h"
#include "base/types.h"
#include "files/wav_header.h"

#include <cstdint>
#include <fstream>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace gravon {

struct EWavFileError : EGravonError {
    using EGravonError::EGravonError;
};

class TWavFile {
  public:
    TWavFile() = default;
    ~TWavFile() { close_file(); }
    TWavFile(const TWavFile&) = delete;
    TWavFile& operator=(const TWavFile&) = delete;

    // Opens fname (the current filename when empty) for reading and parses its header.
    // False when the file is not RIFF/WAVE or has a known format tag with unsupported bits.
    // Raises EWavFileError when the file cannot be opened or its header is corrupt (no
    // format chunk, truncated format chunk, no channels, no valid sample rate).
    // The file is only ever opened for reading; `readonly` is kept in isreadonly.
    bool open_file(const std::string& fname, bool readonly = true);
    void close_file();

    // Channel channo of the open file, normalised (+-1 full scale) or as raw integers.
    void read_channel(int channo, tsinglearr& arr);
    void read_channel(int channo, tintarr& arr);
    // Channel channo normalised, handed to sink piece by piece as it is read (pieces of at
    // most 16384 samples, in order), so that a long file needs no array of its own. The same
    // checks and errors as read_channel; returns the number of samples delivered.
    std::size_t read_channel(int channo, const std::function<void(std::span<const float>)>& sink);

    // Writes a whole file; data holds one array per channel, all of the same length. Every
    // save replaces the file only once it is complete (files/safe_file.h), so safe changes
    // nothing; it stays for the callers that name it.
    void save_file(const std::string& fname, const std::vector<tsinglearr>& data, bool safe,
                   bool dither);
    void save_file(const std::string& fname, const std::vector<tsmallintarr>& data, bool safe,
                   bool dither);
    void save_file(const std::string& fname, const std::vector<tint24arr>& data, bool safe,
                   bool dither);

    const std::string& filename() const { return ffilename; }
    void setfilename(std::string v) { ffilename = std::move(v); }
    std::int32_t sampfreq() const { return fsampfreq; }
    void setsampfreq(std::int32_t v) { fsampfreq = v; }
    std::int32_t nchans() const { return fnchans; }
    void setnchans(std::int32_t v);
    std::int32_t nsamples() const { return fnsamples; }
    std::int32_t nbits() const { return fnbits; }
    void setnbits(std::int32_t v) { fnbits = v; }
    // 0 for an index outside the array; setting beyond the array grows it.
    double fullscale(int i) const;
    void setfullscale(int i, double v);
    tFormat format() const { return fformat; }
    void setformat(tFormat v) { fformat = v; }

    std::int64_t sftot() const { return std::int64_t(fsampfreq) * fnchans; }
    double tottime() const { return fsampfreq == 0 ? 0.0 : double(fnsamples) / fsampfreq; }

    // The format tag as read, in decimal ("65534 / 1" for an extensible header).
    const std::string& formatstr() const { return fformatstr; }
    bool isopen() const { return fisopen; }
    bool isreadonly() const { return fisreadonly; }
    // Byte offset of the first sample; -1 until a data chunk is found.
    std::int64_t datastartpos() const { return fdatastartpos; }
    // The format chunk of the last open, as read.
    const twavheadexlong& wavheadexlong() const { return fwavheadexlong; }

    // Notices for the user that are not errors (text, caption); ignored when unset.
    std::function<void(const std::string&, const std::string&)> OnMessage;

  private:
    // Encodes n interleaved samples from interleaved index first into out.
    using tblockencoder =
        std::function<void(std::uint64_t first, std::size_t n, std::uint8_t* out)>;
    void save_common(const std::string& fname, const std::vector<std::size_t>& lengths,
                     bool accepted, bool needfullscale, const tblockencoder& encodeblock);
    // Reads channel channo and hands its samples to sink.put in order; sink.start(n) first
    // with the number of samples the header promises, sink.refused() for a coding that
    // cannot be read. Returns the number of samples delivered.
    template <typename T, class tsink>
    std::size_t read_channel_impl(int channo, bool raw, tsink& sink);
    void fail_open();
    void notice(const std::string& text, const std::string& caption) const;

    std::string ffilename;
    std::int32_t fsampfreq = 44100;
    std::int32_t fnchans = 0;
    std::int32_t fnsamples = 0;
    std::int32_t fnbits = 16;
    std::vector<double> ffullscale;
    tFormat fformat = tFormat::pcm;
    std::string fformatstr;
    bool fisopen = false;
    bool fisreadonly = false;
    std::int64_t fdatastartpos = -1;
    twavhead fwavhead;
    twavheadex fwavheadex;
    twavheadexlong fwavheadexlong;

    std::ifstream fstream; // the open file
};

} // namespace gravon
