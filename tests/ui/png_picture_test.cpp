// gravon-cli --png draws what the window shows: the bins in their own colours, no selection
// washed over them and no enclosed hole filled in as if it held data; --select-all shows the
// entire area selected.
#include "support/temp_config.h"

#include <QImage>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

namespace {

int run(const std::string& cmd) {
    const int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

bool greenish(QRgb c) {
    return qGreen(c) > qRed(c) + 40 && qGreen(c) > qBlue(c) + 40;
}

TEST(PngPicture, ShowsTheBinsAsTheWindowDoesAndTheSelectionOnlyWhenAsked) {
    gravon::testing::ttempconfig config;
    const std::string dir = (config.root / "files").string();
    // A glide with gaps, so that the area encloses cells that hold no time.
    ASSERT_EQ(run("'" GRAVON_SYNTH_PATH "' --fullscale-pa 100 --glide 180:330 --out '" + dir +
                  "/voice.wav' >/dev/null"),
              0);
    const std::string cli = "cd '" + dir + "' && '" GRAVON_CLI_PATH "' /f100 voice.wav ";
    ASSERT_NE(run(cli + "--png plain.png >/dev/null 2>&1"), 1);
    ASSERT_NE(run(cli + "--png selected.png --select-all >/dev/null 2>&1"), 1);
    const QImage plain(QString::fromStdString(dir + "/plain.png"));
    const QImage selected(QString::fromStdString(dir + "/selected.png"));
    ASSERT_FALSE(plain.isNull());
    ASSERT_EQ(plain.size(), selected.size());
    int differ = 0, green = 0, bluish = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x) {
            const QRgb a = plain.pixel(x, y), b = selected.pixel(x, y);
            differ += a != b;
            green += greenish(a);
            // The bins of accumulated time are drawn in shades of blue.
            bluish += qBlue(a) > qRed(a) + 30 && qBlue(a) > qGreen(a) + 30;
        }
    EXPECT_GT(bluish, 100) << "no bins drawn";
    EXPECT_EQ(green, 0) << "enclosed cells drawn as data";
    EXPECT_GT(differ, 100) << "--select-all shows no selection";
}

} // namespace
