#include "files/qub_file.h"
#include "base/app_folders.h"
#include "support/temp_config.h"

#include <bit>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <string>

using namespace gravon;
using gravon::testing::tenvguard;
namespace fs = std::filesystem;

namespace {

class QUBFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device rd;
        dir = fs::temp_directory_path() / ("gravon_qub_" + std::to_string(rd()));
        fs::create_directories(dir);
        qub.setProgId(&progid);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }

    fs::path dir;
    TProgId progid;
    TQUBFile qub;
};

// Builds container files byte by byte.
struct tbytes {
    std::string b;
    tbytes& raw(const std::string& s) {
        b += s;
        return *this;
    }
    tbytes& i32(std::int64_t v) {
        const auto u = static_cast<std::uint32_t>(v);
        for (int i = 0; i < 4; ++i) b += static_cast<char>(u >> (8 * i));
        return *this;
    }
    tbytes& text(const std::string& s) { return i32(static_cast<std::int64_t>(s.size())).raw(s); }
    tbytes& header(const std::string& fileid, std::int64_t n) {
        return raw("QUB1").text(fileid).text("0.0").text("Gravon").text("0.0.0.22").i32(n);
    }
    tbytes& entry(const std::string& section, const std::string& key, std::int32_t id,
                  const std::string& bytes) {
        return text(section).text(key).i32(id).text(bytes);
    }
};

void write_file(const std::string& name, const std::string& bytes) {
    std::ofstream out(name, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string read_file(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string wrong_type_message(const std::function<void()>& f) {
    try {
        f();
    } catch (const EQUBfileError& e) {
        return e.what();
    }
    return "no exception";
}

} // namespace

// ---- values in memory ------------------------------------------------------------------------

TEST_F(QUBFileTest, SectionAndKeyIgnoreLetterCase) {
    qub.writebool("General", "X", true);
    EXPECT_TRUE(qub.readbool("general", "x", false));
    qub.writebool("GENERAL", "x", false);
    EXPECT_EQ(qub.nnodes(), 1);
    EXPECT_FALSE(qub.readbool("General", "X", true));
}

TEST_F(QUBFileTest, MissingKeyGivesDefaultWithoutCreatingAnEntry) {
    EXPECT_EQ(qub.readinteger("A", "b", -7), -7);
    EXPECT_EQ(qub.readstring("A", "b", "dflt"), "dflt");
    EXPECT_EQ(qub.readfloat("A", "b", 0.1), 0.1);
    EXPECT_EQ(qub.readdoublearr("A", "b", {1.0, 2.0}), (tdoublearr{1.0, 2.0}));
    EXPECT_EQ(qub.nnodes(), 0);
}

TEST_F(QUBFileTest, WrongTypeIsRefusedWithExactText) {
    qub.writestring("S", "k", "text");
    qub.writeinteger("S", "k", 5); // replaces the string entry
    EXPECT_EQ(qub.nnodes(), 1);
    EXPECT_EQ(qub.get_nodeno(0).data.id, 11);
    EXPECT_EQ(wrong_type_message([&] { qub.readstring("s", "K", ""); }),
              "Data has wrong type: 11, not13");
    qub.writesinglearr("S", "a", tsinglearr{1.0f});
    EXPECT_EQ(wrong_type_message([&] { qub.readdoublearr("S", "a", {}); }),
              "Data has wrong type: 17, not15");
    EXPECT_EQ(wrong_type_message([&] { qub.readbool("S", "a", false); }),
              "Data has wrong type: 17, not10");
    qub.writecomplexarr("S", "c", tcomplexarr{{1, 2}});
    EXPECT_EQ(wrong_type_message([&] { qub.readsinglecomplexarr("S", "c", {}); }),
              "Data has wrong type: 16, not18");
}

TEST_F(QUBFileTest, ArrayConversionsOnWriteAndRead) {
    qub.writedoublearr("A", "d", tsinglearr{0.1f, -2.5f});
    EXPECT_EQ(qub.get_nodeno(0).data.id, 15);
    EXPECT_EQ(qub.get_nodeno(0).data.arr.size(), 16u);
    EXPECT_EQ(qub.readdoublearr("A", "d", {}), (tdoublearr{double(0.1f), -2.5}));

    qub.writesinglearr("A", "s", tdoublearr{0.1, 1e300});
    EXPECT_EQ(qub.get_nodeno(1).data.id, 17);
    const tsinglearr s = qub.readsinglearr("A", "s", {});
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0], 0.1f);
    EXPECT_TRUE(std::isinf(s[1]));

    qub.writecomplexarr("A", "c", tsinglecomplexarr{{1.5f, -0.25f}});
    EXPECT_EQ(qub.get_nodeno(2).data.id, 16);
    qub.writesinglecomplexarr("A", "sc", tcomplexarr{{0.1, 3.0}});
    EXPECT_EQ(qub.get_nodeno(3).data.id, 18);
    EXPECT_EQ(qub.get_nodeno(3).data.arr.size(), 8u);
    // readcomplexarr widens stored complex singles.
    const tcomplexarr c = qub.readcomplexarr("A", "sc", {});
    ASSERT_EQ(c.size(), 1u);
    EXPECT_EQ(c[0].re, double(0.1f));
    EXPECT_EQ(c[0].im, 3.0);
    EXPECT_EQ(qub.readcomplexarr("A", "c", {})[0].im, -0.25);
}

