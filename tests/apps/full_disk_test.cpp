// Every file Gravon writes, saved again onto a disk that has become full: each save reports an
// error naming its file, the file written before stays byte for byte, and no temporary file is
// left beside it.
#include "apps/cli_process.h"
#include "base/prog_id.h"
#include "calibration/calibration_log.h"
#include "files/qub_file.h"
#include "files/wav_file.h"

#include <functional>
#include <map>
#include <set>
#include <sys/mount.h>

namespace gravon {
namespace {

namespace fs = std::filesystem;
using testing::slurp;

struct tsave {
    std::vector<std::string> files; // in the disk folder
    std::string option;             // the headless program's, or else the save itself:
    std::function<void(const std::string& file, int pass)> save = {};
    bool appends = false;
};

class FullDisk : public testing::tclitest {
  public:
    fs::path disk() { return dir() / "disk"; }
    // What went wrong: the run's error output, or the text of what the save raised.
    std::string failure(const tsave& s, int pass) {
        if (!s.save) {
            const std::string to = s.option == "/s" ? "" : " disk/" + s.files[0];
            const testing::tclirun r = run("/f100 disk/voice.wav " + s.option + to);
            return r.status == 0 ? "" : r.err;
        }
        try {
            s.save((disk() / s.files[0]).string(), pass);
        } catch (const std::exception& e) {
            return e.what();
        }
        return "";
    }
};

TEST_F(FullDisk, EverySaveKeepsTheOldFileAndSaysSo) {
    fs::create_directories(disk());
    if (::mount("tmpfs", disk().c_str(), "tmpfs", 0, "size=6m") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    struct tunmount {
        fs::path p;
        ~tunmount() { ::umount2(p.c_str(), MNT_DETACH); }
    } unmount{disk()};
    // The same name holds another voice the second time, so that every output changes.
    synthesize("first.wav", "--seconds 1 --f0 150");
    synthesize("second.wav", "--seconds 1 --f0 300 --spl 90");
    const TProgId progid;
    const std::vector<tsave> table = {
        {{"voice_pg.stdpg", "voice_an.smp", "voice_an.kavell"}, "/s"},
        {{"view.png"}, "--png"},
        {{"report.pdf"}, "--report"},
        {{"cells.csv"}, "--cells-csv"},
        {{"summary.csv"}, "--summary-csv", {}, true},
        {{"tracks.csv"}, "--tracks"},
        {{"export.txt"}, "--export-text"},
        {{"listen.wav"},
         "",
         [](const std::string& f, int pass) {
             TWavFile w;
             w.setsampfreq(44100);
             w.setfullscale(0, 1.0);
             w.save_file(f, {tsinglearr(std::size_t(20000 * pass), 0.25f)}, true, false);
         }},
        {{"GravonSettings.qubfile"},
         "",
         [&](const std::string& f, int pass) {
             TQUBFile q;
             q.setProgId(&progid);
             q.setFileId("GravonSettings");
             q.writebytearr("Display", "Big", tbytearr(std::size_t(30000 * pass), 7));
             q.save_file(f);
         }},
        {{"CalibrationLog.txt"},
         "",
         [](const std::string& f, int pass) {
             append_calibration_log(f, std::string(std::size_t(100 * pass), 'c'));
         },
         true},
    };

    fs::copy_file(dir() / "first.wav", disk() / "voice.wav");
    std::map<std::string, std::string> before;
    for (const tsave& s : table) {
        EXPECT_EQ(failure(s, 1), "") << s.files[0];
        for (const std::string& f : s.files) {
            // An append fits into the last page of its file on a full disk: the page is
            // filled with empty lines first.
            if (s.appends)
                std::ofstream(disk() / f, std::ios::app)
                    << std::string(4096 - fs::file_size(disk() / f) % 4096, '\n');
            before[f] = slurp(disk() / f);
        }
    }
    fs::copy_file(dir() / "second.wav", disk() / "voice.wav", fs::copy_options::overwrite_existing);
    // Every page taken, the last one too.
    std::system(("cat /dev/zero >'" + (disk() / "filler").string() + "' 2>/dev/null").c_str());
    for (const tsave& s : table) {
        const std::string said = failure(s, 2);
        for (const std::string& f : s.files) {
            EXPECT_NE(said.find("disk/" + f), std::string::npos) << f << ": " << said;
            EXPECT_EQ(slurp(disk() / f), before[f]) << f;
        }
    }
    std::set<std::string> left, expected{"filler", "voice.wav"};
    for (const auto& e : fs::directory_iterator(disk())) left.insert(e.path().filename());
    for (const auto& [f, bytes] : before) expected.insert(f);
    EXPECT_EQ(left, expected);
}

} // namespace
} // namespace gravon
