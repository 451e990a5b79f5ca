#include "base/errors.h"
#include "files/recording_journal.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <vector>

using namespace gravon;
namespace fs = std::filesystem;

namespace {

struct Journal : ::testing::Test {
    fs::path dir = fs::temp_directory_path() / ("gravon-journal-" + std::to_string(::getpid()));
    void SetUp() override { fs::remove_all(dir); }
    void TearDown() override { fs::remove_all(dir); }
    std::string name(const char* n) const { return (dir / n).string() + journalextension; }
    static tjournalheader header() {
        tjournalheader h;
        h.fs = 48000;
        h.channels = 2;
        h.bits = 24;
        h.factors = {14.1, 20.5};
        h.calibration = {"Calibrated 2026-12-01\nby AB", "Not calibrated"};
        h.device = "USB mic";
        h.started = 1796800000;
        return h;
    }
};

std::vector<std::byte> bytes(std::size_t n) {
    std::vector<std::byte> b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = std::byte(i * 7 + 1);
    return b;
}

} // namespace

TEST_F(Journal, KeepsTheTakeAndItsCalibrationAndDropsAFrameCutOffByTheCrash) {
    const auto data = bytes(6 * 10000 + 4); // 10000 frames of 2 x 24 bits, then 4 bytes of one
    {
        TRecordingJournal j;
        j.open(name("take"), header());
        j.append(std::span(data).first(30000), true);
        j.append(std::span(data).subspan(30000), false);
        EXPECT_EQ(j.bytes(), data.size());
        // The program dies here: no retire.
    }
    ASSERT_EQ(orphaned_journals(dir.string()), std::vector<std::string>{name("take")});
    std::vector<std::byte> back;
    std::vector<bool> paused;
    const tjournalheader h = read_journal(name("take"), [&](std::span<const std::byte> s, bool p) {
        EXPECT_EQ(s.size() % 6, 0u);
        back.insert(back.end(), s.begin(), s.end());
        paused.push_back(p);
    });
    EXPECT_EQ(paused, (std::vector<bool>{true, false}));
    EXPECT_EQ(h.fs, 48000);
    EXPECT_EQ(h.bits, 24);
    EXPECT_EQ(h.factors[1], 20.5);
    EXPECT_EQ(h.calibration[0], "Calibrated 2026-12-01 by AB");
    EXPECT_EQ(h.device, "USB mic");
    ASSERT_EQ(back.size(), 60000u);
    EXPECT_TRUE(std::equal(back.begin(), back.end(), data.begin()));
}

TEST_F(Journal, ATakeBeingRecordedIsNoOrphanAndARetiredOneIsGone) {
    TRecordingJournal j;
    j.open(name("live"), header());
    j.append(bytes(600), false);
    j.sync();
    EXPECT_TRUE(orphaned_journals(dir.string()).empty());
    j.retire();
    EXPECT_FALSE(fs::exists(name("live")));
    EXPECT_TRUE(orphaned_journals(dir.string()).empty());
}

TEST_F(Journal, DamagedOrForeignFilesAreRefusedByName) {
    fs::create_directories(dir);
    const std::string foreign = name("foreign"), damaged = name("damaged");
    std::ofstream(foreign) << "RIFF....WAVEfmt ";
    std::ofstream(damaged) << "Gravon recording journal 1\nfs=abc\nchannels=2\n\n";
    for (const std::string& f : {foreign, damaged, name("missing")}) {
        try {
            read_journal(f, [](std::span<const std::byte>, bool) {});
            ADD_FAILURE() << f;
        } catch (const EGravonError& e) {
            EXPECT_NE(std::string(e.what()).find(f), std::string::npos) << e.what();
        }
    }
    // A folder that cannot be made is reported with the file's name.
    TRecordingJournal j;
    EXPECT_THROW(j.open("/proc/no/such/folder/x.gravonjournal", header()), EGravonError);
}