TEST_F(QUBFileTest, ThreeDoublesTakeTwentyFourBytes) {
    qub.writedoublearr("A", "d", tdoublearr{1, 2, 3});
    EXPECT_EQ(qub.get_nodeno(0).data.arr.size(), 24u);
}

TEST_F(QUBFileTest, NodeIndexOutOfRangeIsAnError) {
    EXPECT_THROW(qub.get_nodeno(0), EQUBfileError);
    qub.writeinteger("a", "b", 1);
    EXPECT_NO_THROW(qub.get_nodeno(0));
    EXPECT_THROW(qub.get_nodeno(-1), EQUBfileError);
}

// ---- files -----------------------------------------------------------------------------------

TEST_F(QUBFileTest, EveryValueTypeSurvivesSaveAndOpen) {
    const double nan = std::nan("");
    qub.setFileId("RoundTrip");
    qub.setFileVersion("2.5");
    qub.writebool("Types", "bool", true);
    qub.writebool("Types", "boolfalse", false);
    qub.writeinteger("Types", "int", -2147483647 - 1);
    qub.writefloat("Types", "float", 0.1);
    qub.writefloat("Types", "big", 1e300);
    qub.writefloat("Types", "negzero", -0.0);
    qub.writefloat("Types", "tiny", std::numeric_limits<double>::denorm_min());
    qub.writefloat("Types", "inf", -std::numeric_limits<double>::infinity());
    qub.writefloat("Types", "nan", nan);
    qub.writestring("Types", "string", "Grüße, 20 µPa – ok");
    qub.writestring("Types", "empty", "");
    qub.writebytearr("Types", "bytes", tbytearr{0, 1, 255});
    qub.writesmallintarr("Types", "smallints", tsmallintarr{-32768, -1, 0, 32767});
    qub.writedoublearr("Types", "doubles", tdoublearr{0.1, -1e-310, 1e300});
    qub.writesinglearr("Types", "singles", tsinglearr{0.1f, -3.5f});
    qub.writecomplexarr("Types", "complex", tcomplexarr{{1, -2}, {0.1, 1e300}});
    qub.writesinglecomplexarr("Types", "scomplex", tsinglecomplexarr{{0.5f, -0.25f}});
    qub.writedoublearr("Types", "nodoubles", tdoublearr{});
    const std::string name = path("all.qubfile");
    qub.save_file(name);

    TQUBFile back;
    back.setFileId("something else");
    ASSERT_TRUE(back.open_file(name)) << back.ReadError();
    EXPECT_EQ(back.FileId(), "RoundTrip");
    EXPECT_EQ(back.readfileversion(), "2.5");
    EXPECT_EQ(back.readproductname(), "Gravon");
    EXPECT_EQ(back.readproductversion(), "0.0.0.22");
    EXPECT_EQ(back.Idstr(), "#51#55#42#31");
    EXPECT_EQ(back.nnodes(), qub.nnodes());
    EXPECT_TRUE(back.readbool("types", "BOOL", false));
    EXPECT_FALSE(back.readbool("Types", "boolfalse", true));
    EXPECT_EQ(back.readinteger("Types", "int", 0), -2147483647 - 1);
    EXPECT_EQ(back.readfloat("Types", "float", 0), 0.1);
    EXPECT_EQ(back.readfloat("Types", "big", 0), 1e300);
    EXPECT_TRUE(std::signbit(back.readfloat("Types", "negzero", 1)));
    EXPECT_EQ(back.readfloat("Types", "tiny", 0), std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(back.readfloat("Types", "inf", 0), -std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(back.readfloat("Types", "nan", 0)));
    EXPECT_EQ(back.readstring("Types", "string", ""), "Grüße, 20 µPa – ok");
    EXPECT_EQ(back.readstring("Types", "empty", "x"), "");
    EXPECT_EQ(back.readbytearr("Types", "bytes", {}), (tbytearr{0, 1, 255}));
    EXPECT_EQ(back.readsmallintarr("Types", "smallints", {}), (tsmallintarr{-32768, -1, 0, 32767}));
    EXPECT_EQ(back.readdoublearr("Types", "doubles", {}), (tdoublearr{0.1, -1e-310, 1e300}));
    EXPECT_EQ(back.readsinglearr("Types", "singles", {}), (tsinglearr{0.1f, -3.5f}));
    const tcomplexarr c = back.readcomplexarr("Types", "complex", {});
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[1].re, 0.1);
    EXPECT_EQ(c[1].im, 1e300);
    EXPECT_EQ(c[0].im, -2);
    const tsinglecomplexarr sc = back.readsinglecomplexarr("Types", "scomplex", {});
    ASSERT_EQ(sc.size(), 1u);
    EXPECT_EQ(sc[0].re, 0.5f);
    EXPECT_EQ(sc[0].im, -0.25f);
    EXPECT_TRUE(back.readdoublearr("Types", "nodoubles", {7.0}).empty());
    // The order of the entries is kept.
    for (int i = 0; i < qub.nnodes(); ++i) EXPECT_EQ(back.get_nodeno(i).key, qub.get_nodeno(i).key);
}

