// gravon-accuracy run as a program: the report of a small grid, and its refusals.
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct trun {
    int status = -1;
    std::string out, err;
};

trun run_accuracy(const std::string& args) {
    // A directory of its own, so that tests run side by side do not share files.
    std::string templ = (fs::temp_directory_path() / "gravon_accuracy_XXXXXX").string();
    if (!mkdtemp(templ.data())) return {};
    const fs::path dir = templ;
    const fs::path out = dir / "out.txt", err = dir / "err.txt";
    const std::string cmd =
        std::string(GRAVON_ACCURACY_PATH) + " " + args + " >" + out.string() + " 2>" + err.string();
    const int st = std::system(cmd.c_str());
    trun r;
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    auto slurp = [](const fs::path& p) {
        std::ifstream f(p);
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    };
    r.out = slurp(out);
    r.err = slurp(err);
    fs::remove_all(dir);
    return r;
}

// The grid row of the given F0 and level, split into its fields.
std::vector<std::string> row(const std::string& report, const std::string& f0,
                             const std::string& spl) {
    std::istringstream in(report);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        std::vector<std::string> v;
        for (std::string w; ls >> w;) v.push_back(w);
        if (v.size() >= 12 && v[0] == f0 && v[1] == spl) return v;
    }
    return {};
}

} // namespace

TEST(AccuracyReport, SmallGridIsAcceptedAndAccurate) {
    const trun r = run_accuracy("--f0 220,440 --spl 80 --seconds 1");
    ASSERT_EQ(r.status, 0) << r.err;
    // The alignment check finds no bias for the two hops the window spans.
    EXPECT_NE(r.out.find("k-1 and k"), std::string::npos);
    for (const char* f0 : {"220", "440"}) {
        const auto v = row(r.out, f0, "80");
        ASSERT_FALSE(v.empty()) << f0 << " Hz row missing:\n" << r.out;
        EXPECT_EQ(v[2], "100");                     // full scale
        EXPECT_EQ(v[3], "47");                      // voiced analysis frames of a 1 s phonation
        EXPECT_EQ(v[4], "100.0");                   // accepted share, %
        EXPECT_LT(std::fabs(std::stod(v[6])), 3);   // median F0 error, cents
        EXPECT_LT(std::fabs(std::stod(v[7])), 15);  // worst F0 error, cents
        EXPECT_LT(std::fabs(std::stod(v[8])), 0.1); // median SPL error, dB
    }
    EXPECT_NE(r.out.find("Overall: 94 voiced frames, 100.0 % accepted"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("unvoiced frames accepted: 0 of"), std::string::npos);
}

TEST(AccuracyReport, LevelsAbove100DbGetAHigherFullScale) {
    const trun r = run_accuracy("--f0 220 --spl 110 --seconds 1");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto v = row(r.out, "220", "110");
    ASSERT_FALSE(v.empty()) << r.out;
    EXPECT_EQ(v[2], "200");
}

TEST(AccuracyReport, BadCommandLinesAreRefused) {
    trun r = run_accuracy("--f0 2x0");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--f0: \"2x0\" is not a number"), std::string::npos) << r.err;
    r = run_accuracy("--spl");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--spl needs a value"), std::string::npos) << r.err;
    r = run_accuracy("--loud");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("unknown option --loud"), std::string::npos) << r.err;
    r = run_accuracy("--fullscale -3");
    EXPECT_EQ(r.status, 2);
    // A phonation the synthesizer cannot make is an error of the run, not a crash.
    r = run_accuracy("--f0 5000 --spl 80");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("gravon-accuracy:"), std::string::npos) << r.err;
}

TEST(AccuracyReport, HelpNamesTheOptions) {
    const trun r = run_accuracy("--help");
    EXPECT_EQ(r.status, 0);
    for (const char* o : {"--f0", "--spl", "--seconds", "--fullscale"})
        EXPECT_NE(r.out.find(o), std::string::npos) << o;
}
