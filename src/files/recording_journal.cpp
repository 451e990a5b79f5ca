#include "files/recording_journal.h"

#include "base/errors.h"
#include "base/number_text.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace gravon {

namespace fs = std::filesystem;

namespace {

constexpr const char* magic1 = "Gravon recording journal 1";
constexpr const char* magic2 = "Gravon recording journal 2";
constexpr const char* magic3 = "Gravon recording journal 3";
// A header longer than this is not a journal's (the session notes may take a few kB).
constexpr std::size_t maxheader = 65536;
// No recorder hands over a block of more than a few megabytes.
constexpr std::size_t maxblock = std::size_t(1) << 26;
constexpr std::size_t headsize1 = 8;
constexpr std::size_t headsize2 = 12;
constexpr std::uint8_t flagpaused = 1;
constexpr std::uint8_t flagknown = flagpaused;
// A journal being made has this name until its header is written: the orphan scan passes it
// by, so that nobody takes a journal for an orphan before its creator holds it.
constexpr const char* newprefix = ".new-take-";

std::string reason(int err) {
    return std::strerror(err);
}

// Keeps the text on one header line: line breaks and the backslash escaped, so that it reads
// back exactly.
std::string one_line(const std::string& s) {
    std::string t;
    t.reserve(s.size());
    for (const char c : s) {
        if (c == '\\')
            t += "\\\\";
        else if (c == '\n')
            t += "\\n";
        else if (c == '\r')
            t += "\\r";
        else
            t += c;
    }
    return t;
}

// The text of a header line; an escape that is not one of the three stands as it is.
std::string line_text(const std::string& s) {
    std::string t;
    t.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char next = i + 1 < s.size() ? s[i + 1] : '\0';
        if (s[i] == '\\' && (next == '\\' || next == 'n' || next == 'r')) {
            t += next == 'n' ? '\n' : next == 'r' ? '\r' : '\\';
            ++i;
        } else {
            t += s[i];
        }
    }
    return t;
}

constexpr const char* sessionprefix = "session.";

std::string header_text(const tjournalheader& h) {
    std::string t = std::string(magic3) + "\n";
    t += "restart=" + std::string(h.restart ? "1" : "0") + "\n";
    t += "fs=" + floattostrdot(h.fs) + "\n";
    t += "channels=" + std::to_string(h.channels) + "\n";
    t += "bits=" + std::to_string(h.bits) + "\n";
    for (int c = 0; c < 2; ++c) {
        t += "factor" + std::to_string(c) + "=" + floattostrdot(h.factors[c]) + "\n";
        t += "calibration" + std::to_string(c) + "=" + one_line(h.calibration[c]) + "\n";
        t += "calstatus" + std::to_string(c) + "=" + std::to_string(h.calstatus[c]) + "\n";
    }
    t += "device=" + one_line(h.device) + "\n";
    t += "started=" + std::to_string(h.started) + "\n";
    t += "seed=" + std::to_string(h.seed) + "\n";
    t += "takestarted=" + std::to_string(h.takestarted) + "\n";
    t += "recalculated=" + std::string(h.recalculated ? "1" : "0") + "\n";
    for (int c = 0; c < 2; ++c) {
        t += "distance" + std::to_string(c) + "=" + floattostrdot(h.distance[c]) + "\n";
        t += "actualdistance" + std::to_string(c) + "=" + floattostrdot(h.actualdistance[c]) + "\n";
    }
    for (const tsessionfield& f : session_fields())
        t += sessionprefix + std::string(f.key) + "=" + one_line(h.session.*f.member) + "\n";
    return t + "\n";
}

void put32(unsigned char* p, std::uint32_t v) {
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
    p[2] = std::uint8_t(v >> 16);
    p[3] = std::uint8_t(v >> 24);
}

std::uint32_t get32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

// Writes all of data at offset; 0, or the error number of the write that failed.
int pwrite_all(int fd, std::span<const std::byte> data, std::uint64_t offset) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t w =
            ::pwrite(fd, data.data() + done, data.size() - done, off_t(offset + done));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return w < 0 ? errno : ENOSPC;
        done += std::size_t(w);
    }
    return 0;
}

std::span<const std::byte> bytes_of(const std::string& s) {
    return std::as_bytes(std::span(s.data(), s.size()));
}

