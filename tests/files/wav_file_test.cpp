#include "base/random.h"
#include "base/rounding.h"
#include "base/sample_conversion.h"
#include "base/text_utils.h"
#include "files/half_float.h"
#include "files/wav_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

#if defined(__unix__)
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>
#endif

using namespace gravon;
namespace fs = std::filesystem;

namespace {

using tbytes = std::vector<std::uint8_t>;

tbytes readfile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return tbytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writefile(const fs::path& p, const tbytes& b) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

void put16(tbytes& b, std::uint16_t v) {
    b.push_back(v & 0xFF);
    b.push_back(v >> 8);
}
void put32(tbytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}
void putid(tbytes& b, const char* id) {
    b.insert(b.end(), id, id + 4);
}
std::uint16_t get16(const tbytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8);
}
std::uint32_t get32(const tbytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
}

// A chunk: id, size (as given, may lie) and body; an odd body gets its pad byte when asked.
void putchunk(tbytes& b, const char* id, const tbytes& body, bool pad = true) {
    putid(b, id);
    put32(b, static_cast<std::uint32_t>(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    if (pad && (body.size() & 1)) b.push_back(0);
}

tbytes fmtbody(std::uint16_t tag, std::uint16_t nch, std::int32_t fs, std::uint16_t bits) {
    tbytes b;
    put16(b, tag);
    put16(b, nch);
    put32(b, static_cast<std::uint32_t>(fs));
    put32(b, static_cast<std::uint32_t>(fs * nch * (bits / 8)));
    put16(b, static_cast<std::uint16_t>(nch * (bits / 8)));
    put16(b, bits);
    return b;
}

tbytes extensiblebody(std::uint16_t nch, std::int32_t fs, std::uint16_t bits,
                      std::uint16_t subcode) {
    tbytes b = fmtbody(0xFFFE, nch, fs, bits);
    put16(b, 22);   // cbsize
    put16(b, bits); // valid bits
    put32(b, 4);    // channel mask
    put16(b, subcode);
    const std::uint8_t guidtail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                       0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    b.insert(b.end(), guidtail, guidtail + 14);
    return b;
}

// "RIFF" size "WAVE" followed by the given chunks; a riffsize of -1 means the true size.
tbytes riffwave(const tbytes& chunks, std::int64_t riffsize = -1) {
    tbytes b = {'R', 'I', 'F', 'F'};
    put32(b, static_cast<std::uint32_t>(riffsize < 0 ? chunks.size() + 4 : riffsize));
    putid(b, "WAVE");
    b.insert(b.end(), chunks.begin(), chunks.end());
    return b;
}

tbytes simplewav(std::uint16_t tag, std::uint16_t nch, std::uint16_t bits, const tbytes& data) {
    tbytes c;
    putchunk(c, "fmt ", fmtbody(tag, nch, 8000, bits));
    putchunk(c, "data", data);
    return riffwave(c);
}

class WavFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("gravon_wav_test_" +
               std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir, ec);
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    std::vector<std::string> listing() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path dir;
};

std::string errortext(const std::function<void()>& f) {
    try {
        f();
    } catch (const EWavFileError& e) {
        return e.what();
    }
    return "<no EWavFileError>";
}

} // namespace

// ---------------------------------------------------------------------------------------
// Properties

TEST(WavFileProperties, DefaultsAndFullScaleArray) {
    TWavFile w;
    EXPECT_EQ(w.sampfreq(), 44100);
    EXPECT_EQ(w.nchans(), 0);
    EXPECT_EQ(w.nbits(), 16);
    EXPECT_EQ(w.format(), tFormat::pcm);
    EXPECT_FALSE(w.isopen());
    EXPECT_EQ(w.datastartpos(), -1);
    EXPECT_EQ(w.fullscale(0), 0);
    EXPECT_EQ(w.fullscale(-1), 0);
    w.setfullscale(3, 2.5); // grows the array
    EXPECT_EQ(w.fullscale(3), 2.5);
    EXPECT_EQ(w.fullscale(2), 0);
    w.setnchans(5); // keeps values, fills with 0
    EXPECT_EQ(w.fullscale(3), 2.5);
    EXPECT_EQ(w.fullscale(4), 0);
    w.setnchans(2);
    EXPECT_EQ(w.fullscale(3), 0);
    EXPECT_EQ(w.sftot(), 88200);
    EXPECT_EQ(w.tottime(), 0);
    w.setsampfreq(0);
    EXPECT_EQ(w.tottime(), 0);
}

TEST(HalfFloat, EncodesWithRoundingAwayFromZero) {
    EXPECT_EQ(floattohalf(1.0), 0x3C00);
    EXPECT_EQ(floattohalf(-2.0), 0xC000);
    EXPECT_EQ(floattohalf(65504.0), 0x7BFF);
    EXPECT_EQ(floattohalf(1e9), 0x7BFF);
    EXPECT_EQ(floattohalf(-1e9), 0xFBFF);
    EXPECT_EQ(floattohalf(1.0 + 1.0 / 2048), 0x3C01); // halfway goes away from zero
    EXPECT_EQ(floattohalf(-(1.0 + 1.0 / 2048)), 0xBC01);
    EXPECT_EQ(floattohalf(2.0 - 1.0 / 4096), 0x4000);     // mantissa carry into exponent
    EXPECT_EQ(floattohalf(std::ldexp(1.0, -24)), 0x0001); // smallest subnormal
    EXPECT_EQ(floattohalf(std::ldexp(1.5, -24)), 0x0002);
    EXPECT_EQ(floattohalf(std::ldexp(1.0, -26)), 0x0000); // tiny values flushed to 0
    EXPECT_EQ(floattohalf(std::ldexp(1023.5, -24)), 0x0400);
    EXPECT_EQ(floattohalf(0.0), 0x0000);
    EXPECT_EQ(floattohalf(std::nan("")) & 0x7C00, 0x7C00);
    EXPECT_EQ(halftofloat(0x3C00), 1.0f);
    EXPECT_EQ(halftofloat(0xC000), -2.0f);
    EXPECT_EQ(halftofloat(0x7BFF), 65504.0f);
    EXPECT_EQ(halftofloat(0x0001), std::ldexp(1.0f, -24));
    EXPECT_TRUE(std::isinf(halftofloat(0x7C00)));
    EXPECT_TRUE(std::isnan(halftofloat(0x7E00)));
    for (std::uint32_t h = 0; h < 0x10000; ++h) {
        if ((h & 0x7C00) == 0x7C00) continue;
        if (h == 0x8000) continue; // -0 is written as 0
        ASSERT_EQ(floattohalf(halftofloat(std::uint16_t(h))), h) << h;
    }
    EXPECT_EQ(halfulp(1.0), 1.0 / 1024);
    EXPECT_EQ(halfulp(1e-6), std::ldexp(1.0, -24));
}

