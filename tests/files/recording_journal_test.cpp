// The journal on real files: what it keeps of a take and of each start of the recorder, its
// names and locks, what a failed write on a full disk leaves, its adoption by a recovered
// take, and the files it refuses.
#include "base/errors.h"
#include "files/recording_journal.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <vector>

using namespace gravon;
namespace fs = std::filesystem;

namespace {

struct Journal : ::testing::Test {
    fs::path dir = fs::temp_directory_path() / ("gravon-journal-" + std::to_string(::getpid()));
    void SetUp() override { fs::remove_all(dir); }
    void TearDown() override { fs::remove_all(dir); }
    static tjournalheader header(std::int32_t bits = 24) {
        tjournalheader h;
        h.fs = 48000;
        h.channels = 2;
        h.bits = bits;
        h.factors = {14.1, 20.5};
        h.calibration = {"Calibrated 2026-12-01\nby AB", "Not calibrated"};
        h.calstatus = {3, 0};
        h.device = "USB mic";
        h.started = 1796800000;
        h.seed = 12345;
        return h;
    }
    std::vector<std::string> files() const {
        std::vector<std::string> r;
        for (const auto& e : fs::directory_iterator(dir)) r.push_back(e.path().string());
        std::sort(r.begin(), r.end());
        return r;
    }
};

std::vector<std::byte> bytes(std::size_t n, int salt = 0) {
    std::vector<std::byte> b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = std::byte(i * 7 + 1 + salt);
    return b;
}

struct tread {
    std::vector<tjournalheader> segments;
    std::vector<std::vector<std::byte>> blocks;
    std::vector<tjournalblockstate> states;
    std::vector<std::size_t> segmentof; // the segment of each block
};

tread read_all(const std::string& fname) {
    tread r;
    read_journal(
        fname, [&](const tjournalheader& h) { r.segments.push_back(h); },
        [&](std::span<const std::byte> s, const tjournalblockstate& st) {
            r.blocks.emplace_back(s.begin(), s.end());
            r.states.push_back(st);
            r.segmentof.push_back(r.segments.size() - 1);
        });
    return r;
}

// A small file system of its own, unmounted at the end; empty when none can be mounted.
struct ttinyfs {
    explicit ttinyfs(const fs::path& p, const char* size) : path(p) {
        fs::create_directories(p);
        const std::string opts = std::string("size=") + size;
        if (::mount("tmpfs", p.c_str(), "tmpfs", 0, opts.c_str()) == 0) mounted = true;
    }
    ~ttinyfs() {
        if (mounted) ::umount2(path.c_str(), MNT_DETACH);
    }
    fs::path path;
    bool mounted = false;
};

} // namespace

TEST_F(Journal, KeepsEachStartOfTheRecorderAndWhatTheAnalysisReadWithEachBlock) {
    const auto a = bytes(6 * 1000), b = bytes(6 * 500, 1), c = bytes(4 * 700, 2);
    std::string name;
    {
        TRecordingJournal j;
        j.begin_segment(dir.string(), header());
        name = j.filename();
        j.append(a, {true, 0});
        j.append(b, {false, 300});
        // Stop, then Record with another width and calibration: a segment of its own.
        tjournalheader h2 = header(16);
        h2.factors = {7.0, 9.5};
        h2.seed = 0;
        j.begin_segment(dir.string(), h2);
        // Within the run, a new full scale continues it.
        tjournalheader h3 = h2;
        h3.factors = {7.5, 9.5};
        h3.restart = false;
        j.begin_segment(dir.string(), h3);
        j.append(c, {false, 120});
        EXPECT_EQ(j.bytes(), a.size() + b.size() + c.size());
        // The program dies here: no retire.
    }
    ASSERT_EQ(orphaned_journals(dir.string()), std::vector<std::string>{name});
    // A crash cut the last block: its whole frames stay, the broken frame goes.
    fs::resize_file(name, fs::file_size(name) - 4 * 100 - 2);
    const tread r = read_all(name);
    ASSERT_EQ(r.segments.size(), 3u);
    EXPECT_EQ(r.segments[0].bits, 24);
    EXPECT_EQ(r.segments[0].seed, 12345u);
    EXPECT_EQ(r.segments[0].calibration[0], "Calibrated 2026-12-01\nby AB");
    EXPECT_EQ(r.segments[0].calstatus[0], 3);
    EXPECT_TRUE(r.segments[1].restart);
    EXPECT_EQ(r.segments[1].bits, 16);
    EXPECT_EQ(r.segments[1].factors[0], 7.0);
    EXPECT_FALSE(r.segments[2].restart);
    EXPECT_EQ(r.segments[2].factors[0], 7.5);
    ASSERT_EQ(r.blocks.size(), 3u);
    EXPECT_EQ(r.blocks[0], a);
    EXPECT_EQ(r.blocks[1], b);
    EXPECT_EQ(r.blocks[2], std::vector<std::byte>(c.begin(), c.end() - 4 * 101));
    EXPECT_EQ(r.segmentof, (std::vector<std::size_t>{0, 0, 2}));
    EXPECT_TRUE(r.states[0].paused);
    EXPECT_EQ(r.states[0].keyboardblocktime, 0);
    EXPECT_FALSE(r.states[1].paused);
    EXPECT_EQ(r.states[1].keyboardblocktime, 300);
    EXPECT_EQ(r.states[2].keyboardblocktime, 120);
}