TEST_F(QUBFileTest, EmptyContainerLayout) {
    qub.setFileId("Test");
    const std::string name = path("empty.qubfile");
    qub.save_file(name);
    const std::string want = tbytes().header("Test", 0).b;
    EXPECT_EQ(read_file(name), want);
    EXPECT_EQ(want.size(), 4u + 4 * 4 + 4 + 3 + 6 + 8 + 4);

    TQUBFile back;
    ASSERT_TRUE(back.open_file(name));
    EXPECT_EQ(back.nnodes(), 0);
    EXPECT_EQ(back.FileId(), "Test");
}

TEST_F(QUBFileTest, EntryLayoutIsByteExact) {
    qub.setFileId("Id");
    qub.writebool("Sec", "b", true);
    qub.writeinteger("Sec", "i", -2);
    qub.writefloat("Sec", "f", 1.0);
    qub.writestring("Sec", "s", "é");
    qub.writesmallintarr("Sec", "w", tsmallintarr{0x1234, -2});
    qub.writedoublearr("Sec", "d", tdoublearr{1.0});
    qub.writesinglearr("Sec", "g", tsinglearr{1.0f});
    qub.writebytearr("Sec", "y", tbytearr{9, 8});
    const std::string name = path("layout.qubfile");
    qub.save_file(name);

    const std::string want =
        tbytes()
            .header("Id", 8)
            .entry("Sec", "b", 10, std::string("\x01", 1))
            .entry("Sec", "i", 11, std::string("\xFE\xFF\xFF\xFF", 4))
            .entry("Sec", "f", 12, std::string("\0\0\0\0\0\0\0\x80\xFF\x3F", 10))
            .entry("Sec", "s", 13, "\xE9") // Windows-1252
            .entry("Sec", "w", 14, std::string("\x34\x12\xFE\xFF", 4))
            .entry("Sec", "d", 15, std::string("\0\0\0\0\0\0\xF0\x3F", 8))
            .entry("Sec", "g", 17, std::string("\0\0\x80\x3F", 4))
            .entry("Sec", "y", 19, std::string("\x09\x08", 2))
            .b;
    EXPECT_EQ(read_file(name), want);
}

