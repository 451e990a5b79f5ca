#include "files/oem_codepage.h"
#include "files/smp_file.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <regex>
#include <string>
#include <vector>

using namespace gravon;
namespace fs = std::filesystem;

namespace {

// A fresh directory for each test, removed afterwards.
class SMPFile : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device rd;
        dir = fs::temp_directory_path() / ("gravon_smp_test_" + std::to_string(rd()));
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }

    static std::string readbytes(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void writebytes(const std::string& p, const std::string& bytes) {
        std::ofstream out(p, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    // A header region of `head` bytes holding the given item lines, then the samples.
    static std::string smpbytes(const std::vector<std::string>& lines, int head = 1024,
                                const std::vector<std::int16_t>& samples = {}) {
        std::string h;
        for (const auto& l : lines) h += l + "\r\n";
        h += "=\r\n";
        h += std::string("\0\x04\x1a", 3);
        h.resize(static_cast<size_t>(head), '\0');
        for (std::int16_t s : samples) {
            h += static_cast<char>(s & 0xFF);
            h += static_cast<char>((s >> 8) & 0xFF);
        }
        return h;
    }

    fs::path dir;
};

tsamplechunk block(const std::vector<std::int16_t>& v) {
    tsamplechunk c;
    c.used = static_cast<std::int32_t>(v.size());
    std::copy(v.begin(), v.end(), c.data.begin());
    return c;
}

std::vector<std::int16_t> samplesof(const tsamplechunk& c) {
    return std::vector<std::int16_t>(c.data.begin(), c.data.begin() + c.used);
}

// Every sample of channel n, block after block.
std::vector<std::int16_t> readchannel(TSMPfile& f, int n) {
    std::vector<std::int16_t> all;
    tsamplechunk c;
    for (;;) {
        f.ChannelChunk(n, c);
        if (c.used == 0) break;
        auto v = samplesof(c);
        all.insert(all.end(), v.begin(), v.end());
    }
    return all;
}

void writechannel(TSMPfile& f, int n, const std::vector<std::int16_t>& v) {
    for (size_t i = 0; i < v.size(); i += 16384) {
        size_t len = std::min<size_t>(16384, v.size() - i);
        f.setChannelChunk(n, block(std::vector<std::int16_t>(v.begin() + i, v.begin() + i + len)));
    }
}

std::string errortext(const std::function<void()>& f) {
    try {
        f();
    } catch (const EInvalidSMPHeader& e) {
        return e.what();
    }
    return "no error";
}

} // namespace

// ---------------------------------------------------------------------------------------
// The worked mono example

TEST_F(SMPFile, MonoWorkedExampleByteForByte) {
    const std::string name = path("mono.smp");
    {
        TSMPfile f;
        ASSERT_TRUE(f.new_file(name));
        f.setnChans(1);
        f.setSfTot(16000);
        f.insert_nonpresent_defaults();
        f.setChannelChunk(0, block({1, -2, 300}));
        ASSERT_TRUE(f.save_file());
        ASSERT_TRUE(f.close_file());
    }
    const std::string bytes = readbytes(name);
    ASSERT_EQ(bytes.size(), 1030u);
    // The date is the current date and time; take it from the file and check its form.
    size_t d = bytes.find("date=");
    ASSERT_NE(d, std::string::npos);
    std::string date = bytes.substr(d + 5, bytes.find("\r\n", d) - d - 5);
    EXPECT_TRUE(std::regex_match(date, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)"))) << date;
    std::string expected = "head=1024\r\nnchans=1\r\nsftot=16000\r\nfile=samp\r\nmsb=last\r\n"
                           "view=-1,1\r\nrange=-32768,32768\r\ndate=" +
                           date + "\r\n=\r\n" + std::string("\0\x04\x1a", 3);
    expected.resize(1024, '\0');
    expected += std::string("\x01\x00\xfe\xff\x2c\x01", 6);
    EXPECT_EQ(bytes, expected);

    TSMPfile r;
    ASSERT_TRUE(r.open_file(name, true));
    EXPECT_EQ(r.nSamples(), 3);
    EXPECT_EQ(r.HeadSize(), 1024);
    EXPECT_EQ(r.ChannelSampFreq(0), 16000);
    EXPECT_EQ(readchannel(r, 0), (std::vector<std::int16_t>{1, -2, 300}));
    tdoublepair v = r.ChannelView(0);
    EXPECT_EQ(v.lo, -1);
    EXPECT_EQ(v.hi, 1);
    tdoublepair rg = r.ChannelRange(0);
    EXPECT_EQ(rg.lo, -32768);
    EXPECT_EQ(rg.hi, 32768);
}

TEST_F(SMPFile, BigEndianSamples) {
    const std::string name = path("msb.smp");
    {
        TSMPfile f;
        ASSERT_TRUE(f.new_file(name));
        f.setMSBFirst(true);
        f.insert_nonpresent_defaults();
        f.setChannelChunk(0, block({300, -2}));
        ASSERT_TRUE(f.save_file());
    }
    const std::string bytes = readbytes(name);
    ASSERT_EQ(bytes.size(), 1028u);
    EXPECT_EQ(bytes.substr(1024), std::string("\x01\x2c\xff\xfe", 4));
    EXPECT_NE(bytes.find("msb=first\r\n"), std::string::npos);
    TSMPfile r;
    ASSERT_TRUE(r.open_file(name, true));
    EXPECT_TRUE(r.MSBFirst());
    EXPECT_EQ(readchannel(r, 0), (std::vector<std::int16_t>{300, -2}));
    tsamplechunk c;
    r.Chunk(c);
    EXPECT_EQ(samplesof(c), (std::vector<std::int16_t>{300, -2}));
}

// ---------------------------------------------------------------------------------------
// Scan patterns

TEST_F(SMPFile, SplitRateScanTables) {
    TSMPfile f;
    f.setnChans(3);
    f.setSfTot(44100);
    f.setScanStr("0,1,0,2");
    EXPECT_EQ(f.ScanCount(), 4);
    EXPECT_EQ(f.ChannelPitch(0), 2);
    EXPECT_EQ(f.ChannelPitch(1), 4);
    EXPECT_EQ(f.ChannelPitch(2), 4);
    EXPECT_EQ(f.ChannelFirst(0), 0);
    EXPECT_EQ(f.ChannelFirst(1), 1);
    EXPECT_EQ(f.ChannelFirst(2), 3);
    EXPECT_TRUE(f.IsSplitRate());
    EXPECT_DOUBLE_EQ(f.ChannelSampFreq(0), 44100.0 / 2);
    EXPECT_DOUBLE_EQ(f.ChannelSampFreq(1), 44100.0 / 4);
    EXPECT_EQ(f.ChannelSampFreq(3), 0);
    // Any non-digit separates the numbers.
    f.setScanStr(" 0 ; 1/0 x2");
    EXPECT_EQ(f.ScanCount(), 4);
    f.setScanStr("");
    EXPECT_EQ(f.ScanCount(), 3);
    EXPECT_FALSE(f.IsSplitRate());
    f.setSfTot(-100);
    EXPECT_EQ(f.ChannelSampFreq(0), 0);
}

TEST_F(SMPFile, InvalidScanPatternsAreRefused) {
    TSMPfile f;
    ASSERT_TRUE(f.new_file(path("stereo.smp")));
    f.setnChans(2);
    for (const char* scan : {"0,0,1", "0,1,0", "0,2", "0", "0,1,-1", ",,", "0,1,99999999999"}) {
        f.setScanStr(scan);
        EXPECT_EQ(errortext([&] { f.ScanCount(); }),
                  "File header in " + path("stereo.smp") +
                      "\rHas an invalid \"scan\" item:\rscan=" + scan + "\rnchans=2")
            << scan;
    }
    // Good patterns pass, including a channel at twice the rate.
    for (const char* scan : {"0,1", "1,0", "0,1,0,1", "0,0,1,1"}) {
        f.setScanStr(scan);
        if (std::string(scan) == "0,0,1,1") {
            EXPECT_THROW(f.ScanCount(), EInvalidSMPHeader) << scan;
        } else {
            EXPECT_NO_THROW(f.ScanCount()) << scan;
        }
    }
    f.setnChans(3);
    f.setScanStr("0,1,0,2");
    EXPECT_NO_THROW(f.ScanCount());
}

TEST_F(SMPFile, PatternTablesHaveLimits) {
    TSMPfile f;
    f.setnChans(129);
    EXPECT_NE(errortext([&] { f.ScanCount(); }).find("Has an invalid \"nchans\" item"),
              std::string::npos);
    // A huge channel count is refused before anything is allocated for it.
    f.setnChans(2000000000);
    EXPECT_THROW(f.ScanCount(), EInvalidSMPHeader);
    f.setnChans(0);
    EXPECT_THROW(f.ScanCount(), EInvalidSMPHeader);
    f.setnChans(-5);
    EXPECT_THROW(f.ChannelSampFreq(0), EInvalidSMPHeader);
    f.setnChans(128);
    EXPECT_EQ(f.ScanCount(), 128);
    f.setScanStr("128");
    EXPECT_THROW(f.ScanCount(), EInvalidSMPHeader);
    // More than 512 entries.
    std::vector<int> many = scannumbers(std::string(2000, '0') + "", 600);
    EXPECT_EQ(many.size(), 1u);
    std::string text;
    for (int i = 0; i < 600; ++i) text += std::to_string(i % 128) + ",";
    EXPECT_EQ(scannumbers(text, 513).size(), 513u);
    EXPECT_THROW(buildsmpscan(text, true, 128, "x.smp"), EInvalidSMPHeader);
    std::string ok;
    for (int i = 0; i < 512; ++i) ok += std::to_string(i % 128) + ",";
    EXPECT_EQ(buildsmpscan(ok, true, 128, "x.smp").count(), 512);
}

TEST_F(SMPFile, InvalidScanInAFileIsReportedOnFirstSampleAccess) {
    const std::string name = path("badscan.smp");
    writebytes(name, smpbytes({"head=1024", "nchans=2", "scan=0,0,1"}, 1024, {1, 2, 3, 4, 5, 6}));
    TSMPfile f;
    ASSERT_TRUE(f.open_file(name, true));
    tsamplechunk c;
    EXPECT_EQ(errortext([&] { f.ChannelChunk(0, c); }),
              "File header in " + name + "\rHas an invalid \"scan\" item:\rscan=0,0,1\rnchans=2");
    EXPECT_THROW(f.Chunk(c), EInvalidSMPHeader);
    EXPECT_THROW(f.nSamples(), EInvalidSMPHeader);
}

// ---------------------------------------------------------------------------------------
// Items

TEST_F(SMPFile, ItemCaseRules) {
    const std::string name = path("items.smp");
    writebytes(name, smpbytes({"HEAD=1024", "site=A", "date=2024-01-02 03:04:05", "site=B",
                               "Site=C", "blank=   ", "noequals", "=novalue", "x=1"}));
    TSMPfile f;
    ASSERT_TRUE(f.open_file(name, true));
    EXPECT_EQ(f.get_item("head"), "1024");
    EXPECT_EQ(f.HeadSize(), 1024);
    EXPECT_EQ(f.get_item("SITE"), "B");
    ASSERT_GE(f.Items().size(), 4u);
    EXPECT_EQ(f.Items()[0], "HEAD=1024");
    EXPECT_EQ(f.Items()[1], "site=B");
    EXPECT_EQ(f.Items()[2], "date=2024-01-02 03:04:05");
    EXPECT_EQ(f.Items()[3], "Site=C");
    EXPECT_EQ(f.get_item("blank", "none"), "none");
    EXPECT_EQ(f.get_item("noequals", "none"), "none");
    EXPECT_EQ(f.Items().size(), 5u);

    // A later line without a value removes the item.
    writebytes(name, smpbytes({"site=A", "date=x", "site="}));
    ASSERT_TRUE(f.open_file(name, true));
    EXPECT_EQ(f.get_item("site", "gone"), "gone");
    EXPECT_EQ(f.get_item("date"), "x");
    writebytes(name, smpbytes({"site=A", "date=x", "site"}));
    ASSERT_TRUE(f.open_file(name, true));
    EXPECT_EQ(f.get_item("site", "gone"), "gone");
}

TEST_F(SMPFile, SetItemAndFriends) {
    TSMPfile f;
    f.set_item("a", "1");
    f.set_item("b", "2");
    f.set_item("head", "2048");
    EXPECT_EQ(f.Items()[0], "head=2048");
    f.set_item("a", "3");
    EXPECT_EQ(f.Items()[1], "a=3");
    f.set_item("A", "4");
    EXPECT_EQ(f.get_item("a"), "3");
    f.set_item("a", "");
    EXPECT_EQ(f.get_item("a"), "4");
    f.set_item("blank", "   ");
    EXPECT_EQ(f.get_item("blank", "-"), "-");
    size_t before = f.Items().size();
    f.validate_items();
    EXPECT_EQ(f.Items().size(), before - 1);
    f.add_line("c=x=y");
    EXPECT_EQ(f.get_item("c"), "x=y");
    f.set_nonpresent_item("c", "z");
    EXPECT_EQ(f.get_item("c"), "x=y");
    f.add_nonpresent_line("d=5");
    f.add_nonpresent_line("d=6");
    EXPECT_EQ(f.get_item("d"), "5");
    f.set_proc("first step");
    f.set_proc("second step");
    EXPECT_EQ(f.get_item("proc0"), "first step");
    EXPECT_EQ(f.get_item("proc1"), "second step");
    // Line breaks in a value would end the items; they are stored as blanks.
    f.set_item("site", "Room 1\r\n=\r\nnchans=9");
    EXPECT_EQ(f.get_item("site"), "Room 1  =  nchans=9");
    EXPECT_EQ(f.nChans(), 1);
    // Values are read back at most 255 characters long.
    f.set_item("long", std::string(300, 'x'));
    EXPECT_EQ(f.get_item("long").size(), 255u);
    f.clear();
    EXPECT_TRUE(f.Items().empty());
}

TEST_F(SMPFile, UnreadableNumbersGiveTheDefaults) {
    TSMPfile f;
    f.set_item("head", "big");
    f.set_item("sftot", "fast");
    f.set_item("nchans", "two");
    f.set_item("msb", "middle");
    f.set_item("view", "a,b,Pa");
    f.set_item("range", "1,1");
    EXPECT_EQ(f.HeadSize(), 1024);
    EXPECT_EQ(f.SfTot(), 16000);
    EXPECT_EQ(f.nChans(), 1);
    EXPECT_FALSE(f.MSBFirst());
    EXPECT_EQ(f.ChannelView(0).lo, -1);
    EXPECT_EQ(f.ChannelView(0).hi, 1);
    EXPECT_EQ(f.ChannelUnit(0), "Pa");
    EXPECT_EQ(f.ChannelRange(0).lo, -32768);
    f.set_item("head", "-4");
    EXPECT_EQ(f.HeadSize(), 1024);
    f.set_item("sftot", "44100.5");
    EXPECT_EQ(f.SfTot(), 44100.5);
    f.setSfTot(48000.25);
    EXPECT_EQ(f.get_item("sftot"), "48000.25");
}

TEST_F(SMPFile, ChannelDescriptions) {
    TSMPfile f;
    f.setnChans(1);
    f.set_item("view", "-1,1,Pa");
    // One channel with a "view" but no "view0": the common item is updated, unit kept.
    f.setChannelView(0, {-14.142135623, 14.142135623});
    EXPECT_EQ(f.get_item("view"), "-14.1421,14.1421,Pa");
    EXPECT_EQ(f.get_item("view0", "-"), "-");
    f.setnChans(2);
    f.setChannelView(1, {0, 120});
    EXPECT_EQ(f.get_item("view1"), "0,120,Pa");
    f.setChannelUnit(1, "dB");
    EXPECT_EQ(f.get_item("view1"), "0,120,dB");
    EXPECT_EQ(f.ChannelUnit(1), "dB");
    EXPECT_EQ(f.ChannelUnit(0), "Pa");
    f.setChannelView(-1, {-2, 2});
    EXPECT_EQ(f.get_item("view"), "-2,2,Pa");
    EXPECT_EQ(f.ChannelView(0).hi, 2);
    EXPECT_EQ(f.ChannelView(1).hi, 120);
    f.nViewDigits = 3;
    f.setChannelView(1, {0.123456, 1234567});
    EXPECT_EQ(f.get_item("view1"), "0.123,1230000,dB");

    f.setChannelRange(-1, {-32768, 32768});
    f.setChannelRange(1, {0, 32767});
    EXPECT_EQ(f.get_item("range"), "-32768,32768");
    EXPECT_EQ(f.get_item("range1"), "0,32767");
    EXPECT_EQ(f.ChannelRange(0).hi, 32768);
    EXPECT_EQ(f.ChannelRange(1).hi, 32767);

    f.set_item("ch0", "old name");
    f.setChannelName(0, "Audio 0 @300 mm");
    EXPECT_EQ(f.get_item("ch0"), "Audio 0 @300 mm");
    EXPECT_EQ(f.get_item("channel0", "-"), "-");
    f.setChannelName(1, "SPL 0");
    EXPECT_EQ(f.get_item("channel1"), "SPL 0");
    EXPECT_EQ(f.ChannelName(0), "Audio 0 @300 mm");
    EXPECT_EQ(f.ChannelName(1), "SPL 0");
    EXPECT_EQ(f.ChannelName(5), "");
}

TEST_F(SMPFile, HeaderTextIsInTheOEMCodePage) {
    const std::string name = path("oem.smp");
    {
        TSMPfile f;
        ASSERT_TRUE(f.new_file(name));
        f.set_item("site", "G\xc3\xb6teborg \xe2\x82\xac"); // "Göteborg €"
        f.Comment.push_back("\xc3\x85rhus");                // "Århus"
        ASSERT_TRUE(f.save_file());
    }
    const std::string bytes = readbytes(name);
    EXPECT_NE(bytes.find("site=G\x94teborg ?\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("=\r\n\x8frhus\r\n"), std::string::npos);
    TSMPfile r;
    ASSERT_TRUE(r.open_file(name, true));
    EXPECT_EQ(r.get_item("site"), "G\xc3\xb6teborg ?");
    ASSERT_EQ(r.Comment.size(), 1u);
    EXPECT_EQ(r.Comment[0], "\xc3\x85rhus");
    EXPECT_EQ(oemtotext(texttooem("\xc3\xa5\xc3\xa4\xc3\xb6\xc3\x9c\xc3\x9f")),
              "\xc3\xa5\xc3\xa4\xc3\xb6\xc3\x9c\xc3\x9f");
    EXPECT_EQ(texttooem("\xff\xc3"), "??");
}

// ---------------------------------------------------------------------------------------
// Round trips

TEST_F(SMPFile, SeveralChannelsRoundTrip) {
    const std::string name = path("three.smp");
    std::vector<std::vector<std::int16_t>> ch(3);
    for (int i = 0; i < 40000; ++i) {
        ch[0].push_back(static_cast<std::int16_t>(i));
        ch[1].push_back(static_cast<std::int16_t>(-i));
        ch[2].push_back(static_cast<std::int16_t>(i * 7));
    }
    {
        TSMPfile f;
        ASSERT_TRUE(f.new_file(name));
        f.setnChans(3);
        f.setSfTot(3 * 44100);
        f.insert_nonpresent_defaults();
        for (int n = 0; n < 3; ++n) {
            f.setChannelName(n, "channel " + std::to_string(n));
            writechannel(f, n, ch[n]);
        }
        ASSERT_TRUE(f.save_file());
        ASSERT_TRUE(f.close_file());
    }
    EXPECT_EQ(readbytes(name).size(), 1024u + 3 * 40000 * 2);
    TSMPfile r;
    ASSERT_TRUE(r.open_file(name, true));
    EXPECT_EQ(r.nSamples(), 120000);
    EXPECT_DOUBLE_EQ(r.ChannelSampFreq(2), 44100);
    for (int n = 0; n < 3; ++n) {
        EXPECT_EQ(readchannel(r, n), ch[n]) << n;
        EXPECT_EQ(r.ChannelName(n), "channel " + std::to_string(n));
    }
    // The whole-file blocks hold whole scans, interleaved.
    tsamplechunk c;
    r.Chunk(c);
    EXPECT_EQ(c.used, 16383);
    EXPECT_EQ(c.data[0], 0);
    EXPECT_EQ(c.data[1], 0);
    EXPECT_EQ(c.data[3], 1);
    EXPECT_EQ(c.data[4], -1);
    EXPECT_EQ(c.data[5], 7);
    std::int64_t total = c.used;
    while (c.used > 0) {
        r.Chunk(c);
        total += c.used;
    }
    EXPECT_EQ(total, 120000);
    // Rewinding a channel repeats its last block.
    r.setChunknSamples(10);
    r.setScanStr(r.ScanStr());
    tsamplechunk a, b;
    r.ChannelChunk(1, a);
    r.ChannelChunk(1, a);
    r.ChannelRewind(1);
    r.ChannelChunk(1, b);
    EXPECT_EQ(a.used, 10);
    EXPECT_EQ(samplesof(a), samplesof(b));
    EXPECT_EQ(b.data[0], -10);
}

TEST_F(SMPFile, SplitRateRoundTrip) {
    const std::string name = path("split.smp");
    // Channel 0 at twice the rate of channels 1 and 2.
    std::vector<std::int16_t> fast, slow1, slow2;
    for (int i = 0; i < 30000; ++i) fast.push_back(static_cast<std::int16_t>(i));
    for (int i = 0; i < 15000; ++i) {
        slow1.push_back(static_cast<std::int16_t>(10000 + i));
        slow2.push_back(static_cast<std::int16_t>(-10000 - i));
    }
    {
        TSMPfile f;
        ASSERT_TRUE(f.new_file(name));
        f.setnChans(3);
        f.setScanStr("0,1,0,2");
        f.setSfTot(4 * 8000);
        f.setMSBFirst(true);
        f.insert_nonpresent_defaults();
        writechannel(f, 1, slow1);
        writechannel(f, 0, fast);
        writechannel(f, 2, slow2);
        ASSERT_TRUE(f.save_file());
    }
    const std::string bytes = readbytes(name);
    ASSERT_EQ(bytes.size(), 1024u + 60000 * 2);
    // Scan 0: fast[0], slow1[0], fast[1], slow2[0], big-endian.
    EXPECT_EQ(bytes.substr(1024, 8), std::string("\x00\x00\x27\x10\x00\x01\xd8\xf0", 8));
    TSMPfile r;
    ASSERT_TRUE(r.open_file(name, false));
    EXPECT_TRUE(r.IsSplitRate());
    EXPECT_DOUBLE_EQ(r.ChannelSampFreq(0), 16000);
    EXPECT_DOUBLE_EQ(r.ChannelSampFreq(1), 8000);
    for (int chunk : {16384, 1000, 3, 1}) {
        r.setChunknSamples(chunk);
        r.setScanStr(r.ScanStr()); // rewinds every channel
        EXPECT_EQ(readchannel(r, 0), fast) << chunk;
        EXPECT_EQ(readchannel(r, 1), slow1) << chunk;
        EXPECT_EQ(readchannel(r, 2), slow2) << chunk;
    }
    // Rewriting one channel keeps the others.
    r.setScanStr(r.ScanStr());
    std::vector<std::int16_t> zeros(15000, 5);
    writechannel(r, 2, zeros);
    r.setScanStr(r.ScanStr());
    EXPECT_EQ(readchannel(r, 0), fast);
    EXPECT_EQ(readchannel(r, 1), slow1);
    EXPECT_EQ(readchannel(r, 2), zeros);
}

TEST_F(SMPFile, WholeScanChunkWriteAndReadBack) {
    const std::string name = path("chunks.smp");
    TSMPfile f;
    ASSERT_TRUE(f.new_file(name));
    f.setnChans(2);
    f.insert_nonpresent_defaults();
    f.setChunk(block({1, 2, 3, 4, 5, 6}));
    f.setChunk(block({7, 8}));
    EXPECT_EQ(f.Position(), 8);
    EXPECT_EQ(f.nSamples(), 8);
    ASSERT_TRUE(f.save_file());
    f.setPosition(0);
    f.setChunknSamples(5); // two whole scans a block
    tsamplechunk c;
    f.Chunk(c);
    EXPECT_EQ(samplesof(c), (std::vector<std::int16_t>{1, 2, 3, 4}));
    f.Chunk(c);
    EXPECT_EQ(samplesof(c), (std::vector<std::int16_t>{5, 6, 7, 8}));
    f.Chunk(c);
    EXPECT_EQ(c.used, 0);
    EXPECT_EQ(readchannel(f, 1), (std::vector<std::int16_t>{2, 4, 6, 8}));
    f.setChunknSamples(0);
    EXPECT_EQ(f.ChunknSamples(), 1);
    f.setChunknSamples(100000);
    EXPECT_EQ(f.ChunknSamples(), 16384);
}

TEST_F(SMPFile, ClosedAndReadOnlyFilesAreLeftAlone) {
    TSMPfile f;
    tsamplechunk c;
    c.used = 99;
    c.data.fill(7);
    f.ChannelChunk(0, c);
    EXPECT_EQ(c.used, 0);
    EXPECT_EQ(c.data[100], 0);
    f.Chunk(c);
    EXPECT_EQ(c.used, 0);
    f.setChunk(block({1, 2}));
    f.setChannelChunk(0, block({1, 2}));
    EXPECT_EQ(f.nSamples(), 0);

    const std::string name = path("ro.smp");
    writebytes(name, smpbytes({"head=1024", "nchans=1"}, 1024, {1, 2, 3}));
    const std::string before = readbytes(name);
    ASSERT_TRUE(f.open_file(name, true));
    EXPECT_TRUE(f.ReadOnly());
    f.setChunk(block({9, 9}));
    f.setChannelChunk(0, block({9, 9}));
    f.set_item("site", "x");
    EXPECT_FALSE(f.save_file());
    ASSERT_TRUE(f.close_file());
    EXPECT_EQ(readbytes(name), before);
}

TEST_F(SMPFile, ReadingNeverModifiesTheFile) {
    const std::string name = path("untouched.smp");
    // Duplicates, blank values and odd cases, which the reader tidies in memory only.
    writebytes(name, smpbytes({"nchans=2", "HEAD=1024", "site=A", "site=B", "blank= ", "L2=5,6,b",
                               "L1=1,2,a", "scan=1,0"},
                              1024, {1, 2, 3, 4, 5}));
    const std::string before = readbytes(name);
    for (bool rdonly : {true, false}) {
        TSMPfile f;
        ASSERT_TRUE(f.open_file(name, rdonly));
        EXPECT_EQ(f.nSamples(), 4);
        EXPECT_EQ(readchannel(f, 0), (std::vector<std::int16_t>{2, 4}));
        tsamplechunk c;
        f.Chunk(c);
        EXPECT_EQ(f.nlabels(), 2);
        EXPECT_EQ(f.Label(0).text, "a");
        EXPECT_TRUE(f.close_file());
        EXPECT_EQ(readbytes(name), before);
    }
}

// ---------------------------------------------------------------------------------------
// Header growth

TEST_F(SMPFile, GrowingHeaderKeepsEverySample) {
    const std::string name = path("grow.smp");
    std::vector<std::int16_t> a, b;
    for (int i = 0; i < 20000; ++i) {
        a.push_back(static_cast<std::int16_t>(i));
        b.push_back(static_cast<std::int16_t>(~i));
    }
    {
        TSMPfile f;
        ASSERT_TRUE(f.new_file(name));
        f.setnChans(2);
        f.insert_nonpresent_defaults();
        writechannel(f, 0, a);
        writechannel(f, 1, b);
        // Items that do not fit in 1024 bytes any more.
        for (int i = 0; i < 60; ++i)
            f.set_item("calib" + std::to_string(i),
                       "a long calibration text number " + std::to_string(i));
        ASSERT_TRUE(f.save_file());
        const int head = f.HeadSize();
        EXPECT_GT(head, 1024);
        EXPECT_EQ((head - 1024) % 4, 0); // whole stereo scans
        EXPECT_EQ(f.nSamples(), 40000);
        // The channels still read from the right place.
        f.setScanStr(f.ScanStr());
        EXPECT_EQ(readchannel(f, 0), a);
        ASSERT_TRUE(f.close_file());
    }
    TSMPfile r;
    ASSERT_TRUE(r.open_file(name, true));
    const int head = r.HeadSize();
    EXPECT_EQ(readbytes(name).size(), static_cast<size_t>(head) + 80000);
    EXPECT_EQ(r.get_item("calib59"), "a long calibration text number 59");
    EXPECT_EQ(readchannel(r, 0), a);
    EXPECT_EQ(readchannel(r, 1), b);
}

TEST_F(SMPFile, GrowthIsCountedFromTheBaseHeaderSize) {
    const std::string name = path("base.smp");
    TSMPfile f;
    ASSERT_TRUE(f.new_file(name));
    f.setnChans(3);
    f.insert_nonpresent_defaults();
    f.set_item("note", std::string(1000, 'n'));
    ASSERT_TRUE(f.save_file());
    int first = f.HeadSize();
    EXPECT_EQ((first - 1024) % 6, 0);
    f.set_item("more", std::string(200, 'm'));
    ASSERT_TRUE(f.save_file());
    EXPECT_EQ((f.HeadSize() - 1024) % 6, 0);
    // Without overwriting, a grown header becomes the base of later growth.
    f.Overwrite = false;
    f.set_item("evenmore", std::string(200, 'e'));
    ASSERT_TRUE(f.save_file());
    int base = f.HeadSize();
    f.setnChans(4);
    f.set_item("last", std::string(200, 'l'));
    ASSERT_TRUE(f.save_file());
    EXPECT_EQ((f.HeadSize() - base) % 8, 0);
}

TEST_F(SMPFile, OversizedHeaderIsNotSaved) {
    TSMPfile f;
    ASSERT_TRUE(f.new_file(path("huge.smp")));
    for (int i = 0; i < 200; ++i) f.set_item("item" + std::to_string(i), std::string(200, 'x'));
    EXPECT_FALSE(f.save_file());
    // A head item beyond what is written is refused, not written as a huge file.
    TSMPfile g;
    ASSERT_TRUE(g.new_file(path("big.smp")));
    g.setHeadSize(2000000000);
    EXPECT_FALSE(g.save_file());
    EXPECT_LT(fs::file_size(path("big.smp")), 100000u);
}

TEST_F(SMPFile, SaveWithoutOpenFileWritesTheHeader) {
    const std::string name = path("later.smp");
    TSMPfile f;
    ASSERT_TRUE(f.new_file(name));
    f.setChannelChunk(0, block({4, 5, 6}));
    ASSERT_TRUE(f.close_file());
    f.set_item("site", "Clinic");
    ASSERT_TRUE(f.save_file());
    TSMPfile r;
    ASSERT_TRUE(r.open_file(name, true));
    EXPECT_EQ(r.get_item("site"), "Clinic");
    EXPECT_EQ(readchannel(r, 0), (std::vector<std::int16_t>{4, 5, 6}));
}

// ---------------------------------------------------------------------------------------
// Labels

TEST_F(SMPFile, LabelsAsItems) {
    const std::string name = path("labels.smp");
    {
        TSMPfile f;
        ASSERT_TRUE(f.new_file(name));
        f.add_label(100, 50, "vowel a");
        f.add_label(200.5, 10, "text, with comma");
        // The labels reach the file with this save.
        ASSERT_TRUE(f.save_file());
        ASSERT_TRUE(f.close_file());
    }
    const std::string bytes = readbytes(name);
    EXPECT_NE(bytes.find("L1=100,50,vowel a\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("L2=200.5,10,text, with comma\r\n"), std::string::npos);
    TSMPfile r;
    ASSERT_TRUE(r.open_file(name, false));
    ASSERT_EQ(r.nlabels(), 2);
    EXPECT_EQ(r.Label(1).start, 200.5);
    EXPECT_EQ(r.Label(1).text, "text, with comma");
    r.ScaleLabelsBy(2);
    EXPECT_EQ(r.Label(0).start, 200);
    EXPECT_EQ(r.Label(0).length, 100);
    // Fewer labels leave no stale items.
    r.clear_labels();
    r.add_label(1, 2, "only");
    ASSERT_TRUE(r.save_file());
    EXPECT_EQ(r.get_item("L1"), "1,2,only");
    EXPECT_EQ(r.get_item("L2", "-"), "-");
}

TEST_F(SMPFile, ExternalLabelFile) {
    const std::string name = path("ext.smp");
    const std::string csv = path("ext.csv");
    {
        TSMPfile f;
        ASSERT_TRUE(f.new_file(name));
        f.add_label(1, 2, "first");
        f.add_label(3, 4, "s\xc3\xa5");
        f.setExternalLabels(true);
        EXPECT_EQ(f.CSVFileName(), csv);
        ASSERT_TRUE(f.save_file());
        EXPECT_TRUE(f.ExternalLabels());
        EXPECT_EQ(f.get_item("L1", "-"), "-");
        EXPECT_EQ(f.get_item("labels"), csv);
    }
    EXPECT_EQ(readbytes(csv), name + "\r\n1,2,first\r\n3,4,s\x86\r\n");
    EXPECT_EQ(readbytes(name).find("L1="), std::string::npos);

    // Separators "," or ";" both read; the first line (the SMP name) is dropped.
    writebytes(csv, "whatever.smp\r\n5;6;semi;colon\r\n\r\n7,8,comma\n");
    {
        TSMPfile r;
        ASSERT_TRUE(r.open_file(name, false));
        EXPECT_TRUE(r.ExternalLabels());
        ASSERT_EQ(r.nlabels(), 2);
        EXPECT_EQ(r.Label(0).start, 5);
        EXPECT_EQ(r.Label(0).text, "semi;colon");
        EXPECT_EQ(r.Label(1).text, "comma");
        // Back to items: the label file is deleted.
        r.setExternalLabels(false);
        ASSERT_TRUE(r.save_file());
        EXPECT_FALSE(fs::exists(csv));
        EXPECT_EQ(r.get_item("L2"), "7,8,comma");
        EXPECT_EQ(r.get_item("labels", "-"), "-");
    }
}

TEST_F(SMPFile, LabelFileNamesAreGuarded) {
    const std::string name = path("guard.smp");
    const std::string other = path("precious.txt");
    writebytes(other, "do not touch\n");
    writebytes(name, smpbytes({"head=1024", "labels=" + other}));
    {
        TSMPfile f;
        ASSERT_TRUE(f.open_file(name, false));
        EXPECT_EQ(f.nlabels(), 0);
        f.add_label(1, 1, "x");
        f.save_file();
        f.setExternalLabels(false);
        f.save_file();
    }
    EXPECT_EQ(readbytes(other), "do not touch\n");
    // A label "file" that is a directory is refused with a message naming it.
    fs::create_directories(path("dir.csv"));
    writebytes(name, smpbytes({"head=1024", "labels=" + path("dir.csv")}));
    TSMPfile g;
    std::string msg = errortext([&] { g.open_file(name, true); });
    EXPECT_NE(msg.find("dir.csv"), std::string::npos) << msg;
    EXPECT_NE(msg.find(name), std::string::npos) << msg;
    EXPECT_FALSE(g.isopen());
}

// ---------------------------------------------------------------------------------------
// Hostile and broken files

TEST_F(SMPFile, MissingEmptyAndNonFiles) {
    TSMPfile f;
    EXPECT_FALSE(f.open_file(path("nothere.smp"), true));
    writebytes(path("empty.smp"), "");
    EXPECT_FALSE(f.open_file(path("empty.smp"), true));
    EXPECT_FALSE(f.isopen());
    fs::create_directories(path("adir.smp"));
    EXPECT_FALSE(f.open_file(path("adir.smp"), true));
    EXPECT_FALSE(f.new_file(path("adir.smp")));
    EXPECT_TRUE(fs::is_directory(path("adir.smp")));
}

TEST_F(SMPFile, TruncatedHeadersAreRefused) {
    const std::string name = path("cut.smp");
    TSMPfile f;
    // Cut inside the item text: no end of header.
    writebytes(name, "head=1024\r\nnchans=2\r\nsftot=4");
    std::string msg = errortext([&] { f.open_file(name, true); });
    EXPECT_NE(msg.find("File header in " + name), std::string::npos) << msg;
    EXPECT_NE(msg.find("truncated"), std::string::npos) << msg;
    EXPECT_FALSE(f.isopen());
    // Complete text, but the file ends before the samples start.
    std::string whole = smpbytes({"head=1024", "nchans=1"});
    writebytes(name, whole.substr(0, 600));
    msg = errortext([&] { f.open_file(name, true); });
    EXPECT_NE(msg.find("600 bytes"), std::string::npos) << msg;
    // A head far beyond the end.
    writebytes(name, smpbytes({"head=2147483647"}, 1024));
    EXPECT_THROW(f.open_file(name, true), EInvalidSMPHeader);
    // A head inside the header text.
    writebytes(name, smpbytes({"head=10", "nchans=1"}, 1024));
    msg = errortext([&] { f.open_file(name, true); });
    EXPECT_NE(msg.find("Has an invalid \"head\" item"), std::string::npos) << msg;
    // 32768 bytes without an end.
    writebytes(name, std::string(40000, 'x'));
    EXPECT_THROW(f.open_file(name, true), EInvalidSMPHeader);
    // The bytes 00 and 1A both end the header; a file with samples only after them reads.
    writebytes(name, smpbytes({"head=1024"}, 1024, {42}));
    ASSERT_TRUE(f.open_file(name, true));
    EXPECT_EQ(readchannel(f, 0), (std::vector<std::int16_t>{42}));
}

TEST_F(SMPFile, OddSampleCountsAndPartialScans) {
    const std::string name = path("odd.smp");
    // Two channels and 5 samples plus a stray byte: two whole scans.
    std::string bytes = smpbytes({"head=1024", "nchans=2"}, 1024, {1, 2, 3, 4, 5});
    bytes += '\x7f';
    writebytes(name, bytes);
    TSMPfile f;
    ASSERT_TRUE(f.open_file(name, true));
    EXPECT_EQ(f.nSamples(), 4);
    EXPECT_EQ(readchannel(f, 0), (std::vector<std::int16_t>{1, 3}));
    EXPECT_EQ(readchannel(f, 1), (std::vector<std::int16_t>{2, 4}));
    tsamplechunk c;
    f.ChannelChunk(7, c);
    EXPECT_EQ(c.used, 0);
    f.ChannelChunk(-1, c);
    EXPECT_EQ(c.used, 0);
}

TEST_F(SMPFile, RandomGarbageNeverCrashes) {
    std::mt19937 gen(12345);
    const std::string name = path("garbage.smp");
    const std::vector<std::string> pieces = {"head=",
                                             "nchans=",
                                             "scan=",
                                             "msb=first",
                                             "sftot=",
                                             "view=",
                                             "range=",
                                             "labels=x.csv",
                                             "L1=",
                                             "=",
                                             "\r\n",
                                             "\n",
                                             std::string(1, '\0'),
                                             "\x1a",
                                             "\x04",
                                             "0",
                                             "1",
                                             "2",
                                             "-",
                                             ",",
                                             "9999999999",
                                             "1024",
                                             "abc"};
    for (int round = 0; round < 300; ++round) {
        std::string bytes;
        int n = static_cast<int>(gen() % 60);
        for (int i = 0; i < n; ++i) bytes += pieces[gen() % pieces.size()];
        int tail = static_cast<int>(gen() % 3000);
        for (int i = 0; i < tail; ++i) bytes += static_cast<char>(gen() & 0xFF);
        writebytes(name, bytes);
        TSMPfile f;
        try {
            if (!f.open_file(name, true)) continue;
            f.setChunknSamples(static_cast<std::int32_t>(gen() % 20000));
            for (int ch = 0; ch < 3; ++ch) readchannel(f, ch);
            tsamplechunk c;
            for (int k = 0; k < 100; ++k) {
                f.Chunk(c);
                if (c.used == 0) break;
            }
            f.ChannelSampFreq(0);
            f.ChannelView(0);
            f.ChannelRange(1);
        } catch (const EInvalidSMPHeader& e) {
            EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
        }
    }
}
