#include "phonetogram/statistics_text.h"
#include "settings/options.h"
#include "settings/statistics_settings.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace gravon;

namespace {

using tlines = std::vector<std::string>;

class StatisticsText : public ::testing::Test {
  protected:
    void SetUp() override {
        set_nchans(list, 3);
        const char* names[] = {"Left", "Right", "voice.stdpg"};
        for (int i = 0; i < 3; ++i) {
            copy_pgparam_descriptions(default_recording_pgparams(), list.pgs[i].param);
            list.pgs[i].pgname = names[i];
            list.pgs[i].distance = 0.3;
            list.pgs[i].actualdistance = 0.15;
            list.pgs[i].recordedtime = 2.5;
        }
        rows = statistics_rows(options);
        format = statistics_format(advanced);
    }
    void put(int x, int y, double t, int pg = 0) {
        list.pgs[pg].param[pglayeracctime].arr[x][y] = t;
        list.masks.binmarked[pg][x][y] = 1;
    }
    tlines text() {
        fix_area_statistics(list, stats, statistics_settings(options, advanced));
        return statistics_text(list, stats, options.percentile, advanced.displayparams, rows,
                               format);
    }
    tpglist list;
    toptions options;
    tadvancedsettings advanced;
    tstatisticsrows rows;
    tstatisticsformat format;
    tstatisticsarr stats;
};

void expect_blank_rule(const tlines& lines) {
    ASSERT_FALSE(lines.empty());
    EXPECT_FALSE(lines.front().empty());
    for (std::size_t i = 1; i < lines.size(); ++i)
        EXPECT_FALSE(lines[i].empty() && lines[i - 1].empty()) << "two blank lines at " << i;
}

} // namespace

TEST_F(StatisticsText, NothingSelectedGivesTheHint) {
    EXPECT_EQ(text(), (tlines{"Right-click on phonetogram to select", "the area for measurement"}));
    rows.shortversion = true;
    EXPECT_EQ(text(), (tlines{"Right-click on phonetogram to select", "the area for measurement"}));
}

TEST_F(StatisticsText, DefaultsComeFromTheSettings) {
    EXPECT_FALSE(rows.shortversion);
    EXPECT_TRUE(rows.showstatsarea);
    EXPECT_FALSE(rows.showstatsf0asnotes);
    EXPECT_EQ(rows.showf0percentile.size(), 7u);
    EXPECT_EQ(rows.showstatsparam.size(), 10u);
    EXPECT_EQ(format.nsigdig, 4);
    EXPECT_EQ(format.dbformat, "0.0");
    EXPECT_EQ(format.stformat, "0.000");
    EXPECT_EQ(format.secformat, "0.0");
    EXPECT_EQ(format.lokey, 24);
    EXPECT_EQ(format.decimalseparator, '.');
}

TEST_F(StatisticsText, CondensedWithTheDefaultFlags) {
    put(57, 80, 1.0);
    rows.shortversion = true;
    tlines expected = {
        "Name\tLeft\t",
        "Channel\t0\t",
        "Area [STdB]\t1\t",
        "Time taken [s]\t1.0\t",
        "Time recorded [s]\t2.5\t",
        "",
        "Distance [m]\t0.3\t",
        "Leq [dB]\t80.0\t",
        "Min SPL [dB]\t80\t",
        "Max SPL [dB]\t80\t",
        "",
        "fo range [ST]\t0\t",
        "",
        "Avg fo [Hz]\t220\t",
        "Min fo [Hz]\t220\t",
        "Max fo [Hz]\t220\t",
        "fo median [Hz]\t220.1\t",
        "fo mode [Hz]\t220\t",
        "",
    };
    tlines t = text();
    EXPECT_EQ(t, expected);
    expect_blank_rule(t);
}

