// Runs the headless program as a user does: a real process in a temporary folder, its output,
// error output and exit status; and the synthesizer that writes its input files.
#pragma once

#include "support/temp_config.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace gravon::testing {

struct tclirun {
    int status = -1;
    std::string out, err;
};

inline std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class tclitest : public ::testing::Test {
  protected:
    ttempconfig config;
    std::filesystem::path dir() { return config.root / "files"; }

    tclirun run(const std::string& args) {
        const std::filesystem::path out = dir() / "stdout.txt", err = dir() / "stderr.txt";
        const std::string cmd = "cd '" + dir().string() + "' && '" GRAVON_CLI_PATH "' " + args +
                                " >'" + out.string() + "' 2>'" + err.string() + "'";
        const int rc = std::system(cmd.c_str());
        tclirun r{WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, slurp(out), slurp(err)};
        std::filesystem::remove(out);
        std::filesystem::remove(err);
        return r;
    }

    void synthesize(const std::string& name, const std::string& args = "") {
        const std::string cmd = "'" GRAVON_SYNTH_PATH "' --out '" + (dir() / name).string() + "' " +
                                args + " >/dev/null";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << name << " " << args;
    }
};

} // namespace gravon::testing