TEST_F(QUBFileTest, SixteenBitSignatureIsAccepted) {
    tbytes f;
    f.raw(std::string("Q\0U\0", 4)).text("Wide").text("1.0").text("P").text("V").i32(1);
    f.entry("A", "n", 11, std::string("\x2A\0\0\0", 4));
    const std::string name = path("wide.qubfile");
    write_file(name, f.b);
    EXPECT_TRUE(TQUBFile::isQUBfile(name));
    ASSERT_TRUE(qub.open_file(name)) << qub.ReadError();
    EXPECT_EQ(qub.FileId(), "Wide");
    EXPECT_EQ(qub.Idstr(), "#51#00#55#00");
    EXPECT_EQ(qub.readinteger("a", "N", 0), 42);
}

TEST_F(QUBFileTest, LastOfSeveralMatchingEntriesCounts) {
    tbytes f;
    f.header("Dup", 3)
        .entry("A", "k", 11, std::string("\x01\0\0\0", 4))
        .entry("a", "K", 11, std::string("\x02\0\0\0", 4))
        .entry("B", "k", 11, std::string("\x03\0\0\0", 4));
    const std::string name = path("dup.qubfile");
    write_file(name, f.b);
    ASSERT_TRUE(qub.open_file(name));
    EXPECT_EQ(qub.readinteger("A", "k", 0), 2);
    // A write replaces the entry that counts.
    qub.writeinteger("A", "K", 5);
    EXPECT_EQ(qub.nnodes(), 3);
    EXPECT_EQ(qub.readinteger("a", "k", 0), 5);
    EXPECT_EQ(qub.readinteger("B", "k", 0), 3);
}

TEST_F(QUBFileTest, PartialArrayElementsAreDropped) {
    tbytes f;
    f.header("Part", 2)
        .entry("A", "d", 15, std::string(20, '\0'))
        .entry("A", "w", 14, std::string("\x01\x00\x02", 3));
    const std::string name = path("part.qubfile");
    write_file(name, f.b);
    ASSERT_TRUE(qub.open_file(name));
    EXPECT_EQ(qub.readdoublearr("A", "d", {}).size(), 2u);
    EXPECT_EQ(qub.readsmallintarr("A", "w", {}), (tsmallintarr{1}));
}

TEST_F(QUBFileTest, ScalarsWithTooFewBytesAreRefused) {
    tbytes f;
    f.header("Short", 3)
        .entry("A", "i", 11, std::string("\x01\x02", 2))
        .entry("A", "f", 12, std::string(8, '\0'))
        .entry("A", "b", 10, "");
    const std::string name = path("short.qubfile");
    write_file(name, f.b);
    ASSERT_TRUE(qub.open_file(name));
    EXPECT_THROW(qub.readinteger("A", "i", 0), EQUBfileError);
    EXPECT_THROW(qub.readfloat("A", "f", 0), EQUBfileError);
    EXPECT_THROW(qub.readbool("A", "b", false), EQUBfileError);
}

