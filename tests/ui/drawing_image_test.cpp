// The whole drawing area as an image and as a PNG file, also for sizes and settings that make
// no sense.
#include "core/test_form.h"
#include "phonetogram/pg_param.h"
#include "ui/drawing_area.h"
#include "ui/view_renderer.h"

#include <QImage>
#include <filesystem>
#include <gtest/gtest.h>

namespace gravon {
namespace {

// "Copy image" draws with the fonts the window shows: the axis font chosen in the options
// moves the axes in the picture as it moves them on the screen.
TEST(DrawingImage, APictureOfTheDrawingAreaHasTheWindowsFontsAndLayout) {
    testing::ttestform t;
    TDrawingArea area(t.form);
    area.resize(900, 600);
    QFont big("DejaVu Sans");
    big.setPixelSize(22);
    for (TAxis* a : {area.laxis(), area.faxis(), area.legendaxis()}) a->setAxisFont(big);
    area.legendlabel()->setFont(big);
    area.refresh();
    const QImage picture = area.image();
    EXPECT_EQ(picture, render_drawing_area(t.form, area.size(), {big, big}));
    EXPECT_NE(picture, render_drawing_area(t.form, area.size()));
    // The picture's level axis is as wide as the window's.
    tdrawingmodels m({big, big});
    layout_drawing_models(m, t.form, area.size(), big);
    EXPECT_EQ(m.layout.laxis.width(), area.laxis()->width());
    EXPECT_EQ(m.layout.view.left, area.view()->x());
}

// The empty window says what to do, on the screen only.
TEST(DrawingImage, TheEmptyViewsHintIsOnTheScreenAndNeverInAPicture) {
    testing::ttestform t;
    TDrawingArea area(t.form);
    area.resize(900, 600);
    area.refresh();
    const auto hint_pixels = [](const QImage& img) {
        int n = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                n += img.pixelColor(x, y) == QColor(110, 110, 110);
        return n;
    };
    EXPECT_GT(hint_pixels(area.view()->grab().toImage()), 20);
    // The view's part of the picture: the legend's anti-aliased text may hold the grey.
    EXPECT_EQ(hint_pixels(area.image().copy(area.view()->geometry())), 0);
    t.start();
    t.feed(std::vector<std::int16_t>(2 * 8192, 0));
    t.form.StopActionExecute();
    EXPECT_EQ(hint_pixels(area.view()->grab().toImage()), 0);
}

TEST(DrawingImage, LaidOutAsTheWindowShowsIt) {
    testing::ttestform t;
    TForm1& f = t.form;
    f.advanced.hideisolatedbins = false;
    f.pgs[0].param[pglayeracctime].arr[60][80] = 5.0;
    const QImage img = render_drawing_area(f, QSize(900, 700));
    ASSERT_EQ(img.size(), QSize(900, 700));
    tdrawingmodels m;
    layout_drawing_models(m, f, img.size());
    // The bin lies where the keyboard and the level axis put it, in the full blue.
    const int x = m.layout.view.left + m.keyboard.midi_to_pixel(60);
    const int y = m.layout.view.top + m.laxis.value_to_pixel(80) - 2;
    EXPECT_EQ(img.pixelColor(x, y), QColor(64, 64, 255));
    // The black key C#4 above that column, white below the black keys.
    EXPECT_EQ(img.pixelColor(m.layout.keyboard.left + m.keyboard.midi_to_pixel(61),
                             m.layout.keyboard.top + 5),
              QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(m.layout.keyboard.left + m.keyboard.midi_to_pixel(60),
                             m.layout.keyboard.bottom - 8),
              QColor(Qt::white));
}

TEST(DrawingImage, NonsenseSizesAndSettingsStillDraw) {
    testing::ttestform t;
    TForm1& f = t.form;
    for (int x = 0; x < nf0bins; ++x)
        for (int y = 0; y < nlevelbins; ++y) f.pgs[0].param[pglayeracctime].arr[x][y] = 1.0;
    for (QSize s : {QSize(1, 1), QSize(3, 500), QSize(500, 3), QSize(0, 0)})
        EXPECT_FALSE(render_drawing_area(f, s).isNull());
    f.advanced.lokey = 100;
    f.advanced.nkeys = 400; // beyond the grid and beyond 256 keys
    f.advanced.lolevel = 130;
    f.advanced.hilevel = 20; // upside down
    f.options.lockaspectratio = true;
    f.fshowcursor = true;
    f.cursor = {-5, 900};
    f.options.showtarget = true;
    f.targetticked = true;
    f.options.f0target = -3;
    f.advanced.displayparams[1].min = 0; // a logarithmic scale from 0
    EXPECT_FALSE(render_drawing_area(f, QSize(800, 600)).isNull());
    f.advanced.nkeys = -7;
    f.advanced.displayparams.clear();
    EXPECT_FALSE(render_drawing_area(f, QSize(800, 600)).isNull());
}

TEST(DrawingImage, PngFileAndItsErrors) {
    testing::ttestform t;
    const std::string name = (t.config.root / "files" / "view.png").string();
    std::string error;
    ASSERT_TRUE(save_drawing_png(t.form, name, QSize(640, 480), error)) << error;
    EXPECT_EQ(QImage(QString::fromStdString(name)).size(), QSize(640, 480));

    EXPECT_FALSE(save_drawing_png(t.form, name, QSize(0, 480), error));
    EXPECT_EQ(error, "Invalid image size 0 x 480");
    const std::string bad = (t.config.root / "missing" / "view.png").string();
    EXPECT_FALSE(save_drawing_png(t.form, bad, QSize(64, 48), error));
    EXPECT_NE(error.find(bad), std::string::npos) << error;
}

} // namespace
} // namespace gravon