TEST_F(Journal, TakesBegunInOneSecondGetNamesOfTheirOwnLockedFromTheFirstByte) {
    TRecordingJournal first, second;
    first.begin_segment(dir.string(), header());
    first.append(bytes(6 * 100), {});
    const auto size = fs::file_size(first.filename());
    // Held by its take: no scan takes it for an orphan, even one that runs while the next is
    // made, and a scan's lock never gets in the way of a creator.
    {
        const auto held = claim_orphaned_journals(dir.string());
        EXPECT_TRUE(held.empty());
        second.begin_segment(dir.string(), header());
    }
    EXPECT_NE(first.filename(), second.filename());
    EXPECT_EQ(fs::file_size(first.filename()), size);
    EXPECT_TRUE(orphaned_journals(dir.string()).empty());

    // The first take's program dies; a third take in the same second never overwrites it.
    const std::string orphan = first.filename();
    first.release();
    TRecordingJournal third;
    {
        // A program looking at the orphan meanwhile: the third take is made all the same.
        auto claims = claim_orphaned_journals(dir.string());
        ASSERT_EQ(claims.size(), 1u);
        third.begin_segment(dir.string(), header());
    }
    EXPECT_EQ(fs::file_size(orphan), size);
    EXPECT_EQ(orphaned_journals(dir.string()), std::vector<std::string>{orphan});
    EXPECT_EQ(files().size(), 3u);

    // One program holds the orphan: another one does not see it.
    auto mine = claim_orphaned_journals(dir.string());
    ASSERT_EQ(mine.size(), 1u);
    EXPECT_TRUE(claim_orphaned_journals(dir.string()).empty());
    mine[0].discard();
    EXPECT_FALSE(fs::exists(orphan));

    // A program that died while it made a journal leaves a file that held no take.
    std::ofstream(dir / ".new-take-abcdef") << "Gravon recording journal 2\n";
    EXPECT_TRUE(orphaned_journals(dir.string()).empty());
    EXPECT_FALSE(fs::exists(dir / ".new-take-abcdef"));
    second.retire();
    third.retire();
    EXPECT_TRUE(files().empty());
}

TEST_F(Journal, AWriteOnAFullDiskLeavesAWholeJournalThatItsTakeStillOwns) {
    ttinyfs tiny(dir, "300k");
    if (!tiny.mounted) GTEST_SKIP() << "cannot mount a small tmpfs here";
    const auto block = bytes(6 * 1024);
    int raised = 0;
    std::size_t written = 0;
    std::string name;
    {
        TRecordingJournal j;
        j.begin_segment(dir.string(), header());
        name = j.filename();
        for (int i = 0; i < 100; ++i) {
            try {
                j.append(block, {i % 2 == 0, i});
                if (!j.failed()) ++written;
            } catch (const EGravonError& e) {
                ++raised;
                EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
                EXPECT_NE(std::string(e.what()).find("No space left on device"), std::string::npos);
            }
        }
        EXPECT_EQ(raised, 1); // told once
        EXPECT_TRUE(j.failed());
        EXPECT_GT(written, 10u);
        EXPECT_LT(written, 60u);
        EXPECT_EQ(j.bytes(), written * block.size());
        // Still the take's: no orphan while it is held.
        EXPECT_TRUE(orphaned_journals(dir.string()).empty());
        // A later start of the recorder adds nothing after the gap.
        j.begin_segment(dir.string(), header());
        // The program dies.
    }
    // The orphan holds everything up to the failure, in whole blocks.
    const tread r = read_all(name);
    EXPECT_EQ(r.segments.size(), 1u);
    ASSERT_EQ(r.blocks.size(), written);
    for (std::size_t i = 0; i < written; ++i) {
        EXPECT_EQ(r.blocks[i], block);
        EXPECT_EQ(r.states[i].keyboardblocktime, std::int32_t(i));
    }

    // Recovered and discarded, it makes room again.
    auto claims = claim_orphaned_journals(dir.string());
    ASSERT_EQ(claims.size(), 1u);
    claims[0].discard();
    EXPECT_FALSE(fs::exists(name));

    // Discarding the take deletes its journal even when it could not be written.
    TRecordingJournal k;
    k.begin_segment(dir.string(), header());
    try {
        for (int i = 0; i < 100; ++i) k.append(block, {});
    } catch (const EGravonError&) {
    }
    EXPECT_TRUE(k.failed());
    const std::string second = k.filename();
    k.retire();
    EXPECT_FALSE(fs::exists(second));
    EXPECT_TRUE(files().empty());
}

