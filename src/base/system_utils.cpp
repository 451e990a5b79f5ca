#include "base/system_utils.h"

#include "base/errors.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <system_error>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#elif defined(__unix__) || defined(__APPLE__)
#include <pwd.h>
#include <unistd.h>
#endif

namespace gravon {

namespace fs = std::filesystem;

namespace {

fs::path topath(const std::string& s) {
    return fs::path(std::u8string(s.begin(), s.end()));
}

std::string fromu8(const std::u8string& s) {
    return std::string(s.begin(), s.end());
}

std::string errnotext(int err) {
    return std::error_code(err, std::generic_category()).message();
}

struct fileclose {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using tfile = std::unique_ptr<std::FILE, fileclose>;

std::FILE* openfile(const fs::path& p, const char* mode) {
#if defined(_WIN32)
    std::wstring wmode(mode, mode + std::char_traits<char>::length(mode));
    return _wfopen(p.c_str(), wmode.c_str());
#else
    return std::fopen(p.c_str(), mode);
#endif
}

// The file-name part of prefix (after the last '/' or '\'), with characters that are not
// allowed in file names replaced, cut to at most 40 bytes on a character boundary.
std::string cleanprefix(const std::string& prefix) {
    size_t slash = prefix.find_last_of("/\\");
    std::string name = slash == std::string::npos ? prefix : prefix.substr(slash + 1);
    for (char& ch : name) {
        unsigned char u = static_cast<unsigned char>(ch);
        if (u < 0x20 || std::string(":*?\"<>|").find(ch) != std::string::npos) ch = '_';
    }
    if (name.size() > 40) {
        size_t end = 40;
        while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
        name.resize(end);
    }
    return name;
}

#if defined(_WIN32)
std::string fromwide(const wchar_t* w, int n) {
    int len = WideCharToMultiByte(CP_UTF8, 0, w, n, nullptr, 0, nullptr, nullptr);
    std::string r(len > 0 ? len : 0, '\0');
    if (len > 0) WideCharToMultiByte(CP_UTF8, 0, w, n, r.data(), len, nullptr, nullptr);
    return r;
}
std::string lasterrortext(DWORD err) {
    wchar_t* buf = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, err, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
    std::string r = n > 0 ? fromwide(buf, int(n)) : "System error " + std::to_string(err);
    if (buf) LocalFree(buf);
    while (!r.empty() && (r.back() == '\n' || r.back() == '\r')) r.pop_back();
    return r;
}
#endif

} // namespace

std::string tempfilename(const std::string& prefix) {
    std::error_code ec;
    fs::path dir = fs::temp_directory_path(ec);
    if (ec) throw EOSError("Cannot find the temporary folder: " + ec.message());
    std::string name = "~";
    name += cleanprefix(prefix);
    // The random part comes from the system's entropy source, not from the application's
    // shared generator: drawing from that would change the dither sequence of an analysis.
    std::random_device rd;
    std::uint64_t clock =
        std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
    std::mt19937_64 gen((std::uint64_t(rd()) << 32) ^ rd() ^ clock);
    int lasterr = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(gen()));
        fs::path p = dir / topath(name + hex + ".tmp");
        errno = 0;
        // "x": exclusive creation, fails when the file already exists.
        tfile f(openfile(p, "wbx"));
        if (f) {
            if (std::fclose(f.release()) != 0)
                throw EOSError("Cannot create a temporary file in " + fromu8(dir.u8string()) +
                               ": " + errnotext(errno));
            return fromu8(p.u8string());
        }
        lasterr = errno;
        if (lasterr != EEXIST && !fs::exists(p, ec)) break;
    }
    throw EOSError("Cannot create a temporary file in " + fromu8(dir.u8string()) + ": " +
                   (lasterr ? errnotext(lasterr) : std::string("no free name")));
}

std::string username() {
#if defined(_WIN32)
    wchar_t buf[257];
    DWORD n = 257;
    if (!GetUserNameW(buf, &n)) throw EOSError(lasterrortext(GetLastError()));
    return fromwide(buf, n > 0 ? int(n) - 1 : 0);
#elif defined(__unix__) || defined(__APPLE__)
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buf(size > 0 ? size_t(size) : 16384);
    passwd pw{};
    passwd* result = nullptr;
    int err = getpwuid_r(geteuid(), &pw, buf.data(), buf.size(), &result);
    if (result && pw.pw_name) return pw.pw_name;
    // No entry in the user database (containers often run without one): the login name that
    // the session was started with.
    for (const char* var : {"USER", "LOGNAME"})
        if (const char* v = std::getenv(var); v && *v) return v;
    throw EOSError(err ? errnotext(err) : std::string("The user name is not known"));
#else
    for (const char* var : {"USER", "USERNAME", "LOGNAME"})
        if (const char* v = std::getenv(var); v && *v) return v;
    throw EOSError("The user name is not known");
#endif
}

std::string computername() {
    std::string r;
#if defined(_WIN32)
    wchar_t buf[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD n = MAX_COMPUTERNAME_LENGTH + 1;
    if (GetComputerNameW(buf, &n)) r = fromwide(buf, int(n));
#elif defined(__unix__) || defined(__APPLE__)
    char buf[256] = {};
    if (gethostname(buf, sizeof buf - 1) == 0) r = buf;
#else
    if (const char* v = std::getenv("COMPUTERNAME")) r = v;
#endif
    if (r.size() > 255) {
        size_t end = 255;
        while (end > 0 && (static_cast<unsigned char>(r[end]) & 0xC0) == 0x80) --end;
        r.resize(end);
    }
    return r;
}

bool copyfile(const std::string& source, const std::string& dest,
              const std::function<void()>& processmessages) {
    fs::path src = topath(source);
    fs::path dst = topath(dest);
    std::error_code ec;
    // Opening dest would truncate the source itself.
    if (fs::equivalent(src, dst, ec)) return true;

    errno = 0;
    tfile in(openfile(src, "rb"));
    if (!in) throw EOSError("Cannot open file \"" + source + "\": " + errnotext(errno));
    errno = 0;
    tfile out(openfile(dst, "wb"));
    if (!out) throw EOSError("Cannot create file \"" + dest + "\": " + errnotext(errno));
    // Unbuffered, so that a short write shows in the count of the write that failed.
    std::setvbuf(out.get(), nullptr, _IONBF, 0);

    std::vector<char> block(8192);
    for (;;) {
        size_t nread = std::fread(block.data(), 1, block.size(), in.get());
        if (nread == 0) {
            if (std::ferror(in.get()))
                throw EOSError("Cannot read file \"" + source + "\": " + errnotext(errno));
            break;
        }
        if (processmessages) processmessages();
        size_t nwritten = std::fwrite(block.data(), 1, nread, out.get());
        if (nwritten < nread) return false;
        if (processmessages) processmessages();
    }
    in.reset();
    if (std::fclose(out.release()) != 0) return false;
    auto time = fs::last_write_time(src, ec);
    if (!ec) fs::last_write_time(dst, time, ec); // the copy is complete even without the date
    return true;
}

} // namespace gravon