// The name a journal begun at `started` gets: its local time and the program's process.
std::string journal_base(std::int64_t started) {
    const std::time_t t = std::time_t(started);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[40];
    std::strftime(buf, sizeof buf, "take-%Y%m%d-%H%M%S", &tm);
    return std::string(buf) + "-" + std::to_string(::getpid());
}

// Gives the file `from` the name `to` unless something has that name already. EEXIST when
// it has.
int rename_no_replace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // A file system that cannot rename without replacing: a second link fails on a name in
    // use just as well.
    if (::link(from.c_str(), to.c_str()) != 0) return errno;
    ::unlink(from.c_str());
    return 0;
}

// Where a journal's good part ends, for continuing it.
struct tjournalend {
    std::uint64_t good = 0;        // bytes of whole segments and blocks
    std::uint64_t samplebytes = 0; // in whole frames
    // A block that a crash cut: where its head is and how many of its bytes are whole frames.
    bool cut = false;
    std::uint64_t cuthead = 0;
    std::uint32_t cutlength = 0;
};

class tjournalparser {
  public:
    tjournalparser(const std::string& fname) : fname(fname), in(fname, std::ios::binary) {}

    // Reads the whole journal; see read_journal.
    tjournalend parse(const tjournalsegmentfn* onsegment, const tjournalblockfn* onblock,
                      bool headeronly, tjournalheader* first) {
        if (!in) throw EGravonError("Cannot read the recording journal " + fname);
        tjournalend end;
        tjournalheader h;
        if (!read_segment(h, true)) throw EGravonError(fname + " ends inside its journal header");
        pos = std::uint64_t(in.tellg());
        end.good = pos;
        if (first) *first = h;
        if (headeronly) return end;
        if (onsegment) (*onsegment)(h);
        std::size_t headsize = h.version == 1 ? headsize1 : headsize2;
        std::size_t frame = std::size_t(h.bytesperframe());
        for (;;) {
            const std::uint64_t at = pos;
            unsigned char head[headsize2];
            in.read(reinterpret_cast<char*>(head), 2);
            if (in.gcount() < 2) break; // the end, or cut
            if (head[0] == 'G' && head[1] == 'r') {
                // The next segment.
                in.seekg(std::streamoff(at));
                if (!read_segment(h, false)) break; // a crash cut its header
                h.offset = at;
                pos = std::uint64_t(in.tellg());
                end.good = pos;
                if (onsegment) (*onsegment)(h);
                headsize = headsize2;
                frame = std::size_t(h.bytesperframe());
                continue;
            }
            in.read(reinterpret_cast<char*>(head) + 2, std::streamsize(headsize - 2));
            if (std::size_t(in.gcount()) < headsize - 2) break;
            if (head[0] != 'G' || head[1] != 'B' ||
                (headsize == headsize1 ? head[2] > 1 : (head[2] & ~flagknown) != 0 || head[3] != 0))
                throw EGravonError(fname + " has a damaged block in its journal (at byte " +
                                   std::to_string(at) + ")");
            const std::size_t n = get32(head + 4);
            if (n > maxblock)
                throw EGravonError(fname + " has a damaged block in its journal (at byte " +
                                   std::to_string(at) + ")");
            tjournalblockstate state;
            state.paused = (head[2] & flagpaused) != 0;
            if (headsize == headsize2) state.keyboardblocktime = std::int32_t(get32(head + 8));
            buf.resize(n);
            in.read(reinterpret_cast<char*>(buf.data()), std::streamsize(n));
            const std::size_t got = std::size_t(in.gcount());
            const std::size_t whole = got / frame * frame;
            if (whole > 0 && onblock)
                (*onblock)(std::span<const std::byte>(buf.data(), whole), state);
            end.samplebytes += whole;
            if (got < n) {
                end.cut = true;
                end.cuthead = at;
                end.cutlength = std::uint32_t(whole);
                end.good = at + headsize + whole;
                break;
            }
            pos = at + headsize + n;
            end.good = pos;
        }
        return end;
    }

