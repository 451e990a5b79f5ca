// gravon-cli recording from a real sound server: a phonation played into PulseAudio's null sink
// is recorded back from its monitor (the loopback microphone of scripts/sound_server.sh) and
// analysed live; a take whose program is killed at any moment, with pauses and keyboard tones
// in it or with its journal on a full disk, comes back from its journal as it was analysed;
// and a recovered take's journal stays until the take is saved or discarded.
#include "cli_process.h"
#include "support/sound_server.h"

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <sys/mount.h>
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

// The rows of a --tracks table that were written whole (a killed take may leave half a row).
std::vector<std::string> whole_rows(const fs::path& p) {
    const std::string text = slurp(p);
    std::vector<std::string> rows;
    std::size_t at = 0; // past the lines that say where the table came from, and the header
    while (text.compare(at, 1, "#") == 0) at = text.find('\n', at) + 1;
    at = text.find('\n', at);
    while (at != std::string::npos) {
        const std::size_t next = text.find('\n', at + 1);
        if (next == std::string::npos) break;
        rows.push_back(text.substr(at + 1, next - at - 1));
        at = next;
    }
    return rows;
}

// Runs a shell command as a process of its own; returns its id.
pid_t spawn(const std::string& cmd) {
    const pid_t pid = fork();
    if (pid == 0) {
        execl("/bin/sh", "sh", "-c", cmd.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

void end_process(pid_t pid, int sig) {
    if (pid <= 0) return;
    kill(pid, sig);
    int status = 0;
    waitpid(pid, &status, 0);
}

// Counts the rows in which the left channel was accepted.
std::size_t voiced_rows(const std::vector<std::string>& rows) {
    std::size_t n = 0;
    for (const std::string& r : rows) n += r.compare(r.find(','), 3, ",1,") == 0;
    return n;
}

// Counts the rows in which the left channel was rejected for a keyboard tone.
std::size_t keyboard_rows(const std::vector<std::string>& rows) {
    std::size_t n = 0;
    for (const std::string& r : rows) n += r.find("keyboard") != std::string::npos;
    return n;
}

class CliRecord : public gravon::testing::tclitest {
  protected:
    void SetUp() override {
        gravon::testing::use_test_sound_server();
        if (std::system("pactl list short sources 2>/dev/null | grep -q gravon_mic") != 0)
            GTEST_SKIP() << "no sound server with the loopback microphone: run "
                            "scripts/sound_server.sh start";
        fs::create_directories(config.root / "run");
        fs::permissions(config.root / "run", fs::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", (config.root / "run").c_str(), 1);
        // Room noise, then 4 s of /a/ at 220 Hz gliding, at a full scale of 100 Pa.
        synthesize("voice.wav");
    }
    fs::path journals() { return config.root / "data" / "Gravon" / "journal"; }
    std::size_t journal_count() {
        std::error_code ec;
        std::size_t n = 0;
        for (fs::directory_iterator it(journals(), ec), end; !ec && it != end; it.increment(ec))
            ++n;
        return n;
    }
    std::string cli(const std::string& args) {
        return "cd '" + dir().string() + "' && exec '" GRAVON_CLI_PATH "' " + args;
    }
    // The voice played into the null sink now, as a process of its own.
    pid_t play() { return spawn("exec paplay '" + (dir() / "voice.wav").string() + "'"); }
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

// The seconds of --record and of its events are those of the sound, counted from its first
// sample: a device that starts late neither shortens the take nor moves an event in it.
TEST_F(CliRecord, TheTakeAndItsEventsAreTimedByTheSoundItself) {
    const pid_t voice = play();
    const tclirun take = run("/f100 --record 3 --record-events key@60:1.0-1.5 --tracks t.csv");
    end_process(voice, SIGTERM);
    ASSERT_NE(take.status, 1) << take.err;
    EXPECT_NE(take.err.find("recorded 3.0 s"), std::string::npos) << take.err;
    const auto rows = whole_rows(dir() / "t.csv");
    ASSERT_GT(rows.size(), 10u);
    EXPECT_NEAR(std::stod(rows.back()), 3.0, 0.05);
    // The keyboard's block: from the key's press to 300 ms after its release.
    double from = -1, to = -1;
    for (const std::string& r : rows)
        if (r.find("keyboard") != std::string::npos) {
            to = std::stod(r);
            if (from < 0) from = to;
        }
    EXPECT_NEAR(from, 1.0, 0.06);
    EXPECT_NEAR(to, 1.8, 0.25); // the block ends with a 200 ms tick
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

// A guided profile of a patient who never answers: each direction ends after two notes not
// reached, so the take ends by itself long before its seconds, and its files and report say
// how it was led. Settings that cannot be used, or that would let the prompts into the map, are
// refused before anything records.
TEST_F(CliRecord, AGuidedProfileEndsByItselfAndItsFilesAndReportStateIt) {
    const tclirun take = run("/f100 --record 60 --protocol vrp,start=C4,step=2,tone=1,limit=4 "
                             "--take guided /s --report guided.pdf");
    ASSERT_NE(take.status, 1) << take.err;
    for (const char* line : {"C4   not reached", "Bb3  not reached", "D4   not reached",
                             "E4   not reached", "guided profile nothing reached in 4 steps"})
        EXPECT_NE(take.err.find(line), std::string::npos) << line << "\n" << take.err;
    EXPECT_NE(take.err.find("recorded 16."), std::string::npos) << take.err;
    const std::string settings =
        "Guided profile: start C4, whole-tone steps, tone 1 s, 0.5 s soft and loud, 4 s a step";
    for (const char* file : {"guided_pg.stdpg", "guided_an.smp"})
        EXPECT_NE(slurp(dir() / file).find("session.protocol=" + settings + "; nothing reached"),
                  std::string::npos)
            << file;
    ASSERT_EQ(std::system(("pdftotext '" + (dir() / "guided.pdf").string() + "' '" +
                           (dir() / "guided.txt").string() + "'")
                              .c_str()),
              0);
    EXPECT_NE(slurp(dir() / "guided.txt").find("Guided profile: start C4"), std::string::npos);

    for (const auto& [args, why] : std::vector<std::pair<std::string, std::string>>{
             {"--protocol vrp", "--protocol needs --record"},
             {"--record 5 --protocol vrp,step=3", "step is 1 (semitones) or 2"},
             {"--record 5 --protocol vrp,limit=x", "limit is a number of seconds"},
             {"--record 5 --protocol vrp,pitch=3", "is none of start=NOTE"},
             {"--record 5 --device nosuch --protocol vrp", "no input device is named"},
             {"--record 5 --protocol vrp,start=H2", "start is a note such as A3"},
             {"--record 5 --protocol speech", "knows vrp"},
             {"--record 5 --protocol vrp,tone=3,limit=4", "A step needs at least 5 s"},
             {"--set BlockDetection=0 --record 5 --protocol vrp",
              "prompt tones would enter the phonetogram"}}) {
        const tclirun bad = run(args);
        EXPECT_GE(bad.status, 1) << args;
        EXPECT_NE(bad.err.find(why), std::string::npos) << args << "\n" << bad.err;
        EXPECT_EQ(bad.err.find("gravon-cli: recorded"), std::string::npos) << args;
        EXPECT_EQ(bad.err.find("gravon-cli: guided profile"), std::string::npos) << args;
    }
}

TEST_F(CliRecord, ARecoveredTakeKeepsItsJournalUntilItIsSavedOrDiscarded) {
    // A take that is not saved stays in its journal: nobody decided about it.
    const tclirun take = run("/f100 --record 1.5");
    EXPECT_NE(take.status, 1) << take.err;
    EXPECT_NE(take.err.find("stays in its journal"), std::string::npos) << take.err;
    ASSERT_EQ(journal_count(), 1u);
    // Recovered without /s: still there, and recovered again.
    for (int i = 0; i < 2; ++i) {
        const tclirun back = run("--recover --summary");
        EXPECT_NE(back.status, 1) << back.err;
        EXPECT_NE(back.out.find("s of sound)"), std::string::npos) << back.out << back.err;
        EXPECT_EQ(journal_count(), 1u) << back.err;
    }
    // Saved with /s: the take is safe in its files, the journal goes.
    const tclirun saved = run("--recover --take rec /s");
    EXPECT_NE(saved.status, 1) << saved.err;
    EXPECT_TRUE(fs::exists(dir() / "rec_an.smp"));
    EXPECT_EQ(journal_count(), 0u);

    // --discard-orphans: recovered, its outputs written, then discarded.
    ASSERT_NE(run("/f100 --record 1").status, 1);
    ASSERT_EQ(journal_count(), 1u);
    const tclirun gone = run("--recover --discard-orphans --tracks gone.csv");
    EXPECT_NE(gone.status, 1) << gone.err;
    EXPECT_GT(whole_rows(dir() / "gone.csv").size(), 10u);
    EXPECT_EQ(journal_count(), 0u);

    // A journal that cannot be recovered: an error naming it, and it stays until discarded.
    fs::create_directories(journals());
    const fs::path empty = journals() / "take-1-1.gravonjournal";
    std::ofstream(empty) << "";
    const tclirun bad = run("--recover --summary");
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find(empty.string()), std::string::npos) << bad.err;
    EXPECT_NE(bad.err.find("is empty"), std::string::npos) << bad.err;
    EXPECT_TRUE(fs::exists(empty));
    run("--recover --discard-orphans");
    EXPECT_FALSE(fs::exists(empty));
}

// Ten takes killed at random moments, with a pause and a keyboard tone at random moments: each
// recovered take's frames are the live take's frames, and at most the last second is missing.
TEST_F(CliRecord, TakesKilledAtRandomMomentsComeBackAsTheyWereAnalysed) {
    std::uint32_t seed = 20261209;
    if (const char* s = std::getenv("GRAVON_KILL_SEED")) seed = std::uint32_t(std::stoul(s));
    std::cout << "seed of the kills and events (GRAVON_KILL_SEED): " << seed << std::endl;
    std::mt19937 rng(seed);
    const auto uniform = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(rng);
    };
    std::size_t keyboard = 0, voiced = 0, pausedkills = 0;
    for (int i = 0; i < 10; ++i) {
        const double pause = uniform(0.3, 2.0), key = uniform(0.5, 3.0), killat = uniform(1.0, 4.0);
        char events[128];
        std::snprintf(events, sizeof events, "pause@%.2f-%.2f,key@%d:%.2f-%.2f", pause,
                      pause + uniform(0.2, 0.8), 57 + i, key, key + uniform(0.2, 0.6));
        SCOPED_TRACE("take " + std::to_string(i) + ": " + events + ", killed at " +
                     std::to_string(killat) + " s");
        fs::remove(dir() / "live.csv");
        const pid_t voice = play();
        const pid_t take = spawn(cli("/f100 --record 30 --record-events '" + std::string(events) +
                                     "' --tracks live.csv >/dev/null 2>&1"));
        // The table is made when the take starts.
        const auto started = std::chrono::steady_clock::now();
        while (!fs::exists(dir() / "live.csv") &&
               std::chrono::steady_clock::now() - started < std::chrono::seconds(10))
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::duration<double>(killat));
        end_process(take, SIGKILL);
        end_process(voice, SIGTERM);
        pausedkills += killat > pause && killat < pause + 0.8;

        const tclirun back = run("--recover --discard-orphans --tracks back.csv");
        ASSERT_NE(back.status, 1) << back.err;
        const auto live = whole_rows(dir() / "live.csv"),
                   recovered = whole_rows(dir() / "back.csv");
        ASSERT_GE(live.size(), 10u);
        // The journal has every block the analysis had: it is written first.
        EXPECT_GE(recovered.size() + 50, live.size());
        for (std::size_t k = 0; k < std::min(live.size(), recovered.size()); ++k)
            ASSERT_EQ(recovered[k], live[k]) << "frame " << k;
        keyboard += keyboard_rows(live);
        voiced += voiced_rows(recovered);
        EXPECT_EQ(journal_count(), 0u);
    }
    // The voice and the keyboard tones took part.
    EXPECT_GT(voiced, 200u);
    EXPECT_GT(keyboard, 10u);
    std::cout << "kills during a pause: " << pausedkills << std::endl;
}

// The journal on a full disk: the take goes on in memory and the user is told once; the
// recovered take is the live one over the stretch the journal holds.
TEST_F(CliRecord, ATakeWhoseJournalFillsTheDiskComesBackUpToWhereTheJournalStopped) {
    fs::create_directories(journals());
    if (::mount("tmpfs", journals().c_str(), "tmpfs", 0, "size=400k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    struct tunmount {
        fs::path p;
        ~tunmount() { ::umount2(p.c_str(), MNT_DETACH); }
    } unmount{journals()};
    const pid_t voice = play();
    const tclirun take = run("/f100 --record 4 --record-events 'pause@0.2-0.5,key@60:0.7-1.0' "
                             "--tracks live.csv");
    end_process(voice, SIGTERM);
    std::size_t told = 0;
    for (std::size_t at = take.err.find("not safe from a crash"); at != std::string::npos;
         at = take.err.find("not safe from a crash", at + 1))
        ++told;
    EXPECT_EQ(told, 1u) << take.err;
    ASSERT_EQ(journal_count(), 1u);
    // How much of the take the journal holds is told at once, and again at the end.
    const std::size_t at = take.err.find("It holds the first "),
                      end = take.err.find("only the first ");
    ASSERT_TRUE(at != std::string::npos && end != std::string::npos) << take.err;
    const double held = std::stod(take.err.substr(at + 19));
    EXPECT_EQ(std::stod(take.err.substr(end + 15)), held);

    const tclirun back = run("--recover --discard-orphans --tracks back.csv");
    ASSERT_NE(back.status, 1) << back.err;
    const auto live = whole_rows(dir() / "live.csv"), recovered = whole_rows(dir() / "back.csv");
    // About 1.5 s of sound fit: less than the take, more than nothing.
    EXPECT_GT(live.size(), 150u);
    EXPECT_GT(recovered.size(), 30u);
    EXPECT_LT(recovered.size(), live.size() - 50);
    for (std::size_t k = 0; k < recovered.size(); ++k)
        ASSERT_EQ(recovered[k], live[k]) << "frame " << k;
    // What was told is what comes back.
    EXPECT_NEAR(std::stod(recovered.back()), held, 0.06);
    EXPECT_GT(keyboard_rows(recovered), 5u);
    EXPECT_EQ(journal_count(), 0u);
}

} // namespace