// ---------------------------------------------------------------------------------------
// Writing and reading back

TEST_F(WavFileTest, Pcm16StereoRoundTripsBitForBit) {
    const std::size_t n = 40000; // crosses several 16384-sample blocks
    std::vector<tsinglearr> data(2, tsinglearr(n));
    std::vector<std::int32_t> expect0(n), expect1(n);
    for (std::size_t i = 0; i < n; ++i) {
        std::int32_t a = static_cast<std::int32_t>((i * 7919) % 65536) - 32768;
        std::int32_t b = 32767 - static_cast<std::int32_t>(i % 65536);
        expect0[i] = a;
        expect1[i] = b;
        data[0][i] = float(a);
        data[1][i] = float(b);
    }
    data[0][0] = -32768;
    expect0[0] = -32768;
    data[1][0] = 32767;
    expect1[0] = 32767;
    const std::string name = path("stereo.wav");
    {
        TWavFile w;
        w.setsampfreq(48000);
        w.setfullscale(0, 32768);
        w.setfullscale(1, 32768);
        w.save_file(name, data, false, false);
        EXPECT_EQ(w.nsamples(), std::int32_t(n));
        EXPECT_EQ(w.nchans(), 2);
        EXPECT_FALSE(w.isopen());
    }
    EXPECT_EQ(fs::file_size(name), 44 + 4 * n);
    tbytes b = readfile(name);
    EXPECT_EQ(get32(b, 4), 4 * n + 36);
    EXPECT_EQ(get32(b, 16), 16u);
    EXPECT_EQ(get16(b, 20), 1);
    EXPECT_EQ(get16(b, 22), 2);
    EXPECT_EQ(get32(b, 24), 48000u);
    EXPECT_EQ(get32(b, 28), 192000u);
    EXPECT_EQ(get16(b, 32), 4);
    EXPECT_EQ(get16(b, 34), 16);
    EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
    EXPECT_EQ(get32(b, 40), 4 * n);

    TWavFile r;
    ASSERT_TRUE(r.open_file(name, true));
    EXPECT_EQ(r.nchans(), 2);
    EXPECT_EQ(r.nsamples(), std::int32_t(n));
    EXPECT_EQ(r.sampfreq(), 48000);
    EXPECT_EQ(r.formatstr(), "1");
    EXPECT_EQ(r.datastartpos(), 44);
    EXPECT_DOUBLE_EQ(r.tottime(), double(n) / 48000);
    tintarr c0, c1;
    r.read_channel(0, c0);
    r.read_channel(1, c1); // each read seeks back to the data
    EXPECT_EQ(c0, tintarr(expect0.begin(), expect0.end()));
    EXPECT_EQ(c1, tintarr(expect1.begin(), expect1.end()));
    tsinglearr f0;
    r.read_channel(0, f0);
    ASSERT_EQ(f0.size(), n);
    EXPECT_EQ(f0[0], -1.0f);
    for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(f0[i], float(expect0[i] / 32768.0)) << i;
    r.close_file();
    EXPECT_FALSE(r.isopen());

    // Every 16-bit value of a mono file reads as the value over 2^15.
    const std::string mono = path("mono.wav");
    std::vector<tsinglearr> all(1, tsinglearr(65536));
    for (std::size_t i = 0; i < all[0].size(); ++i) all[0][i] = float(std::int32_t(i) - 32768);
    {
        TWavFile w;
        w.setfullscale(0, 32768);
        w.save_file(mono, all, false, false);
    }
    ASSERT_TRUE(r.open_file(mono, true));
    tsinglearr m;
    r.read_channel(0, m);
    ASSERT_EQ(m.size(), all[0].size());
    for (std::size_t i = 0; i < m.size(); ++i)
        ASSERT_EQ(m[i], float((std::int32_t(i) - 32768) / 32768.0)) << i;
}

TEST_F(WavFileTest, SmallIntOverloadWritesTheValuesAsTheyAre) {
    tsmallintarr a = {0, 1, -1, 32767, -32768, 1234};
    TWavFile w;
    w.save_file(path("i16.wav"), {a}, false, false);
    tbytes b = readfile(path("i16.wav"));
    ASSERT_EQ(b.size(), 44 + 12u);
    EXPECT_EQ(get16(b, 22), 1); // mono
    TWavFile r;
    ASSERT_TRUE(r.open_file(path("i16.wav")));
    tintarr back;
    r.read_channel(0, back);
    EXPECT_EQ(back, tintarr(a.begin(), a.end()));
}

