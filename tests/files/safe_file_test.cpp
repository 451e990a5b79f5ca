// The temporary files of the safe write: the next save into a folder removes those whose
// writer has gone, and never one that another process may still be writing.
#include "files/safe_file.h"
#include "support/temp_config.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace gravon {
namespace {

namespace fs = std::filesystem;

TEST(SafeFile, ALaterSaveRemovesOnlyTheTemporariesOfEndedWriters) {
    testing::ttempconfig config;
    const fs::path dir = config.root / "files";
    // This host's key, as a writer names its temporary file.
    std::string host;
    {
        TSafeFile probe((dir / "probe").string());
        const std::string n = fs::path(probe.name()).filename();
        const std::string writer = ".gravon-" + std::to_string(::getpid()) + "-";
        ASSERT_EQ(n.rfind("probe" + writer, 0), 0u) << n;
        host = n.substr(5 + writer.size(), 8);
    }
    const pid_t ended = ::fork();
    if (ended == 0) ::_exit(0);
    ::waitpid(ended, nullptr, 0);
    const auto temporary = [&](const std::string& target, pid_t pid, const std::string& key) {
        return target + ".gravon-" + std::to_string(pid) + "-" + key + "-0badf00d.tmp";
    };
    const std::vector<std::pair<std::string, bool>> table = {
        {temporary("take_an.smp", ended, host), false},        // killed: removed
        {temporary("take_pg.stdpg", ::getppid(), host), true}, // its writer still runs
        {temporary("take_an.smp", ::getpid(), host), true},    // this process's own
        {temporary("take_an.smp", ended, "0000beef"), true},   // another host's
        {"take_an.smp.gravon-x-" + host + "-0badf00d.tmp", true},
        {"take_an.smp.0badf00d.tmp", true}, // not Gravon's
        {"notes.txt", true},
    };
    for (const auto& [name, kept] : table) std::ofstream(dir / name) << "1.6 GB";
    fs::create_directory(dir / temporary("folder", ended, host));

    write_file_safely((dir / "take_an.smp").string(), "new");
    for (const auto& [name, kept] : table) EXPECT_EQ(fs::exists(dir / name), kept) << name;
    EXPECT_TRUE(fs::is_directory(dir / temporary("folder", ended, host)));
    EXPECT_EQ(testing::read_text(dir / "take_an.smp"), "new");
}

} // namespace
} // namespace gravon
