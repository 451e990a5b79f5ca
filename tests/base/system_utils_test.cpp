#include "base/errors.h"
#include "base/random.h"
#include "base/system_utils.h"
#include "base/window_placement.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>
#include <set>
#include <thread>
#include <vector>

using namespace gravon;
namespace fs = std::filesystem;

namespace {

// A fresh folder per test, removed afterwards.
class TempDir : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("gravon_sysutil_" + std::to_string(std::random_device{}()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    static void writefile(const std::string& p, const std::string& content) {
        std::ofstream(p, std::ios::binary) << content;
    }
    static std::string readfile(const std::string& p) {
        std::ifstream f(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
    fs::path dir;
};

using TempFileName = TempDir;
using CopyFile = TempDir;

} // namespace

TEST_F(TempFileName, CreatesEmptyFileInTempFolder) {
    std::string p = tempfilename("Gravon");
    fs::path fp(p);
    EXPECT_TRUE(fs::exists(fp));
    EXPECT_EQ(fs::file_size(fp), 0u);
    EXPECT_TRUE(fs::equivalent(fp.parent_path(), fs::temp_directory_path()));
    EXPECT_EQ(fp.filename().string().rfind("~Gravon", 0), 0u) << p;
    EXPECT_EQ(fp.extension(), ".tmp");
    fs::remove(fp);
}

TEST_F(TempFileName, UsesOnlyTheFileNamePartOfThePrefix) {
    std::string p = tempfilename("C:\\Program Files\\Gravon/bin/Gravon.exe");
    EXPECT_EQ(fs::path(p).filename().string().rfind("~Gravon.exe", 0), 0u) << p;
    fs::remove(p);
    std::string q = tempfilename("a:b*c");
    EXPECT_EQ(fs::path(q).filename().string().rfind("~a_b_c", 0), 0u) << q;
    fs::remove(q);
}

TEST_F(TempFileName, DoesNotDrawFromTheSharedGenerator) {
    RandSeed(0);
    fs::remove(tempfilename("x"));
    EXPECT_EQ(RandSeedValue(), 0u);
}

TEST_F(TempFileName, ConcurrentCallersNeverCollide) {
    // Threads stand in for concurrent processes: uniqueness rests on exclusive creation and
    // on per-call entropy, not on any state of the process.
    constexpr int nthreads = 4, ncalls = 100;
    std::vector<std::vector<std::string>> names(nthreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < nthreads; ++t)
        threads.emplace_back([&names, t] {
            for (int i = 0; i < ncalls; ++i) names[t].push_back(tempfilename("conc"));
        });
    for (auto& th : threads) th.join();
    std::set<std::string> all;
    for (auto& v : names)
        for (auto& n : v) all.insert(n);
    EXPECT_EQ(all.size(), size_t(nthreads * ncalls));
    for (auto& n : all) fs::remove(n);
}

TEST(Names, UserAndComputer) {
    std::string u = username();
    EXPECT_FALSE(u.empty());
    std::string c = computername();
    EXPECT_LE(c.size(), 255u);
}

TEST_F(CopyFile, CopiesContentAndModificationTime) {
    std::string content;
    for (int i = 0; i < 3 * 8192 + 5; ++i) content += char(i * 7 + 3);
    std::string src = path("source.smp"), dst = path("dest.smp");
    writefile(src, content);
    auto old = fs::last_write_time(src) - std::chrono::hours(50);
    fs::last_write_time(src, old);
    int calls = 0;
    EXPECT_TRUE(copyfile(src, dst, [&calls] { ++calls; }));
    EXPECT_EQ(readfile(dst), content);
    EXPECT_EQ(fs::last_write_time(dst), old);
    EXPECT_EQ(calls, 2 * 4); // between each read and write, and after each write
}

TEST_F(CopyFile, EmptyFileAndOverwrite) {
    std::string src = path("empty"), dst = path("dest");
    writefile(src, "");
    writefile(dst, "old content that must go");
    EXPECT_TRUE(copyfile(src, dst));
    EXPECT_TRUE(fs::exists(dst));
    EXPECT_EQ(fs::file_size(dst), 0u);
}

TEST_F(CopyFile, OntoItselfKeepsTheFile) {
    std::string src = path("self.wav");
    writefile(src, "precious");
    EXPECT_TRUE(copyfile(src, src));
    EXPECT_EQ(readfile(src), "precious");
    EXPECT_TRUE(copyfile(src, (dir / "." / "self.wav").string()));
    EXPECT_EQ(readfile(src), "precious");
}

TEST_F(CopyFile, MissingSourceOrUnwritableDestRaiseNamingTheFile) {
    std::string missing = path("missing.smp");
    try {
        copyfile(missing, path("d"));
        FAIL();
    } catch (const EOSError& e) {
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos) << e.what();
    }
    EXPECT_FALSE(fs::exists(path("d")));
    std::string src = path("s");
    writefile(src, "abc");
    std::string baddest = path("nofolder/d");
    try {
        copyfile(src, baddest);
        FAIL();
    } catch (const EOSError& e) {
        EXPECT_NE(std::string(e.what()).find(baddest), std::string::npos) << e.what();
    }
    // A folder is not a readable source.
    EXPECT_THROW(copyfile(dir.string(), path("d2")), EOSError);
}

TEST_F(CopyFile, ShortWriteReportsFailure) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no device that refuses writes";
    std::string src = path("s");
    writefile(src, std::string(10000, 'x'));
    EXPECT_FALSE(copyfile(src, "/dev/full"));
}

TEST(KeepOnScreen, MovesWindowsBackOntoTheDesktop) {
    tscreenrect r{0, 0, 1920, 1040};
    // Already visible: unchanged.
    twindowplace w = keep_on_screen({100, 100, 800, 600}, r);
    EXPECT_EQ(w.left, 100);
    EXPECT_EQ(w.top, 100);
    EXPECT_EQ(w.width, 800);
    EXPECT_EQ(w.height, 600);
    // Off to the right and below.
    w = keep_on_screen({3000, 2000, 800, 600}, r);
    EXPECT_EQ(w.left, 1870);
    EXPECT_EQ(w.top, 940);
    // Above the top: the bottom edge is above top + 50.
    w = keep_on_screen({100, -700, 800, 600}, r);
    EXPECT_EQ(w.top, 0);
    w = keep_on_screen({100, -550, 800, 600}, r); // bottom at 50: still reachable
    EXPECT_EQ(w.top, -550);
    // Off to the left: 100 pixels stay visible.
    w = keep_on_screen({-1000, 100, 800, 600}, r);
    EXPECT_EQ(w.left, -700);
    // A desktop that does not start at 0 (a second monitor on the left).
    w = keep_on_screen({-5000, -5000, 400, 300}, tscreenrect{-1280, 0, 0, 1024});
    EXPECT_EQ(w.left, -1280 - 400 + 100);
    EXPECT_EQ(w.top, 0);
    // Absurd stored values do not overflow.
    w = keep_on_screen({2147483647, 2147483647, 10, 10}, r);
    EXPECT_EQ(w.left, 1870);
    EXPECT_EQ(w.top, 940);
}
