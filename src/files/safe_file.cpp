#include "files/safe_file.h"

#include "base/errors.h"
#include "files/utf8_path.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <streambuf>
#include <sys/stat.h>
#include <unistd.h>

namespace gravon {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view tempmark = ".gravon-";
constexpr std::string_view tempend = ".tmp";
// Room for the mark, the pid and the two keys within a file name of 255 bytes.
constexpr std::size_t maxtempstem = 200;

std::string hex8(std::uint32_t v) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string s(8, '0');
    for (int i = 7; i >= 0; --i, v >>= 4) s[std::size_t(i)] = digits[v & 15];
    return s;
}

// The host in a temporary file's name: on a folder that several computers share (a cluster's
// results), a process number means something only on the host that wrote it.
std::string host_key() {
    std::array<char, 256> name{};
    if (::gethostname(name.data(), name.size() - 1) != 0) name[0] = '\0';
    std::uint32_t h = 2166136261u;
    for (const char* c = name.data(); *c; ++c) h = (h ^ std::uint8_t(*c)) * 16777619u;
    return hex8(h);
}

// The process number in name when it is a temporary file of this host's Gravon, else 0.
pid_t temporary_writer(std::string_view name, const std::string& host) {
    if (name.size() <= tempend.size() || name.substr(name.size() - tempend.size()) != tempend)
        return 0;
    const std::size_t mark = name.rfind(tempmark);
    if (mark == std::string_view::npos) return 0;
    // pid-host-random
    std::string_view rest = name.substr(mark + tempmark.size());
    rest.remove_suffix(tempend.size());
    const std::size_t dash = rest.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash > 9) return 0;
    pid_t pid = 0;
    for (char c : rest.substr(0, dash)) {
        if (c < '0' || c > '9') return 0;
        pid = pid * 10 + (c - '0');
    }
    const std::string_view keys = rest.substr(dash + 1);
    if (keys.size() != 17 || keys[8] != '-' || keys.substr(0, 8) != host) return 0;
    return pid;
}

bool process_gone(pid_t pid) {
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

// Whole bytes of fd's data, retried after a signal; false with errno set on failure.
bool write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        bytes.remove_prefix(std::size_t(n));
    }
    return true;
}

} // namespace

// Collects stream output in a fixed block and hands it to the file's checked writes.
class TSafeFile::tbuffer : public std::streambuf {
  public:
    explicit tbuffer(TSafeFile& file) : ffile(file) {
        setp(fblock.data(), fblock.data() + fblock.size());
    }
    int sync() override {
        const std::size_t n = std::size_t(pptr() - pbase());
        setp(fblock.data(), fblock.data() + fblock.size());
        if (n == 0 || ffile.fwriteerror) return ffile.fwriteerror ? -1 : 0;
        if (!write_all(ffile.ffd.get(), std::string_view(fblock.data(), n))) {
            ffile.fwriteerror = errno;
            return -1;
        }
        return 0;
    }
    int_type overflow(int_type c) override {
        if (sync() != 0) return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }

  private:
    TSafeFile& ffile;
    std::array<char, 1 << 16> fblock{};
};

