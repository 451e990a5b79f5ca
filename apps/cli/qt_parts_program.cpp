#include "qt_parts.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

namespace gravon {

namespace {

// The folder of this program: where the installation and the build put gravon-cli-qt too.
std::filesystem::path own_folder(const char* argv0) {
    std::error_code ec;
#if defined(__linux__)
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && !self.empty()) return self.parent_path();
#endif
    const std::filesystem::path given(argv0 ? argv0 : "");
    return given.has_parent_path() ? given.parent_path() : std::filesystem::path();
}

} // namespace

int run_qt_parts_program(char** argv, std::string& error) {
    const std::filesystem::path folder = own_folder(argv[0]);
    const std::string program =
        folder.empty() ? std::string(qtpartsprogram) : (folder / qtpartsprogram).string();
#if defined(_WIN32)
    const intptr_t status = _spawnv(_P_WAIT, program.c_str(), argv);
    if (status != -1) return int(status);
#else
    // The same arguments; on success this never returns.
    if (folder.empty())
        execvp(program.c_str(), argv);
    else
        execv(program.c_str(), argv);
#endif
    error = "cannot start " + program + ": " + std::strerror(errno);
    return -1;
}

} // namespace gravon
