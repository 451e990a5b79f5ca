// The session record in the headers of phonetogram and SMP files: every field read back as
// written, whatever the characters, and the file as a reader that does not know it sees it.
#include "files/oem_codepage.h"
#include "files/session_items.h"
#include "files/smp_file.h"
#include "files/stdpg_file.h"
#include "phonetogram/pg_param.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <string>

using namespace gravon;
namespace fs = std::filesystem;

namespace {

class SessionItems : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device rd;
        dir = fs::temp_directory_path() / ("gravon_session_test_" + std::to_string(rd()));
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    static std::string bytes(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    fs::path dir;
};

// Names from many languages, a note longer than one header value may be, with line breaks,
// backslashes, a tab and blanks at both ends.
tsessionrecord hard_record() {
    tsessionrecord r;
    r.patient = "P-0017/ä";
    r.name = "Zoë Łukasińska-Dvořák 王芳 Αλέξης Ёлкин 🎵";
    r.born = "1980-04-23";
    r.sex = "Female";
    r.clinician = "Dr. Núñez \\ Søren";
    r.date = "2026-12-09 14:30";
    r.task = "Singing profile";
    for (int i = 0; i < 30; ++i) r.notes += "Line " + std::to_string(i) + ": belt C5 ";
    r.notes = "  " + r.notes + "\nSecond line\twith a tab\r\nThird \\n is not a break  ";
    return r;
}

TEST_F(SessionItems, PhonetogramFileKeepsEveryFieldAndTheCells) {
    tpg pg = make_empty_pg();
    pg.param[pglayeracctime].entitystr = pg.param[pglayeracctime].name = "AccTime";
    pg.param[pglayeracctime].entitytype = entitysum;
    pg.param[pglayeracctime].axisunit = "s";
    pg.param[pglayeracctime].arr[57][80] = 1.5;
    pg.session = hard_record();
    TSMPfile f;
    write_stdpg(f, path("a.stdpg"), pg, {"Gravon test", 40.0, 2.0});

    tpg back = make_empty_pg();
    tstdpgparamarr params;
    ASSERT_TRUE(open_stdpg_file(f, path("a.stdpg")));
    const tstdpgreadresult res = read_stdpg(f, path("a.stdpg"), back, params);
    f.close_file();
    ASSERT_TRUE(res.complete()) << res.layouterror << res.recorderror;
    tsessionrecord expected = hard_record();
    // A CR LF is one line break.
    expected.notes.replace(expected.notes.find("\r\n"), 2, "\n");
    EXPECT_EQ(back.session, expected);
    EXPECT_FLOAT_EQ(float(back.param[pglayeracctime].arr[57][80]), 1.5f);
}

TEST_F(SessionItems, CodePageHoldsWhatItCanAndEscapesTheRest) {
    TSMPfile f;
    ASSERT_TRUE(f.new_file(path("s.smp")));
    tsessionrecord r;
    r.name = "Zoë Łukasińska";
    r.clinician = "a\\b";
    r.task = " padded ";
    write_session_items(f, r);
    ASSERT_TRUE(f.save_file());
    f.close_file();
    const std::string raw = bytes(path("s.smp"));
    // ë is in code page 850 (byte 0x89) and stays itself; Ł and ń are not, and become
    // escapes of their code points instead of "?".
    EXPECT_NE(raw.find("session.name=Zo\x89 \\u{141}ukasi\\u{144}ska\r\n"), std::string::npos);
    EXPECT_NE(raw.find("session.clinician=a\\\\b\r\n"), std::string::npos);
    // Blanks at the ends survive a reader that trims values.
    EXPECT_NE(raw.find("session.task=\\u{20}padded\\u{20}\r\n"), std::string::npos);
    EXPECT_EQ(raw.find('?'), std::string::npos);

    TSMPfile g;
    ASSERT_TRUE(g.open_file(path("s.smp"), true));
    EXPECT_EQ(read_session_items(g), r);
}

TEST_F(SessionItems, LongValuesArePiecesAReaderTakesWhole) {
    TSMPfile f;
    ASSERT_TRUE(f.new_file(path("long.smp")));
    tsessionrecord r;
    r.notes = std::string(600, 'x') + "Ł";
    write_session_items(f, r);
    int pieces = 0;
    for (const std::string& line : f.Items()) {
        if (line.rfind("session.notes", 0) != 0) continue;
        ++pieces;
        EXPECT_LE(line.size() - line.find('=') - 1, std::size_t(TSMPfile::maxvaluelength));
    }
    EXPECT_EQ(pieces, 3);
    ASSERT_TRUE(f.save_file());
    f.close_file();
    TSMPfile g;
    ASSERT_TRUE(g.open_file(path("long.smp"), true));
    EXPECT_EQ(read_session_items(g).notes, r.notes);

    // A record written again over a longer one leaves none of its pieces behind.
    TSMPfile h;
    ASSERT_TRUE(h.open_file(path("long.smp"), false));
    tsessionrecord shorter;
    shorter.notes = "short";
    write_session_items(h, shorter);
    EXPECT_EQ(read_session_items(h), shorter);
}

TEST_F(SessionItems, FileWithoutARecordReadsAsBeforeAndAnEmptyRecordWritesNothing) {
    tpg pg = make_empty_pg();
    pg.param[pglayeracctime].entitystr = pg.param[pglayeracctime].name = "AccTime";
    pg.param[pglayeracctime].entitytype = entitysum;
    pg.param[pglayeracctime].axisunit = "s";
    pg.param[pglayeracctime].arr[60][70] = 0.5;
    pg.datestr = "2026-01-02 03:04.05";
    TSMPfile f;
    write_stdpg(f, path("old.stdpg"), pg, {"Gravon test", 40.0, 1.0});
    // Such a file is what the program wrote before it knew of session records.
    EXPECT_EQ(bytes(path("old.stdpg")).find("session."), std::string::npos);

    tpg back = make_empty_pg();
    back.session.name = "left over";
    tstdpgparamarr params;
    ASSERT_TRUE(open_stdpg_file(f, path("old.stdpg")));
    ASSERT_TRUE(read_stdpg(f, path("old.stdpg"), back, params).complete());
    EXPECT_TRUE(back.session.empty());
    EXPECT_EQ(back.datestr, pg.datestr);
    EXPECT_FLOAT_EQ(float(back.param[pglayeracctime].arr[60][70]), 0.5f);
}

TEST(SessionHeaderText, OtherProgramsTextAndBrokenEscapesReadAsTheyStand) {
    EXPECT_EQ(header_value_text("Müller"), "Müller");
    EXPECT_EQ(header_value_text("C:\\data"), "C:\\data");
    EXPECT_EQ(header_value_text("\\u{zz}"), "\\u{zz}");
    EXPECT_EQ(header_value_text("\\u{D800}"), "\\u{D800}");
    EXPECT_EQ(header_value_text("\\u{1F3B5}"), "🎵");
    const std::string all = "a\\b\nc\tç€";
    EXPECT_EQ(header_value_text(header_text_value(all)), all);
    EXPECT_EQ(oemtotext(texttooem(header_text_value(all))), header_text_value(all));
}

} // namespace
