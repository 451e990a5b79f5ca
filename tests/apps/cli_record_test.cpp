// gravon-cli recording from a real sound server: a phonation played into PulseAudio's null sink
// is recorded back from its monitor (the loopback microphone of scripts/sound_server.sh) and
// analysed live, and a take whose program is killed comes back from its journal.
#include "cli_process.h"

#include <chrono>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using gravon::testing::slurp;
using gravon::testing::tclirun;

// (midi, dB) -> seconds of channel 0, from a --cells-csv table.
std::map<std::pair<int, int>, double> cells_of(const fs::path& p) {
    std::map<std::pair<int, int>, double> cells;
    std::istringstream in(slurp(p));
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::stringstream ls(line);
        for (std::string x; std::getline(ls, x, ',');) f.push_back(x);
        // channel, name, midi, note, f0_hz, spl_db, time_all_s, ...
        if (f.size() < 7 || f[0] != "0") continue;
        cells[{std::stoi(f[2]), int(std::lround(std::stod(f[5])))}] += std::stod(f[6]);
    }
    return cells;
}

double total(const std::map<std::pair<int, int>, double>& cells) {
    double t = 0;
    for (const auto& [cell, s] : cells) t += s;
    return t;
}

class CliRecord : public gravon::testing::tclitest {
  protected:
    void SetUp() override {
        if (!std::getenv("PULSE_SERVER") && fs::exists("/tmp/gravon-pulse/native"))
            setenv("PULSE_SERVER", "unix:/tmp/gravon-pulse/native", 1);
        if (std::system("pactl list short sources 2>/dev/null | grep -q gravon_mic") != 0)
            GTEST_SKIP() << "no sound server with the loopback microphone: run "
                            "scripts/sound_server.sh start";
        fs::create_directories(config.root / "run");
        fs::permissions(config.root / "run", fs::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", (config.root / "run").c_str(), 1);
        // Room noise, then 4 s of /a/ at 220 Hz gliding, at a full scale of 100 Pa.
        synthesize("voice.wav");
    }
    // Plays the file into the null sink after `delay` seconds, in the background.
    void play_later(double delay) {
        const std::string cmd = "(sleep " + std::to_string(delay) + "; paplay '" +
                                (dir() / "voice.wav").string() + "') >/dev/null 2>&1 &";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
};

TEST_F(CliRecord, ATakeFromTheSoundCardMatchesTheFileItPlayed) {
    play_later(1.0);
    const tclirun take = run("/f100 --record 8 --take take --cells-csv take.csv /s");
    EXPECT_NE(take.status, 1) << take.err;
    EXPECT_EQ(take.err.find("lost"), std::string::npos) << take.err; // no dropped buffer
    EXPECT_TRUE(fs::exists(dir() / "take_pg.stdpg"));
    EXPECT_TRUE(fs::exists(dir() / "take_an.smp"));
    const tclirun file = run("/f100 voice.wav --cells-csv file.csv");
    ASSERT_NE(file.status, 1) << file.err;

    const auto live = cells_of(dir() / "take.csv"), batch = cells_of(dir() / "file.csv");
    ASSERT_GT(total(batch), 2.0);
    EXPECT_NEAR(total(live), total(batch), 0.05 * total(batch));
    // Every cell of the file's phonetogram with real time in it is within a bin of the take's.
    for (const auto& [cell, s] : batch) {
        if (s < 0.1) continue;
        bool near = false;
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                near = near || live.count({cell.first + dx, cell.second + dy});
        EXPECT_TRUE(near) << "midi " << cell.first << ", " << cell.second << " dB";
    }
    // The journal of a saved take is gone.
    EXPECT_TRUE(fs::is_empty(config.root / "data" / "Gravon" / "journal"));
}

// A full scale given with /f calibrates the take as it calibrates a file: no warning about
// an unsigned calibration, and no date of day 0.
TEST_F(CliRecord, AFullScaleFromTheCommandLineIsTheTakesCalibration) {
    const tclirun take = run("/f14.1 --record 1 --take cal /s");
    EXPECT_NE(take.status, 1) << take.err;
    EXPECT_EQ(take.err.find("1899"), std::string::npos) << take.err;
    EXPECT_EQ(take.err.find("unsigned"), std::string::npos) << take.err;
    const std::string pg = slurp(dir() / "cal_pg.stdpg");
    EXPECT_NE(pg.find("Calibrated from command line, full scale 14.1 Pa"), std::string::npos);
}

TEST_F(CliRecord, AKilledTakeIsRecoveredFromItsJournal) {
    const std::string cmd = "cd '" + dir().string() +
                            "' && exec '" GRAVON_CLI_PATH "' /f100 --record 30 >/dev/null 2>&1";
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    play_later(1.0);
    std::this_thread::sleep_for(std::chrono::seconds(5));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);

    const tclirun back = run("--recover --summary");
    EXPECT_NE(back.status, 1) << back.err;
    const std::size_t at = back.out.find("s of sound)");
    ASSERT_NE(at, std::string::npos) << back.out << back.err;
    const std::size_t open = back.out.rfind('(', at);
    const double seconds = std::atof(back.out.c_str() + open + 1);
    EXPECT_GE(seconds, 4.0) << back.out;
    EXPECT_NE(back.out.find("of voice"), std::string::npos) << back.out;
}

} // namespace
