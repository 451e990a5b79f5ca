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
#include <sys/mount.h>

namespace gravon {
namespace {

namespace fs = std::filesystem;
using testing::slurp;
using testing::tclirun;

class FullDisk : public testing::tclitest {
  public:
    fs::path disk() { return dir() / "disk"; }
    // What went wrong: the run's error output, or the text of what the save raised.
    std::string cli(const std::string& args) {
        const tclirun r = run(args);
        return r.status == 0 ? std::string() : "status " + std::to_string(r.status) + ": " + r.err;
    }
    template <class tf> std::string raised(tf save) {
        try {
            save();
        } catch (const std::exception& e) {
            return e.what();
        }
        return {};
    }
    void fill_disk() {
        std::ofstream filler(disk() / "filler", std::ios::binary);
        const std::string block(4096, 'f');
        while (filler.write(block.data(), std::streamsize(block.size()))) {
        }
        filler.clear();
        filler.close();
        // A byte at a time, into the last partly used page.
        std::ofstream last(disk() / "filler", std::ios::binary | std::ios::app);
        while (last.put('f') && last.flush()) {
        }
    }
};

struct tsave {
    std::vector<std::string> files; // in the disk folder
    std::function<std::string(FullDisk&, int pass)> save;
    bool appends = false;
};

// The headless program's output into the disk folder.
tsave output(const std::string& file, const std::string& option, bool appends = false) {
    return {
        {file},
        [=](FullDisk& t, int) { return t.cli("/f100 disk/voice.wav " + option + " disk/" + file); },
        appends};
}

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
        {{"voice_pg.stdpg", "voice_an.smp", "voice_an.kavell"},
         [&](FullDisk& t, int) { return t.cli("/f100 disk/voice.wav /s"); }},
        output("view.png", "--png"),
        output("report.pdf", "--report"),
        output("cells.csv", "--cells-csv"),
        output("summary.csv", "--summary-csv", true),
        output("tracks.csv", "--tracks"),
        output("export.txt", "--export-text"),
        {{"listen.wav"},
         [&](FullDisk& t, int pass) {
             return t.raised([&] {
                 TWavFile w;
                 w.setsampfreq(44100);
                 w.setfullscale(0, 1.0);
                 w.save_file((t.disk() / "listen.wav").string(),
                             {tsinglearr(std::size_t(20000 * pass), 0.25f)}, true, false);
             });
         }},
        {{"GravonSettings.qubfile"},
         [&](FullDisk& t, int pass) {
             return t.raised([&] {
                 TQUBFile q;
                 q.setProgId(&progid);
                 q.setFileId("GravonSettings");
                 q.writebytearr("Display", "Big", tbytearr(std::size_t(30000 * pass), 7));
                 q.save_file((t.disk() / "GravonSettings.qubfile").string());
             });
         }},
        {{"CalibrationLog.txt"},
         [&](FullDisk& t, int pass) {
             return t.raised([&] {
                 append_calibration_log((t.disk() / "CalibrationLog.txt").string(),
                                        std::string(std::size_t(100 * pass), 'c'));
             });
         },
         true},
    };

    fs::copy_file(dir() / "first.wav", disk() / "voice.wav");
    std::map<std::string, std::string> before;
    for (const tsave& s : table) {
        const std::string failure = s.save(*this, 1);
        EXPECT_EQ(failure, "") << s.files.front();
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
    fill_disk();
    for (const tsave& s : table) {
        const std::string failure = s.save(*this, 2);
        for (const std::string& f : s.files) {
            EXPECT_NE(failure.find("disk/" + f), std::string::npos) << f << ": " << failure;
            EXPECT_EQ(slurp(disk() / f), before[f]) << f;
        }
    }
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(disk())) left.push_back(e.path().filename());
    std::sort(left.begin(), left.end());
    std::vector<std::string> expected{"filler", "voice.wav"};
    for (const auto& [f, bytes] : before) expected.push_back(f);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
}

} // namespace
} // namespace gravon
