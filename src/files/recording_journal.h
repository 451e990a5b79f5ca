// The journal of a live recording: the raw samples as the recorder delivers them, written to a
// file as they arrive and handed to the operating system at once, so that a crash or a kill
// loses nothing that was delivered, and written to the disk once a second against a power
// loss. The journal belongs to its take from the first byte to the take's end: it is locked
// while a program holds the take, and it goes only when the take is saved or discarded on
// purpose. One that outlives its program is an orphan that the next start offers to recover.
//
// The file is a sequence of segments. A segment is a short text header (the format, the
// full-scale factors, whether the recorder started anew, and the record of the take as it
// stands: its start, session record, calibration texts and microphone distances) ending in
// a blank line, then the blocks as the recorder delivered them: each a 12-byte head ("GB", a
// byte of flags: paused, a zero byte, the length in bytes and the keyboard blocking time in ms,
// both 32-bit little endian) and the interleaved little-endian samples, 16-bit or 24-bit.
// Every start of the recorder begins a segment, because the analysis is set up anew there; a
// change of the full scales within a run begins one that continues the run. The block flags
// keep what the analysis read besides the samples, so that a recovered take is analysed as it
// was: paused stretches measure the background noise but add nothing to the phonetogram, and
// hops under a keyboard tone are rejected. A change of the take's record (the session details
// edited) begins a segment too, so that the last header always holds the record as it is.
//
// Journals of version 1 (one segment, 8-byte block heads without the keyboard blocking time)
// and of version 2 (no record of the take beyond the calibration texts) are still read; a
// continued one gets segments of the current version.
#pragma once

#include "files/file_descriptor.h"
#include "phonetogram/session_record.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace gravon {

inline constexpr const char* journalextension = ".gravonjournal";

struct tjournalheader {
    double fs = 44100.0;                     // samples per second and channel
    std::int32_t channels = 2;               // 1 or 2
    std::int32_t bits = 16;                  // 16 or 24
    std::array<double, 2> factors{1.0, 1.0}; // Pa at full scale, per channel
    std::array<std::string, 2> calibration;  // the calibration texts of the take
    std::array<std::int32_t, 2> calstatus{0, 0};
    std::string device;       // the recording device, for the message
    std::int64_t started = 0; // seconds since 1970
    // The recorder started anew with this segment, so the analysis was set up anew; false for
    // a segment that only changes the full scales of a run that goes on.
    bool restart = true;
    // The shared pseudo-random generator's state when the segment began.
    std::uint32_t seed = 0;
    // The record of the take, which its saved files carry: when it began (seconds since 1970;
    // 0 in a journal that does not say), who was recorded doing what, the microphone distance
    // per channel that the levels refer to and the one recorded at, and whether the levels
    // were recalculated from the one to the other.
    std::int64_t takestarted = 0;
    tsessionrecord session;
    std::array<double, 2> distance{0.0, 0.0};
    std::array<double, 2> actualdistance{0.0, 0.0};
    bool recalculated = false;
    // Where the segment begins in the file, as read.
    std::uint64_t offset = 0;
    // The format version of the segment as read (1 to 3); a written one is always current.
    std::int32_t version = 3;
    // The segment holds the record of its take (version 3 on).
    bool hasrecord() const { return version >= 3; }
    std::int32_t bytespersample() const { return bits / 8; }
    std::int32_t bytesperframe() const { return channels * bytespersample(); }
};

// What the analysis read with a block besides its samples.
struct tjournalblockstate {
    bool paused = false;
    std::int32_t keyboardblocktime = 0; // ms
};

// An orphaned journal this program holds locked, so that no other program offers, recovers or
// discards it meanwhile. Letting it go unlocks it and keeps the file.
class tjournalclaim {
  public:
    tjournalclaim() = default;
    tjournalclaim(tfiledescriptor fd, std::string name)
        : ffd(std::move(fd)), fname(std::move(name)) {}
    const std::string& filename() const { return fname; }
    bool held() const { return bool(ffd); }
    // The take is discarded on purpose: deletes the file and lets it go.
    void discard();

  private:
    friend class TRecordingJournal;
    tfiledescriptor ffd;
    std::string fname;
};

