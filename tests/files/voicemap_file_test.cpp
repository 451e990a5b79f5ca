#include "base/pitch.h"
#include "files/voicemap_file.h"
#include "phonetogram/pg_param.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <unistd.h>

using namespace gravon;

namespace {

struct VoicemapFile : ::testing::Test {
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("gravon_voicemap_" + std::to_string(::getpid()));
    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string path(const char* name) const { return (dir / name).string(); }
    std::string text(const std::string& p) const {
        std::ifstream in(p);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void write(const std::string& p, const std::string& t) const { std::ofstream(p) << t; }
};

tpg map_with_cells() {
    tpg pg = make_empty_pg();
    pg.param = default_recording_pgparams();
    struct tcell {
        int x, y;
        double time, h1h2, crest, cpps, specbal;
    };
    const tcell cells[] = {{57, 70, 0.5, -3.25, 9.5, 12.5, -25.75},
                           {69, 80, 2.0, 4.5, 7.25, NAN, -12.5},
                           {45, 62, 0.02, 0, 0, 3.75, -40}};
    for (const tcell& c : cells) {
        pg.param[pglayeracctime].arr[c.x][c.y] = c.time;
        pg.param[pglayerh1h2].arr[c.x][c.y] = c.h1h2;
        pg.param[pglayercrest].arr[c.x][c.y] = c.crest;
        pg.param[pglayercpps].arr[c.x][c.y] = c.cpps;
        pg.param[pglayerspecbal].arr[c.x][c.y] = c.specbal;
    }
    return pg;
}

} // namespace

TEST_F(VoicemapFile, RoundTripKeepsEveryLayerAndCountsCyclesAsTimeTimesF0) {
    const tpg pg = map_with_cells();
    const std::string p = path("map_VRP.csv");
    write_voicemap(p, pg);
    const std::string t = text(p);
    EXPECT_EQ(t.substr(0, t.find('\n')), "MIDI;dB;Total;Clarity;Crest;SpecBal;CPP;H1H2To01;HNRTo01;"
                                         "CentroidTo01;MaxPartNoTo01");
    // 2 s at 440 Hz are 880 cycles; a cell without a CPPS and the missing Clarity are empty.
    EXPECT_NE(t.find("\n69;80;880;;7.25;-12.5;;4.5;"), std::string::npos) << t;
    EXPECT_TRUE(is_voicemap_file(p));

    // Commas read like semicolons.
    std::string commas = t;
    for (char& c : commas)
        if (c == ';') c = ',';
    write(path("commas.csv"), commas);
    for (const std::string& f : {p, path("commas.csv")}) {
        tpg back;
        read_voicemap(f, back);
        ASSERT_GE(back.param.size(), nrecordinglayers) << f;
        for (std::size_t k = pglayeracctime; k < nrecordinglayers; ++k) {
            if (pg.param[k].name.empty()) continue;
            for (int x = 0; x < nf0bins; ++x)
                for (int y = 0; y < nlevelbins; ++y) {
                    const double want = pg.param[k].arr[x][y], got = back.param[k].arr[x][y];
                    if (k == pglayeracctime) // through a whole number of cycles
                        EXPECT_NEAR(got, want, 0.5 / semitonetofreq(x)) << x << " " << y;
                    else if (std::isnan(want))
                        EXPECT_TRUE(std::isnan(got)) << k << " " << x << " " << y;
                    else
                        EXPECT_DOUBLE_EQ(got, want) << k << " " << x << " " << y;
                }
        }
        // The column Gravon has no layer for becomes one.
        EXPECT_EQ(back.param.back().name, "Clarity") << f;
    }
}

TEST_F(VoicemapFile, ANonVoicemapOrABadLineIsRefusedNamingTheFileAndLine) {
    struct tcase {
        const char* content;
        const char* message;
    };
    const tcase cases[] = {
        {"", "is empty"},
        {"F0;SPL;Time\n", "is not a voice map"},
        {"MIDI;dB;Total;CPP\n60;70;100;abc\n", "bad line 2: \"abc\" is not a number"},
        {"MIDI;dB;Total\n60;70;100\n200;70;5\n", "bad line 3: the cell 200, 70 lies outside"},
        {"MIDI;dB;Total\n60\n", "bad line 2: fewer than three values"},
    };
    for (const tcase& c : cases) {
        const std::string p = path("bad.csv");
        write(p, c.content);
        tpg pg;
        try {
            read_voicemap(p, pg);
            ADD_FAILURE() << c.content;
        } catch (const EVoicemapError& e) {
            EXPECT_NE(std::string(e.what()).find(p), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
    EXPECT_FALSE(is_voicemap_file(path("missing.csv")));
    // An unwritable place says so and names the file.
    EXPECT_THROW(write_voicemap("/proc/no/such/map.csv", map_with_cells()), EGravonError);
}
