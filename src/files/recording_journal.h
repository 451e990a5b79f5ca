// The journal of a live recording: the raw samples as the recorder delivers them, written to a
// file as they arrive and flushed to the disk at least once a second, so that a crash, a kill or
// a power loss loses at most the last second of a take. A clean stop or save retires the file;
// one that outlives its program is an orphan that the next start offers to recover.
//
// The file is a short text header (the format, the full-scale factors and the calibration texts
// of the take), a blank line, then the blocks as the recorder delivered them: each an 8-byte
// head ("GB", whether the take was paused, a zero byte, the length in bytes as 32-bit little
// endian) and the interleaved little-endian samples, 16-bit or 24-bit. The pause is kept so
// that a recovered take is analysed as it was: its paused stretches measure the background
// noise but add nothing to the phonetogram.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace gravon {

inline constexpr const char* journalextension = ".gravonjournal";

struct tjournalheader {
    double fs = 44100.0;                     // samples per second and channel
    std::int32_t channels = 2;               // 1 or 2
    std::int32_t bits = 16;                  // 16 or 24
    std::array<double, 2> factors{1.0, 1.0}; // Pa at full scale, per channel
    std::array<std::string, 2> calibration;  // the calibration texts of the take
    std::string device;                      // the recording device, for the message
    std::int64_t started = 0;                // seconds since 1970
    std::int32_t bytespersample() const { return bits / 8; }
    std::int32_t bytesperframe() const { return channels * bytespersample(); }
};

class TRecordingJournal {
  public:
    TRecordingJournal() = default;
    TRecordingJournal(const TRecordingJournal&) = delete;
    TRecordingJournal& operator=(const TRecordingJournal&) = delete;
    ~TRecordingJournal();

    // Creates the file (and its folder) and writes the header. Raises EGravonError naming the
    // file when it cannot be written.
    void open(const std::string& fname, const tjournalheader& header);
    // Appends samples as delivered and hands them to the operating system at once, which
    // keeps them through a crash of the program. A thread of the journal's own writes
    // them to the disk once a second, so that a slow disk never holds up the caller. A write
    // that fails (a full disk) closes the journal and raises EGravonError; the recording goes
    // on.
    void append(std::span<const std::byte> data, bool paused);
    // Hands what was appended to the operating system now.
    void sync();
    // The take is safe elsewhere (saved, or discarded on purpose): closes and deletes the file.
    void retire();
    bool isopen() const { return ffile != nullptr; }
    const std::string& filename() const { return fname; }
    // Bytes of samples written.
    std::uint64_t bytes() const { return fbytes; }

  private:
    struct tclose {
        void operator()(std::FILE* f) const;
    };
    void start_disk_sync(int fd);
    void stop_disk_sync();
    std::thread fdisksync;
    std::mutex fmutex;
    std::condition_variable fwake;
    bool fstopsync = false;
    std::unique_ptr<std::FILE, tclose> ffile;
    std::string fname;
    std::uint64_t fbytes = 0;
};

// Reads a journal: returns its header and hands each block's samples to each, with whether the
// take was paused, in whole frames (what a crash cut off is dropped). Raises EGravonError naming
// the file for a file that is not a journal or cannot be read.
tjournalheader read_journal(const std::string& fname,
                            const std::function<void(std::span<const std::byte>, bool)>& each);

// Only the header of a journal; the same errors.
tjournalheader read_journal_header(const std::string& fname);

// The journals in folder that no running program is writing: the orphans of a crash.
std::vector<std::string> orphaned_journals(const std::string& folder);

} // namespace gravon
