// The report's page as a reader of the PDF sees it: rendered by poppler's pdftoppm, the
// phonetogram's cells have the colours the view gives them, where the view puts them; read by
// pdftotext, it names the sessions and writes their dates as everywhere else.
#include "core/report.h"
#include "core/test_form.h"
#include "phonetogram/pg_param.h"
#include "ui/report_page.h"
#include "ui/view_renderer.h"

#include <QImage>
#include <QLocale>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>

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

// The baseline is the patient's: never compared with a reference group, unmarked by New
// recording and by another patient's file, marked against another patient only when the user
// says so. The page names both sessions by patient, date and task, and writes every date with
// four-digit years in a German locale too.
TEST(BaselineOfAPatient, BelongsToThePatientAndThePageNamesIt) {
    testing::ttestform t;
    TForm1& f = t.form;
    const auto path = [&t](const char* name) { return (t.config.root / name).string(); };
    tsessionrecord a;
    a.patient = "P-17";
    a.name = "Anna Berg";
    a.born = "1979-03-14";
    a.task = "Singing profile";
    tsessionrecord b = a, first = a;
    b.patient = "P-18";
    b.name = "Bo Lind";
    first.date = "2026-03-14 10:30";
    const std::vector<std::int16_t> voice =
        testing::stereo_of(synth::synthesize(synth::make_example_params()));
    const auto take = [&](const tsessionrecord& r) {
        f.set_session(r);
        t.start();
        t.feed(voice);
        f.StopActionExecute();
    };
    // Patient A's first session, a reference group, and patient B's take as a sound file.
    take(a);
    f.set_session(first);
    for (const char* name : {"a1_pg.stdpg", "a2_pg.stdpg"})
        ASSERT_TRUE(f.save_stdpg(path(name), 0));
    f.set_session(b);
    ASSERT_TRUE(f.save_smp(path("b_an.smp")));
    ASSERT_TRUE(
        f.make_reference_group({path("a1_pg.stdpg"), path("a2_pg.stdpg")}, path("group.stdpg")));
    f.NewRecordingActionExecute(); // the save questions answered No
    f.set_session(a);
    const std::int32_t k = std::int32_t(f.pgs.size());
    ASSERT_TRUE(f.open_stdpg(path("a1_pg.stdpg"), k));
    const std::size_t asked = t.ui.questions.size();

    // Before the take: nothing is current, least of all the reference group.
    ASSERT_TRUE(f.set_baseline_pg(k, true));
    EXPECT_EQ(f.compared_pg(), -1);
    EXPECT_TRUE(f.comparison_table().empty());
    take(a);
    EXPECT_EQ(f.compared_pg(), 0);
    EXPECT_EQ(t.ui.questions.size(), asked);

    const QLocale kept;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const treport r = make_report(f, {0}, decimal_separator(QLocale()));
    std::string why;
    const std::string pdf = path("followup.pdf");
    const bool written = write_report_pdf(f, r, pdf, why);
    QLocale::setDefault(kept);
    ASSERT_TRUE(written) << why;
    const std::string cmd = "pdftotext -layout '" + pdf + "' '" + path("followup.txt") + "'";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << "pdftotext (poppler-utils) reads the report";
    const std::string text = testing::read_text(path("followup.txt"));
    for (
        const char* pattern :
        {R"(Baseline: Patient P-17, Anna Berg, 2026-03-14 10:30, Singing profile \(a1_pg\.stdpg\))",
         R"(Current: Patient P-17, Anna Berg, \d{4}-\d\d-\d\d \d\d:\d\d, Singing profile \(Left\))",
         R"(Date of birth: +1979-03-14)", R"(Date and time: +\d{4}-\d\d-\d\d \d\d:\d\d)",
         R"(Made by .* on \d{4}-\d\d-\d\d \d\d:\d\d)", R"(Leq \[dB\] +\d+,\d)"})
        EXPECT_TRUE(std::regex_search(text, std::regex(pattern))) << pattern << " in\n" << text;
    // No date in the German short form, whose year has two digits.
    EXPECT_FALSE(std::regex_search(text, std::regex(R"((^|[^\d.])\d\d?\.\d\d?\.\d\d($|[^\d.]))")))
        << text;

    // New recording: the next take may be anyone's.
    f.NewRecordingActionExecute();
    EXPECT_EQ(f.baseline_pg(), -1);
    // A sound file of another patient.
    ASSERT_TRUE(f.set_baseline_pg(k, true));
    f.Open_smpfile(path("b_an.smp"), 0, -1);
    ASSERT_EQ(f.session().patient, "P-18");
    EXPECT_EQ(f.baseline_pg(), -1);
    // Marking patient A's against patient B's asks first: No leaves it unmarked, Yes marks it,
    // and it stays while the patient does.
    const std::size_t before = t.ui.questions.size();
    t.ui.answer = tanswer::no;
    EXPECT_FALSE(f.set_baseline_pg(k, true));
    ASSERT_EQ(t.ui.questions.size(), before + 1);
    EXPECT_EQ(t.ui.questions.back(), "a1_pg.stdpg is of patient P-17, the current phonetogram "
                                     "(b_an.smp) of patient P-18.\rCompare them all the same?")
        << t.ui.questions.back();
    EXPECT_EQ(f.baseline_pg(), -1);
    t.ui.answer = tanswer::yes;
    EXPECT_TRUE(f.set_baseline_pg(k, true));
    b.notes = "after therapy";
    f.set_session(b);
    EXPECT_EQ(f.baseline_pg(), k);
    EXPECT_EQ(f.compared_pg(), 0);
}

} // namespace
} // namespace gravon
