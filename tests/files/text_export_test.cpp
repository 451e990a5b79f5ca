#include "base/errors.h"
#include "files/text_export.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <locale>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace gravon;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> split(const std::string& s, const std::string& sep) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t p = s.find(sep, start);
        if (p == std::string::npos) {
            out.push_back(s.substr(start));
            return out;
        }
        out.push_back(s.substr(start, p - start));
        start = p + sep.size();
    }
}

// Lines of a CR LF text, without the empty piece after the last line end.
std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> l = split(text, "\r\n");
    if (!l.empty() && l.back().empty()) l.pop_back();
    return l;
}

// A comma as the platform's decimal separator while it lives.
class tcommalocale {
  public:
    struct tcomma : std::numpunct<char> {
        char do_decimal_point() const override { return ','; }
        char do_thousands_sep() const override { return '.'; }
    };
    tcommalocale() : fold(std::locale::global(std::locale(std::locale::classic(), new tcomma))) {}
    ~tcommalocale() { std::locale::global(fold); }

  private:
    std::locale fold;
};

class TextExport : public ::testing::Test {
  protected:
    void SetUp() override {
        set_nchans(list, 3);
        for (auto& pg : list.pgs) pg.param = default_recording_pgparams();
        list.pgs[0].pgname = "Left";
        list.pgs[1].pgname = "Right";
        list.pgs[2].pgname = "loaded.stdpg";
        tpg& pg = list.pgs[1];
        // A block of 4 x 4 bins that the display threshold shows, MIDI 57 ... 60 at 70 ... 73 dB.
        for (int x = 57; x <= 60; ++x)
            for (int y = 70; y <= 73; ++y) {
                pg.param[pglayeracctime].arr[x][y] = 0.1;
                pg.param[pglayerh1h2].arr[x][y] = 1.23456 + x - 57;
            }
        // An isolated bin, hidden below the threshold display but holding time.
        pg.param[pglayeracctime].arr[80][100] = 1.0;
        pg.param[pglayerh1h2].arr[80][100] = -0.000123456;
        choices.pgno = 1;
        choices.checked.assign(pg.param.size(), false);

        std::random_device rd;
        dir = fs::temp_directory_path() / ("gravon_export_test_" + std::to_string(rd()));
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

    // The cell of a default-range table: row of level, column of MIDI number.
    static std::string cell(const std::vector<std::string>& lines, int level, int midi,
                            const std::string& sep = "\t") {
        const std::vector<std::string> f = split(lines[std::size_t(3 + 120 - level)], sep);
        return f[std::size_t(1 + midi - 24)];
    }

    tpglist list;
    ttextexportchoices choices;
    ttextexportformat format;
    fs::path dir;
};

TEST(TextExportChoices, DialogDefaults) {
    const ttextexportchoices c;
    EXPECT_EQ(c.pgno, -1);
    EXPECT_TRUE(c.checked.empty());
    EXPECT_EQ(c.colsep, colseptab);
    EXPECT_EQ(c.decsep, decseplocale);
    EXPECT_EQ(c.freqhead, freqheadmidi);
    EXPECT_EQ(c.threshold, thresholdhide);
    EXPECT_EQ(c.loleveledit, "40");
    EXPECT_EQ(c.hileveledit, "120");
    EXPECT_EQ(c.lomidiedit, "24");
    EXPECT_EQ(c.himidiedit, "95");
    const ttextexportranges r = text_export_ranges(c);
    EXPECT_EQ(r.lof0, 24);
    EXPECT_EQ(r.hif0, 95);
    EXPECT_EQ(r.lolevel, 40);
    EXPECT_EQ(r.hilevel, 120);
}

TEST(TextExportChoices, RangesAreClampedAndRounded) {
    ttextexportchoices c;
    c.himidiedit = "200";
    c.loleveledit = "-10";
    c.lomidiedit = " 30.5 ";
    c.hileveledit = "1e300";
    const ttextexportranges r = text_export_ranges(c);
    EXPECT_EQ(r.hif0, 127);
    EXPECT_EQ(r.lolevel, 0);
    EXPECT_EQ(r.lof0, 30); // halves to even
    EXPECT_EQ(r.hilevel, 139);
    c.lomidiedit = "-5";
    c.himidiedit = "-1e300";
    EXPECT_EQ(text_export_ranges(c).lof0, 0);
    EXPECT_LT(text_export_ranges(c).hif0, 0);
}

TEST(TextExportChoices, EditsThatAreNotNumbers) {
    ttextexportchoices c;
    c.lomidiedit = "abc";
    try {
        text_export_ranges(c);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid floating point value");
    }
    c.lomidiedit = "";
    EXPECT_THROW(text_export_ranges(c), EConvertError);
    c.lomidiedit = "24";
    c.hileveledit = "12O";
    EXPECT_THROW(text_export_ranges(c), EConvertError);
}

TEST(TextExportChoices, EditsUseThePlatformSeparator) {
    tcommalocale comma;
    ttextexportchoices c;
    c.lomidiedit = "30,6";
    EXPECT_EQ(text_export_ranges(c).lof0, 31);
    c.lomidiedit = "30.6";
    EXPECT_THROW(text_export_ranges(c), EConvertError);
}

TEST(TextExportChoices, VisibleRangeAndCheckAll) {
    ttextexportchoices c;
    use_visible_range(c, 36, 83, 39.6, 110.4);
    EXPECT_EQ(c.lomidiedit, "36");
    EXPECT_EQ(c.himidiedit, "83");
    EXPECT_EQ(c.loleveledit, "40");
    EXPECT_EQ(c.hileveledit, "110");
    tpglist l;
    set_nchans(l, 2);
    l.pgs[0].pgname = "Left";
    EXPECT_EQ(text_export_pgnames(l), (std::vector<std::string>{"Left", ""}));
    l.pgs[1].param = default_recording_pgparams();
    EXPECT_TRUE(text_export_paramnames(l, -1).empty());
    EXPECT_TRUE(text_export_paramnames(l, 2).empty());
    EXPECT_EQ(text_export_paramnames(l, 1).size(), nrecordinglayers);
    EXPECT_EQ(text_export_paramnames(l, 1)[1], "AccTime");
    c.pgno = 1;
    check_all_parameters(c, l, true);
    std::vector<bool> all(nrecordinglayers, true);
    all[pglayerspare] = false; // the unnamed spare is never ticked
    EXPECT_EQ(c.checked, all);
    check_all_parameters(c, l, false);
    EXPECT_EQ(c.checked, std::vector<bool>(nrecordinglayers, false));
    c.pgno = -1;
    check_all_parameters(c, l, true);
    EXPECT_TRUE(c.checked.empty());
}

TEST_F(TextExport, DefaultsWithOneParameter) {
    choices.checked[pglayerh1h2] = true;
    const std::vector<std::string> l = lines_of(phonetogram_text(list, choices, format));
    ASSERT_EQ(l.size(), 2u + 1u + 81u);
    EXPECT_EQ(l[0], "---------");
    EXPECT_EQ(l[1], "H1H2To01");
    EXPECT_EQ(l[2].rfind("dB\\MIDI\t24\t25\t", 0), 0u);
    const std::vector<std::string> head = split(l[2], "\t");
    ASSERT_EQ(head.size(), 1u + 72u + 1u);
    EXPECT_EQ(head[72], "95");
    EXPECT_EQ(head.back(), ""); // every line ends with a separator
    EXPECT_EQ(l[3].rfind("120.0\t", 0), 0u);
    EXPECT_EQ(l.back().rfind("40.0\t", 0), 0u);
    for (std::size_t i = 3; i < l.size(); ++i) {
        const std::vector<std::string> f = split(l[i], "\t");
        ASSERT_EQ(f.size(), 1u + 72u + 1u) << i;
        EXPECT_EQ(f.back(), "");
    }
    // Values of the shown bins with four significant digits, empty elsewhere.
    EXPECT_EQ(cell(l, 70, 57), "1.235");
    EXPECT_EQ(cell(l, 73, 60), "4.235");
    EXPECT_EQ(cell(l, 74, 57), "");
    EXPECT_EQ(cell(l, 100, 80), ""); // isolated: below the display threshold
}

TEST_F(TextExport, ParameterZeroIsTheShownBinMask) {
    choices.checked[0] = true;
    const std::vector<std::string> l = lines_of(phonetogram_text(list, choices, format));
    ASSERT_EQ(l.size(), 84u);
    EXPECT_EQ(l[1], "SolidColor");
    int ones = 0;
    for (std::size_t i = 3; i < l.size(); ++i)
        for (const std::string& f : split(l[i], "\t")) {
            if (f == "1") ++ones;
        }
    EXPECT_EQ(ones, 16);
    EXPECT_EQ(cell(l, 72, 58), "1");
    EXPECT_EQ(cell(l, 100, 80), "0");
    EXPECT_EQ(cell(l, 40, 24), "0");
    // The mask was refreshed by the export itself.
    EXPECT_EQ(list.masks.binshow[1][58][72], 1);
}

TEST_F(TextExport, ShowAllBinsUsesTheAccumulatedTime) {
    choices.checked[pglayerh1h2] = true;
    choices.threshold = thresholdshowall;
    const std::vector<std::string> l = lines_of(phonetogram_text(list, choices, format));
    EXPECT_EQ(cell(l, 100, 80), "-1.235E-4");
    EXPECT_EQ(cell(l, 70, 57), "1.235");
    EXPECT_EQ(cell(l, 101, 80), "");
}

TEST_F(TextExport, SeveralParametersInOrderAndOtherSeparators) {
    choices.checked[pglayerhnr] = true;
    choices.checked[pglayeracctime] = true;
    choices.colsep = colsepsemicolon;
    choices.lomidiedit = "57";
    choices.himidiedit = "58";
    choices.loleveledit = "72";
    choices.hileveledit = "73";
    const std::string text = phonetogram_text(list, choices, format);
    EXPECT_EQ(text, "---------\r\nAccTime\r\ndB\\MIDI;57;58;\r\n73.0;0.1;0.1;\r\n72.0;0.1;0.1;\r\n"
                    "---------\r\nHNRTo01\r\ndB\\MIDI;57;58;\r\n73.0;0;0;\r\n72.0;0;0;\r\n");
    choices.colsep = colsepspace;
    choices.checked = {false, true};
    EXPECT_EQ(phonetogram_text(list, choices, format),
              "---------\r\nAccTime\r\ndB\\MIDI 57 58 \r\n73.0 0.1 0.1 \r\n72.0 0.1 0.1 \r\n");
    choices.colsep = colsepcomma;
    EXPECT_EQ(phonetogram_text(list, choices, format),
              "---------\r\nAccTime\r\ndB\\MIDI,57,58,\r\n73.0,0.1,0.1,\r\n72.0,0.1,0.1,\r\n");
}

TEST_F(TextExport, FrequencyHeadings) {
    choices.checked[pglayeracctime] = true;
    choices.freqhead = freqheadnote;
    std::vector<std::string> l = lines_of(phonetogram_text(list, choices, format));
    std::vector<std::string> head = split(l[2], "\t");
    EXPECT_EQ(head[0], "dB\\Note");
    EXPECT_EQ(head[1], "C1");
    EXPECT_EQ(head[72], "B6");
    EXPECT_EQ(head[1 + 69 - 24], "A4");
    EXPECT_EQ(head[1 + 61 - 24], "C#4");
    choices.freqhead = freqheadhz;
    l = lines_of(phonetogram_text(list, choices, format));
    head = split(l[2], "\t");
    EXPECT_EQ(head[0], "dB\\Hz");
    EXPECT_EQ(head[1 + 69 - 24], "440");
    EXPECT_EQ(head[1 + 81 - 24], "880");
    EXPECT_EQ(head[1 + 60 - 24], "261.6");
    EXPECT_EQ(head[1], "32.7");
}

TEST_F(TextExport, DecimalSeparatorChoices) {
    tcommalocale comma;
    choices.checked[pglayerh1h2] = true;
    std::vector<std::string> l = lines_of(phonetogram_text(list, choices, format));
    EXPECT_EQ(cell(l, 70, 57), "1,235");
    EXPECT_EQ(l[3].rfind("120,0\t", 0), 0u);
    choices.decsep = decsepperiod;
    l = lines_of(phonetogram_text(list, choices, format));
    EXPECT_EQ(cell(l, 70, 57), "1.235");
    EXPECT_EQ(l[3].rfind("120.0\t", 0), 0u);
    choices.decsep = decsepcomma;
    {
        std::locale::global(std::locale::classic());
        l = lines_of(phonetogram_text(list, choices, format));
    }
    EXPECT_EQ(cell(l, 70, 57), "1,235");
    EXPECT_EQ(l[3].rfind("120,0\t", 0), 0u);
}

TEST_F(TextExport, FormatsFromTheSettings) {
    choices.checked[pglayerh1h2] = true;
    format.nsigdig = 2;
    format.dbformat = "0";
    const std::vector<std::string> l = lines_of(phonetogram_text(list, choices, format));
    EXPECT_EQ(cell(l, 70, 57), "1.2");
    EXPECT_EQ(l[3].rfind("120\t", 0), 0u);
    // A higher threshold hides the block as well.
    format.binshow.timethreshold = 0.5;
    EXPECT_EQ(cell(lines_of(phonetogram_text(list, choices, format)), 70, 57), "");
}

TEST_F(TextExport, ClampedRangeAndEmptyRange) {
    choices.checked[pglayeracctime] = true;
    choices.himidiedit = "200";
    choices.loleveledit = "-10";
    std::vector<std::string> l = lines_of(phonetogram_text(list, choices, format));
    ASSERT_EQ(l.size(), 3u + 121u);
    EXPECT_EQ(split(l[2], "\t").size(), 1u + (127u - 24u + 1u) + 1u);
    EXPECT_EQ(l.back().rfind("0.0\t", 0), 0u);
    choices.lomidiedit = "100";
    choices.himidiedit = "90";
    l = lines_of(phonetogram_text(list, choices, format));
    EXPECT_EQ(l[2], "dB\\MIDI\t");
    EXPECT_EQ(l[3], "120.0\t");
}

TEST_F(TextExport, WritesTheFileInTheEightBitCodePage) {
    list.pgs[1].param[pglayermaxpartno].name = "Pr\xC3\xA9"
                                               "cision";
    choices.checked[pglayermaxpartno] = true;
    const std::string f = path("export.txt");
    export_phonetogram_text(list, choices, format, f);
    const std::string bytes = readbytes(f);
    EXPECT_EQ(bytes.substr(0, 24), "---------\r\nPr\xE9"
                                   "cision\r\ndB");
    EXPECT_EQ(lines_of(bytes).size(), 84u);
}

// An empty file would look like an export that worked.
TEST_F(TextExport, NothingCheckedIsRefusedAndWritesNothing) {
    const std::string f = path("empty.txt");
    EXPECT_THROW(export_phonetogram_text(list, choices, format, f), EGravonError);
    EXPECT_FALSE(fs::exists(f));
}

TEST_F(TextExport, FailuresWriteNothing) {
    const std::string f = path("old.txt");
    std::ofstream(f) << "precious";
    choices.checked[pglayeracctime] = true;
    choices.hileveledit = "loud";
    EXPECT_THROW(export_phonetogram_text(list, choices, format, f), EConvertError);
    EXPECT_EQ(readbytes(f), "precious");
    choices.hileveledit = "120";
    choices.pgno = -1;
    EXPECT_THROW(export_phonetogram_text(list, choices, format, f), EGravonError);
    choices.pgno = 3;
    EXPECT_THROW(export_phonetogram_text(list, choices, format, f), EGravonError);
    EXPECT_EQ(readbytes(f), "precious");
    // A folder where the file should be.
    fs::create_directories(path("folder.txt"));
    choices.pgno = 1;
    EXPECT_THROW(export_phonetogram_text(list, choices, format, path("folder.txt")), EOSError);
    EXPECT_TRUE(fs::is_directory(path("folder.txt")));
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++n;
    EXPECT_EQ(n, 2u);
}

TEST_F(TextExport, ExportsAnyListedPhonetogram) {
    list.pgs[2].param[pglayeracctime].arr[24][120] = 2.5;
    choices.pgno = 2;
    choices.threshold = thresholdshowall;
    choices.checked = {false, true};
    const std::vector<std::string> l = lines_of(phonetogram_text(list, choices, format));
    EXPECT_EQ(cell(l, 120, 24), "2.5");
    // Checks beyond the phonetogram's parameters are ignored.
    choices.checked.assign(20, true);
    // ...and so is the unnamed spare layer.
    EXPECT_EQ(lines_of(phonetogram_text(list, choices, format)).size(),
              (nrecordinglayers - 1) * 84u);
}

} // namespace
