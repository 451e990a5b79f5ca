// Damaged and hostile files through the main window, reader by reader: empty, truncated,
// zero-size items, wrong magic, absurd sizes, wrong types and random bytes. Each gives the
// result its format specifies (a silent refusal, a partial read, defaults) or a message that
// names the file; nothing crashes, hangs or reads out of bounds (the sanitizer build runs
// these too).
#include "core/test_form.h"
#include "files/qub_file.h"
#include "files/smp_file.h"
#include "files/stdpg_file.h"
#include "files/wav_file.h"
#include "phonetogram/pg_param.h"
#include "settings/advanced_settings_file.h"
#include "settings/options_file.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>

namespace gravon {
namespace {

namespace fs = std::filesystem;
using testing::ttestform;

std::string readbytes(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writebytes(const std::string& p, const std::string& b) {
    std::ofstream(p, std::ios::binary | std::ios::trunc).write(b.data(), std::streamsize(b.size()));
}

void put32(std::string& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = char((v >> (8 * i)) & 0xFF);
}

// Replaces text in the 1024-byte header region of an SMP container, keeping the region's
// size (the zero padding after the header text gives or takes the difference), so that a
// header can say what the writer would refuse to write.
std::string edit_header(const std::string& bytes, const std::string& from, const std::string& to) {
    const std::size_t at = bytes.find(from);
    EXPECT_LT(at, 1024u) << from;
    std::string head = bytes.substr(0, 1024);
    head.replace(at, from.size(), to);
    if (head.size() > 1024) {
        EXPECT_EQ(head.find_first_not_of('\0', 1024), std::string::npos);
        head.resize(1024);
    } else {
        head.resize(1024, '\0');
    }
    return head + bytes.substr(1024);
}

// What one open through the window showed.
struct toutcome {
    std::vector<testing::trecordinginterface::tmessage> messages;
    std::string raised; // text of an exception that left open_any_file
    // Every text shown or raised.
    std::string all() const {
        std::string t = raised;
        for (const auto& m : messages) t += "|" + m.caption + ": " + m.text;
        return t;
    }
    // No error: what was shown, if anything, were the notes on a doubtful analysis.
    bool silent() const {
        for (const auto& m : messages)
            if (m.caption != "The analysis may be doubtful") return false;
        return raised.empty();
    }
    bool noted(const std::string& part) const {
        for (const auto& m : messages)
            if (m.caption == "The analysis may be doubtful" &&
                m.text.find(part) != std::string::npos)
                return true;
        return false;
    }
};

class BadFiles : public ::testing::Test {
  protected:
    ttestform t;
    TForm1& f = t.form;

    std::string path(const std::string& name) const {
        return (t.config.root / "files" / name).string();
    }

    toutcome open(const std::string& name, const std::string& bytes) {
        const std::string p = path(name);
        writebytes(p, bytes);
        t.ui.messages.clear();
        toutcome o;
        try {
            f.open_any_file(p);
        } catch (const EGravonError& e) {
            o.raised = e.what();
        }
        o.messages = t.ui.messages;
        EXPECT_FALSE(f.analyzing);
        return o;
    }

    // The outcome names the file (a message or an exception that leaves the window).
    void expect_names_file(const toutcome& o, const std::string& name,
                           const std::string& part = "") {
        EXPECT_FALSE(o.silent()) << name;
        EXPECT_NE(o.all().find(path(name)), std::string::npos) << o.all();
        if (!part.empty()) {
            EXPECT_NE(o.all().find(part), std::string::npos) << o.all();
        }
    }

    // A valid 16-bit mono WAV file of n samples at 44.1 kHz: 44-byte header, then the data.
    std::string wav(std::size_t n) {
        tsmallintarr x(n);
        for (std::size_t i = 0; i < n; ++i) x[i] = std::int16_t(8000 * std::sin(0.05 * double(i)));
        TWavFile w;
        w.setsampfreq(44100);
        w.setnbits(16);
        const std::string p = path("valid.wav");
        w.save_file(p, std::vector<tsmallintarr>{x}, false, false);
        return readbytes(p);
    }

    // A valid mono SMP file of n samples at 44.1 kHz with its 1024-byte header.
    std::string smp(std::int32_t n,
                    const std::vector<std::pair<std::string, std::string>>& items = {}) {
        const std::string p = path("valid.smp");
        TSMPfile s;
        EXPECT_TRUE(s.new_file(p));
        s.setnChans(1);
        s.setSfTot(44100);
        s.insert_nonpresent_defaults();
        for (const auto& [k, v] : items) s.set_item(k, v);
        tsamplechunk c;
        c.used = n;
        for (std::int32_t i = 0; i < n; ++i)
            c.data[std::size_t(i)] = std::int16_t(8000 * std::sin(0.05 * i));
        if (n > 0) s.setChannelChunk(0, c);
        EXPECT_TRUE(s.save_file());
        s.close_file();
        return readbytes(p);
    }

    // A valid phonetogram file with three cells.
    std::string stdpg() {
        tpg pg = make_empty_pg();
        copy_pgparam_descriptions(default_recording_pgparams(), pg.param);
        for (int x : {40, 41, 42})
            for (std::size_t k = 1; k < pg.param.size(); ++k) pg.param[k].arr[x][70] = 1.0;
        tstdpgwriteinfo info;
        info.procstamp = "Gravon test";
        const std::string p = path("valid.stdpg");
        TSMPfile file;
        write_stdpg(file, p, pg, info);
        return readbytes(p);
    }

    // A valid options file whose "zParam" is 2.
    std::string options_file() {
        TQUBFile q;
        q.setProgId(&f.progid);
        q.setFileId(optionsfileid);
        q.writeinteger("Display", "zParam", 2);
        const std::string p = path("valid.qubfile");
        q.save_file(p);
        return readbytes(p);
    }
};

// ---------------------------------------------------------------------------------------
// WAV

// The window says what the headless program says, and keeps what it showed.
TEST_F(BadFiles, WavEmptyOrWrongMagicIsRefusedNamingTheFile) {
    const std::string good = wav(4096);
    std::string riffx = good, wavex = good;
    riffx[3] = 'X';
    wavex[11] = 'X';
    for (const std::string& bytes : {std::string(), std::string("RIFF"), riffx, wavex, smp(4096)}) {
        const toutcome o = open("bad.wav", bytes);
        expect_names_file(o, "bad.wav");
        ASSERT_EQ(o.messages.size(), 1u);
        EXPECT_EQ(o.messages[0].kind, tmessagekind::error);
        EXPECT_EQ(f.samplecount, 0);
        EXPECT_EQ(f.pgs[0].pgname, "Left");
        EXPECT_FALSE(f.analysisisfromsoundfile());
    }
}

TEST_F(BadFiles, WavTruncated) {
    const std::string good = wav(4096);
    // Inside the format chunk: the header is corrupt.
    expect_names_file(open("cut.wav", good.substr(0, 30)), "cut.wav", "is truncated");
    EXPECT_EQ(f.samplecount, 0);
    // Inside the samples: what is there is analysed (one whole block of 2048).
    const toutcome o = open("short.wav", good.substr(0, 44 + 2 * 3000));
    EXPECT_TRUE(o.silent()) << o.all();
    EXPECT_TRUE(o.noted("short.wav is truncated: its header announces 0.09 s, the file holds "
                        "0.07 s"))
        << o.all();
    EXPECT_EQ(f.samplecount, 2048);
    EXPECT_EQ(f.pgs[0].pgname, "short.wav");
}

TEST_F(BadFiles, WavZeroSizeChunks) {
    const std::string good = wav(4096);
    // A data chunk of size 0 (never patched by its recorder) is read to the end of the file.
    std::string nodatasize = good;
    put32(nodatasize, 40, 0);
    EXPECT_TRUE(open("zero.wav", nodatasize).silent());
    EXPECT_EQ(f.samplecount, 4096);
    // A format chunk of size 0 describes no channels.
    std::string nofmt = good.substr(0, 12) + std::string("fmt \0\0\0\0", 8) + good.substr(36);
    expect_names_file(open("nofmt.wav", nofmt), "nofmt.wav", "has no channels");
    // A data chunk that holds nothing: nothing to analyse, and the window says so.
    expect_names_file(open("nodata.wav", good.substr(0, 44)), "nodata.wav", "holds no samples");
    EXPECT_EQ(f.samplecount, 4096);
}

TEST_F(BadFiles, WavAbsurdSizes) {
    const std::string good = wav(4096);
    // RIFF and data sizes far beyond the file: the samples that are there.
    std::string huge = good;
    put32(huge, 4, 0xFFFFFFFFu);
    put32(huge, 40, 0xFFFFFFF0u);
    EXPECT_TRUE(open("huge.wav", huge).silent());
    EXPECT_EQ(f.samplecount, 4096);
    // A chunk before the format chunk that claims 4 GB.
    const std::string junk = good.substr(0, 12) + "JUNK" + std::string("\xF0\xFF\xFF\xFF", 4) +
                             std::string(16, 'j') + good.substr(12);
    expect_names_file(open("junk.wav", junk), "junk.wav", "runs past the end of the file");
    // 65535 channels: no channel holds a whole sample.
    std::string many = good;
    many[22] = char(0xFF);
    many[23] = char(0xFF);
    const toutcome o = open("many.wav", many);
    expect_names_file(o, "many.wav", "holds no samples");
    EXPECT_EQ(f.samplecount, 4096);
    // A sampling rate that would size the analysis window to gigabytes.
    std::string rate = good;
    put32(rate, 24, 0x7FFFFFFFu);
    expect_names_file(open("rate.wav", rate), "rate.wav", "sample rate of 2147483647 Hz");
    EXPECT_EQ(f.advanced.fs, 44100);
}

TEST_F(BadFiles, WavWrongTypes) {
    const std::string good = wav(4096);
    // PCM with 12 bits: the own reader refuses a known tag with bits it does not have;
    // libsndfile reads the samples from their 16-bit containers.
    std::string twelve = good;
    twelve[34] = 12;
    EXPECT_TRUE(open("twelve.wav", twelve).silent());
    EXPECT_EQ(f.samplecount, 4096);
    // An unknown tag is read by its bits (16-bit PCM here).
    std::string unknown = good;
    unknown[20] = 0x55;
    EXPECT_TRUE(open("unknown.wav", unknown).silent());
    EXPECT_EQ(f.samplecount, 4096);
    // A-law with 16 bits: also a known tag with bits it does not have.
    std::string alaw16 = good;
    alaw16[20] = 6;
    alaw16[34] = 16;
    EXPECT_TRUE(open("alaw16.wav", alaw16).silent());
}

// ---------------------------------------------------------------------------------------
// SMP

TEST_F(BadFiles, SmpEmptyIsRefusedNamingTheFile) {
    expect_names_file(open("empty.smp", ""), "empty.smp", "it is not an SMP sound file");
    EXPECT_EQ(f.samplecount, 0);
}

TEST_F(BadFiles, SmpTruncated) {
    const std::string good = smp(4096);
    expect_names_file(open("cut.smp", good.substr(0, 60)), "cut.smp", "Has no end within");
    expect_names_file(open("cut2.smp", good.substr(0, 1000)), "cut2.smp",
                      "Says the samples start at byte 1024, but the file has only 1000 bytes");
    // Inside the samples (and an odd byte): the whole samples there are analysed.
    EXPECT_TRUE(open("short.smp", good.substr(0, 1024 + 2 * 3000 + 1)).silent());
    EXPECT_EQ(f.samplecount, 2048);
}

TEST_F(BadFiles, SmpZeroSizeItems) {
    const std::string good = smp(4096);
    expect_names_file(open("head0.smp", edit_header(good, "head=1024", "head=0")), "head0.smp",
                      "Has an invalid \"head\" item");
    expect_names_file(open("nchans0.smp", edit_header(good, "nchans=1", "nchans=0")), "nchans0.smp",
                      "Has an invalid \"nchans\" item");
    expect_names_file(open("sftot0.smp", smp(4096, {{"sftot", "0"}})), "sftot0.smp",
                      "Its sample rate of 0 Hz");
    // No samples at all: nothing to analyse, and the window says so.
    expect_names_file(open("nosamples.smp", smp(0)), "nosamples.smp", "holds no samples");
    EXPECT_EQ(f.samplecount, 0);
}

TEST_F(BadFiles, SmpWrongMagic) {
    // A WAV file under an SMP name: its "header" ends at the first zero byte, and says
    // nothing about a header size, so the default 1024 bytes are more than the file.
    expect_names_file(open("wav.smp", wav(100)), "wav.smp", "the file is truncated");
}

TEST_F(BadFiles, SmpAbsurdSizes) {
    const std::string good = smp(4096);
    expect_names_file(open("head.smp", edit_header(good, "head=1024", "head=99999999")), "head.smp",
                      "Says the samples start at byte 99999999");
    expect_names_file(open("nchans.smp", edit_header(good, "nchans=1", "nchans=100000")),
                      "nchans.smp", "Has an invalid \"nchans\" item");
    // Channel 0 twice in a row in a stereo scan is not evenly spaced.
    expect_names_file(open("scan.smp", edit_header(good, "nchans=1", "nchans=2\r\nscan=0,0,1")),
                      "scan.smp", "Has an invalid \"scan\" item");
    expect_names_file(open("rate.smp", smp(4096, {{"sftot", "1e300"}})), "rate.smp",
                      "is outside the rates the analysis takes");
    EXPECT_EQ(f.advanced.fs, 44100);
}

TEST_F(BadFiles, SmpWrongTypesGiveTheDefaults) {
    // Unreadable byte order, view and range: little-endian, -1 .. 1 and the 16-bit span.
    const toutcome o =
        open("types.smp", smp(4096, {{"msb", "sideways"}, {"view", "a,b"}, {"range", "5,5"}}));
    EXPECT_TRUE(o.silent()) << o.all();
    EXPECT_EQ(f.samplecount, 4096);
    EXPECT_EQ(f.pgs[0].calibstr, "File is not calibrated");
}

// ---------------------------------------------------------------------------------------
// Phonetogram files

TEST_F(BadFiles, StdpgEmptyOrMissing) {
    const std::size_t n = f.pgs.size();
    toutcome o = open("empty.stdpg", "");
    ASSERT_EQ(o.messages.size(), 1u);
    EXPECT_EQ(o.messages[0].caption, "Cannot open file");
    EXPECT_EQ(o.messages[0].text, "Cannot open file " + path("empty.stdpg"));
    EXPECT_EQ(f.pgs.size(), n);
}

TEST_F(BadFiles, StdpgTruncated) {
    const std::string good = stdpg();
    const std::size_t n = f.pgs.size();
    // Inside the header text: a broken container, and no new phonetogram.
    expect_names_file(open("cut.stdpg", good.substr(0, 200)), "cut.stdpg", "Has no end within");
    EXPECT_EQ(f.pgs.size(), n);
    // Inside the last record: the cells before it stay.
    toutcome o = open("short.stdpg", good.substr(0, good.size() - 10));
    expect_names_file(o, "short.stdpg", "ends inside record 3");
    ASSERT_EQ(f.pgs.size(), n + 1);
    EXPECT_EQ(f.pgs.back().param[pglayeracctime].arr[40][70], 1.0);
    EXPECT_EQ(f.pgs.back().param[pglayeracctime].arr[42][70], 0.0);
}

TEST_F(BadFiles, StdpgZeroSizeAndWrongMagic) {
    const std::string good = stdpg();
    const auto with = [&](const std::string& key, const std::string& value) {
        const std::string p = path("edit.stdpg");
        writebytes(p, good);
        TSMPfile s;
        EXPECT_TRUE(s.open_file(p, false));
        s.set_item(key, value);
        EXPECT_TRUE(s.save_file());
        s.close_file();
        return readbytes(p);
    };
    toutcome o = open("n0.stdpg", with("nparams", "0"));
    ASSERT_EQ(o.messages.size(), 1u);
    EXPECT_EQ(o.messages[0].text, "Too few parameters: 0");
    o = open("samp.stdpg", with("file", "samp"));
    ASSERT_EQ(o.messages.size(), 1u);
    EXPECT_EQ(o.messages[0].text, "This is not a stdpg phonetogram: samp");
    // A sound file under a phonetogram name is not a container of this kind either.
    expect_names_file(open("wav.stdpg", wav(100)), "wav.stdpg", "the file is truncated");
}

TEST_F(BadFiles, StdpgAbsurdSizes) {
    const std::string many = edit_header(stdpg(), "nparams=10", "nparams=999999999");
    const toutcome o = open("many.stdpg", many);
    ASSERT_EQ(o.messages.size(), 1u) << o.all();
    EXPECT_EQ(o.messages[0].text, "Too many parameters: 999999999");
}

TEST_F(BadFiles, StdpgWrongTypeDistanceRaisesNamingTheFile) {
    std::string good = stdpg();
    const std::size_t at = good.find("micdist=");
    ASSERT_NE(at, std::string::npos);
    good.replace(at + 8, 1, "x");
    const toutcome o = open("dist.stdpg", good);
    EXPECT_NE(o.raised.find("(item \"micdist\" of " + path("dist.stdpg") + ")"), std::string::npos)
        << o.all();
}

// ---------------------------------------------------------------------------------------
// Settings containers

TEST_F(BadFiles, SettingsEmptyTruncatedOrWrongMagicSayWhy) {
    const std::string good = options_file();
    const std::int32_t zparam = f.options.zparam();
    const struct {
        const char* name;
        std::string bytes;
        const char* why;
    } cases[] = {
        {"empty.qubfile", "", "is not a settings container (signature )"},
        {"cut.qubfile", good.substr(0, good.size() - 3), "is truncated"},
        {"magic.qubfile", "QUB2" + good.substr(4),
         "is not a settings container (signature "
         "#51#55#42#32)"},
    };
    for (const auto& c : cases) {
        const toutcome o = open(c.name, c.bytes);
        ASSERT_EQ(o.messages.size(), 1u) << c.name;
        EXPECT_EQ(o.messages[0].caption, "Cannot open file");
        EXPECT_EQ(o.messages[0].text.rfind("Cannot open file " + path(c.name) + "\rType: \r", 0),
                  0u)
            << o.messages[0].text;
        EXPECT_NE(o.messages[0].text.find("Settings file " + path(c.name) + " " + c.why),
                  std::string::npos)
            << o.messages[0].text;
        EXPECT_EQ(f.options.zparam(), zparam);
    }
}

TEST_F(BadFiles, SettingsAbsurdCountsAreRefused) {
    std::string good = options_file();
    // The entry count follows the four texts.
    std::size_t at = 4;
    for (int i = 0; i < 4; ++i) {
        std::uint32_t len = 0;
        std::memcpy(&len, good.data() + at, 4);
        at += 4 + len;
    }
    put32(good, at, 0x7FFFFFFFu);
    const toutcome o = open("count.qubfile", good);
    ASSERT_EQ(o.messages.size(), 1u);
    EXPECT_NE(o.messages[0].text.find("the entry count at byte " + std::to_string(at) +
                                      " is 2147483647, more than the remaining"),
              std::string::npos)
        << o.messages[0].text;
}

TEST_F(BadFiles, SettingsZeroEntriesAndWrongTypes) {
    TQUBFile q;
    q.setProgId(&f.progid);
    q.setFileId(optionsfileid);
    q.save_file(path("none.qubfile"));
    EXPECT_TRUE(open("none.qubfile", readbytes(path("none.qubfile"))).silent());

    q.setFileId(advancedfileid);
    q.writeinteger("General", "SampFreq", 22050); // stored as an integer, not a float
    q.writefloat("General", "HPFreq", 60.0);
    q.save_file(path("types.qubfile"));
    const toutcome o = open("types.qubfile", readbytes(path("types.qubfile")));
    ASSERT_EQ(o.messages.size(), 1u);
    EXPECT_EQ(o.messages[0].caption, settingsproblemscaption);
    EXPECT_EQ(o.messages[0].text,
              path("types.qubfile") +
                  "\rSection \"General\", key \"SampFreq\": Data has wrong type: 11, not12");
    EXPECT_EQ(f.advanced.fs, 44100);
    EXPECT_EQ(f.advanced.hpfreq, 60);
}

// ---------------------------------------------------------------------------------------
// Random bytes, for every reader

TEST_F(BadFiles, RandomBytesNeverCrashAnyReader) {
    std::mt19937 rng(2024);
    const std::string prefixes[] = {
        "", "RIFF", "RIFF\x24\0\0\0WAVEfmt ", "head=1024\r\n", "QUB1", std::string("Q\0U\0", 4)};
    for (const char* ext : {".wav", ".smp", ".stdpg", ".qubfile"}) {
        for (int round = 0; round < 40; ++round) {
            std::string b = prefixes[rng() % std::size(prefixes)];
            const std::size_t n = rng() % 3000;
            for (std::size_t i = 0; i < n; ++i) b += char(rng() % 256);
            const std::string name = std::string("random") + ext;
            const toutcome o = open(name, b);
            // A message or an exception names the file; the random header may also be
            // read as something harmless.
            if (!o.silent() && o.all().find(path(name)) == std::string::npos) {
                // Layout refusals of a phonetogram quote the item instead of the file.
                EXPECT_EQ(std::string(ext), ".stdpg") << o.all();
            }
            set_nchans(f, 2);
        }
    }
}

} // namespace
} // namespace gravon