TEST_F(QUBFileTest, EveryTruncationFailsCleanly) {
    qub.setFileId("Trunc");
    qub.writeinteger("S", "i", 1);
    qub.writestring("S", "s", "hello");
    qub.writedoublearr("S", "d", tdoublearr{1, 2});
    const std::string full_name = path("full.qubfile");
    qub.save_file(full_name);
    const std::string full = read_file(full_name);
    const std::string name = path("cut.qubfile");
    for (size_t len = 0; len < full.size(); ++len) {
        write_file(name, full.substr(0, len));
        TQUBFile t;
        t.setFileId("previous");
        EXPECT_FALSE(t.open_file(name)) << len;
        EXPECT_EQ(t.nnodes(), 0) << len;
        EXPECT_EQ(t.FileId(), "") << len;
        EXPECT_EQ(t.readproductname(), "") << len;
        EXPECT_NE(t.ReadError().find(name), std::string::npos) << t.ReadError();
    }
    TQUBFile t;
    EXPECT_TRUE(t.open_file(full_name));
    EXPECT_EQ(t.nnodes(), 3);
    EXPECT_EQ(t.ReadError(), "");
}

TEST_F(QUBFileTest, AbsurdLengthsAndCountsAreRefused) {
    const std::string name = path("hostile.qubfile");
    struct tcase {
        const char* what;
        std::string bytes;
    };
    const tcase cases[] = {
        {"huge text", tbytes().raw("QUB1").i32(0x7FFFFFFF).raw("abc").b},
        {"negative text", tbytes().raw("QUB1").i32(-5).b},
        {"huge count", tbytes().header("H", 0x7FFFFFFF).b},
        {"negative count", tbytes().header("H", -1).b},
        {"huge byte count", tbytes().header("H", 1).text("A").text("k").i32(19).i32(0x7FFFFFF0).b},
        {"negative byte count", tbytes().header("H", 1).text("A").text("k").i32(19).i32(-1).b},
        {"count larger than entries", tbytes().header("H", 2).entry("A", "k", 10, "\x01").b},
    };
    for (const tcase& c : cases) {
        write_file(name, c.bytes);
        EXPECT_FALSE(qub.open_file(name)) << c.what;
        EXPECT_EQ(qub.nnodes(), 0) << c.what;
        EXPECT_NE(qub.ReadError().find(name), std::string::npos) << c.what;
    }
}

TEST_F(QUBFileTest, WrongSignatureIsNotAContainer) {
    const std::string name = path("other.qubfile");
    write_file(name, tbytes().raw("RIFF").text("x").b);
    EXPECT_FALSE(TQUBFile::isQUBfile(name));
    qub.setFileId("GravonSettings");
    qub.writeinteger("A", "b", 1);
    EXPECT_FALSE(qub.open_file(name));
    EXPECT_EQ(qub.nnodes(), 0);
    // An earlier identity must not make the file look like a container of that kind.
    EXPECT_EQ(qub.FileId(), "");
    EXPECT_EQ(qub.Idstr(), "#52#49#46#46");
    EXPECT_NE(qub.ReadError().find("not a settings container"), std::string::npos);

    write_file(name, "QU");
    EXPECT_FALSE(TQUBFile::isQUBfile(name));
    EXPECT_FALSE(qub.open_file(name));
    EXPECT_FALSE(TQUBFile::isQUBfile(path("missing.qubfile")));
    EXPECT_FALSE(qub.open_file(path("missing.qubfile")));
    EXPECT_NE(qub.ReadError().find("missing.qubfile"), std::string::npos);
    EXPECT_FALSE(qub.open_file(dir.string()));
}

TEST_F(QUBFileTest, SaveNeedsProgId) {
    TQUBFile bare;
    try {
        bare.save_file(path("x.qubfile"));
        FAIL() << "no exception";
    } catch (const EQUBfileError& e) {
        EXPECT_STREQ(e.what(), "Nothing assigned to ProgId");
    }
    EXPECT_FALSE(fs::exists(path("x.qubfile")));
    EXPECT_THROW(bare.settings_filename(), EQUBfileError);
}

TEST_F(QUBFileTest, SaveCreatesFoldersAndReportsWriteErrors) {
    const std::string deep = path("a/b/c/deep.qubfile");
    qub.save_file(deep);
    EXPECT_TRUE(TQUBFile::isQUBfile(deep));

    write_file(path("plainfile"), "x");
    try {
        qub.save_file(path("plainfile/inside.qubfile"));
        FAIL() << "no exception";
    } catch (const EOSError& e) {
        EXPECT_NE(std::string(e.what()).find("inside.qubfile"), std::string::npos);
    }
}

