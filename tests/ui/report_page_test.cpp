// The report's page as a reader of the PDF sees it: rendered by poppler's pdftoppm, the
// phonetogram's cells have the colours the view gives them, where the view puts them.
#include "core/report.h"
#include "core/test_form.h"
#include "phonetogram/pg_param.h"
#include "ui/report_page.h"
#include "ui/view_renderer.h"

#include <QImage>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace gravon {
namespace {

namespace fs = std::filesystem;

constexpr double rasterdpi = 144; // pdftoppm's resolution: two pixels per point

class ReportPage : public ::testing::Test {
  protected:
    testing::ttestform t;
    TForm1& f = t.form;
    fs::path dir = t.config.root;

    void SetUp() override {
        f.set_zparam(0);
        f.options.showoutline = false;
        f.advanced.hideisolatedbins = false;
        f.soundfileanalysed = true;
        put(0, 57, 80);
        put(0, 60, 85);
        put(1, 62, 80);
        f.pgs[1].visible = true;
        f.fix_things();
    }
    void put(std::size_t pg, int x, int y) { f.pgs[pg].param[pglayeracctime].arr[x][y] = 1.0; }

    // The page's pixel of the centre of cell (x, y): the renderer's layout of the picture,
    // placed where the report put it.
    static QPoint page_pixel(TForm1& form, const treportgeometry& g, int x, int y) {
        tdrawingmodels m(g.fonts);
        layout_drawing_models(m, form, g.picturepixels, g.fonts.caption);
        const double px = m.layout.view.left + m.keyboard.midi_to_pixel(x) + 0.5;
        const double py = m.layout.view.top + m.laxis.value_to_pixel(y) + 0.5;
        const double sx = g.picture.width() / g.picturepixels.width();
        const double sy = g.picture.height() / g.picturepixels.height();
        return QPoint(int((g.picture.left() + px * sx) * rasterdpi / 72),
                      int((g.picture.top() + py * sy) * rasterdpi / 72));
    }
};

void expect_near(const QColor& got, const QColor& want, const char* what) {
    const int d = std::max({std::abs(got.red() - want.red()), std::abs(got.green() - want.green()),
                            std::abs(got.blue() - want.blue())});
    EXPECT_LE(d, 6) << what << ": got " << got.name().toStdString() << ", want "
                    << want.name().toStdString();
}

TEST_F(ReportPage, CellsHaveTheViewsColoursWhereTheViewPutsThem) {
    const treport r = make_report(f, {0, 1}, '.');
    const std::string pdf = (dir / "r.pdf").string();
    std::string why;
    treportgeometry g;
    ASSERT_TRUE(write_report_pdf(f, r, pdf, why, &g)) << why;
    ASSERT_FALSE(g.picture.isEmpty());

    const std::string cmd =
        "pdftoppm -r 144 -png -singlefile '" + pdf + "' '" + (dir / "page").string() + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << "pdftoppm (poppler-utils) renders the page";
    const QImage page(QString::fromStdString((dir / "page.png").string()));
    ASSERT_FALSE(page.isNull());
    // A4 at 144 dpi.
    EXPECT_NEAR(page.width(), 210 / 25.4 * rasterdpi, 2);
    EXPECT_NEAR(page.height(), 297 / 25.4 * rasterdpi, 2);

    // Blue and red at 70 % (the solid colour), their overlap nowhere, white where no cell is.
    expect_near(page.pixelColor(page_pixel(f, g, 57, 80)), QColor(121, 121, 255), "left 57/80");
    expect_near(page.pixelColor(page_pixel(f, g, 60, 85)), QColor(121, 121, 255), "left 60/85");
    expect_near(page.pixelColor(page_pixel(f, g, 62, 80)), QColor(255, 121, 121), "right 62/80");
    expect_near(page.pixelColor(page_pixel(f, g, 66, 83)), QColor(Qt::white), "empty 66/83");

    // The statistics measured the entire areas and left no selection behind.
    EXPECT_EQ(r.statisticscaption, "Area statistics of the entire area");
    ASSERT_GE(r.statistics.size(), 3u);
    EXPECT_EQ(r.statistics[2], "Area [STdB]\t2\t1\t");
    for (const auto& marked : f.masks.binmarked)
        for (bool b : marked.cells) EXPECT_FALSE(b);
}

TEST_F(ReportPage, SelectionIsMeasuredAndTheChangesAndSessionAreOnThePage) {
    f.select_bins(57, 80, 57, 80);
    tsessionrecord s;
    s.name = "Ørjan Ångström";
    s.clinician = "Dr. Berg";
    f.set_session(s);
    treport r = make_report(f, {0, 1}, ',');
    EXPECT_EQ(r.statisticscaption, "Area statistics of the selected area");
    EXPECT_EQ(r.statistics[2], "Area [STdB]\t1\t");
    r.changes.push_back({"Area [STdB]", "120", "180", "+60"});
    const QImage withchanges = render_report_image(f, r, 72);
    r.changes.clear();
    const QImage without = render_report_image(f, r, 72);
    EXPECT_EQ(withchanges.size(), QSize(595, 842));
    EXPECT_NE(withchanges, without);
    EXPECT_EQ(r.session[1].value, "Ørjan Ångström");
    EXPECT_EQ(r.clinician, "Dr. Berg");
}

} // namespace
} // namespace gravon