TEST_F(WavFileTest, EveryWritableFormatRoundTrips) {
    struct tcase {
        int bits;
        tFormat f;
        double fsd;
        std::vector<float> in;
        std::vector<float> out; // expected normalised values read back
    };
    const float third = 1.0f / 3.0f;
    std::vector<tcase> cases = {
        {8, tFormat::pcm, 1.0, {0, 1, -1, 0.5f}, {0, 1, -1, float(64 / 127.0)}},
        {16, tFormat::pcm, 2.0, {0, 1, -1, 2}, {0, 0.5f, -0.5f, float(32767 / 32768.0)}},
        {16,
         tFormat::ieeefloat,
         99,
         {0, 1.5f, -65504, 1e6f, third},
         {0, 1.5f, -65504, 65504, halftofloat(floattohalf(third))}},
        {24, tFormat::pcm, 1.0, {0, 0.5f, -1, third}, {0, 0.5f, -1, float(2796203 / 8388608.0)}},
        {32, tFormat::pcm, 1.0, {0, 0.5f, -1, third}, {0, 0.5f, -1, third}},
        {32, tFormat::ieeefloat, 99, {0, 1e-30f, -123.5f, third}, {0, 1e-30f, -123.5f, third}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bits, format " + std::to_string(int(c.f)));
        const std::string name = path("f.wav");
        TWavFile w;
        w.setnbits(c.bits);
        w.setformat(c.f);
        w.setsampfreq(22050);
        w.setfullscale(0, c.fsd);
        w.save_file(name, {tsinglearr(c.in.begin(), c.in.end())}, false, false);
        const bool longform = c.f == tFormat::ieeefloat || c.bits > 16;
        EXPECT_EQ(fs::file_size(name),
                  (longform ? 58u : 44u) + c.in.size() * (c.bits / 8) + (c.bits == 8 ? 0 : 0));
        TWavFile r;
        r.setformat(tFormat::alaw); // must be replaced by the file's format
        ASSERT_TRUE(r.open_file(name, true));
        EXPECT_EQ(r.format(), c.f);
        EXPECT_EQ(r.nbits(), c.bits);
        EXPECT_EQ(r.sampfreq(), 22050);
        tsinglearr back;
        r.read_channel(0, back);
        EXPECT_EQ(back, tsinglearr(c.out.begin(), c.out.end()));
    }
}

TEST_F(WavFileTest, EightBitFullScaleIs255And1) {
    TWavFile w;
    w.setnbits(8);
    w.setfullscale(0, 2.0);
    w.save_file(path("p8.wav"), {tsinglearr{2.0f, -2.0f, 0.0f, 5.0f, -5.0f}}, false, false);
    tbytes b = readfile(path("p8.wav"));
    // odd data size: a pad byte follows and is counted in the RIFF size only
    ASSERT_EQ(b.size(), 44 + 5 + 1u);
    EXPECT_EQ(get32(b, 40), 5u);
    EXPECT_EQ(get32(b, 4), 5 + 36 + 1u);
    EXPECT_EQ(b[44], 255);
    EXPECT_EQ(b[45], 1);
    EXPECT_EQ(b[46], 128);
    EXPECT_EQ(b[47], 255); // clipped to +127
    EXPECT_EQ(b[48], 0);   // clipped to -128
    TWavFile r;
    ASSERT_TRUE(r.open_file(path("p8.wav")));
    EXPECT_EQ(r.nsamples(), 5);
    tsinglearr f;
    r.read_channel(0, f);
    EXPECT_EQ(f, (tsinglearr{1.0f, -1.0f, 0.0f, 1.0f, float(-128 / 127.0)}));
    tintarr raw;
    r.read_channel(0, raw);
    EXPECT_EQ(raw, (tintarr{127, -127, 0, 127, -128}));
}

TEST_F(WavFileTest, TwentyFourBitIntOverloadHasTheLongHeader) {
    tint24arr a = {inttoint24(0), inttoint24(8388607), inttoint24(-8388608), inttoint24(-5)};
    TWavFile w;
    w.setnbits(24);
    w.setsampfreq(96000);
    w.save_file(path("i24.wav"), {a}, false, false);
    tbytes b = readfile(path("i24.wav"));
    ASSERT_EQ(b.size(), 58 + 12u);
    EXPECT_EQ(get32(b, 4), 12 + 50u);
    EXPECT_EQ(get32(b, 16), 18u); // format chunk size
    EXPECT_EQ(get16(b, 20), 1);   // pcm
    EXPECT_EQ(get16(b, 36), 0);   // cbsize
    EXPECT_EQ(std::string(b.begin() + 38, b.begin() + 42), "fact");
    EXPECT_EQ(get32(b, 42), 4u);
    EXPECT_EQ(get32(b, 46), 4u); // numsamples = n for mono
    EXPECT_EQ(std::string(b.begin() + 50, b.begin() + 54), "data");
    EXPECT_EQ(get32(b, 54), 12u);
    EXPECT_EQ(get32(b, 28), 96000u * 3);
    EXPECT_EQ(get16(b, 32), 3);
    TWavFile r;
    ASSERT_TRUE(r.open_file(path("i24.wav")));
    EXPECT_EQ(r.datastartpos(), 58);
    tintarr back;
    r.read_channel(0, back);
    EXPECT_EQ(back, (tintarr{0, 8388607, -8388608, -5}));
}

TEST_F(WavFileTest, ThreeChannelSixteenBitHasTheLongHeader) {
    const std::size_t n = 20000; // 3 channels do not divide the 16384-sample blocks
    std::vector<tsmallintarr> data(3, tsmallintarr(n));
    for (std::size_t i = 0; i < n; ++i)
        for (int ch = 0; ch < 3; ++ch) data[ch][i] = std::int16_t(int(i) * (ch + 1) - 30000);
    TWavFile w;
    w.save_file(path("three.wav"), data, false, false);
    tbytes b = readfile(path("three.wav"));
    ASSERT_EQ(b.size(), 58 + 6 * n);
    EXPECT_EQ(get32(b, 46), 3 * n); // numsamples counts all channels
    EXPECT_EQ(get32(b, 54), 6 * n);
    TWavFile r;
    ASSERT_TRUE(r.open_file(path("three.wav")));
    EXPECT_EQ(r.nchans(), 3);
    for (int ch = 0; ch < 3; ++ch) {
        tintarr back;
        r.read_channel(ch, back);
        EXPECT_EQ(back, tintarr(data[ch].begin(), data[ch].end())) << ch;
    }
}

TEST_F(WavFileTest, CompandedFormatsFollowG711) {
    // Decoded reference values of ITU-T G.711.
    tbytes ulaw = {0xFF, 0x7F, 0x80, 0x00, 0xCE, 0x8F};
    tbytes alaw = {0xD5, 0x55, 0xAA, 0x2A, 0xFA};
    writefile(path("u.wav"), simplewav(7, 1, 8, ulaw));
    writefile(path("a.wav"), simplewav(6, 1, 8, alaw));
    TWavFile r;
    ASSERT_TRUE(r.open_file(path("u.wav")));
    EXPECT_EQ(r.format(), tFormat::ulaw);
    tintarr v;
    r.read_channel(0, v);
    EXPECT_EQ(v, (tintarr{0, 0, 32124, -32124, 988, 16764}));
    tsinglearr f;
    r.read_channel(0, f);
    EXPECT_EQ(f[2], float(32124 / 32768.0));
    ASSERT_TRUE(r.open_file(path("a.wav")));
    EXPECT_EQ(r.format(), tFormat::alaw);
    r.read_channel(0, v);
    EXPECT_EQ(v, (tintarr{8, -8, 32256, -32256, 1008}));

    // Writing: every decoded level is encoded back to a code of the same level.
    for (tFormat fmt : {tFormat::ulaw, tFormat::alaw}) {
        std::vector<std::int32_t> levels;
        for (int code = 0; code < 256; ++code) {
            tbytes one = {std::uint8_t(code)};
            writefile(path("one.wav"), simplewav(fmt == tFormat::ulaw ? 7 : 6, 1, 8, one));
            TWavFile o;
            ASSERT_TRUE(o.open_file(path("one.wav")));
            tintarr lv;
            o.read_channel(0, lv);
            levels.push_back(lv.at(0));
        }
        tsinglearr in(levels.begin(), levels.end());
        in.push_back(40000); // beyond full scale: saturates
        in.push_back(-40000);
        TWavFile w;
        w.setnbits(8);
        w.setformat(fmt);
        w.setfullscale(0, 32768);
        w.save_file(path("g.wav"), {in}, false, false);
        TWavFile o;
        ASSERT_TRUE(o.open_file(path("g.wav")));
        tintarr back;
        o.read_channel(0, back);
        ASSERT_EQ(back.size(), 258u);
        for (int code = 0; code < 256; ++code) EXPECT_EQ(back[code], levels[code]) << code;
        EXPECT_EQ(back[256], fmt == tFormat::ulaw ? 32124 : 32256);
        EXPECT_EQ(back[257], fmt == tFormat::ulaw ? -32124 : -32256);
        tbytes b = readfile(path("g.wav"));
        EXPECT_EQ(get16(b, 20), fmt == tFormat::ulaw ? 7 : 6);
        EXPECT_EQ(b.size(), 44 + 258u);
    }
    // Every 16-bit level is coded monotonically and within half a quantisation step.
    for (tFormat fmt : {tFormat::ulaw, tFormat::alaw}) {
        tsinglearr in;
        for (int x = -32768; x <= 32767; ++x) in.push_back(float(x));
        TWavFile w;
        w.setnbits(8);
        w.setformat(fmt);
        w.setfullscale(0, 32768);
        w.save_file(path("all.wav"), {in}, false, false);
        TWavFile o;
        ASSERT_TRUE(o.open_file(path("all.wav")));
        tintarr back;
        o.read_channel(0, back);
        ASSERT_EQ(back.size(), in.size());
        for (std::size_t i = 1; i < back.size(); ++i) {
            ASSERT_GE(back[i], back[i - 1]) << i;
            ASSERT_LE(std::abs(back[i] - std::int32_t(in[i])), 1024) << in[i];
            if (std::abs(in[i]) < 64) {
                ASSERT_LE(std::abs(back[i] - std::int32_t(in[i])), 8);
            }
        }
    }
    // 1000 is coded as 0xCE in mu-law and 0xFA in A-law.
    TWavFile w;
    w.setnbits(8);
    w.setformat(tFormat::ulaw);
    w.setfullscale(0, 32768);
    w.save_file(path("k.wav"), {tsinglearr{1000.0f, 0.0f}}, false, false);
    EXPECT_EQ(readfile(path("k.wav"))[44], 0xCE);
    w.setformat(tFormat::alaw);
    w.save_file(path("k.wav"), {tsinglearr{1000.0f, 0.0f}}, false, false);
    EXPECT_EQ(readfile(path("k.wav"))[44], 0xFA);
}

TEST_F(WavFileTest, DitherIsTriangularAndReproducible) {
    const std::size_t n = 5000;
    tsinglearr a(n);
    for (std::size_t i = 0; i < n; ++i) a[i] = float(std::sin(i * 0.01) * 0.7);
    auto save = [&](int bits, tFormat f, const std::string& name) {
        RandSeed(77);
        TWavFile w;
        w.setnbits(bits);
        w.setformat(f);
        w.setfullscale(0, 1.0);
        w.save_file(path(name), {a}, false, true);
        return readfile(path(name));
    };
    for (int bits : {8, 16, 24, 32}) {
        SCOPED_TRACE(bits);
        tbytes one = save(bits, tFormat::pcm, "d1.wav");
        tbytes two = save(bits, tFormat::pcm, "d2.wav");
        EXPECT_EQ(one, two); // same seed, same file
        TWavFile r;
        ASSERT_TRUE(r.open_file(path("d1.wav")));
        tintarr back;
        r.read_channel(0, back);
        ASSERT_EQ(back.size(), n);
        const double scale = bits == 8 ? 125 : std::ldexp(1.0, bits - 1);
        int changed = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const double exact = a[i] * scale;
            ASSERT_LE(std::fabs(back[i] - exact), 1.5) << i;
            if (back[i] != roundint(exact)) ++changed;
        }
        EXPECT_GT(changed, int(n / 10)); // the dither really moves samples
    }
    // The 16-bit path draws exactly as doubletosample does.
    tbytes d16 = save(16, tFormat::pcm, "d3.wav");
    RandSeed(77);
    for (std::size_t i = 0; i < n; ++i) {
        std::int16_t s = doubletosample(true, 32768.0 * a[i]);
        ASSERT_EQ(std::int16_t(get16(d16, 44 + 2 * i)), s) << i;
    }
    // 8 bits with dither use 125, not 127: full scale lands at 252..254.
    RandSeed(5);
    TWavFile w;
    w.setnbits(8);
    w.setfullscale(0, 1.0);
    w.save_file(path("d8.wav"), {tsinglearr(100, 1.0f)}, false, true);
    tbytes b = readfile(path("d8.wav"));
    for (std::size_t i = 0; i < 100; ++i) {
        EXPECT_GE(b[44 + i], 252);
        EXPECT_LE(b[44 + i], 254);
    }
    // Half floats: the offset stays within one unit in the last place.
    tbytes h = save(16, tFormat::ieeefloat, "dh.wav");
    for (std::size_t i = 0; i < n; ++i) {
        double got = halftofloat(get16(h, 58 + 2 * i));
        ASSERT_LE(std::fabs(got - a[i]), 1.5 * halfulp(a[i])) << i;
    }
}