TSafeFile::TSafeFile(const std::string& target, bool makefolders) : ftarget(target) {
    if (target.empty()) throw EOSError("Cannot write a file without a name");
    fs::path p = utf8path(target);
    std::error_code ec;
    const fs::file_status st = fs::status(p, ec);
    if (fs::is_directory(st)) fail("a folder has this name", 0);
    // A device or a pipe cannot be replaced, nor a process's descriptor (/dev/stdout, which
    // may lead to a file the shell opened): they are written as they are, after what the
    // descriptor holds already.
    if ((fs::exists(st) && !fs::is_regular_file(st)) || target.rfind("/dev/", 0) == 0 ||
        target.rfind("/proc/", 0) == 0) {
        finplace = true;
        ftempname = target;
        ffd = tfiledescriptor(::open(p.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
        if (!ffd) fail("cannot open it", errno);
        return;
    }
    // Through a symbolic link the file it points to is replaced, not the link.
    if (fs::is_symlink(p, ec)) {
        const fs::path resolved = fs::weakly_canonical(p, ec);
        if (!ec) p = resolved;
    }
    ftargetpath = p;
    const fs::path folder = p.has_parent_path() ? p.parent_path() : fs::path(".");
    if (!fs::is_directory(folder, ec)) {
        if (!makefolders)
            throw EOSError("Cannot write " + target + ": its folder " + pathtoutf8(folder) +
                           " does not exist");
        fs::create_directories(folder, ec);
        if (ec)
            throw EOSError("Cannot write " + target + ": its folder " + pathtoutf8(folder) +
                           " cannot be made: " + ec.message());
    }
    remove_stale_temporaries(folder);

    std::string stem = pathtoutf8(p.filename());
    if (stem.size() > maxtempstem) {
        stem.resize(maxtempstem);
        // Not in the middle of a character.
        while (!stem.empty() && (std::uint8_t(stem.back()) & 0xC0) == 0x80) stem.pop_back();
        if (!stem.empty() && std::uint8_t(stem.back()) >= 0xC0) stem.pop_back();
    }
    const std::string writer =
        std::string(tempmark) + std::to_string(::getpid()) + "-" + host_key() + "-";
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        ftemppath = folder / utf8path(stem + writer + hex8(rd()) + std::string(tempend));
        ffd = tfiledescriptor(
            ::open(ftemppath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (ffd) break;
        if (errno != EEXIST) fail("cannot create a file in its folder", errno);
    }
    if (!ffd) fail("no temporary file name is free in its folder", 0);
    ftempname = pathtoutf8(ftemppath);
    struct stat old {};
    if (::stat(p.c_str(), &old) == 0) fmode = int(old.st_mode & 07777);
}

TSafeFile::~TSafeFile() {
    ffd.reset();
    if (fcommitted || finplace) return;
    ::unlink(ftemppath.c_str());
}

void TSafeFile::fail(const std::string& what, int err) const {
    throw EOSError("Cannot write " + ftarget + ": " + what +
                   (err ? " (" + std::string(std::strerror(err)) + ")" : std::string()));
}

void TSafeFile::write(std::string_view bytes) {
    if (fstream) fstream->flush();
    if (fwriteerror) fail("the data cannot be written", fwriteerror);
    if (!write_all(ffd.get(), bytes)) {
        fwriteerror = errno;
        fail("the data cannot be written", fwriteerror);
    }
}

std::ostream& TSafeFile::stream() {
    if (!fstream) {
        fbuffer = std::make_unique<tbuffer>(*this);
        fstream = std::make_unique<std::ostream>(fbuffer.get());
    }
    return *fstream;
}

void TSafeFile::commit() {
    if (fstream) fstream->flush();
    if (fwriteerror) fail("the data cannot be written", fwriteerror);
    const int fd = ffd.release();
    if (::close(fd) != 0 && errno != EINTR) fail("the file cannot be closed", errno);
    if (finplace) return;
    {
        // By name: a writer that opened the file itself may have made it anew.
        const tfiledescriptor f(::open(ftemppath.c_str(), O_RDONLY | O_CLOEXEC));
        if (!f || ::fsync(f.get()) != 0) fail("the data cannot be written", errno);
    }
    // A replaced file keeps its permissions.
    if (fmode >= 0) ::chmod(ftemppath.c_str(), mode_t(fmode));
    if (::rename(ftemppath.c_str(), ftargetpath.c_str()) != 0) {
        const int err = errno;
        std::error_code ec;
        fail(fs::is_directory(ftargetpath, ec) ? "a folder has this name" : "it cannot be replaced",
             err);
    }
    fcommitted = true;
    // The new name lasts only once the folder is on the disk too.
    const fs::path folder = ftargetpath.has_parent_path() ? ftargetpath.parent_path() : ".";
    const tfiledescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir) ::fsync(dir.get());
}

void write_file_safely(const std::string& target, std::string_view bytes, bool makefolders) {
    TSafeFile f(target, makefolders);
    f.write(bytes);
    f.commit();
}

void append_file_safely(int fd, const std::string& target, std::string_view bytes) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throw EOSError("Cannot append to " + target + ": " + std::strerror(errno));
    const bool regular = S_ISREG(st.st_mode);
    if (write_all(fd, bytes) && (!regular || ::fsync(fd) == 0)) return;
    const int err = errno;
    if (regular && ::ftruncate(fd, st.st_size) == 0) ::fsync(fd);
    throw EOSError("Cannot append to " + target + ": " + std::strerror(err));
}

int remove_stale_temporaries(const fs::path& folder) {
    // Read with readdir and no path per entry: a results folder may hold many thousands.
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) return 0;
    const std::string host = host_key();
    const pid_t self = ::getpid();
    int removed = 0;
    while (const dirent* e = ::readdir(dir.get())) {
        const pid_t pid = temporary_writer(e->d_name, host);
        if (pid <= 0 || pid == self || !process_gone(pid)) continue;
        // unlinkat: never a folder that happens to carry such a name.
        if (::unlinkat(::dirfd(dir.get()), e->d_name, 0) == 0) ++removed;
    }
    return removed;
}

} // namespace gravon
