#include "files/recording_journal.h"

#include "base/errors.h"
#include "base/number_text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/file.h>
#include <unistd.h>

namespace gravon {

namespace fs = std::filesystem;

namespace {

constexpr const char* magic = "Gravon recording journal 1";
// A header longer than this is not a journal's.
constexpr std::size_t maxheader = 8192;
constexpr std::size_t maxblock = std::size_t(1) << 26;

std::string reason() {
    return std::strerror(errno);
}

// Keeps the text on one header line.
std::string one_line(std::string s) {
    for (char& c : s)
        if (c == '\n' || c == '\r') c = ' ';
    return s;
}

std::string header_text(const tjournalheader& h) {
    std::string t = std::string(magic) + "\n";
    t += "fs=" + floattostrdot(h.fs) + "\n";
    t += "channels=" + std::to_string(h.channels) + "\n";
    t += "bits=" + std::to_string(h.bits) + "\n";
    for (int c = 0; c < 2; ++c) {
        t += "factor" + std::to_string(c) + "=" + floattostrdot(h.factors[c]) + "\n";
        t += "calibration" + std::to_string(c) + "=" + one_line(h.calibration[c]) + "\n";
    }
    t += "device=" + one_line(h.device) + "\n";
    t += "started=" + std::to_string(h.started) + "\n\n";
    return t;
}

} // namespace

void TRecordingJournal::tclose::operator()(std::FILE* f) const {
    std::fclose(f);
}

TRecordingJournal::~TRecordingJournal() {
    stop_disk_sync();
}

void TRecordingJournal::start_disk_sync(int fd) {
    stop_disk_sync();
    fstopsync = false;
    fdisksync = std::thread([this, fd] {
        std::unique_lock lock(fmutex);
        while (!fwake.wait_for(lock, std::chrono::seconds(1), [this] { return fstopsync; }))
            fdatasync(fd);
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

void TRecordingJournal::open(const std::string& name, const tjournalheader& header) {
    stop_disk_sync();
    ffile.reset();
    fname = name;
    fbytes = 0;
    std::error_code ec;
    fs::create_directories(fs::path(name).parent_path(), ec);
    std::unique_ptr<std::FILE, tclose> f(std::fopen(name.c_str(), "wb"));
    if (!f) throw EGravonError("Cannot write the recording journal " + name + ": " + reason());
    // The lock tells a later start that this take is still being recorded, not orphaned.
    if (flock(fileno(f.get()), LOCK_EX | LOCK_NB) != 0)
        throw EGravonError("Cannot lock the recording journal " + name + ": " + reason());
    const std::string text = header_text(header);
    if (std::fwrite(text.data(), 1, text.size(), f.get()) != text.size() ||
        std::fflush(f.get()) != 0)
        throw EGravonError("Cannot write the recording journal " + name + ": " + reason());
    ffile = std::move(f);
    start_disk_sync(fileno(ffile.get()));
}

void TRecordingJournal::append(std::span<const std::byte> data, bool paused) {
    if (!ffile) return;
    const auto n = std::uint32_t(data.size());
    const unsigned char head[8] = {'G',
                                   'B',
                                   paused ? std::uint8_t(1) : std::uint8_t(0),
                                   0,
                                   std::uint8_t(n),
                                   std::uint8_t(n >> 8),
                                   std::uint8_t(n >> 16),
                                   std::uint8_t(n >> 24)};
    if (std::fwrite(head, 1, sizeof head, ffile.get()) != sizeof head ||
        std::fwrite(data.data(), 1, data.size(), ffile.get()) != data.size()) {
        const std::string why = reason();
        stop_disk_sync();
        ffile.reset();
        throw EGravonError("The recording journal " + fname + " could not be written (" + why +
                           "); the take is kept in memory but is no longer safe from a crash");
    }
    fbytes += data.size();
    // Every block goes to the operating system at once (a write to its cache costs
    // microseconds), so a killed program loses nothing it was handed.
    sync();
}

void TRecordingJournal::sync() {
    if (!ffile) return;
    std::fflush(ffile.get());
}

void TRecordingJournal::retire() {
    const bool had = ffile != nullptr;
    stop_disk_sync();
    ffile.reset();
    if (had || !fname.empty()) {
        std::error_code ec;
        fs::remove(fname, ec);
    }
    fname.clear();
    fbytes = 0;
}

namespace {

tjournalheader read_header(std::istream& in, const std::string& fname) {
    if (!in) throw EGravonError("Cannot read the recording journal " + fname);
    std::string line;
    std::getline(in, line);
    if (line != magic) throw EGravonError(fname + " is not a recording journal of Gravon");
    std::map<std::string, std::string> v;
    std::size_t total = line.size();
    while (std::getline(in, line) && !line.empty()) {
        total += line.size() + 1;
        if (total > maxheader) throw EGravonError(fname + " has a damaged journal header");
        const auto eq = line.find('=');
        if (eq != std::string::npos) v[line.substr(0, eq)] = line.substr(eq + 1);
    }
    if (!in) throw EGravonError(fname + " ends inside its journal header");
    tjournalheader h;
    try {
        h.fs = strtofloatdot(v["fs"]);
        h.channels = std::stoi(v["channels"]);
        h.bits = std::stoi(v["bits"]);
        for (int c = 0; c < 2; ++c) {
            h.factors[c] = strtofloatdot(v["factor" + std::to_string(c)]);
            h.calibration[c] = v["calibration" + std::to_string(c)];
        }
        h.device = v["device"];
        h.started = std::stoll(v["started"]);
    } catch (const std::exception&) {
        throw EGravonError(fname + " has a damaged journal header");
    }
    if (!(h.fs >= 1000 && h.fs <= 1e6) || (h.channels != 1 && h.channels != 2) ||
        (h.bits != 16 && h.bits != 24) || !(h.factors[0] > 0) || !(h.factors[1] > 0))
        throw EGravonError(fname + " has a damaged journal header");
    return h;
}

} // namespace

tjournalheader read_journal_header(const std::string& fname) {
    std::ifstream in(fname, std::ios::binary);
    return read_header(in, fname);
}

tjournalheader read_journal(const std::string& fname,
                            const std::function<void(std::span<const std::byte>, bool)>& each) {
    std::ifstream in(fname, std::ios::binary);
    const tjournalheader h = read_header(in, fname);
    const std::size_t frame = std::size_t(h.bytesperframe());
    std::vector<std::byte> buf;
    for (;;) {
        unsigned char head[8];
        if (!in.read(reinterpret_cast<char*>(head), sizeof head)) break; // the end, or cut
        if (head[0] != 'G' || head[1] != 'B' || head[2] > 1)
            throw EGravonError(fname + " has a damaged block in its journal");
        const std::size_t n = std::size_t(head[4]) | std::size_t(head[5]) << 8 |
                              std::size_t(head[6]) << 16 | std::size_t(head[7]) << 24;
        // No recorder hands over a block of more than a few megabytes.
        if (n > maxblock) throw EGravonError(fname + " has a damaged block in its journal");
        buf.resize(n);
        in.read(reinterpret_cast<char*>(buf.data()), std::streamsize(n));
        const std::size_t whole = std::size_t(in.gcount()) / frame * frame;
        if (whole > 0) each(std::span<const std::byte>(buf.data(), whole), head[2] == 1);
        if (std::size_t(in.gcount()) < n) break;
    }
    return h;
}

std::vector<std::string> orphaned_journals(const std::string& folder) {
    std::vector<std::string> r;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path p = it->path();
        if (p.extension() != journalextension || !it->is_regular_file(ec)) continue;
        const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) r.push_back(p.string());
        ::close(fd);
    }
    std::sort(r.begin(), r.end());
    return r;
}

} // namespace gravon