TEST_F(WavFileTest, IntegerOverloadsDither) {
    RandSeed(3);
    TWavFile w;
    w.save_file(path("d.wav"), {tsmallintarr(1000, 100)}, false, true);
    TWavFile r;
    ASSERT_TRUE(r.open_file(path("d.wav")));
    tintarr back;
    r.read_channel(0, back);
    bool moved = false;
    for (auto v : back) {
        EXPECT_GE(v, 99);
        EXPECT_LE(v, 101);
        moved |= v != 100;
    }
    EXPECT_TRUE(moved);

    w.setnbits(24);
    w.save_file(path("d24.wav"), {tint24arr(1000, inttoint24(8388607))}, false, true);
    ASSERT_TRUE(r.open_file(path("d24.wav")));
    r.read_channel(0, back);
    for (auto v : back) {
        EXPECT_GE(v, 8388606);
        EXPECT_LE(v, 8388607); // clipped to the 24-bit range
    }
}

// ---------------------------------------------------------------------------------------
// Reading hand-made files

TEST_F(WavFileTest, ExtensibleHeaderIsUnwrapped) {
    tbytes data = {0x01, 0x00, 0x00, 0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80};
    tbytes c;
    putchunk(c, "fmt ", extensiblebody(1, 44100, 24, 1));
    putchunk(c, "data", data);
    writefile(path("ext.wav"), riffwave(c));
    TWavFile r;
    r.setformat(tFormat::ulaw);
    ASSERT_TRUE(r.open_file(path("ext.wav")));
    EXPECT_EQ(r.format(), tFormat::pcm);
    EXPECT_EQ(r.formatstr(), "65534 / 1");
    EXPECT_EQ(r.nbits(), 24);
    EXPECT_EQ(r.nsamples(), 3);
    EXPECT_EQ(r.wavheadexlong().tag.cbsize, 22);
    EXPECT_EQ(r.wavheadexlong().tag.wValidBitsPerSample, 24);
    tintarr v;
    r.read_channel(0, v);
    EXPECT_EQ(v, (tintarr{1, 8388607, -8388608}));

    // Float and companded sub-formats, and bits that the sub-format does not allow.
    c.clear();
    tbytes fl;
    put32(fl, 0x3F800000u); // 1.0f
    putchunk(c, "fmt ", extensiblebody(1, 44100, 32, 3));
    putchunk(c, "data", fl);
    writefile(path("extf.wav"), riffwave(c));
    ASSERT_TRUE(r.open_file(path("extf.wav")));
    EXPECT_EQ(r.format(), tFormat::ieeefloat);
    EXPECT_EQ(r.formatstr(), "65534 / 3");
    tsinglearr f;
    r.read_channel(0, f);
    EXPECT_EQ(f, tsinglearr{1.0f});

    c.clear();
    putchunk(c, "fmt ", extensiblebody(1, 44100, 8, 7));
    putchunk(c, "data", tbytes{0x80});
    writefile(path("extu.wav"), riffwave(c));
    ASSERT_TRUE(r.open_file(path("extu.wav")));
    EXPECT_EQ(r.format(), tFormat::ulaw);

    c.clear();
    putchunk(c, "fmt ", extensiblebody(1, 44100, 16, 6)); // A-law must be 8 bits
    putchunk(c, "data", tbytes{0, 0});
    writefile(path("extbad.wav"), riffwave(c));
    EXPECT_FALSE(r.open_file(path("extbad.wav")));
}

