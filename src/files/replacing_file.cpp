#include "files/replacing_file.h"

#include "base/errors.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

namespace gravon {

namespace fs = std::filesystem;

namespace {

std::string temp_name_for(const std::string& target) {
    std::random_device rd;
    static constexpr char hex[] = "0123456789abcdef";
    std::string suffix = ".";
    for (int i = 0; i < 8; ++i) suffix += hex[rd() & 15];
    return target + suffix + ".tmp";
}

} // namespace

TReplacingFile::TReplacingFile(std::string target) : ftarget(std::move(target)) {
    std::error_code ec;
    fs::path p(ftarget);
    // Write through a symbolic link rather than replacing the link itself.
    if (fs::is_symlink(p, ec)) {
        fs::path resolved = fs::weakly_canonical(p, ec);
        if (!ec) p = resolved;
    }
    if (p.has_parent_path()) {
        fs::create_directories(p.parent_path(), ec);
        if (ec)
            throw EOSError("Cannot create the folder " + p.parent_path().string() + " for " +
                           ftarget + ": " + ec.message());
    }
    ftemp = temp_name_for(p.string());
    ftarget = p.string();
    fout.open(ftemp, std::ios::binary | std::ios::trunc);
    if (!fout) throw EOSError("Cannot create file " + ftarget + ": " + std::strerror(errno));
}

TReplacingFile::~TReplacingFile() {
    if (fcommitted) return;
    fout.close();
    std::error_code ec;
    fs::remove(ftemp, ec);
}

void TReplacingFile::commit() {
    fout.flush();
    const bool ok = static_cast<bool>(fout);
    fout.close();
    if (!ok || fout.fail()) throw EOSError("Cannot write file " + ftarget + ": write error");
    std::error_code ec;
    fs::rename(ftemp, ftarget, ec);
    if (ec) throw EOSError("Cannot write file " + ftarget + ": " + ec.message());
    fcommitted = true;
}

} // namespace gravon