TEST_F(StatisticsText, FullFormListsEveryRow) {
    put(57, 80, 1.0);
    list.pgs[0].param[pglayerh1h2].arr[57][80] = -3.25;
    list.pgs[0].param[pglayercentroid].arr[57][80] = 1234.56;
    list.pgs[0].param[pglayermaxpartno].arr[57][80] = 2.0;
    tlines expected = {
        "Name\tLeft\t",
        "Channel\t0\t",
        "Area [STdB]\t1\t",
        "Time taken [s]\t1.0\t",
        "Time recorded [s]\t2.5\t",
        "",
        "Act. mic. dist. [m]\t0.15\t",
        "Distance [m]\t0.3\t",
        "Leq [dB]\t80.0\t",
        "Min SPL [dB]\t80\t",
        "Max SPL [dB]\t80\t",
        "",
        "SPL [dB] 5%\t79.6\t", // 79.55, the half away from zero
        "SPL [dB] 10%\t79.6\t",
        "SPL [dB] 25%\t79.8\t",
        "SPL [dB] 50%\t80.0\t",
        "SPL [dB] 75%\t80.3\t",
        "SPL [dB] 90%\t80.4\t",
        "SPL [dB] 95%\t80.5\t",
        "",
        "SPL range [dB]\t0\t",
        "fo range [ST]\t0\t",
        "",
        "Avg fo\tA3 +0 cent\t",
        "Min fo\tA3\t",
        "Max fo\tA3\t",
        "fo median\tA3 +0.72 cent\t",
        "fo mode\tA3\t",
        "",
        "fo 5%\tA3 -45 cent\t",
        "fo 10%\tA3 -40 cent\t",
        "fo 25%\tA3 -24 cent\t",
        "fo 50%\tA3 +0.72 cent\t",
        "fo 75%\tA3 +26 cent\t",
        "fo 90%\tA3 +40 cent\t",
        "fo 95%\tA3 +45 cent\t",
        "",
        "Avg fo [ST re C1]\t33.000\t",
        "Min fo [ST re C1]\t33\t",
        "Max fo [ST re C1]\t33\t",
        "fo median [ST re C1]\t33.007\t",
        "fo mode [ST re C1]\t33\t",
        "",
        "fo 5% [ST re C1]\t32.551\t",
        "fo 10% [ST re C1]\t32.603\t",
        "fo 25% [ST re C1]\t32.755\t",
        "fo 50% [ST re C1]\t33.007\t",
        "fo 75% [ST re C1]\t33.255\t",
        "fo 90% [ST re C1]\t33.403\t",
        "fo 95% [ST re C1]\t33.451\t",
        "",
        "Avg fo [Hz]\t220\t",
        "Min fo [Hz]\t220\t",
        "Max fo [Hz]\t220\t",
        "fo median [Hz]\t220.1\t",
        "fo mode [Hz]\t220\t",
        "",
        "fo [Hz] 5%\t214.4\t",
        "fo [Hz] 10%\t215\t",
        "fo [Hz] 25%\t216.9\t",
        "fo [Hz] 50%\t220.1\t",
        "fo [Hz] 75%\t223.3\t",
        "fo [Hz] 90%\t225.2\t",
        "fo [Hz] 95%\t225.8\t",
        "",
        "Intercept [dB]\t0.0\t",
        "Slope [dB/ST]\t0\t",
        "r\t0\t",
        "",
        "H1/H2 [dB]\t-3.3\t",
        "HNR [dB]\t0.0\t",
        "Centroid [Hz]\t1235\t",
        "Crest factor [dB]\t0.0\t",
        "MaxPartNo []\t2\t",
        "StDev [cent]\t-\t",
        "CPPS [dB]\t0.0\t",
        "Spectrum balance [dB]\t0.0\t",
    };
    tlines t = text();
    EXPECT_EQ(t, expected);
    for (std::size_t i = 0; i < t.size() && i < expected.size(); ++i)
        EXPECT_EQ(t[i], expected[i]) << "line " << i;
    expect_blank_rule(t);
}