TEST_F(WavFileTest, UnknownFormatIsDecidedByBitsAndFormat) {
    // An unknown sub-format leaves the format as it was.
    tbytes c;
    putchunk(c, "fmt ", extensiblebody(2, 8000, 16, 2));
    putchunk(c, "data", tbytes{1, 0, 2, 0, 3, 0, 4, 0});
    writefile(path("unk.wav"), riffwave(c));
    TWavFile r;
    ASSERT_TRUE(r.open_file(path("unk.wav")));
    EXPECT_EQ(r.format(), tFormat::pcm);
    EXPECT_EQ(r.formatstr(), "65534 / 2");
    tintarr v;
    r.read_channel(1, v);
    EXPECT_EQ(v, (tintarr{2, 4}));

    // An unknown tag with bits that no reader knows: the format message.
    writefile(path("unk12.wav"), simplewav(0x55, 1, 12, tbytes{1, 2, 3, 4}));
    ASSERT_TRUE(r.open_file(path("unk12.wav")));
    EXPECT_EQ(r.formatstr(), "85");
    EXPECT_EQ(r.nsamples(), 4); // 12 div 8 = 1 byte per sample
    tsinglearr f = {9, 9};
    EXPECT_EQ(errortext([&] { r.read_channel(0, f); }),
              "Cannot read wav file of this format:\rBits per sample: 12\r"
              "Number of channels: 1\rSample rate: 8000\rFormat tag: 85");
    EXPECT_TRUE(f.empty());
    EXPECT_EQ(r.nsamples(), 0);
}