  private:
    // Reads a segment header at the current position. False when the file ends inside it
    // (which only a later segment may).
    bool read_segment(tjournalheader& h, bool first) {
        std::string line;
        if (!std::getline(in, line)) {
            if (first) throw EGravonError(fname + " is empty: it holds no recording");
            return false;
        }
        h = tjournalheader{};
        if (line == magic1 && first)
            h.version = 1;
        else if (line == magic2)
            h.version = 2;
        else if (line == magic3)
            h.version = 3;
        else if (first)
            throw EGravonError(fname + " is not a recording journal of Gravon");
        else
            throw EGravonError(fname + " has a damaged segment in its journal");
        std::map<std::string, std::string> v;
        std::size_t total = line.size();
        bool ended = false;
        while (std::getline(in, line)) {
            if (line.empty()) {
                ended = true;
                break;
            }
            total += line.size() + 1;
            if (total > maxheader) throw EGravonError(fname + " has a damaged journal header");
            const auto eq = line.find('=');
            if (eq != std::string::npos) v[line.substr(0, eq)] = line.substr(eq + 1);
        }
        if (!ended) {
            in.clear();
            return false;
        }
        // Texts of version 3 on are escaped; older ones had their line breaks made blanks.
        const auto text = [&](const std::string& key) {
            return h.version >= 3 ? line_text(v[key]) : v[key];
        };
        try {
            h.fs = strtofloatdot(v["fs"]);
            h.channels = std::stoi(v["channels"]);
            h.bits = std::stoi(v["bits"]);
            for (int c = 0; c < 2; ++c) {
                const std::string k = std::to_string(c);
                h.factors[c] = strtofloatdot(v["factor" + k]);
                h.calibration[c] = text("calibration" + k);
                if (v.count("calstatus" + k)) h.calstatus[c] = std::stoi(v["calstatus" + k]);
            }
            h.device = text("device");
            h.started = std::stoll(v["started"]);
            if (h.version >= 2) {
                h.restart = v["restart"] != "0";
                h.seed = std::uint32_t(std::stoul(v["seed"]));
            }
            if (h.hasrecord()) {
                h.takestarted = std::stoll(v["takestarted"]);
                h.recalculated = v["recalculated"] == "1";
                for (int c = 0; c < 2; ++c) {
                    const std::string k = std::to_string(c);
                    h.distance[c] = strtofloatdot(v["distance" + k]);
                    h.actualdistance[c] = strtofloatdot(v["actualdistance" + k]);
                }
                for (const tsessionfield& f : session_fields())
                    h.session.*f.member = text(sessionprefix + std::string(f.key));
            }
        } catch (const std::exception&) {
            throw EGravonError(fname + " has a damaged journal header");
        }
        if (!(h.fs >= 1000 && h.fs <= 1e6) || (h.channels != 1 && h.channels != 2) ||
            (h.bits != 16 && h.bits != 24) || !(h.factors[0] > 0) || !(h.factors[1] > 0) ||
            !std::isfinite(h.distance[0] + h.distance[1] + h.actualdistance[0] +
                           h.actualdistance[1]))
            throw EGravonError(fname + " has a damaged journal header");
        return true;
    }

    const std::string& fname;
    std::ifstream in;
    std::uint64_t pos = 0;
    std::vector<std::byte> buf;
};

} // namespace

void tjournalclaim::discard() {
    if (!ffd) return;
    ::unlink(fname.c_str());
    ffd.reset();
}

TRecordingJournal::~TRecordingJournal() {
    stop_disk_sync();
}

void TRecordingJournal::start_disk_sync() {
    stop_disk_sync();
    fstopsync = false;
    fsyncerror = 0;
    const int fd = ffd.get();
    fdisksync = std::thread([this, fd] {
        std::unique_lock lock(fmutex);
        while (!fwake.wait_for(lock, std::chrono::seconds(1), [this] { return fstopsync; })) {
            int expected = 0;
            if (fdatasync(fd) != 0) fsyncerror.compare_exchange_strong(expected, errno);
        }
    });
}

void TRecordingJournal::stop_disk_sync() {
    if (!fdisksync.joinable()) return;
    {
        std::lock_guard lock(fmutex);
        fstopsync = true;
    }
    fwake.notify_all();
    fdisksync.join();
}

void TRecordingJournal::close() {
    stop_disk_sync();
    ffd.reset();
    fname.clear();
    fgood = 0;
    fbytes = 0;
    ffailed = false;
}