TEST_F(Journal, ARecoveredJournalIsHeldByItsTakeAndContinuesAfterWhatTheCrashCut) {
    const auto a = bytes(6 * 1000);
    std::string name;
    {
        TRecordingJournal j;
        j.begin_segment(dir.string(), header());
        name = j.filename();
        j.append(a, {false, 0});
    }
    // The crash cut the block inside a frame.
    fs::resize_file(name, fs::file_size(name) - 6 * 10 - 3);
    auto claims = claim_orphaned_journals(dir.string());
    ASSERT_EQ(claims.size(), 1u);
    TRecordingJournal j;
    j.adopt(std::move(claims[0]));
    EXPECT_TRUE(j.isopen());
    EXPECT_FALSE(j.failed());
    EXPECT_EQ(j.filename(), name);
    EXPECT_EQ(j.bytes(), a.size() - 6 * 11);
    // Another program neither offers nor discards it.
    EXPECT_TRUE(orphaned_journals(dir.string()).empty());
    // Record after the recovery: a new segment in the same file.
    const auto b = bytes(4 * 300, 5);
    j.begin_segment(dir.string(), header(16));
    j.append(b, {true, 0});
    j.release();
    const tread r = read_all(name);
    ASSERT_EQ(r.segments.size(), 2u);
    ASSERT_EQ(r.blocks.size(), 2u);
    EXPECT_EQ(r.blocks[0], std::vector<std::byte>(a.begin(), a.end() - 6 * 11));
    EXPECT_EQ(r.blocks[1], b);
    EXPECT_EQ(r.segmentof[1], 1u);
    EXPECT_EQ(files().size(), 1u);
}

// A take keeps one rate: the segments of an older journal that go on at another rate become
// an orphan of their own, and the take's journal, cut before them, is continued.
TEST_F(Journal, SegmentsSplitOffMakeAJournalOfTheirOwn) {
    const auto a = bytes(6 * 400), b = bytes(6 * 300, 1), c = bytes(6 * 200, 2);
    std::string name;
    {
        TRecordingJournal j;
        j.begin_segment(dir.string(), header());
        name = j.filename();
        j.append(a, {false, 0});
        tjournalheader h = header();
        h.fs = 44100;
        j.begin_segment(dir.string(), h);
        j.append(b, {true, 0});
        h.restart = false;
        h.factors = {1.5, 2.5};
        j.begin_segment(dir.string(), h);
        j.append(c, {false, 7});
    }
    const tread before = read_all(name);
    ASSERT_EQ(before.segments.size(), 3u);
    auto claims = claim_orphaned_journals(dir.string());
    ASSERT_EQ(claims.size(), 1u);
    TRecordingJournal j;
    const std::string rest = j.adopt(std::move(claims[0]), before.segments[1].offset);
    EXPECT_EQ(orphaned_journals(dir.string()), std::vector<std::string>{rest});
    j.append(c, {false, 9});
    j.release();

    const tread kept = read_all(name), moved = read_all(rest);
    ASSERT_EQ(kept.segments.size(), 1u);
    EXPECT_EQ(kept.blocks, (std::vector<std::vector<std::byte>>{a, c}));
    ASSERT_EQ(moved.segments.size(), 2u);
    EXPECT_EQ(moved.segments[0].fs, 44100);
    EXPECT_EQ(moved.segments[1].factors[1], 2.5);
    EXPECT_EQ(moved.blocks, (std::vector<std::vector<std::byte>>{b, c}));
    EXPECT_EQ(moved.states[1].keyboardblocktime, 7);
}