TEST_F(WavFileTest, FloatDataCannotBeReadAsIntegers) {
    TWavFile w;
    w.setformat(tFormat::ieeefloat);
    w.setnbits(32);
    w.save_file(path("f.wav"), {tsinglearr{0.25f}}, false, false);
    TWavFile r;
    ASSERT_TRUE(r.open_file(path("f.wav")));
    tintarr v = {1};
    EXPECT_EQ(errortext([&] { r.read_channel(0, v); }),
              "Cannot read wav file of this format:\rBits per sample: 32\r"
              "Number of channels: 1\rSample rate: 44100\rFormat tag: 3");
    EXPECT_TRUE(v.empty());
}

TEST_F(WavFileTest, RefusedFilesOpenFalse) {
    TWavFile r;
    writefile(path("short.wav"), tbytes{'R', 'I', 'F', 'F', 1});
    EXPECT_FALSE(r.open_file(path("short.wav")));
    EXPECT_FALSE(r.isopen());
    EXPECT_EQ(r.nsamples(), 0);
    EXPECT_EQ(r.nchans(), 0);
    EXPECT_EQ(r.sampfreq(), 1);

    tbytes rifx = simplewav(1, 1, 16, tbytes{0, 0});
    rifx[3] = 'X';
    writefile(path("rifx.wav"), rifx);
    EXPECT_FALSE(r.open_file(path("rifx.wav")));

    tbytes avi = simplewav(1, 1, 16, tbytes{0, 0});
    std::memcpy(&avi[8], "AVI ", 4);
    writefile(path("avi.wav"), avi);
    EXPECT_FALSE(r.open_file(path("avi.wav")));

    writefile(path("empty.wav"), tbytes{});
    EXPECT_FALSE(r.open_file(path("empty.wav")));

    struct {
        std::uint16_t tag, bits;
    } bad[] = {{1, 12}, {1, 0}, {3, 24}, {3, 8}, {7, 16}, {6, 24}};
    for (auto b : bad) {
        writefile(path("bits.wav"), simplewav(b.tag, 1, b.bits, tbytes{0, 0, 0, 0}));
        EXPECT_FALSE(r.open_file(path("bits.wav"))) << b.tag << " " << b.bits;
        EXPECT_FALSE(r.isopen());
    }
}

TEST_F(WavFileTest, ChunkWalkSkipsOddChunksAndHonoursSizeZero) {
    // An odd-sized chunk before the format chunk and another before the data.
    tbytes c;
    putchunk(c, "junk", tbytes{1, 2, 3});
    putchunk(c, "fmt ", fmtbody(1, 1, 8000, 16));
    putchunk(c, "LIST", tbytes{'a', 'b', 'c', 'd', 'e'});
    putchunk(c, "data", tbytes{0x10, 0x00, 0xF0, 0xFF});
    writefile(path("odd.wav"), riffwave(c));
    TWavFile r;
    ASSERT_TRUE(r.open_file(path("odd.wav")));
    EXPECT_EQ(r.datastartpos(), 12 + 12 + 24 + 14 + 8);
    tintarr v;
    r.read_channel(0, v);
    EXPECT_EQ(v, (tintarr{16, -16}));

    // A data size of 0 (never patched) and a RIFF size of 0: read to the end of the file.
    tbytes z;
    putchunk(z, "fmt ", fmtbody(1, 1, 8000, 16));
    putid(z, "data");
    put32(z, 0);
    for (int i = 0; i < 6; ++i) put16(z, std::uint16_t(i * 100));
    writefile(path("zero.wav"), riffwave(z, 0));
    ASSERT_TRUE(r.open_file(path("zero.wav")));
    EXPECT_EQ(r.nsamples(), 6);
    r.read_channel(0, v);
    EXPECT_EQ(v, (tintarr{0, 100, 200, 300, 400, 500}));

    // A format chunk longer than 40 bytes is read in part and skipped.
    tbytes longfmt = fmtbody(1, 1, 8000, 8);
    longfmt.resize(51, 0xEE);
    tbytes l;
    putchunk(l, "fmt ", longfmt);
    putchunk(l, "data", tbytes{128, 255});
    writefile(path("longfmt.wav"), riffwave(l));
    ASSERT_TRUE(r.open_file(path("longfmt.wav")));
    r.read_channel(0, v);
    EXPECT_EQ(v, (tintarr{0, 127}));
}

TEST_F(WavFileTest, DataBeyondTheEndOfTheFileIsCutToWhatIsThere) {
    tbytes c;
    putchunk(c, "fmt ", fmtbody(1, 2, 8000, 16));
    putid(c, "data");
    put32(c, 0xFFFFFFF0u); // absurd size, from a streaming recorder
    for (int i = 0; i < 9; ++i) put16(c, std::uint16_t(i)); // 4.5 frames present
    c.push_back(0x7F);                                      // half a sample
    writefile(path("big.wav"), riffwave(c, 0xFFFFFFF0u));
    TWavFile r;
    std::vector<std::string> notes;
    r.OnMessage = [&](const std::string& t, const std::string& cap) { notes.push_back(cap + t); };
    ASSERT_TRUE(r.open_file(path("big.wav")));
    EXPECT_EQ(r.nsamples(), 4);
    tintarr v;
    r.read_channel(0, v);
    EXPECT_EQ(v, (tintarr{0, 2, 4, 6}));
    r.read_channel(1, v);
    EXPECT_EQ(v, (tintarr{1, 3, 5, 7}));
    EXPECT_TRUE(notes.empty());
}

TEST_F(WavFileTest, DataShrinkingAfterOpenIsReportedAndCut) {
    tsmallintarr a(1000, 7);
    TWavFile w;
    w.save_file(path("t.wav"), {a}, false, false);
    TWavFile r;
    std::vector<std::string> notes;
    r.OnMessage = [&](const std::string& t, const std::string& cap) {
        notes.push_back(cap + ":" + t);
    };
    ASSERT_TRUE(r.open_file(path("t.wav")));
    EXPECT_EQ(r.nsamples(), 1000);
    fs::resize_file(path("t.wav"), 44 + 2 * 600 + 1);
    tintarr v;
    r.read_channel(0, v);
    EXPECT_EQ(v, tintarr(600, 7));
    EXPECT_EQ(r.nsamples(), 600);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0], "DEBUG:arrcount<>length(arr): 600 vs 1000");
}