TEST_F(StatisticsText, OneColumnPerPhonetogramWithASelection) {
    put(57, 80, 1.0, 0);
    put(69, 90, 2.0, 2);
    rows.shortversion = true;
    tlines t = text();
    ASSERT_GE(t.size(), 4u);
    EXPECT_EQ(t[0], "Name\tLeft\tvoice.stdpg\t");
    EXPECT_EQ(t[1], "Channel\t0\t2\t");
    EXPECT_EQ(t[2], "Area [STdB]\t1\t1\t");
    EXPECT_EQ(t[3], "Time taken [s]\t1.0\t2.0\t");
    for (const std::string& line : t) {
        if (!line.empty()) {
            EXPECT_EQ(line.back(), '\t') << line;
        }
    }
}

TEST_F(StatisticsText, DistancesBelowZeroAreUnknown) {
    put(57, 80, 1.0);
    list.pgs[0].distance = -1;
    list.pgs[0].actualdistance = -0.5;
    tlines t = text();
    EXPECT_EQ(t[6], "Act. mic. dist. [m]\tUnknown\t");
    EXPECT_EQ(t[7], "Distance [m]\tUnknown\t");
    list.pgs[0].distance = 0.0; // zero is a distance
    EXPECT_EQ(text()[7], "Distance [m]\t0\t");
}

TEST_F(StatisticsText, ShownNumbersTakeTheGivenSeparator) {
    put(57, 80, 1.25);
    format.decimalseparator = ',';
    rows.shortversion = true;
    rows.showstatsf0asnotes = true;
    rows.showstatsavgf0 = rows.showstatsminf0 = rows.showstatsmaxf0 = rows.showstatsf0mode = false;
    tlines t = text();
    EXPECT_EQ(t[3], "Time taken [s]\t1,3\t"); // 1.25 rounded half away from zero
    EXPECT_EQ(t[7], "Leq [dB]\t80,0\t");
    tlines tail(t.begin() + 13, t.end());
    EXPECT_EQ(tail, (tlines{"fo median\tA3 +0,72 cent\t", "", "fo median [Hz]\t220,1\t", ""}));
}

TEST_F(StatisticsText, CondensedRowsFollowTheirFlags) {
    put(57, 80, 1.0);
    rows.shortversion = true;
    rows.showstatsarea = rows.showstatstakentime = rows.showstatsrecordedtime = false;
    rows.showstatsdistance = rows.showstatsleq = rows.showstatsminspl = false;
    rows.showstatsmaxspl = rows.showstatsf0range = rows.showstatsf0asfreqs = false;
    rows.showstatsf0assemitones = true;
    rows.showstatsavgf0 = rows.showstatsminf0 = rows.showstatsmaxf0 = rows.showstatsf0mode = false;
    rows.showf0percentile[3] = true;
    rows.showSPLpercentile[6] = true;
    rows.showstatsr = true;
    rows.showstatsparam[6] = true;
    format.lokey = 36;
    tlines expected = {
        "Name\tLeft\t",
        "Channel\t0\t",
        "",
        "SPL [dB] 95%\t80.5\t",
        "",
        "fo median [ST re C2]\t21.007\t",
        "",
        "fo 50% [ST re C2]\t21.007\t",
        "",
        "r\t0\t",
        "",
        "MaxPartNo []\t0\t",
    };
    tlines t = text();
    EXPECT_EQ(t, expected);
    expect_blank_rule(t);
}