void TRecordingJournal::create(const std::string& folder, const std::string& text,
                               std::int64_t started) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    std::string tmp = (fs::path(folder) / (std::string(newprefix) + "XXXXXX")).string();
    tfiledescriptor fd(::mkostemp(tmp.data(), O_CLOEXEC));
    if (!fd) {
        const int err = errno;
        throw EGravonError("Cannot write the recording journal in " + folder + ": " + reason(err));
    }
    const auto fail = [&](const std::string& what, int err) {
        ::unlink(tmp.c_str());
        throw EGravonError(what + ": " + reason(err));
    };
    // Nobody else knows the file yet, so the lock cannot be refused; it then goes with the
    // file to its final name.
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        fail("Cannot lock the recording journal " + tmp, errno);
    if (const int err = pwrite_all(fd.get(), bytes_of(text), 0))
        fail("Cannot write the recording journal " + tmp, err);
    const std::string base = (fs::path(folder) / journal_base(started)).string();
    std::string name;
    for (int n = 1;; ++n) {
        name = base;
        if (n > 1) name += '-' + std::to_string(n);
        name += journalextension;
        const int err = rename_no_replace(tmp, name);
        if (err == 0) break;
        if (err != EEXIST || n >= 1000) fail("Cannot name the recording journal " + name, err);
    }
    ffd = std::move(fd);
    fname = name;
    fgood = text.size();
    fbytes = 0;
    ffailed = false;
    start_disk_sync();
}

void TRecordingJournal::write_at_end(std::span<const std::byte> head,
                                     std::span<const std::byte> data) {
    int err = fsyncerror.load(std::memory_order_relaxed);
    if (!err) err = pwrite_all(ffd.get(), head, fgood);
    if (!err) err = pwrite_all(ffd.get(), data, fgood + head.size());
    if (!err) {
        fgood += head.size() + data.size();
        return;
    }
    // What is good stays whole: a part of a block would be read as damage, and a later
    // recovery must end exactly where the journal could follow the take.
    ffailed = true;
    const bool cut = ::ftruncate(ffd.get(), off_t(fgood)) == 0;
    // The caller says how much of the take that is.
    throw EGravonError("The recording journal " + fname + " could not be written (" + reason(err) +
                       ")" + (cut ? "" : "; its end may be damaged"));
}

void TRecordingJournal::begin_segment(const std::string& folder, const tjournalheader& header) {
    if (ffailed) return;
    const std::string text = header_text(header);
    if (!ffd) {
        create(folder, text, header.started);
        return;
    }
    write_at_end(bytes_of(text), {});
}

void TRecordingJournal::append(std::span<const std::byte> data, const tjournalblockstate& state) {
    if (!ffd || ffailed) return;
    unsigned char head[headsize2] = {'G', 'B', std::uint8_t(state.paused ? flagpaused : 0), 0};
    put32(head + 4, std::uint32_t(data.size()));
    put32(head + 8, std::uint32_t(state.keyboardblocktime));
    write_at_end(std::as_bytes(std::span(head)), data);
    fbytes += data.size();
}

std::string TRecordingJournal::adopt(tjournalclaim claim, std::uint64_t splitat) {
    close();
    if (!claim.held()) return {};
    ffd = std::move(claim.ffd);
    fname = std::move(claim.fname);
    std::string rest;
    if (splitat > 0) {
        try {
            rest = split_off(splitat);
        } catch (const EGravonError&) {
            // Kept whole, so nothing of it is lost; the take then takes nothing more.
            ffailed = true;
            start_disk_sync();
            throw;
        }
    }
    const int mode = ::fcntl(ffd.get(), F_GETFL);
    try {
        tjournalparser parser(fname);
        const tjournalend end = parser.parse(nullptr, nullptr, false, nullptr);
        fgood = end.good;
        fbytes = end.samplebytes;
        ffailed = mode < 0 || (mode & O_ACCMODE) == O_RDONLY;
        if (!ffailed && end.cut) {
            // The block a crash cut keeps the whole frames the recovery analysed.
            unsigned char length[4];
            put32(length, end.cutlength);
            ffailed = pwrite_all(ffd.get(), std::as_bytes(std::span(length)), end.cuthead + 4) != 0;
        }
        if (!ffailed) ffailed = ::ftruncate(ffd.get(), off_t(fgood)) != 0;
    } catch (const EGravonError&) {
        // Damaged inside: nothing may follow the damage, but the file belongs to the take.
        ffailed = true;
    }
    start_disk_sync();
    return rest;
}