TEST_F(WavFileTest, CorruptHeadersGiveClearErrors) {
    TWavFile r;
    auto expect_error = [&](const std::string& file, const tbytes& bytes, const std::string& what) {
        writefile(path(file), bytes);
        std::string msg = errortext([&] { r.open_file(path(file)); });
        EXPECT_NE(msg.find(path(file)), std::string::npos) << msg;
        EXPECT_NE(msg.find(what), std::string::npos) << msg;
        EXPECT_FALSE(r.isopen());
    };
    // Truncated format chunk.
    tbytes t = riffwave(tbytes{});
    putid(t, "fmt ");
    put32(t, 16);
    put16(t, 1);
    put16(t, 1);
    expect_error("truncfmt.wav", t, "format chunk");
    // No format chunk at all.
    tbytes c;
    putchunk(c, "data", tbytes{0, 0});
    expect_error("nofmt.wav", riffwave(c), "No format chunk");
    // A chunk whose size runs far past the end of the file, before the format chunk.
    c.clear();
    putid(c, "junk");
    put32(c, 0x7FFFFFF0u);
    putchunk(c, "fmt ", fmtbody(1, 1, 8000, 16));
    expect_error("overrun.wav", riffwave(c), "runs past the end");
    // Zero channels; invalid sample rates.
    c.clear();
    putchunk(c, "fmt ", fmtbody(1, 0, 8000, 16));
    putchunk(c, "data", tbytes{0, 0});
    expect_error("nochan.wav", riffwave(c), "no channels");
    c.clear();
    putchunk(c, "fmt ", fmtbody(1, 1, 0, 16));
    putchunk(c, "data", tbytes{0, 0});
    expect_error("rate0.wav", riffwave(c), "sample rate");
    c.clear();
    putchunk(c, "fmt ", fmtbody(1, 1, -5, 16));
    putchunk(c, "data", tbytes{0, 0});
    expect_error("rateneg.wav", riffwave(c), "sample rate");
    // A file that is not there, and a folder.
    EXPECT_NE(errortext([&] { r.open_file(path("missing.wav")); }).find("does not exist"),
              std::string::npos);
    EXPECT_NE(errortext([&] { r.open_file(dir.string()); }).find(dir.string()), std::string::npos);
}

TEST_F(WavFileTest, MissingDataChunk) {
    tbytes c;
    putchunk(c, "fmt ", fmtbody(1, 1, 8000, 16));
    putchunk(c, "LIST", tbytes(10, 0));
    writefile(path("nodata.wav"), riffwave(c));
    TWavFile r;
    ASSERT_TRUE(r.open_file(path("nodata.wav")));
    EXPECT_EQ(r.datastartpos(), -1);
    EXPECT_EQ(r.nsamples(), 0);
    tintarr v;
    std::string msg = errortext([&] { r.read_channel(0, v); });
    EXPECT_NE(msg.find("No data chunk"), std::string::npos);
    EXPECT_NE(msg.find(path("nodata.wav")), std::string::npos);

    // A chunk of absurd size where the data chunk should be: no data chunk, no hang.
    c.clear();
    putchunk(c, "fmt ", fmtbody(1, 1, 8000, 16));
    putid(c, "junk");
    put32(c, 0xFFFFFFFFu);
    c.resize(c.size() + 20, 0);
    writefile(path("junkdata.wav"), riffwave(c, 0xFFFFFFFFu));
    ASSERT_TRUE(r.open_file(path("junkdata.wav")));
    EXPECT_EQ(r.datastartpos(), -1);
}

TEST_F(WavFileTest, ReadingMisuse) {
    TWavFile r;
    tsinglearr f;
    EXPECT_EQ(errortext([&] { r.read_channel(0, f); }), "Wav file is not open.");
    writefile(path("m.wav"), simplewav(1, 2, 16, tbytes{0, 0, 0, 0}));
    ASSERT_TRUE(r.open_file(path("m.wav")));
    EXPECT_NE(errortext([&] { r.read_channel(2, f); }).find("no channel 2"), std::string::npos);
    EXPECT_NE(errortext([&] { r.read_channel(-1, f); }).find("no channel -1"), std::string::npos);
    r.close_file();
    EXPECT_EQ(errortext([&] { r.read_channel(0, f); }), "Wav file is not open.");
    // An empty name reopens the current file.
    EXPECT_TRUE(r.open_file(""));
    EXPECT_EQ(r.filename(), path("m.wav"));
}

TEST_F(WavFileTest, ReadingNeverChangesTheFile) {
    tbytes c;
    putchunk(c, "fmt ", fmtbody(1, 1, 8000, 16));
    putid(c, "data");
    put32(c, 0); // the reader must not patch the size
    put16(c, 5);
    writefile(path("ro.wav"), riffwave(c, 0));
    const tbytes before = readfile(path("ro.wav"));
    const auto mtime = fs::last_write_time(path("ro.wav"));
    fs::permissions(path("ro.wav"), fs::perms::owner_read | fs::perms::group_read);
    {
        TWavFile r;
        ASSERT_TRUE(r.open_file(path("ro.wav"), false)); // a read/write request too
        EXPECT_FALSE(r.isreadonly());
        tintarr v;
        r.read_channel(0, v);
        EXPECT_EQ(v, tintarr{5});
    }
    EXPECT_EQ(readfile(path("ro.wav")), before);
    EXPECT_EQ(fs::last_write_time(path("ro.wav")), mtime);
}

// ---------------------------------------------------------------------------------------
// Saving: refusals and the safe protocol