TEST_F(StatisticsText, BlankLinesNeverPileUp) {
    put(57, 80, 1.0);
    rows.shortversion = true;
    // Every optional row off: the two fixed rows and one separator remain.
    tstatisticsrows none = rows;
    none.showstatsarea = none.showstatstakentime = none.showstatsrecordedtime = false;
    none.showstatsavgf0 = none.showstatsf0median = none.showstatsf0mode = false;
    none.showstatsminf0 = none.showstatsmaxf0 = none.showstatsf0range = false;
    none.showstatssplrange = none.showstatsleq = none.showstatsminspl = false;
    none.showstatsmaxspl = none.showstatsdistance = false;
    none.showstatsf0asfreqs = false;
    rows = none;
    EXPECT_EQ(text(), (tlines{"Name\tLeft\t", "Channel\t0\t", ""}));
    // Every combination of a handful of group switches keeps the rule.
    for (int mask = 0; mask < 64; ++mask) {
        rows = none;
        rows.showstatsleq = mask & 1;
        rows.showSPLpercentile[0] = mask & 2;
        rows.showstatsf0asnotes = mask & 4;
        rows.showstatsf0assemitones = rows.showstatsf0median = mask & 8;
        rows.showf0percentile[1] = mask & 16;
        rows.showstatsk = rows.showstatsparam[2] = mask & 32;
        expect_blank_rule(text());
    }
}

TEST_F(StatisticsText, SelectionWithoutTime) {
    list.masks.binmarked[0][70][90] = 1; // a glued hole only
    tlines t = text();
    auto find = [&](const std::string& label) {
        for (const std::string& line : t)
            if (line.rfind(label, 0) == 0) return line;
        return std::string("(missing)");
    };
    EXPECT_EQ(find("Time taken [s]\t"), "Time taken [s]\t0.0\t");
    EXPECT_EQ(find("Leq [dB]\t"), "Leq [dB]\t-100.0\t");
    EXPECT_EQ(find("Avg fo\t"), "Avg fo\t-\t");
    EXPECT_EQ(find("Min fo\t"), "Min fo\tBb4\t");
    EXPECT_EQ(find("fo 50%\t"), "fo 50%\t-\t");
    // 0 Hz has no semitone number.
    EXPECT_EQ(find("Avg fo [ST re C1]\t"), "Avg fo [ST re C1]\t-\t");
    EXPECT_EQ(find("fo median [ST re C1]\t"), "fo median [ST re C1]\t-\t");
    EXPECT_EQ(find("Min fo [ST re C1]\t"), "Min fo [ST re C1]\t46\t");
    EXPECT_EQ(find("Avg fo [Hz]\t"), "Avg fo [Hz]\t0\t");
    EXPECT_EQ(find("fo mode [Hz]\t"), "fo mode [Hz]\t8.176\t");
}

TEST_F(StatisticsText, ParameterRowsFollowTheDisplayParameters) {
    put(57, 80, 1.0);
    list.pgs[0].param[pglayercrest].arr[57][80] = 12.34;
    advanced.displayparams[5].axisunit = "s"; // seconds use secformat
    format.secformat = "0.00";
    tlines t = text();
    EXPECT_EQ(t[t.size() - 5], "Crest factor [s]\t12.34\t");
    // A phonetogram lacking a parameter prints "-".
    list.pgs[0].param[pglayercrest].name = "Other";
    t = text();
    EXPECT_EQ(t[t.size() - 5], "Crest factor [s]\t-\t");
    // A cell without a CPPS leaves the area without one.
    list.pgs[0].param[pglayercpps].arr[57][80] = NAN;
    t = text();
    EXPECT_EQ(t[t.size() - 2], "CPPS [dB]\t-\t");
    // Fewer display parameters than flags: only those that exist have rows.
    advanced.displayparams.resize(3);
    t = text();
    EXPECT_EQ(t.back(), "H1/H2 [dB]\t0.0\t");
}

TEST_F(StatisticsText, MissingRecordsAreEmptySelections) {
    put(57, 80, 1.0, 2);
    fix_area_statistics(list, stats, statistics_settings(options, advanced));
    stats.resize(2); // the list is behind the phonetograms
    tlines t =
        statistics_text(list, stats, options.percentile, advanced.displayparams, rows, format);
    EXPECT_EQ(t[0], "Right-click on phonetogram to select");
}

TEST_F(StatisticsText, JoinedWithLineEnds) {
    EXPECT_EQ(join_statistics_text({"a\t", "", "b\t"}), "a\t\r\n\r\nb\t\r\n");
    EXPECT_EQ(join_statistics_text({}), "");
}