std::string TRecordingJournal::split_off(std::uint64_t at) {
    // The segments from `at` on begin with a header of their own, so they make a journal by
    // themselves: copied whole to the disk under a name of their own before the take's file
    // is cut, so that a failure leaves everything where it was.
    const std::string folder = fs::path(fname).parent_path().string();
    std::string tmp = (fs::path(folder) / (std::string(newprefix) + "XXXXXX")).string();
    tfiledescriptor out(::mkostemp(tmp.data(), O_CLOEXEC));
    if (!out) {
        const int err = errno;
        throw EGravonError("Cannot write a journal in " + folder + ": " + reason(err));
    }
    const auto fail = [&](int err) {
        ::unlink(tmp.c_str());
        throw EGravonError("Cannot write the journal " + tmp + ": " + reason(err));
    };
    // Held until it is whole and named: no orphan scan takes it meanwhile.
    if (::flock(out.get(), LOCK_EX | LOCK_NB) != 0) fail(errno);
    std::vector<std::byte> buf(std::size_t(1) << 20);
    std::uint64_t from = at, to = 0;
    for (;;) {
        const ssize_t n = ::pread(ffd.get(), buf.data(), buf.size(), off_t(from));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fail(errno);
        if (n == 0) break;
        if (const int err = pwrite_all(out.get(), std::span(buf.data(), std::size_t(n)), to))
            fail(err);
        from += std::uint64_t(n);
        to += std::uint64_t(n);
    }
    if (::fsync(out.get()) != 0) fail(errno);
    tjournalheader first;
    try {
        tjournalparser(tmp).parse(nullptr, nullptr, true, &first);
    } catch (const EGravonError&) {
    }
    const std::string base = (fs::path(folder) / journal_base(first.started)).string();
    std::string name;
    for (int k = 1;; ++k) {
        name = base + "-split" + (k > 1 ? "-" + std::to_string(k) : "") + journalextension;
        const int err = rename_no_replace(tmp, name);
        if (err == 0) break;
        if (err != EEXIST || k >= 1000) fail(err);
    }
    if (::ftruncate(ffd.get(), off_t(at)) != 0) {
        // The rest stays where it was, and only there.
        const int err = errno;
        ::unlink(name.c_str());
        throw EGravonError("Cannot cut the recording journal " + fname + ": " + reason(err));
    }
    return name;
}

void TRecordingJournal::retire() {
    if (ffd) ::unlink(fname.c_str());
    close();
}

void TRecordingJournal::release() {
    close();
}

tjournalheader read_journal(const std::string& fname, const tjournalsegmentfn& onsegment,
                            const tjournalblockfn& onblock) {
    tjournalheader first;
    tjournalparser(fname).parse(&onsegment, &onblock, false, &first);
    return first;
}

tjournalheader read_journal_header(const std::string& fname) {
    tjournalheader first;
    tjournalparser(fname).parse(nullptr, nullptr, true, &first);
    return first;
}

std::vector<tjournalclaim> claim_orphaned_journals(const std::string& folder) {
    std::vector<tjournalclaim> r;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path p = it->path();
        const std::string leaf = p.filename().string();
        const bool made = leaf.rfind(newprefix, 0) == 0;
        if ((!made && p.extension() != journalextension) || !it->is_regular_file(ec)) continue;
        tfiledescriptor fd(::open(p.c_str(), O_RDWR | O_CLOEXEC));
        if (!fd) fd = tfiledescriptor(::open(p.c_str(), O_RDONLY | O_CLOEXEC));
        if (!fd || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) continue;
        // Still the file of that name, not one its holder deleted in the meantime.
        struct stat held {
        }, named{};
        if (::fstat(fd.get(), &held) != 0 || ::stat(p.c_str(), &named) != 0 ||
            held.st_ino != named.st_ino || held.st_dev != named.st_dev)
            continue;
        if (made) {
            // A program died while it made this journal: it never held a take.
            ::unlink(p.c_str());
            continue;
        }
        r.emplace_back(std::move(fd), p.string());
    }
    std::sort(r.begin(), r.end(), [](const tjournalclaim& a, const tjournalclaim& b) {
        return a.filename() < b.filename();
    });
    return r;
}

std::vector<std::string> orphaned_journals(const std::string& folder) {
    std::vector<std::string> names;
    for (const tjournalclaim& c : claim_orphaned_journals(folder)) names.push_back(c.filename());
    return names;
}

} // namespace gravon