class TRecordingJournal {
  public:
    TRecordingJournal() = default;
    TRecordingJournal(const TRecordingJournal&) = delete;
    TRecordingJournal& operator=(const TRecordingJournal&) = delete;
    // The program ends without a decision about the take (or dies): the file stays, an orphan.
    ~TRecordingJournal();

    // Begins a segment. Without a journal, a new one is made in folder (which is created)
    // under a name that no other journal has, locked before its first byte is written, so
    // that it is never taken for an orphan and never overwrites one. Raises EGravonError
    // naming the file when it cannot be made; a journal whose write failed earlier takes
    // nothing more and this does nothing.
    void begin_segment(const std::string& folder, const tjournalheader& header);
    // Appends samples as delivered with what the analysis read with them, handed to the
    // operating system at once; a thread of the journal's own writes them to the disk once a
    // second, so that a slow disk never holds up the caller. A write that fails (a full disk)
    // cuts the file back to its last whole block, keeps it locked and takes nothing more; that
    // one call raises EGravonError naming the file and the reason, later ones do nothing.
    // Allocates nothing.
    void append(std::span<const std::byte> data, const tjournalblockstate& state);
    // Takes over a recovered orphan: it stays locked while the take is in memory, and a later
    // segment continues it (what a crash left half-written at its end is cut back first). A
    // journal damaged inside is held but takes nothing more. With splitat, the segments from
    // that byte on are not the take's (a take keeps one rate): they become a journal of their
    // own, an orphan whose name is returned, and the take's file ends before them. Raises
    // EGravonError naming the file when they cannot be moved; the file is then held whole
    // and takes nothing more.
    std::string adopt(tjournalclaim claim, std::uint64_t splitat = 0);
    // The take is safe elsewhere (saved, or discarded on purpose): closes and deletes the file.
    void retire();
    // The program lets the take go undecided: closes and unlocks the file, which stays.
    void release();
    bool isopen() const { return bool(ffd); }
    // A write failed: the file holds what came before and takes nothing more.
    bool failed() const { return ffailed; }
    const std::string& filename() const { return fname; }
    // Bytes of samples the file holds.
    std::uint64_t bytes() const { return fbytes; }

  private:
    void create(const std::string& folder, const std::string& text, std::int64_t started);
    // Moves the segments from byte `at` on to a journal of their own; returns its name.
    std::string split_off(std::uint64_t at);
    // Writes at the end of what is good; on failure cuts back to it and raises.
    void write_at_end(std::span<const std::byte> head, std::span<const std::byte> data);
    void start_disk_sync();
    void stop_disk_sync();
    void close();
    std::thread fdisksync;
    std::mutex fmutex;
    std::condition_variable fwake;
    bool fstopsync = false;
    // The first error the disk reported to the sync thread: what the system had taken may
    // never reach the disk, so the next append fails as a write would.
    std::atomic<int> fsyncerror{0};
    tfiledescriptor ffd;
    std::string fname;
    std::uint64_t fgood = 0; // bytes of the file that are whole segments and blocks
    std::uint64_t fbytes = 0;
    bool ffailed = false;
};

using tjournalsegmentfn = std::function<void(const tjournalheader&)>;
using tjournalblockfn = std::function<void(std::span<const std::byte>, const tjournalblockstate&)>;

// Reads a journal: hands each segment's header to onsegment and then each of its blocks'
// samples to onblock, in whole frames (what a crash cut off is dropped). Returns the first
// segment's header. Raises EGravonError naming the file and the problem for a file that is
// not a journal, is empty, is damaged or cannot be read; what was handed on before stays.
tjournalheader read_journal(const std::string& fname, const tjournalsegmentfn& onsegment,
                            const tjournalblockfn& onblock);

// Only the first header of a journal; the same errors.
tjournalheader read_journal_header(const std::string& fname);

// Locks and returns the journals in folder that no running program holds: the orphans of a
// crash, sorted by name. A journal that another program holds is left out.
std::vector<tjournalclaim> claim_orphaned_journals(const std::string& folder);

// Their names only (each is let go at once).
std::vector<std::string> orphaned_journals(const std::string& folder);

} // namespace gravon
