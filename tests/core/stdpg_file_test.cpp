#include "base/number_text.h"
#include "core/main_window.h"
#include "files/stdpg_file.h"
#include "phonetogram/pg_param.h"
#include "settings/advanced_settings.h"
#include "support/message_box_interface.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

using namespace gravon;
namespace fs = std::filesystem;

namespace {

class StdpgTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device rd;
        dir = fs::temp_directory_path() / ("gravon_stdpg_test_" + std::to_string(rd()));
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }

    fs::path dir;
};

std::string readbytes(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writebytes(const std::string& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// An SMP header region of 1024 bytes with the given item lines.
std::string header(const std::vector<std::string>& lines) {
    std::string h;
    for (const auto& l : lines) h += l + "\r\n";
    h += "=\r\n";
    h += std::string("\0\x04\x1a", 3);
    h.resize(1024, '\0');
    return h;
}

// Little-endian binary32 values.
std::string floats(const std::vector<float>& v) {
    std::string s;
    for (float x : v) {
        const std::uint32_t b = std::bit_cast<std::uint32_t>(x);
        for (int i = 0; i < 4; ++i) s += static_cast<char>((b >> (8 * i)) & 0xFF);
    }
    return s;
}

float floatat(const std::string& bytes, std::size_t at) {
    std::uint32_t b = 0;
    for (int i = 0; i < 4; ++i)
        b |= std::uint32_t(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return std::bit_cast<float>(b);
}

// The items of a valid file with three columns (F0 bin, level bin, time), so that one item
// can be changed at a time.
std::vector<std::string> minimal_items() {
    return {"head=1024",
            "file=phonetogram",
            "fileversion=1",
            "nparams=3",
            "precsizeinbytes=12",
            "p0.entity=F0To01,bins",
            "p0.class=IEEEfloat32,0,4",
            "p0.bins=-0.5,1,96",
            "p0.view=0,95,STM",
            "p1.entity=SPLTo01,bins",
            "p1.class=IEEEfloat32,4,4",
            "p1.bins=39.5,1,80",
            "p1.view=40,120,dB",
            "p2.entity=AccTime,sum",
            "p2.class=IEEEfloat32,8,4",
            "p2.view=-0.1,1,s"};
}

std::vector<std::string> with_item(std::vector<std::string> items, const std::string& line) {
    const std::string key = line.substr(0, line.find('=') + 1);
    for (auto& l : items)
        if (l.compare(0, key.size(), key) == 0) {
            l = line;
            return items;
        }
    items.push_back(line);
    return items;
}

std::vector<std::string> without_item(std::vector<std::string> items, const std::string& key) {
    std::erase_if(
        items, [&](const std::string& l) { return l.compare(0, key.size() + 1, key + "=") == 0; });
    return items;
}

// A recording phonetogram with the default layer descriptions and a few cells.
tpg recording_pg() {
    tpg pg = make_empty_pg();
    copy_pgparam_descriptions(default_recording_pgparams(), pg.param);
    pg.pgname = "Left";
    pg.datestr = "2024-03-05 10:11.12";
    pg.calibstr = "Calibrated 2024-03-01 by AB";
    pg.recordingsiteid = "Clinic 3";
    pg.distance = 0.3;
    pg.actualdistance = 0.15;
    struct cell {
        int x, y;
        std::array<double, 8> v;
    };
    const std::vector<cell> cells = {
        {43, 60, {1.0, 0.5, -3.25, 12.5, 812.75, 9.5, 2.5, 0}},
        {44, 60, {0, 0.1, 7.1, 20.2, 1500.3, 11.1, 3.3, 0}},
        {10, 0, {0, 0.02, -29.9, 0.5, 50, 0.25, 1, 0}},
        {127, 139, {1, 3.75, 39.5, 29.5, 3999.5, 19.5, 32, 0}},
        {0, 80, {0, 0.04, 0, 0, 0, 0, 0, 0}},
    };
    for (const cell& c : cells)
        for (std::size_t k = 0; k < pg.param.size() && k < c.v.size(); ++k)
            pg.param[k].arr[c.x][c.y] = c.v[k];
    // A cell with values but no time is not stored.
    pg.param[2].arr[50][50] = 4.0;
    return pg;
}

std::size_t cellcount(const tpg& pg) {
    std::size_t n = 0;
    for (double t : pg.param[pglayeracctime].arr.cells) n += t > 0;
    return n;
}

struct tread {
    bool opened = false;
    tstdpgreadresult result;
    tpg pg = make_empty_pg();
    tstdpgparamarr params = default_stdpgparams();
};

tread readfile(const std::string& p) {
    TSMPfile f;
    tread t;
    t.opened = open_stdpg_file(f, p);
    if (t.opened) t.result = read_stdpg(f, p, t.pg, t.params);
    f.close_file();
    return t;
}

tstdpgwriteinfo writeinfo(std::optional<double> seconds = 1.0) {
    tstdpgwriteinfo info;
    info.procstamp = TProgId().processing_stamp();
    info.hpfreq = 40;
    info.recordedtime = seconds;
    return info;
}

void writefile(const std::string& p, const tpg& pg, std::optional<double> seconds = 1.0) {
    TSMPfile f;
    write_stdpg(f, p, pg, writeinfo(seconds));
}

// Changes one item of an existing file (empty value: deletes it).
void edit_item(const std::string& p, const std::string& key, const std::string& value) {
    TSMPfile f;
    ASSERT_TRUE(f.open_file(p, false));
    f.set_item(key, value);
    ASSERT_TRUE(f.save_file());
    ASSERT_TRUE(f.close_file());
}

std::string item_of(const std::string& p, const std::string& key) {
    TSMPfile f;
    EXPECT_TRUE(f.open_file(p, true));
    return f.get_item(key);
}

// ---------------------------------------------------------------------------------------
// Names, times and aggregations

TEST(StdpgNames, AggregationCodesReadAnyCaseAndAliases) {
    EXPECT_EQ(aggregation_code("bins"), 0);
    EXPECT_EQ(aggregation_code("LAST"), 0);
    EXPECT_EQ(aggregation_code("Sum"), 1);
    EXPECT_EQ(aggregation_code("avg"), 2);
    EXPECT_EQ(aggregation_code("Average"), 2);
    EXPECT_EQ(aggregation_code("MIN"), 3);
    EXPECT_EQ(aggregation_code("max"), 4);
    EXPECT_EQ(aggregation_code(""), -1);
    EXPECT_EQ(aggregation_code("mean"), -1);
    EXPECT_EQ(aggregation_code(" sum"), -1);
    EXPECT_EQ(aggregation_name(0), "bins");
    EXPECT_EQ(aggregation_name(1), "sum");
    EXPECT_EQ(aggregation_name(2), "avg");
    EXPECT_EQ(aggregation_name(3), "min");
    EXPECT_EQ(aggregation_name(4), "max");
    EXPECT_EQ(aggregation_name(-1), "");
    EXPECT_EQ(aggregation_name(5), "");
}

TEST(StdpgNames, ChannelLetterGoesBeforeTheExtensionOfTheFileName) {
    EXPECT_EQ(stdpg_channel_file_name("voice.stdpg", 'L'), "voiceL.stdpg");
    EXPECT_EQ(stdpg_channel_file_name("/data/voice.stdpg", 'R'), "/data/voiceR.stdpg");
    EXPECT_EQ(stdpg_channel_file_name("voice", 'L'), "voiceL");
    EXPECT_EQ(stdpg_channel_file_name("a.b.stdpg", 'L'), "a.bL.stdpg");
    // A "." in a folder is not the extension: the file stays in its folder.
    EXPECT_EQ(stdpg_channel_file_name("C:\\a.b\\rec", 'L'), "C:\\a.b\\recL");
    EXPECT_EQ(stdpg_channel_file_name("/tmp/a.b/rec", 'R'), "/tmp/a.b/recR");
}

TEST(StdpgNames, RecordedTimeFormatsAndParses) {
    EXPECT_EQ(format_recorded_time(0), "00:00:00");
    EXPECT_EQ(format_recorded_time(1), "00:00:01");
    EXPECT_EQ(format_recorded_time(61.9), "00:01:01");
    EXPECT_EQ(format_recorded_time(3723), "01:02:03");
    EXPECT_EQ(format_recorded_time(59.9996), "00:01:00");
    EXPECT_EQ(format_recorded_time(-5), "00:00:00");
    EXPECT_EQ(format_recorded_time(NAN), "00:00:00");
    EXPECT_EQ(parse_recorded_time("0:0:0"), 0.0);
    EXPECT_EQ(parse_recorded_time("01:02:03"), 3723.0);
    EXPECT_EQ(parse_recorded_time("1:2"), 3720.0);
    EXPECT_EQ(parse_recorded_time(" 00:30:00 "), 1800.0);
    EXPECT_EQ(parse_recorded_time("00:00:01.5"), 1.5);
    EXPECT_FALSE(parse_recorded_time("24:00:00"));
    EXPECT_FALSE(parse_recorded_time("00:60:00"));
    EXPECT_FALSE(parse_recorded_time("00:00:60"));
    EXPECT_FALSE(parse_recorded_time("12"));
    EXPECT_FALSE(parse_recorded_time("1:2:3:4"));
    EXPECT_FALSE(parse_recorded_time("a:b:c"));
    EXPECT_FALSE(parse_recorded_time("-1:00:00"));
    EXPECT_FALSE(parse_recorded_time("1:2:1e1"));
    EXPECT_FALSE(parse_recorded_time(""));
}

// ---------------------------------------------------------------------------------------
// Writing

TEST_F(StdpgTest, RecordingPhonetogramHeaderItems) {
    const std::string p = path("rec.stdpg");
    writefile(p, recording_pg(), 1.0);
    TSMPfile f;
    ASSERT_TRUE(f.open_file(p, true));
    // Every item, in the order of the format, after "head".
    const std::vector<std::string> expected = {"proc0=Gravon 0.0.0.22",
                                               "file=phonetogram",
                                               "fileversion=1",
                                               "nparams=10",
                                               "weighting=HP@40Hz",
                                               "recordedtime=00:00:01",
                                               "recordedseconds=1",
                                               "precsizeinbytes=40",
                                               "date=2024-03-05 10:11.12",
                                               "site=Clinic 3",
                                               "calib=Calibrated 2024-03-01 by AB",
                                               "micdist=0.3",
                                               "actmicdist=0.15",
                                               "p0.entity=F0To01,bins",
                                               "p0.class=IEEEfloat32,0,4",
                                               "p0.bins=-0.5,1,96",
                                               "p0.view=0,95,STM",
                                               "p1.entity=SPLTo01,bins",
                                               "p1.class=IEEEfloat32,4,4",
                                               "p1.bins=39.5,1,80",
                                               "p1.view=40,120,dB",
                                               "p2.entity=AccTime,sum",
                                               "p2.class=IEEEfloat32,8,4",
                                               "p2.view=-0.1,1,s",
                                               "p3.entity=H1H2To01,avg",
                                               "p3.class=IEEEfloat32,12,4",
                                               "p3.view=-30,40,dB",
                                               "p4.entity=HNRTo01,avg",
                                               "p4.class=IEEEfloat32,16,4",
                                               "p4.view=0,30,dB",
                                               "p5.entity=CentroidTo01,avg",
                                               "p5.class=IEEEfloat32,20,4",
                                               "p5.view=0,4000,Hz",
                                               "p6.entity=CrestTo01,avg",
                                               "p6.class=IEEEfloat32,24,4",
                                               "p6.view=0,20,dB",
                                               "p7.entity=MaxPartNoTo01,avg",
                                               "p7.class=IEEEfloat32,28,4",
                                               "p7.view=0,32.768,",
                                               "p8.entity=CPPS,avg",
                                               "p8.class=IEEEfloat32,32,4",
                                               "p8.view=0,30,dB",
                                               "p9.entity=SpecBal,avg",
                                               "p9.class=IEEEfloat32,36,4",
                                               "p9.view=-50,0,dB"};
    ASSERT_FALSE(f.Items().empty());
    EXPECT_EQ(f.Items().front().substr(0, 5), "head=");
    EXPECT_EQ(std::vector<std::string>(f.Items().begin() + 1, f.Items().end()), expected);
}

TEST_F(StdpgTest, RecordsAreOrderedByLevelThenF0AndHoldEveryLayerFromTime) {
    const std::string p = path("rec.stdpg");
    const tpg pg = recording_pg();
    writefile(p, pg);
    TSMPfile f;
    ASSERT_TRUE(f.open_file(p, true));
    const std::int64_t head = f.HeadSize();
    f.close_file();
    const std::string bytes = readbytes(p);
    ASSERT_EQ(bytes.size(), std::size_t(head) + 40 * cellcount(pg));
    const std::vector<std::pair<int, int>> order = {
        {10, 0}, {43, 60}, {44, 60}, {0, 80}, {127, 139}};
    ASSERT_EQ(cellcount(pg), order.size());
    for (std::size_t r = 0; r < order.size(); ++r) {
        const std::size_t at = std::size_t(head) + 40 * r;
        const auto [x, y] = order[r];
        EXPECT_EQ(floatat(bytes, at), float(x));
        EXPECT_EQ(floatat(bytes, at + 4), float(y));
        // Every layer from the time layer on, but the unnamed spare, which holds nothing.
        for (std::size_t k = 1; k < pglayerspare; ++k)
            EXPECT_EQ(floatat(bytes, at + 4 + 4 * k), float(pg.param[k].arr[x][y]))
                << r << " " << k;
        for (std::size_t k = pglayerspare + 1; k < nrecordinglayers; ++k)
            EXPECT_EQ(floatat(bytes, at + 4 * k), float(pg.param[k].arr[x][y])) << r << " " << k;
    }
    // The worked cell (43, 60) is the second record: 43, 60, 0.5, -3.25, 12.5, 812.75, ...
    EXPECT_EQ(bytes.substr(std::size_t(head) + 40, 40),
              floats({43, 60, 0.5f, -3.25f, 12.5f, 812.75f, 9.5f, 2.5f, 0, 0}));
}

TEST_F(StdpgTest, NoRecordedTimeWithoutARecordingAndEmptyTextsAreNotStored) {
    const std::string p = path("blank.stdpg");
    tpg pg = recording_pg();
    pg.datestr.clear();
    pg.calibstr.clear();
    pg.recordingsiteid.clear();
    pg.distance = NAN;
    writefile(p, pg, std::nullopt);
    TSMPfile f;
    ASSERT_TRUE(f.open_file(p, true));
    for (const char* absent : {"recordedtime", "date", "calib", "site", "micdist"})
        EXPECT_EQ(f.get_item(absent), "") << absent;
    f.close_file();
    // The reader's defaults then apply.
    const tread t = readfile(p);
    EXPECT_TRUE(t.result.complete());
    EXPECT_EQ(t.pg.datestr, "-");
    EXPECT_EQ(t.pg.calibstr, "-");
    EXPECT_EQ(t.pg.recordingsiteid, "-");
    EXPECT_EQ(t.pg.distance, -1);
    EXPECT_EQ(t.pg.actualdistance, 0.15);
    EXPECT_EQ(t.pg.recordedtime, 0);
}

TEST_F(StdpgTest, WriterRefusesWhatAFileCannotHoldAndUnwritablePlaces) {
    TSMPfile f;
    tpg one = make_empty_pg();
    one.param.resize(1);
    EXPECT_THROW(write_stdpg(f, path("a.stdpg"), one, writeinfo()), EStdpgError);
    EXPECT_FALSE(fs::exists(path("a.stdpg")));
    tpg many = make_empty_pg();
    many.param.resize(std::size_t(maxstdpgcolumns));
    for (tpgparam& l : many.param) l.name = "X";
    EXPECT_THROW(write_stdpg(f, path("b.stdpg"), many, writeinfo()), EStdpgError);
    const std::string nowhere = path("missing/dir/c.stdpg");
    try {
        write_stdpg(f, nowhere, recording_pg(), writeinfo());
        FAIL() << "no error";
    } catch (const EStdpgError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot write " + nowhere + ": its folder ", 0), 0u)
            << e.what();
    }
    // The largest phonetogram a file can hold is written and read back.
    tpg big = recording_pg();
    big.param.resize(std::size_t(maxstdpgcolumns - 1));
    for (std::size_t k = pglayerspare; k < big.param.size(); ++k) {
        big.param[k].name = big.param[k].entitystr = "X" + std::to_string(k);
        big.param[k].arr[43][60] = double(k);
    }
    const std::string p = path("big.stdpg");
    ASSERT_NO_THROW(write_stdpg(f, p, big, writeinfo()));
    const tread t = readfile(p);
    ASSERT_TRUE(t.result.complete()) << t.result.layouterror << t.result.recorderror;
    ASSERT_EQ(t.pg.param.size(), big.param.size());
    EXPECT_EQ(t.pg.param.back().arr[43][60], double(maxstdpgcolumns - 2));
    EXPECT_EQ(t.pg.param.back().name, "X254");
}

// ---------------------------------------------------------------------------------------
// Round trips

// The layers written (unnamed ones are not stored) against those read.
void expect_layers_equal(const tpg& written, const tpg& read) {
    std::vector<const tpgparam*> stored;
    for (std::size_t k = 1; k < written.param.size(); ++k)
        if (k == 1 || !written.param[k].name.empty()) stored.push_back(&written.param[k]);
    ASSERT_EQ(read.param.size(), stored.size() + 1);
    EXPECT_EQ(read.param[0].name, "SolidColor");
    for (double v : read.param[0].arr.cells) ASSERT_EQ(v, 0.0);
    for (std::size_t k = 1; k < read.param.size(); ++k) {
        const tpgparam& w = *stored[k - 1];
        const tpgparam& r = read.param[k];
        EXPECT_EQ(r.name, w.entitystr) << k;
        EXPECT_EQ(r.entitystr, w.entitystr) << k;
        EXPECT_EQ(r.entitytype, w.entitytype) << k;
        EXPECT_EQ(r.min, w.min) << k;
        EXPECT_EQ(r.max, w.max) << k;
        EXPECT_EQ(r.axisunit, w.axisunit) << k;
        for (std::int32_t x = 0; x < nf0bins; ++x)
            for (std::int32_t y = 0; y < nlevelbins; ++y) {
                const double expected =
                    written.param[1].arr[x][y] > 0 ? double(float(w.arr[x][y])) : 0.0;
                ASSERT_EQ(r.arr[x][y], expected) << k << " " << x << " " << y;
            }
    }
}

TEST_F(StdpgTest, RecordingPhonetogramRoundTrip) {
    const std::string p = path("voice.stdpg");
    const tpg pg = recording_pg();
    writefile(p, pg, 125.25);
    const tread t = readfile(p);
    ASSERT_TRUE(t.opened);
    EXPECT_TRUE(t.result.complete()) << t.result.layouterror << t.result.recorderror;
    EXPECT_EQ(t.pg.pgname, "voice.stdpg");
    EXPECT_EQ(t.pg.datestr, pg.datestr);
    EXPECT_EQ(t.pg.calibstr, pg.calibstr);
    EXPECT_EQ(t.pg.recordingsiteid, pg.recordingsiteid);
    EXPECT_EQ(t.pg.distance, 0.3);
    EXPECT_EQ(t.pg.actualdistance, 0.15);
    // Exactly, beside the clock text that older readers take.
    EXPECT_EQ(t.pg.recordedtime, 125.25);
    EXPECT_EQ(item_of(p, "recordedtime"), "00:02:05");
    EXPECT_TRUE(t.pg.visible);
    expect_layers_equal(pg, t.pg);
    EXPECT_EQ(t.pg.param[2].arr[50][50], 0.0); // values of an empty cell are not stored
    // Every name is known already.
    EXPECT_EQ(t.params.size(), default_stdpgparams().size());
}

TEST_F(StdpgTest, SettingsAreItemsOfTheirOwnWithinABudgetAndTheFileStillReads) {
    const tpg pg = recording_pg();
    // Each setting takes 37 bytes as an item: "setting.Targets/f0_1000=123456.78901\r\n".
    struct tcase {
        std::size_t n;
        std::size_t written;
    } cases[] = {{0, 0}, {3, 3}, {1000, settingsitemsbudget / 37}};
    for (const tcase& c : cases) {
        const std::string p = path("s" + std::to_string(c.n) + ".stdpg");
        tstdpgwriteinfo info = writeinfo();
        for (std::size_t i = 0; i < c.n; ++i)
            info.settings.push_back({"Targets/f0_" + std::to_string(1000 + i), "123456.78901"});
        TSMPfile w;
        write_stdpg(w, p, pg, info);
        EXPECT_EQ(item_of(p, "setting.Targets/f0_1000"), c.n > 0 ? "123456.78901" : "") << c.n;
        const std::string last = "setting.Targets/f0_" + std::to_string(1000 + c.written - 1);
        const std::string next = "setting.Targets/f0_" + std::to_string(1000 + c.written);
        if (c.written > 0) EXPECT_EQ(item_of(p, last), "123456.78901") << c.n;
        EXPECT_EQ(item_of(p, next), "") << c.n;
        EXPECT_EQ(item_of(p, settingsomitteditem),
                  c.n > c.written ? std::to_string(c.n - c.written) : "")
            << c.n;
        const tread t = readfile(p);
        ASSERT_TRUE(t.opened) << c.n;
        EXPECT_TRUE(t.result.complete()) << t.result.layouterror << t.result.recorderror;
        expect_layers_equal(pg, t.pg);
    }
}

TEST_F(StdpgTest, OtherParameterListsRoundTripAndExtendTheNameMapping) {
    tpg pg = make_empty_pg();
    pg.param.resize(5);
    auto describe = [&](std::size_t k, const char* name, std::int32_t type, const char* unit,
                        double lo, double hi) {
        pg.param[k].name = pg.param[k].entitystr = name;
        pg.param[k].entitytype = type;
        pg.param[k].axisunit = unit;
        pg.param[k].min = lo;
        pg.param[k].max = hi;
    };
    describe(1, "AccTimeTotal", entitysum, "s", 0, 10);
    describe(2, "JitterTo01", entitymin, "%", 0.5, 2.25);
    describe(3, "ShimmerTo01", entitymax, "dB", -1e-3, 1e6);
    describe(4, "Plain", entitynone, "", -7, 7);
    for (int i = 0; i < 40; ++i) {
        const int x = (i * 37) % nf0bins, y = (i * 53) % nlevelbins;
        pg.param[1].arr[x][y] = 0.01 * (i + 1);
        pg.param[2].arr[x][y] = 1.0 / (i + 3);
        pg.param[3].arr[x][y] = -i * 1.5;
        pg.param[4].arr[x][y] = 1e30 * i;
    }
    const std::string p = path("other.stdpg");
    writefile(p, pg);
    EXPECT_EQ(item_of(p, "nparams"), "6");
    EXPECT_EQ(item_of(p, "precsizeinbytes"), "24");
    EXPECT_EQ(item_of(p, "p3.entity"), "JitterTo01,min");
    EXPECT_EQ(item_of(p, "p4.entity"), "ShimmerTo01,max");
    EXPECT_EQ(item_of(p, "p4.view"), "-0.001,1000000,dB");
    EXPECT_EQ(item_of(p, "p5.entity"), "Plain,");
    const tread t = readfile(p);
    EXPECT_TRUE(t.result.complete()) << t.result.layouterror << t.result.recorderror;
    expect_layers_equal(pg, t.pg);
    ASSERT_EQ(t.params.size(), default_stdpgparams().size() + 3);
    const auto& added = t.params;
    const std::size_t n = default_stdpgparams().size();
    EXPECT_EQ(added[n].name, "JitterTo01");
    EXPECT_EQ(added[n + 1].name, "ShimmerTo01");
    EXPECT_EQ(added[n + 2].name, "Plain");
    for (std::size_t i = n; i < added.size(); ++i) EXPECT_EQ(added[i].displaymapping, 0);
    // The time layer's name is not added, whatever it is.
    for (const auto& s : added) EXPECT_NE(s.name, "AccTimeTotal");
}

TEST_F(StdpgTest, AverageAndLastAreReadAndWrittenBackInTheirShortNames) {
    const std::string p = path("alias.stdpg");
    writefile(p, recording_pg());
    edit_item(p, "p3.entity", "H1H2To01,average");
    edit_item(p, "p4.entity", "HNRTo01,LAST");
    tread t = readfile(p);
    ASSERT_TRUE(t.result.complete()) << t.result.layouterror;
    EXPECT_EQ(t.pg.param[2].entitytype, entityavg);
    EXPECT_EQ(t.pg.param[3].entitytype, entitybins);
    const std::string back = path("back.stdpg");
    writefile(back, t.pg);
    EXPECT_EQ(item_of(back, "p3.entity"), "H1H2To01,avg");
    EXPECT_EQ(item_of(back, "p4.entity"), "HNRTo01,bins");
}

TEST_F(StdpgTest, EmptyPhonetogramHasAHeaderAndNoRecords) {
    tpg pg = make_empty_pg();
    copy_pgparam_descriptions(default_recording_pgparams(), pg.param);
    pg.param[2].arr[3][4] = 5; // no time: not a record
    const std::string p = path("empty.stdpg");
    writefile(p, pg);
    TSMPfile f;
    ASSERT_TRUE(f.open_file(p, true));
    EXPECT_EQ(f.nSamples(), 0);
    EXPECT_EQ(std::int64_t(fs::file_size(p)), f.HeadSize());
    f.close_file();
    const tread t = readfile(p);
    EXPECT_TRUE(t.result.complete());
    EXPECT_EQ(t.result.layouterror, "");
    EXPECT_EQ(cellcount(t.pg), 0u);
    for (const auto& layer : t.pg.param)
        for (double v : layer.arr.cells) ASSERT_EQ(v, 0.0);
}

TEST_F(StdpgTest, ReadingReplacesWhatTheSlotHeld) {
    const std::string p = path("small.stdpg");
    writebytes(p, header(minimal_items()) + floats({5, 6, 0.25f}));
    TSMPfile f;
    ASSERT_TRUE(open_stdpg_file(f, p));
    tpg pg = recording_pg(); // eight layers with cells
    pg.visible = false;
    tstdpgparamarr params = default_stdpgparams();
    const tstdpgreadresult r = read_stdpg(f, p, pg, params);
    EXPECT_TRUE(r.complete());
    ASSERT_EQ(pg.param.size(), 2u);
    EXPECT_EQ(cellcount(pg), 1u);
    EXPECT_EQ(pg.param[1].arr[5][6], 0.25);
    EXPECT_TRUE(pg.visible);
    EXPECT_EQ(pg.recordedtime, 0);
}

TEST_F(StdpgTest, AnUnnamedColumnOfAnEarlierFileIsNoLayer) {
    // Earlier versions wrote an unnamed spare layer: p8.entity=,avg.
    tpg pg = recording_pg();
    pg.param[pglayerspare].name = pg.param[pglayerspare].entitystr = "Spare";
    pg.param[pglayerspare].arr[43][60] = 99;
    const std::string p = path("earlier.stdpg");
    writefile(p, pg);
    edit_item(p, "p8.entity", ",avg");
    const tread t = readfile(p);
    EXPECT_TRUE(t.result.complete()) << t.result.layouterror << t.result.recorderror;
    EXPECT_EQ(t.pg.param.size(), nrecordinglayers - 1);
    expect_layers_equal(recording_pg(), t.pg);
}

// ---------------------------------------------------------------------------------------
// Layout checks

struct tcheckcase {
    const char* line; // the changed item, "key=value"; "key=" deletes it
    const char* message;
};

class StdpgLayoutCheck : public StdpgTest, public ::testing::WithParamInterface<tcheckcase> {};

TEST_P(StdpgLayoutCheck, RefusesWithTheMessageAndTheItemsValue) {
    const tcheckcase c = GetParam();
    const std::string line = c.line;
    const std::string key = line.substr(0, line.find('='));
    const std::string value = line.substr(line.find('=') + 1);
    auto items =
        value.empty() ? without_item(minimal_items(), key) : with_item(minimal_items(), line);
    const std::string p = path("check.stdpg");
    writebytes(p, header(items) + floats({5, 6, 0.25f}));
    const tread t = readfile(p);
    ASSERT_TRUE(t.opened);
    EXPECT_EQ(t.result.layouterror, std::string(c.message) + value);
    EXPECT_FALSE(t.result.complete());
    // The slot keeps its descriptive data and empty grids.
    EXPECT_EQ(t.pg.pgname, "check.stdpg");
    EXPECT_TRUE(t.pg.visible);
    ASSERT_GE(t.pg.param.size(), 2u);
    EXPECT_EQ(cellcount(t.pg), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    EveryCheck, StdpgLayoutCheck,
    ::testing::Values(tcheckcase{"file=samp", "This is not a stdpg phonetogram: "},
                      tcheckcase{"file=", "This is not a stdpg phonetogram: "},
                      tcheckcase{"fileversion=2", "File has the wrong version: "},
                      tcheckcase{"fileversion=1.0", "File has the wrong version: "},
                      tcheckcase{"nparams=2", "Too few parameters: "},
                      tcheckcase{"nparams=", "Too few parameters: "},
                      tcheckcase{"nparams=three", "Too few parameters: "},
                      tcheckcase{"nparams=-5", "Too few parameters: "},
                      tcheckcase{"p0.entity=Pitch,bins", "Parameter 0 is not F0: "},
                      tcheckcase{"p0.entity=F0To01,avg", "Parameter 0 is not bins: "},
                      tcheckcase{"p0.class=int16,0,4", "Parameter 0 is not IEEEfloat32: "},
                      tcheckcase{"p0.class=IEEEfloat32,2,4", "Parameter 0 is not at offset 0: "},
                      tcheckcase{"p0.class=IEEEfloat32,0,2", "Parameter 0 is not of size 4: "},
                      tcheckcase{"p0.bins=-0.5,0.5,96", "Parameter 0 bin size not 1: "},
                      tcheckcase{"p0.bins=", "Parameter 0 bin size not 1: "},
                      tcheckcase{"p0.view=0,95,Hz", "Parameter 0 bin unit not STM: "},
                      tcheckcase{"p1.entity=Level,bins", "Parameter 1 is not SPL: "},
                      tcheckcase{"p1.entity=SPLTo01,sum", "Parameter 1 is not bins: "},
                      tcheckcase{"p1.class=IEEEfloat64,4,4", "Parameter 1 is not IEEEfloat32: "},
                      tcheckcase{"p1.class=IEEEfloat32,0,4", "Parameter 1 is not at offset 4: "},
                      tcheckcase{"p1.class=IEEEfloat32,4,8", "Parameter 1 is not of size 4: "},
                      tcheckcase{"p1.bins=39.5,1.001,80", "Parameter 1 bin size not 1: "},
                      tcheckcase{"p1.view=40,120,Pa", "Parameter 1 bin unit not dB: "},
                      tcheckcase{"p2.entity=Time,sum", "Parameter 2 is not AccTime: "},
                      tcheckcase{"p2.entity=AccTime,avg", "Parameter 1 is not sum: "},
                      tcheckcase{"p2.class=float,8,4", "Parameter 2 is not IEEEfloat32: "},
                      tcheckcase{"p2.class=IEEEfloat32,12,4", "Parameter 2 is not at offset 8: "},
                      tcheckcase{"p2.class=IEEEfloat32,8,2", "Parameter 2 is not of size 4: "},
                      tcheckcase{"p2.view=-0.1,1,ms", "Parameter 2 unit not s: "},
                      tcheckcase{"p2.view=", "Parameter 2 unit not s: "}));

TEST_F(StdpgTest, ChecksIgnoreCaseAndAcceptNearBinSizes) {
    auto items = minimal_items();
    items = with_item(items, "file=PhonetoGram");
    items = with_item(items, "p0.entity=f0Hz,BINS");
    items = with_item(items, "p0.class=ieeeFloat32,0,4");
    items = with_item(items, "p0.bins=0,1.00009,1");
    items = with_item(items, "p0.view=,,stm");
    items = with_item(items, "p1.entity=Splx,Bins");
    items = with_item(items, "p1.view=0,1,dBA");
    items = with_item(items, "p2.entity=ACCTIME2,SUM");
    items = with_item(items, "p2.view=a,b,S");
    const std::string p = path("case.stdpg");
    writebytes(p, header(items) + floats({5, 6, 0.25f}));
    const tread t = readfile(p);
    EXPECT_TRUE(t.result.complete()) << t.result.layouterror;
    EXPECT_EQ(t.pg.param[1].arr[5][6], 0.25);
    EXPECT_EQ(t.pg.param[1].name, "ACCTIME2");
    EXPECT_EQ(t.pg.param[1].entitytype, entitysum);
    // A range that is not a number keeps the defaults.
    EXPECT_EQ(t.pg.param[1].min, 0);
    EXPECT_EQ(t.pg.param[1].max, 1);
    EXPECT_EQ(t.pg.param[1].axisunit, "S");
}

TEST_F(StdpgTest, TheLastFailingCheckGivesTheMessage) {
    auto items = with_item(minimal_items(), "file=samp");
    items = with_item(items, "fileversion=2");
    items = with_item(items, "p2.view=0,1,min");
    const std::string p = path("many.stdpg");
    writebytes(p, header(items));
    EXPECT_EQ(readfile(p).result.layouterror, "Parameter 2 unit not s: 0,1,min");
}

TEST_F(StdpgTest, SavedFileWithAnotherTimeUnitIsRefused) {
    tpg pg = recording_pg();
    pg.param[1].axisunit = "ms";
    const std::string p = path("ms.stdpg");
    writefile(p, pg);
    const tread t = readfile(p);
    EXPECT_EQ(t.result.layouterror, "Parameter 2 unit not s: -0.1,1,ms");
    EXPECT_EQ(cellcount(t.pg), 0u);
    // The descriptions are still set from the file.
    ASSERT_EQ(t.pg.param.size(), nrecordinglayers - 1); // the spare is not stored
    EXPECT_EQ(t.pg.param[1].axisunit, "ms");
    EXPECT_EQ(t.pg.param[4].name, "CentroidTo01");
    // A time layer named in another case passes.
    pg = recording_pg();
    pg.param[1].entitystr = "ACCTIME";
    writefile(p, pg);
    EXPECT_TRUE(readfile(p).result.complete());
}

TEST_F(StdpgTest, FileVersionTwoIsRefused) {
    const std::string p = path("v2.stdpg");
    writefile(p, recording_pg());
    edit_item(p, "fileversion", "2");
    EXPECT_EQ(readfile(p).result.layouterror, "File has the wrong version: 2");
    edit_item(p, "fileversion", "1");
    edit_item(p, "file", "PHONETOGRAM");
    EXPECT_TRUE(readfile(p).result.complete());
}

// ---------------------------------------------------------------------------------------
// Record layout

TEST_F(StdpgTest, ColumnsFromTheFourthOnSitWhereTheirClassesSay) {
    // Five columns, the last two swapped in the record.
    auto items = with_item(minimal_items(), "nparams=5");
    items = with_item(items, "precsizeinbytes=20");
    items.push_back("p3.entity=A,avg");
    items.push_back("p3.class=IEEEfloat32,16,4");
    items.push_back("p3.view=0,1,");
    items.push_back("p4.entity=B,avg");
    items.push_back("p4.class=IEEEfloat32,12,4");
    items.push_back("p4.view=0,1,");
    const std::string p = path("swap.stdpg");
    writebytes(p, header(items) + floats({5, 6, 0.25f, 222, 111}) + floats({7, 8, 0.5f, 444, 333}));
    const tread t = readfile(p);
    ASSERT_TRUE(t.result.complete()) << t.result.layouterror << t.result.recorderror;
    EXPECT_EQ(t.pg.param[2].name, "A");
    EXPECT_EQ(t.pg.param[2].arr[5][6], 111);
    EXPECT_EQ(t.pg.param[3].arr[5][6], 222);
    EXPECT_EQ(t.pg.param[2].arr[7][8], 333);
    EXPECT_EQ(t.pg.param[3].arr[7][8], 444);
}

TEST_F(StdpgTest, BinColumnsAreRoundedToTheNearestBin) {
    const std::string p = path("round.stdpg");
    writebytes(p, header(minimal_items()) + floats({4.6f, 6.4f, 1}) + floats({2.5f, 3.5f, 2}));
    const tread t = readfile(p);
    ASSERT_TRUE(t.result.complete());
    EXPECT_EQ(t.pg.param[1].arr[5][6], 1);
    EXPECT_EQ(t.pg.param[1].arr[2][4], 2); // halves to even
}

TEST_F(StdpgTest, RecordSizeFallsBackToTheLastClassThenToFourBytesAColumn) {
    const std::string p = path("fallback.stdpg");
    writefile(p, recording_pg());
    edit_item(p, "precsizeinbytes", "");
    tread t = readfile(p);
    EXPECT_TRUE(t.result.complete()) << t.result.layouterror << t.result.recorderror;
    expect_layers_equal(recording_pg(), t.pg);
    edit_item(p, "precsizeinbytes", "thirty-six");
    EXPECT_TRUE(readfile(p).result.complete());
    edit_item(p, "p7.class", "");
    EXPECT_TRUE(readfile(p).result.complete());

    // A record longer than its columns: the last class ends at 16, the record is 16 bytes.
    auto items = without_item(minimal_items(), "precsizeinbytes");
    items = with_item(items, "nparams=4");
    items.push_back("p3.entity=X,avg");
    items.push_back("p3.class=IEEEfloat32,12,4");
    const std::string q = path("four.stdpg");
    writebytes(q, header(items) + floats({1, 2, 3, 4}) + floats({5, 6, 7, 8}));
    t = readfile(q);
    ASSERT_TRUE(t.result.complete()) << t.result.layouterror << t.result.recorderror;
    EXPECT_EQ(t.pg.param[2].arr[5][6], 8);
}

TEST_F(StdpgTest, HeaderItemsAboutChannelsAndByteOrderDoNotChangeTheRecords) {
    const std::string p = path("foreign.stdpg");
    writefile(p, recording_pg());
    edit_item(p, "nchans", "3");
    edit_item(p, "MSB", "first");
    edit_item(p, "scan", "2,1,0");
    const tread t = readfile(p);
    ASSERT_TRUE(t.result.complete()) << t.result.layouterror << t.result.recorderror;
    expect_layers_equal(recording_pg(), t.pg);
    // An interleave that no SMP file may have is a refusal of the container, naming the file.
    const std::string q = path("badscan.stdpg");
    writebytes(q, header(with_item(with_item(minimal_items(), "nchans=2"), "scan=0,1,1")) +
                      floats({5, 6, 0.25f}));
    try {
        const tread u = readfile(q);
        EXPECT_TRUE(u.result.complete()) << u.result.layouterror << u.result.recorderror;
    } catch (const EGravonError& e) {
        EXPECT_NE(std::string(e.what()).find(q), std::string::npos);
    }
}

// ---------------------------------------------------------------------------------------
// Damaged and hostile files

TEST_F(StdpgTest, MissingOrBrokenContainersAreNotOpened) {
    TSMPfile f;
    EXPECT_FALSE(open_stdpg_file(f, path("none.stdpg")));
    EXPECT_FALSE(open_stdpg_file(f, dir.string()));
    writebytes(path("zero.stdpg"), "");
    EXPECT_FALSE(open_stdpg_file(f, path("zero.stdpg")));
    // No end of the items within the header region.
    writebytes(path("noend.stdpg"), std::string(40000, 'x'));
    try {
        open_stdpg_file(f, path("noend.stdpg"));
        FAIL() << "no error";
    } catch (const EGravonError& e) {
        EXPECT_NE(std::string(e.what()).find("noend.stdpg"), std::string::npos) << e.what();
    }
    // A header cut short before the records start.
    const std::string h = header(minimal_items());
    writebytes(path("short.stdpg"), h.substr(0, 600));
    EXPECT_THROW(open_stdpg_file(f, path("short.stdpg")), EGravonError);
}

TEST_F(StdpgTest, CountsAndSizesThatWouldOverrunAreRefused) {
    struct tcase {
        std::vector<std::string> lines;
        std::string message;
    };
    const std::vector<tcase> cases = {
        {{"nparams=1000000000"}, "Too many parameters: 1000000000"},
        {{"nparams=99999999999999999999999"}, "Too few parameters: 99999999999999999999999"},
        {{"nparams=257"}, "Too many parameters: 257"},
        {{"precsizeinbytes=100000"}, "Invalid record size: 100000"},
        {{"precsizeinbytes=13"}, "Invalid record size: 13"},
        {{"precsizeinbytes=8"}, "Invalid record size: 8"},
        {{"nparams=4", "p3.class=IEEEfloat32,99999,4"},
         "Parameter 3 is not within the record: IEEEfloat32,99999,4"},
        {{"nparams=4", "p3.class=IEEEfloat32,10,4"},
         "Parameter 3 is not within the record: IEEEfloat32,10,4"},
        {{"nparams=4", "p3.class=IEEEfloat32,-4,4", "precsizeinbytes=16"},
         "Parameter 3 is not within the record: IEEEfloat32,-4,4"},
        {{"nparams=4", "p3.class=int16,8,2", "precsizeinbytes=16"},
         "Parameter 3 is not of size 4: int16,8,2"},
        {{"nparams=4", "p3.class=int32,8,4", "precsizeinbytes=16"},
         "Parameter 3 is not IEEEfloat32: int32,8,4"},
        {{"nparams=4"}, "Parameter 3 is not within the record: "},
    };
    for (const tcase& c : cases) {
        auto items = minimal_items();
        for (const auto& l : c.lines) items = with_item(items, l);
        const std::string p = path("overrun.stdpg");
        writebytes(p, header(items) + floats({5, 6, 0.25f, 1}));
        const tread t = readfile(p);
        EXPECT_EQ(t.result.layouterror, c.message);
        EXPECT_EQ(cellcount(t.pg), 0u);
        EXPECT_LE(t.pg.param.size(), std::size_t(maxstdpgcolumns));
        EXPECT_GE(t.pg.param.size(), 2u);
    }
    // A refused count leaves the two layers every phonetogram has, not what it asked for.
    const std::string p = path("huge.stdpg");
    writebytes(p, header(with_item(minimal_items(), "nparams=1000000000")));
    EXPECT_EQ(readfile(p).pg.param.size(), 2u);
}

TEST_F(StdpgTest, CellsOutsideTheGridEndTheReading) {
    const std::string p = path("outside.stdpg");
    for (const auto& bad : {floats({128, 6, 9}), floats({5, 140, 9}), floats({-1, 6, 9}),
                            floats({NAN, 6, 9}), floats({5, INFINITY, 9}), floats({3e9f, 6, 9})}) {
        writebytes(p, header(minimal_items()) + floats({5, 6, 0.25f}) + bad + floats({7, 8, 1}));
        const tread t = readfile(p);
        EXPECT_EQ(t.result.layouterror, "");
        EXPECT_NE(t.result.recorderror.find(p), std::string::npos) << t.result.recorderror;
        EXPECT_NE(t.result.recorderror.find("outside the grid in record 2"), std::string::npos)
            << t.result.recorderror;
        EXPECT_FALSE(t.result.complete());
        EXPECT_EQ(t.pg.param[1].arr[5][6], 0.25); // read before stays
        EXPECT_EQ(t.pg.param[1].arr[7][8], 0.0);  // after is not read
    }
    writebytes(p, header(minimal_items()) + floats({127.5f, 6, 9}));
    EXPECT_EQ(readfile(p).result.recorderror,
              "The phonetogram file " + p + " has a cell outside the grid in record 1: F0 bin " +
                  floattostr(127.5) + ", level bin 6");
}

TEST_F(StdpgTest, TruncatedRecordsEndTheReadingWithAMessage) {
    const std::string p = path("cut.stdpg");
    writefile(p, recording_pg());
    const std::string bytes = readbytes(p);
    writebytes(p, bytes.substr(0, bytes.size() - 10));
    const tread t = readfile(p);
    EXPECT_EQ(t.result.layouterror, "");
    EXPECT_EQ(t.result.recorderror, "The phonetogram file " + p + " ends inside record 5");
    EXPECT_EQ(cellcount(t.pg), 4u);
    EXPECT_EQ(t.pg.param[1].arr[43][60], 0.5);
    // An odd last byte is less than a sample: the records before are whole.
    writebytes(p, bytes + "x");
    EXPECT_TRUE(readfile(p).result.complete());
}

TEST_F(StdpgTest, MoreRecordsThanCellsEndTheReading) {
    std::string records;
    for (int i = 0; i < nf0bins * nlevelbins + 1; ++i) records += floats({1, 2, float(i + 1)});
    const std::string p = path("long.stdpg");
    writebytes(p, header(minimal_items()) + records);
    const tread t = readfile(p);
    EXPECT_EQ(t.result.recorderror,
              "The phonetogram file " + p + " holds more records than the grid has cells");
    EXPECT_EQ(t.pg.param[1].arr[1][2], float(nf0bins * nlevelbins));
}

TEST_F(StdpgTest, DistancesThatAreNotNumbersRaiseNamingTheFile) {
    const std::string p = path("dist.stdpg");
    writefile(p, recording_pg());
    edit_item(p, "actmicdist", "far");
    TSMPfile f;
    ASSERT_TRUE(open_stdpg_file(f, p));
    tpg pg = make_empty_pg();
    tstdpgparamarr params = default_stdpgparams();
    try {
        read_stdpg(f, p, pg, params);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        const std::string m = e.what();
        EXPECT_NE(m.find("'far' is not a valid floating point value"), std::string::npos) << m;
        EXPECT_NE(m.find(p), std::string::npos) << m;
    }
    // What was set before stays.
    EXPECT_EQ(pg.pgname, "dist.stdpg");
    EXPECT_EQ(pg.datestr, "2024-03-05 10:11.12");
    EXPECT_EQ(pg.distance, 0.3);
}

TEST_F(StdpgTest, UnreadableRecordedTimeReadsAsZero) {
    const std::string p = path("time.stdpg");
    writefile(p, recording_pg(), 3723);
    EXPECT_EQ(readfile(p).pg.recordedtime, 3723);
    // The seconds unreadable, the clock text stands in; both unreadable, nothing does.
    edit_item(p, "recordedseconds", "an hour");
    EXPECT_EQ(readfile(p).pg.recordedtime, 3723);
    edit_item(p, "recordedtime", "half an hour");
    EXPECT_EQ(readfile(p).pg.recordedtime, 0);
}

TEST_F(StdpgTest, MangledFilesNeverCrashTheReader) {
    const std::string good = path("good.stdpg");
    writefile(good, recording_pg());
    const std::string bytes = readbytes(good);
    std::mt19937 rng(12345);
    const std::string p = path("mangled.stdpg");
    // The size comes from the array: the text holds a zero byte, and a count written out by
    // hand once read past its end.
    constexpr char alphabet[] = "0123456789,.-=\r\n\0\x1a pPeEsSiI";
    constexpr std::size_t nalphabet = sizeof alphabet - 1;
    for (int round = 0; round < 300; ++round) {
        std::string b = bytes;
        const int changes = 1 + int(rng() % 8);
        for (int c = 0; c < changes; ++c) {
            const std::size_t at = rng() % b.size();
            b[at] = (rng() % 2) ? char(rng() % 256) : alphabet[rng() % nalphabet];
        }
        if (rng() % 4 == 0) b.resize(rng() % b.size());
        writebytes(p, b);
        try {
            const tread t = readfile(p);
            if (t.opened) {
                EXPECT_GE(t.pg.param.size(), 2u);
                EXPECT_LE(t.pg.param.size(), std::size_t(maxstdpgcolumns - 1));
            }
        } catch (const EGravonError&) {
            // A clear refusal is fine.
        }
    }
}

// ---------------------------------------------------------------------------------------
// The main window's actions

class trecordingui : public gravon::testing::tmessageboxinterface {
  public:
    struct tmessage {
        std::string caption, text;
        tmessagekind kind;
    };
    std::vector<tmessage> messages;
    std::string savename;
    int savedialogs = 0;
    std::string lastcaption, lastfilter, lastext;
    std::vector<std::int32_t> selected;
    tanswer answer = tanswer::no;

    void message_box(const std::string& caption, const std::string& text,
                     tmessagekind kind) override {
        messages.push_back({caption, text, kind});
    }
    tanswer question(const std::string&, const std::string&, tbuttons) override { return answer; }
    std::string save_file_name(const std::string& caption, const std::string& filter,
                               const std::string& defaultext) override {
        ++savedialogs;
        lastcaption = caption;
        lastfilter = filter;
        lastext = defaultext;
        return savename;
    }
    void select_phonetogram(std::int32_t pgno) override { selected.push_back(pgno); }
};

class StdpgActions : public StdpgTest {
  protected:
    void SetUp() override {
        StdpgTest::SetUp();
        form.FormActivate({});
        ui.messages.clear();
        // Left and right hold different cells, so that the files tell them apart.
        form.pgs[0].param[1].arr[40][70] = 0.5;
        form.pgs[0].param[2].arr[40][70] = -2;
        form.pgs[1].param[1].arr[60][90] = 0.25;
        form.pgs[1].param[2].arr[60][90] = 3;
        form.audioarrpos = 44099;
    }
    trecordingui ui;
    TForm1 form{ui};
};

TEST_F(StdpgActions, RecordingPhonetogramsCarryTheirDescriptions) {
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(form.pgs[std::size_t(c)].param[1].name, "AccTime");
        EXPECT_EQ(form.pgs[std::size_t(c)].param[1].axisunit, "s");
        EXPECT_EQ(form.pgs[std::size_t(c)].param[4].name, "CentroidTo01");
    }
}

TEST_F(StdpgActions, SaveAsWritesTheChannelsOfTheSetting) {
    ui.savename = path("voice.stdpg");
    form.advanced.savestdpgchannos = 2;
    ASSERT_TRUE(form.save_stdpg_action("", 0));
    EXPECT_EQ(ui.savedialogs, 1);
    EXPECT_EQ(ui.lastcaption, "Save phonetogram as");
    EXPECT_EQ(ui.lastfilter, "Standard phonetogram (*.stdpg)|*.stdpg|All files (*.*)|*.*");
    EXPECT_EQ(ui.lastext, ".stdpg");
    EXPECT_FALSE(fs::exists(path("voice.stdpg")));
    const tread left = readfile(path("voiceL.stdpg"));
    const tread right = readfile(path("voiceR.stdpg"));
    ASSERT_TRUE(left.result.complete());
    ASSERT_TRUE(right.result.complete());
    EXPECT_EQ(left.pg.param[1].arr[40][70], 0.5);
    EXPECT_EQ(cellcount(left.pg), 1u);
    EXPECT_EQ(right.pg.param[2].arr[60][90], 3);
    EXPECT_EQ(cellcount(right.pg), 1u);
    EXPECT_EQ(right.pg.recordedtime, 1.0);
    EXPECT_EQ(item_of(path("voiceL.stdpg"), "proc0"), "Gravon 0.0.0.22");
    EXPECT_EQ(item_of(path("voiceL.stdpg"), "weighting"), "HP@40Hz");
    EXPECT_EQ(form.stdpgsavearrpos, 44099);
    EXPECT_FALSE(form.stdpgmodified());
    EXPECT_EQ(form.stdpgfilename, path("voiceR.stdpg"));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(StdpgActions, SaveAsWritesLeftOrRightAlone) {
    ui.savename = path("one.stdpg");
    form.advanced.savestdpgchannos = 1;
    ASSERT_TRUE(form.save_stdpg_action("", 0));
    EXPECT_EQ(readfile(path("one.stdpg")).pg.param[1].arr[60][90], 0.25);
    form.advanced.savestdpgchannos = 0;
    ASSERT_TRUE(form.save_stdpg_action("", 0));
    EXPECT_EQ(readfile(path("one.stdpg")).pg.param[1].arr[40][70], 0.5);
    EXPECT_FALSE(fs::exists(path("oneL.stdpg")));
    // A value no dialog offers saves the left channel.
    form.advanced.savestdpgchannos = 7;
    fs::remove(path("one.stdpg"));
    ASSERT_TRUE(form.save_stdpg_action("", 0));
    EXPECT_EQ(readfile(path("one.stdpg")).pg.param[1].arr[40][70], 0.5);
}

TEST_F(StdpgActions, CancelledOrFailedSavesLeaveThePhonetogramUnsaved) {
    ui.savename = "";
    EXPECT_FALSE(form.save_stdpg_action("", 0));
    EXPECT_TRUE(form.stdpgmodified());
    EXPECT_TRUE(ui.messages.empty());

    ui.savename = path("no/such/dir/x.stdpg");
    EXPECT_FALSE(form.save_stdpg_action("", 0));
    EXPECT_TRUE(form.stdpgmodified());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Cannot save file");
    EXPECT_EQ(ui.messages[0].text.rfind("Cannot write " + ui.savename + ": ", 0), 0u)
        << ui.messages[0].text;

    // With both channels, one failure is enough to keep it unsaved.
    fs::create_directories(path("voiceR.stdpg"));
    ui.savename = path("voice.stdpg");
    form.advanced.savestdpgchannos = 2;
    EXPECT_FALSE(form.save_stdpg_action("", 0));
    EXPECT_TRUE(fs::exists(path("voiceL.stdpg")));
    EXPECT_TRUE(form.stdpgmodified());
}

TEST_F(StdpgActions, NamedSaveWritesThatPhonetogramWithoutADialog) {
    form.advanced.savestdpgchannos = 2;
    ASSERT_TRUE(form.save_stdpg_action(path("batch_pg.stdpg"), 0));
    EXPECT_EQ(ui.savedialogs, 0);
    EXPECT_FALSE(fs::exists(path("batch_pgL.stdpg")));
    EXPECT_EQ(readfile(path("batch_pg.stdpg")).pg.param[1].arr[40][70], 0.5);
    EXPECT_FALSE(form.stdpgmodified());
}

TEST_F(StdpgActions, AskToSaveRunsTheSaveAction) {
    ui.answer = tanswer::yes;
    ui.savename = path("asked.stdpg");
    form.soundsavearrpos = form.audioarrpos; // only the phonetogram is unsaved
    EXPECT_TRUE(form.ask_to_save());
    EXPECT_TRUE(fs::exists(path("asked.stdpg")));
    EXPECT_FALSE(form.stdpgmodified());
}

TEST_F(StdpgActions, OpenAppendsANewPhonetogram) {
    const std::string p = path("loaded.stdpg");
    writefile(p, recording_pg());
    // The take's levels at the file's distance: laying one over the other needs no note.
    form.pgs[0].distance = recording_pg().distance;
    ASSERT_TRUE(form.open_stdpg(p, form.nchans()));
    ASSERT_EQ(form.nchans(), 3);
    ASSERT_EQ(form.pgs.size(), 3u);
    EXPECT_EQ(form.masks.binshow.size(), 3u);
    const tpg& pg = form.pgs[2];
    EXPECT_EQ(pg.pgname, "loaded.stdpg");
    EXPECT_EQ(pg.colorindex, 2); // neither the recording's Blue nor Red
    expect_layers_equal(recording_pg(), pg);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.selected, std::vector<std::int32_t>{2});
    EXPECT_EQ(form.stdpgfilename, p);
    // The recording is untouched.
    EXPECT_EQ(form.pgs[0].param[1].arr[40][70], 0.5);

    // The same through the opening by extension.
    form.open_any_file(p);
    EXPECT_EQ(form.nchans(), 4);
    EXPECT_EQ(form.pgs[3].colorindex, 3);
}

TEST_F(StdpgActions, OpenRefusalsAreShownAndTheSlotStaysEmpty) {
    const std::string p = path("bad.stdpg");
    writefile(p, recording_pg());
    edit_item(p, "fileversion", "2");
    EXPECT_FALSE(form.open_stdpg(p, form.nchans()));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Cannot open file");
    EXPECT_EQ(ui.messages[0].text, "File has the wrong version: 2");
    EXPECT_EQ(ui.messages[0].kind, tmessagekind::warning);
    ASSERT_EQ(form.nchans(), 3);
    EXPECT_EQ(form.pgs[2].pgname, "bad.stdpg");
    EXPECT_TRUE(form.pgs[2].visible);
    EXPECT_EQ(cellcount(form.pgs[2]), 0u);
    EXPECT_EQ(ui.selected, std::vector<std::int32_t>{2});
}

TEST_F(StdpgActions, OpenOfAMissingOrBrokenFileAddsNothing) {
    const std::string missing = path("missing.stdpg");
    EXPECT_FALSE(form.open_stdpg(missing, form.nchans()));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Cannot open file");
    EXPECT_EQ(ui.messages[0].text, "Cannot open file " + missing);
    EXPECT_EQ(form.nchans(), 2);

    const std::string broken = path("broken.stdpg");
    writebytes(broken, std::string(40000, 'x'));
    EXPECT_FALSE(form.open_stdpg(broken, form.nchans()));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_NE(ui.messages[1].text.find("broken.stdpg"), std::string::npos);
    EXPECT_EQ(form.nchans(), 2);
}

TEST_F(StdpgActions, OpenReportsRecordErrorsAndKeepsTheCellsRead) {
    const std::string p = path("outside.stdpg");
    writebytes(p, header(minimal_items()) + floats({5, 6, 0.25f}) + floats({500, 6, 1}));
    EXPECT_FALSE(form.open_stdpg(p, form.nchans()));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Cannot open file");
    EXPECT_NE(ui.messages[0].text.find("outside the grid"), std::string::npos);
    EXPECT_EQ(form.pgs[2].param[1].arr[5][6], 0.25);
}

TEST_F(StdpgActions, OpenAddsNewParameterNamesToTheMapping) {
    tpg pg = recording_pg();
    pg.param.resize(9);
    pg.param[7].name = pg.param[7].entitystr = "StDevHi01";
    pg.param[8].name = pg.param[8].entitystr = "NewMeasure";
    const std::string p = path("new.stdpg");
    writefile(p, pg);
    const std::size_t before = form.advanced.stdpgparams.size();
    ASSERT_TRUE(form.open_stdpg(p, form.nchans()));
    ASSERT_EQ(form.advanced.stdpgparams.size(), before + 1);
    EXPECT_EQ(form.advanced.stdpgparams.back().name, "NewMeasure");
    EXPECT_EQ(form.advanced.stdpgparams.back().displaymapping, 0);
    // Once known, a name is not added again.
    ASSERT_TRUE(form.open_stdpg(p, form.nchans()));
    EXPECT_EQ(form.advanced.stdpgparams.size(), before + 1);
}

TEST_F(StdpgActions, OpenWithAnUnreadableDistanceRaises) {
    const std::string p = path("dist.stdpg");
    writefile(p, recording_pg());
    edit_item(p, "micdist", "near");
    EXPECT_THROW(form.open_stdpg(p, form.nchans()), EConvertError);
    ASSERT_EQ(form.nchans(), 3);
    EXPECT_EQ(form.pgs[2].pgname, "dist.stdpg");
    // The container is closed again: the file can be replaced at once.
    EXPECT_TRUE(fs::remove(p));
}

} // namespace

TEST_F(StdpgTest, VoiceQualityLayersRoundTripAndAFileWithoutThemOpensAsBefore) {
    // Every named layer of every stored cell comes back under its name, a cell without a CPPS
    // (NaN) too; the recording's unnamed spare layer is no layer of the file. A file of the
    // layers from before opens with exactly those, its names all known already.
    tpg with = recording_pg();
    with.param[pglayercpps].arr[43][60] = 12.25;
    with.param[pglayercpps].arr[44][60] = NAN;
    with.param[pglayercpps].arr[127][139] = -1.5;
    with.param[pglayerspecbal].arr[43][60] = -22.5;
    with.param[pglayerspecbal].arr[44][60] = -31.75;
    tpg before = recording_pg();
    before.param.resize(pglayerspare + 1);
    for (const tpg* pg : {&with, &before}) {
        const std::string p = path(pg == &with ? "with.stdpg" : "before.stdpg");
        writefile(p, *pg);
        const tread t = readfile(p);
        ASSERT_TRUE(t.result.complete()) << p;
        EXPECT_EQ(t.params.size(), default_stdpgparams().size()) << p;
        std::vector<std::string> wantnames, gotnames;
        for (std::size_t k = 1; k < pg->param.size(); ++k)
            if (!pg->param[k].name.empty()) wantnames.push_back(pg->param[k].name);
        for (std::size_t k = 1; k < t.pg.param.size(); ++k) gotnames.push_back(t.pg.param[k].name);
        ASSERT_EQ(gotnames, wantnames) << p;
        for (std::size_t k = 1, g = 1; k < pg->param.size(); ++k) {
            if (pg->param[k].name.empty()) continue;
            const tpgparam& back = t.pg.param[g++];
            EXPECT_EQ(back.axisunit, pg->param[k].axisunit) << p << " " << k;
            for (int x = 0; x < nf0bins; ++x)
                for (int y = 0; y < nlevelbins; ++y) {
                    if (!(pg->param[pglayeracctime].arr[x][y] > 0)) continue;
                    const double want = float(pg->param[k].arr[x][y]);
                    const double got = back.arr[x][y];
                    if (std::isnan(want))
                        EXPECT_TRUE(std::isnan(got)) << k << " " << x << " " << y;
                    else
                        EXPECT_EQ(got, want) << k << " " << x << " " << y;
                }
        }
    }
}
