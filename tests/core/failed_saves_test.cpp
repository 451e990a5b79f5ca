// A save that fails part way (here: the file-size limit of the process, which also stops a
// root user) reports the failure naming the file and leaves the file that was there before
// byte for byte, with no temporary file beside it.
#include "files/qub_file.h"
#include "files/smp_file.h"
#include "files/stdpg_file.h"
#include "phonetogram/pg_param.h"
#include "settings/ini_file.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sys/resource.h>

namespace gravon {
namespace {

namespace fs = std::filesystem;

std::string readbytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// While it lives, no file of this process can grow beyond `bytes`.
class tfilesizelimit {
  public:
    explicit tfilesizelimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &fold);
        fhandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = fold;
        small.rlim_cur = bytes;
        fok = ::setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~tfilesizelimit() {
        ::setrlimit(RLIMIT_FSIZE, &fold);
        std::signal(SIGXFSZ, fhandler);
    }
    tfilesizelimit(const tfilesizelimit&) = delete;
    tfilesizelimit& operator=(const tfilesizelimit&) = delete;
    bool ok() const { return fok; }

  private:
    rlimit fold{};
    void (*fhandler)(int) = nullptr;
    bool fok = false;
};

class FailedSaves : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device rd;
        dir = fs::temp_directory_path() / ("gravon_failed_saves_" + std::to_string(rd()));
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::vector<std::string> listing() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path dir;
};

tpg phonetogram_with_cells(int ncells) {
    tpg pg = make_empty_pg();
    copy_pgparam_descriptions(default_recording_pgparams(), pg.param);
    for (int i = 0; i < ncells; ++i)
        for (std::size_t k = 1; k < pg.param.size(); ++k)
            pg.param[k].arr[i % nf0bins][40 + i / nf0bins] = 1.0 + double(k);
    return pg;
}

TEST_F(FailedSaves, PhonetogramFileKeepsTheOldFile) {
    const fs::path p = dir / "voice.stdpg";
    TSMPfile file;
    tstdpgwriteinfo info;
    info.procstamp = "Gravon test";
    write_stdpg(file, p.string(), phonetogram_with_cells(3), info);
    const std::string before = readbytes(p);
    ASSERT_EQ(before.size(), 1024u + 3 * 40);
    {
        // 200 cells need 8000 bytes of records.
        tfilesizelimit limit(4000);
        ASSERT_TRUE(limit.ok());
        try {
            write_stdpg(file, p.string(), phonetogram_with_cells(200), info);
            FAIL() << "no error";
        } catch (const EStdpgError& e) {
            EXPECT_NE(std::string(e.what()).find(p.string()), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(readbytes(p), before);
    EXPECT_EQ(listing(), std::vector<std::string>{"voice.stdpg"});
    // Unlimited, the same save replaces the file.
    write_stdpg(file, p.string(), phonetogram_with_cells(200), info);
    EXPECT_EQ(fs::file_size(p), 1024u + 200 * 40);
    EXPECT_EQ(listing(), std::vector<std::string>{"voice.stdpg"});
}

TEST_F(FailedSaves, SettingsContainerKeepsTheOldFile) {
    const fs::path p = dir / "GravonSettings.qubfile";
    const TProgId progid;
    TQUBFile q;
    q.setProgId(&progid);
    q.setFileId("GravonSettings");
    q.writeinteger("Display", "zParam", 2);
    q.save_file(p.string());
    const std::string before = readbytes(p);
    q.writebytearr("Display", "Big", tbytearr(10000, 7));
    {
        tfilesizelimit limit(4000);
        ASSERT_TRUE(limit.ok());
        try {
            q.save_file(p.string());
            FAIL() << "no error";
        } catch (const EOSError& e) {
            EXPECT_NE(std::string(e.what()).find(p.string()), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(readbytes(p), before);
    EXPECT_EQ(listing(), std::vector<std::string>{"GravonSettings.qubfile"});
}

TEST_F(FailedSaves, IniFileKeepsTheOldFile) {
    const fs::path p = dir / "Gravon.ini";
    TIniFile ini(p.string());
    ini.write("RecentFiles", "1", "/a/b.wav");
    ini.flush();
    const std::string before = readbytes(p);
    ini.write("RecentFiles", "2", std::string(10000, 'x'));
    {
        tfilesizelimit limit(4000);
        ASSERT_TRUE(limit.ok());
        try {
            ini.flush();
            FAIL() << "no error";
        } catch (const EGravonError& e) {
            EXPECT_NE(std::string(e.what()).find(p.string()), std::string::npos) << e.what();
        }
    }
    EXPECT_EQ(readbytes(p), before);
    EXPECT_EQ(listing(), std::vector<std::string>{"Gravon.ini"});
    EXPECT_TRUE(ini.modified()); // the change is still pending
}

} // namespace
} // namespace gravon