TEST_F(WavFileTest, RefusedSavesTouchNoFile) {
    TWavFile w;
    w.setfullscale(0, 1.0);
    const std::string name = path("x.wav");
    w.setnbits(16);
    w.setformat(tFormat::ulaw);
    EXPECT_EQ(errortext([&] { w.save_file(name, {tsinglearr{0.1f}}, true, false); }),
              "Invalid file type (nbits=16)");
    w.setformat(tFormat::pcm);
    w.setnbits(12);
    EXPECT_EQ(errortext([&] { w.save_file(name, {tsinglearr{0.1f}}, true, false); }),
              "Invalid file type (nbits=12)");
    w.setnbits(24);
    EXPECT_EQ(errortext([&] { w.save_file(name, {tsmallintarr{1}}, false, false); }),
              "Invalid file type (nbits=24)");
    w.setformat(tFormat::ieeefloat);
    EXPECT_EQ(errortext([&] { w.save_file(name, {tint24arr(1)}, false, false); }),
              "Invalid file type (nbits=24)");
    w.setnbits(16);
    w.setformat(tFormat::pcm);
    EXPECT_EQ(errortext([&] { w.save_file(name, {tint24arr(1)}, false, false); }),
              "Invalid file type (nbits=16)");
    EXPECT_TRUE(listing().empty());

    // A full scale of 0 (a silent recording), unequal channels, no channels at all.
    w.setfullscale(0, 0);
    std::string msg = errortext([&] { w.save_file(name, {tsinglearr{0.0f}}, false, false); });
    EXPECT_EQ(msg.rfind("Error saving file\r" + name + "\r", 0), 0u) << msg;
    EXPECT_NE(msg.find("full scale"), std::string::npos);
    w.setfullscale(0, 1);
    w.setfullscale(1, 1);
    msg = errortext([&] { w.save_file(name, {tsinglearr{0, 0}, tsinglearr{0}}, false, false); });
    EXPECT_NE(msg.find("Channel 1 has 1 samples instead of 2"), std::string::npos) << msg;
    EXPECT_EQ(w.nsamples(), 2);
    EXPECT_NE(errortext([&] {
                  w.save_file(name, std::vector<tsinglearr>{}, false, false);
              }).find("no channels"),
              std::string::npos);
    w.setsampfreq(0);
    EXPECT_NE(
        errortext([&] { w.save_file(name, {tsinglearr{0}}, false, false); }).find("sample rate"),
        std::string::npos);
    w.setsampfreq(44100);
    EXPECT_NE(
        errortext([&] { w.save_file(dir.string(), {tsinglearr{0}}, true, false); }).find("folder"),
        std::string::npos);
    EXPECT_TRUE(listing().empty());
    // Float data in float format need no full scale.
    w.setfullscale(0, 0);
    w.setformat(tFormat::ieeefloat);
    w.setnbits(32);
    w.save_file(name, {tsinglearr{0.5f}}, false, false);
    EXPECT_EQ(listing(), std::vector<std::string>{"x.wav"});
}

TEST_F(WavFileTest, SafeSaveReplacesTheFileAndLeavesNothingElse) {
    const std::string name = path("a.wav");
    TWavFile w;
    w.save_file(name, {tsmallintarr(100, 1)}, true, false); // new name: safe is cleared
    EXPECT_EQ(listing(), std::vector<std::string>{"a.wav"});
    w.save_file(name, {tsmallintarr(10, 2)}, true, false); // replaces it
    EXPECT_EQ(listing(), std::vector<std::string>{"a.wav"});
    EXPECT_EQ(fs::file_size(name), 44 + 20u);
    TWavFile r;
    ASSERT_TRUE(r.open_file(name));
    tintarr v;
    r.read_channel(0, v);
    EXPECT_EQ(v, tintarr(10, 2));
    EXPECT_EQ(w.filename(), name);
    // An empty name saves to the current file name.
    w.save_file("", {tsmallintarr(3, 4)}, true, false);
    EXPECT_EQ(fs::file_size(name), 44 + 6u);
    EXPECT_EQ(listing(), std::vector<std::string>{"a.wav"});
}

TEST_F(WavFileTest, SafeSaveIntoAnUnwritableFolderKeepsTheOldFile) {
#if defined(__unix__)
    if (::geteuid() == 0) GTEST_SKIP() << "folder permissions do not bind the superuser";
#endif
    const std::string name = path("old.wav");
    TWavFile w;
    w.save_file(name, {tsmallintarr(50, 9)}, false, false);
    const tbytes before = readfile(name);
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_NE(errortext([&] { w.save_file(name, {tsmallintarr(10, 1)}, true, false); }),
              "<no EWavFileError>");
    fs::permissions(dir, fs::perms::owner_all);
    EXPECT_EQ(readfile(name), before);
    EXPECT_EQ(listing(), std::vector<std::string>{"old.wav"});
}

#if defined(__unix__)
TEST_F(WavFileTest, WriteFailuresAreReported) {
    // A device is written as it is: it is full; nothing fits.
    if (fs::exists("/dev/full")) {
        TWavFile w;
        std::string msg =
            errortext([&] { w.save_file("/dev/full", {tsmallintarr(100, 1)}, false, false); });
        EXPECT_EQ(msg.rfind("Cannot write /dev/full: ", 0), 0u) << msg;
        EXPECT_NE(msg.find(std::strerror(ENOSPC)), std::string::npos) << msg;
    }
    // The file-size limit stops the new file part way: the old one stays, nothing else.
    const std::string name = path("c.wav");
    TWavFile w;
    w.save_file(name, {tsmallintarr(50, 9)}, false, false);
    const tbytes before = readfile(name);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldhandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 70000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string msg =
        errortext([&] { w.save_file(name, {tsmallintarr(100000, 3)}, false, false); });
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldhandler);
    EXPECT_EQ(msg.rfind("Cannot write " + name + ": ", 0), 0u) << msg;
    EXPECT_EQ(readfile(name), before);
    EXPECT_EQ(listing(), (std::vector<std::string>{"c.wav"}));
}
#endif