TEST_F(Journal, AJournalOfTheFirstVersionIsReadAndContinued) {
    fs::create_directories(dir);
    const std::string name = (dir / "take-1-1").string() + journalextension;
    const auto a = bytes(4 * 50);
    {
        std::ofstream out(name, std::ios::binary);
        out << "Gravon recording journal 1\nfs=44100\nchannels=2\nbits=16\nfactor0=100\n"
               "calibration0=Left cal\nfactor1=90\ncalibration1=Right cal\ndevice=\n"
               "started=1796800000\n\n";
        const unsigned char head[8] = {'G', 'B', 1, 0, std::uint8_t(a.size()), 0, 0, 0};
        out.write(reinterpret_cast<const char*>(head), 8);
        out.write(reinterpret_cast<const char*>(a.data()), std::streamsize(a.size()));
    }
    auto claims = claim_orphaned_journals(dir.string());
    ASSERT_EQ(claims.size(), 1u);
    TRecordingJournal j;
    j.adopt(std::move(claims[0]));
    j.begin_segment(dir.string(), header(16));
    j.append(a, {false, 40});
    j.release();
    const tread r = read_all(name);
    ASSERT_EQ(r.segments.size(), 2u);
    EXPECT_EQ(r.segments[0].version, 1);
    EXPECT_EQ(r.segments[0].factors[1], 90);
    EXPECT_EQ(r.segments[0].calibration[1], "Right cal");
    EXPECT_EQ(r.segments[1].version, 3);
    ASSERT_EQ(r.blocks.size(), 2u);
    EXPECT_TRUE(r.states[0].paused);
    EXPECT_EQ(r.blocks[0], a);
    EXPECT_EQ(r.states[1].keyboardblocktime, 40);
}

// The journals the previous version wrote: no record of the take, texts unescaped.
TEST_F(Journal, AJournalOfTheSecondVersionIsRead) {
    fs::create_directories(dir);
    const std::string name = (dir / "take-2-1").string() + journalextension;
    const auto a = bytes(4 * 50);
    {
        std::ofstream out(name, std::ios::binary);
        out << "Gravon recording journal 2\nrestart=1\nfs=44100\nchannels=2\nbits=16\n"
               "factor0=100\ncalibration0=C:\\cal\\n\ncalstatus0=2\nfactor1=90\n"
               "calibration1=\ncalstatus1=0\ndevice=\nstarted=1796800000\nseed=7\n\n";
        const unsigned char head[12] = {'G', 'B', 0, 0, std::uint8_t(a.size()), 0, 0, 0, 40};
        out.write(reinterpret_cast<const char*>(head), 12);
        out.write(reinterpret_cast<const char*>(a.data()), std::streamsize(a.size()));
    }
    const tread r = read_all(name);
    ASSERT_EQ(r.segments.size(), 1u);
    EXPECT_EQ(r.segments[0].version, 2);
    EXPECT_FALSE(r.segments[0].hasrecord());
    EXPECT_EQ(r.segments[0].calibration[0], "C:\\cal\\n");
    EXPECT_EQ(r.blocks, std::vector<std::vector<std::byte>>{a});
}

TEST_F(Journal, DamagedEmptyOrForeignFilesAreRefusedByName) {
    fs::create_directories(dir);
    const std::string foreign = (dir / "foreign.gravonjournal").string(),
                      damaged = (dir / "damaged.gravonjournal").string(),
                      empty = (dir / "empty.gravonjournal").string(),
                      badblock = (dir / "badblock.gravonjournal").string();
    std::ofstream(foreign) << "RIFF....WAVEfmt ";
    std::ofstream(damaged) << "Gravon recording journal 2\nfs=abc\nchannels=2\n\n";
    std::ofstream(empty) << "";
    {
        TRecordingJournal j;
        j.begin_segment(dir.string(), header());
        j.append(bytes(600), {});
        j.append(bytes(600), {});
        const std::string name = j.filename();
        j.release();
        // The second block's head is overwritten.
        std::fstream f(name, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(std::streamoff(fs::file_size(name) - 600 - 12));
        f << "XX";
        f.close();
        fs::rename(name, badblock);
    }
    for (const auto& [f, why] : std::vector<std::pair<std::string, std::string>>{
             {foreign, "not a recording journal"},
             {damaged, "damaged journal header"},
             {empty, "is empty"},
             {badblock, "damaged block"},
             {(dir / "missing").string(), "Cannot read"}}) {
        std::size_t blocks = 0;
        try {
            read_journal(
                f, [](const tjournalheader&) {},
                [&](std::span<const std::byte>, const tjournalblockstate&) { ++blocks; });
            ADD_FAILURE() << f;
        } catch (const EGravonError& e) {
            EXPECT_NE(std::string(e.what()).find(f), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(why), std::string::npos) << e.what();
        }
        // What comes before the damage is read.
        EXPECT_EQ(blocks, f == badblock ? 1u : 0u) << f;
    }
    // A folder that cannot be made is reported with its name.
    TRecordingJournal j;
    try {
        j.begin_segment("/proc/no/such/folder", header());
        ADD_FAILURE();
    } catch (const EGravonError& e) {
        EXPECT_NE(std::string(e.what()).find("/proc/no/such/folder"), std::string::npos);
    }
    EXPECT_FALSE(j.isopen());
}
