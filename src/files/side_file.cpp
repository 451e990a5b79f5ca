#include "files/side_file.h"

#include "base/errors.h"
#include "files/utf8_path.h"

#include <random>

namespace gravon {

namespace fs = std::filesystem;

TSideFile::TSideFile(const std::string& target) {
    fs::path p = utf8path(target);
    std::error_code ec;
    if (fs::is_symlink(p, ec)) {
        const fs::path resolved = fs::weakly_canonical(p, ec);
        if (!ec) p = resolved;
    }
    ftarget = p;
    std::random_device rd;
    static constexpr char hex[] = "0123456789abcdef";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix = ".";
        for (int i = 0; i < 8; ++i) suffix += hex[rd() & 15];
        fs::path t = p;
        t += suffix + ".tmp";
        if (!fs::exists(t, ec)) {
            ftemp = t;
            return;
        }
    }
    throw EOSError("No temporary file name is free next to " + target);
}

TSideFile::~TSideFile() {
    if (fcommitted) return;
    std::error_code ec;
    fs::remove(ftemp, ec);
}

std::string TSideFile::name() const {
    return pathtoutf8(ftemp);
}

void TSideFile::commit() {
    std::error_code ec;
    if (fs::is_directory(ftarget, ec))
        throw EOSError("A folder has this name: " + pathtoutf8(ftarget));
    fs::rename(ftemp, ftarget, ec);
    if (ec) throw EOSError("Cannot replace " + pathtoutf8(ftarget) + ": " + ec.message());
    fcommitted = true;
}

} // namespace gravon
