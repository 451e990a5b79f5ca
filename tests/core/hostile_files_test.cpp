// Files that are not what their names say, opened the way a user opens them: dropped on the
// window or named on the command line. Nothing may crash; what cannot be read is refused with
// a message (or, for a sound file the driver cannot open, simply not analysed).
#include "core/test_form.h"
#include "base/errors.h"
#include "synth/synth_params.h"
#include "synth/wav_writer.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <random>

namespace gravon {
namespace {

namespace fs = std::filesystem;
using testing::ttestform;

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class HostileFiles : public ::testing::Test {
  protected:
    ttestform t;
    TForm1& f = t.form;
    fs::path dir() { return t.config.root / "files"; }

    // Valid files of every type the window opens, written by the program itself.
    std::vector<fs::path> originals() {
        synth::tsynthparams p;
        p.phrases = {synth::steady_phrase(0.3, 220, 80)};
        p.leadin = 0.2;
        const synth::tsynthresult r = synth::synthesize(p);
        const fs::path wav = dir() / "voice.wav";
        synth::write_wav16(wav.string(), r.rate, r.channels, r.samples);
        f.execute_command_line({"/f100", wav.string(), "/s"});
        f.advanced.lof0limit = 60;
        f.save_advanced_settings((dir() / "adv.qubfile").string());
        f.save_settings((dir() / "opt.qubfile").string());
        return {wav,
                dir() / "voice_an.smp",
                dir() / "voice_pg.stdpg",
                dir() / "voice_an.kavell",
                dir() / "adv.qubfile",
                dir() / "opt.qubfile"};
    }

    void open_safely(const fs::path& p) {
        try {
            f.open_any_file(p.string());
        } catch (const EGravonError&) {
            // A reader's own error, with its message: what the window shows in a box.
        }
        EXPECT_FALSE(f.analyzing);
    }
};

TEST_F(HostileFiles, TruncatedAndMangledFilesOfEveryTypeNeverCrash) {
    const std::vector<fs::path> files = originals();
    std::mt19937 rng(7);
    for (const fs::path& original : files) {
        const std::string bytes = slurp(original);
        ASSERT_FALSE(bytes.empty()) << original;
        const fs::path copy = dir() / ("bad" + original.extension().string());
        auto write = [&](const std::string& b) {
            std::ofstream(copy, std::ios::binary | std::ios::trunc) << b;
            open_safely(copy);
        };
        write("");
        for (std::size_t n : {std::size_t(3), std::size_t(12), std::size_t(44), std::size_t(100),
                              bytes.size() / 2, bytes.size() - 1})
            write(bytes.substr(0, std::min(n, bytes.size())));
        for (int k = 0; k < 12; ++k) {
            std::string b = bytes;
            const std::size_t span = std::min<std::size_t>(b.size(), 1200);
            for (int m = 0; m < 8; ++m) b[rng() % span] = char(rng());
            write(b);
        }
        std::string noise(4096, '\0');
        for (char& c : noise) c = char(rng());
        write(noise);
    }
    // The window still works afterwards.
    f.open_any_file(files[0].string());
    EXPECT_GT(f.samplecount, 0);
}

TEST_F(HostileFiles, WrongExtensionsAreRefusedOrReadForWhatTheyAre) {
    const std::vector<fs::path> files = originals();
    // A phonetogram file named .wav, a WAV named .stdpg, a container named .smp ...
    for (std::size_t i = 0; i < files.size(); ++i)
        for (const char* ext : {".wav", ".smp", ".stdpg", ".qubfile"}) {
            const fs::path copy = dir() / (std::string("as") + std::to_string(i) + ext);
            fs::copy_file(files[i], copy, fs::copy_options::overwrite_existing);
            open_safely(copy);
        }
}

} // namespace
} // namespace gravon