TEST_F(QUBFileTest, SaveReplacesTheOldFileCompletely) {
    const std::string name = path("replace.qubfile");
    qub.setFileId("One");
    for (int i = 0; i < 100; ++i) qub.writeinteger("S", std::to_string(i) + "k", i);
    qub.save_file(name);
    qub.clear();
    qub.setFileId("Two");
    qub.save_file(name);
    EXPECT_EQ(read_file(name), tbytes().header("Two", 0).b);
    // No temporary file is left behind.
    int files = 0;
    for (const auto& e : fs::directory_iterator(dir)) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(QUBFileTest, SettingsFileNameFollowsTheIdentity) {
    tenvguard guard("XDG_CONFIG_HOME");
    setenv("XDG_CONFIG_HOME", dir.string().c_str(), 1);
    const fs::path folder = dir / "ArnselData" / "Gravon" / "0.0.0.22";
    EXPECT_EQ(qub.settings_filename(), (folder / "settings.qubfile").string());
    EXPECT_TRUE(fs::is_directory(folder));

    qub.setSettingsFileName("GravonSettings.qubfile");
    qub.setFileId("GravonSettings");
    qub.writeinteger("General", "n", 3);
    qub.save_file("");
    EXPECT_TRUE(fs::exists(folder / "GravonSettings.qubfile"));
    TQUBFile back;
    back.setProgId(&progid);
    back.setSettingsFileName("GravonSettings.qubfile");
    ASSERT_TRUE(back.open_file(""));
    EXPECT_EQ(back.readinteger("general", "N", 0), 3);

    progid.setAutoVersion(true);
    EXPECT_EQ(qub.settings_filename(),
              (dir / "ArnselData" / "Gravon" / "3.0" / "GravonSettings.qubfile").string());
}

TEST_F(QUBFileTest, SettingsFileNameWithoutUserFolder) {
    tenvguard g1("XDG_CONFIG_HOME");
    tenvguard g2("HOME");
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("HOME");
    EXPECT_EQ(qub.settings_filename(), (fs::path(system_folder()) / "Gravon.qubfile").string());
    // A relative XDG_CONFIG_HOME does not count.
    setenv("XDG_CONFIG_HOME", "relative/dir", 1);
    EXPECT_EQ(qub.settings_filename(), (fs::path(system_folder()) / "Gravon.qubfile").string());
    setenv("HOME", dir.string().c_str(), 1);
    EXPECT_EQ(
        qub.settings_filename(),
        (dir / ".config" / "ArnselData" / "Gravon" / "0.0.0.22" / "settings.qubfile").string());
}

TEST_F(QUBFileTest, TextsUseTheWindowsAnsiCodePage) {
    qub.writestring("S", "t", "€ µ ÿ");
    EXPECT_EQ(qub.get_nodeno(0).data.arr,
              (std::vector<std::uint8_t>{0x80, 0x20, 0xB5, 0x20, 0xFF}));
    // Characters the code page lacks become "?"; a default is returned untouched.
    qub.writestring("S", "cjk", "日本");
    EXPECT_EQ(qub.readstring("S", "cjk", ""), "??");
    EXPECT_EQ(qub.readstring("S", "none", "日本"), "日本");
    // Every stored byte reads back to a character that is stored as the same byte again.
    tbytearr all;
    for (int i = 1; i < 256; ++i) all.push_back(static_cast<std::uint8_t>(i));
    tbytes f;
    f.header("Bytes", 1).entry("S", "all", 13, std::string(all.begin(), all.end()));
    const std::string name = path("ansi.qubfile");
    write_file(name, f.b);
    ASSERT_TRUE(qub.open_file(name));
    const std::string text = qub.readstring("S", "all", "");
    qub.writestring("S", "all", text);
    EXPECT_EQ(qub.get_nodeno(0).data.arr, all);
}
