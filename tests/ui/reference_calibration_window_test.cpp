// "Calibrate from reference" and the full-scale question of "Analyze soundfile...", driven as
// a user drives them, against the headless program's --reference and /f on the same file.
#include "base/system_utils.h"
#include "core/test_form.h"
#include "phonetogram/pg_param.h"
#include "support/reference_take.h"
#include "ui/full_scale_dialog.h"
#include "ui/geometry/status_lines.h"
#include "ui/reference_calibration_window.h"
#include "ui/waveform_view.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>
#include <sys/wait.h>

namespace gravon {
namespace {

using testing::ttestform;
namespace fs = std::filesystem;

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The moments in a file's text (the calibration's, the saving's) as one mark.
std::string without_dates(const std::string& s) {
    return std::regex_replace(s, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d[:.]\d\d)"), "<date>");
}

// The status panel's calibration line of the file, and whether it is drawn as a warning.
std::pair<std::string, bool> status_calibration(TForm1& f) {
    for (const tstatustext& t : status_panel_content(f).texts)
        if (t.text.starts_with("Soundfile: ")) return {t.text, t.color == statusred};
    return {"", false};
}

int run_cli(const fs::path& dir, const std::string& args, std::string& err) {
    const fs::path errfile = dir / "stderr.txt";
    const std::string cmd = "cd '" + dir.string() + "' && '" GRAVON_CLI_PATH "' " + args +
                            " >/dev/null 2>'" + errfile.string() + "'";
    const int rc = std::system(cmd.c_str());
    err = slurp(errfile);
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

void set_text(QLineEdit* e, const QString& text) {
    ASSERT_NE(e, nullptr);
    e->selectAll();
    QTest::keyClicks(e, text);
}

TEST(ReferenceWindow, SavesThePhonetogramTheCommandLineSavesAndRefusesBadInput) {
    ttestform t;
    const fs::path dir = t.config.root / "files";
    testing::treferencetake take;
    const std::string wav = (dir / "take.wav").string();
    testing::write_reference_take(wav, take);
    t.form.open_any_file(wav);
    ASSERT_TRUE(t.form.reference_calibration_possible());
    // Uncalibrated: the panel says so, in red, with the way to calibrate.
    EXPECT_EQ(status_calibration(t.form),
              std::make_pair(std::string("Soundfile: Wav file is possibly not calibrated - "
                                         "Calibrate from reference... (Recording menu)"),
                             true));

    TReferenceWindow w(t.form);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    ASSERT_TRUE(w.load());
    EXPECT_EQ(w.findChild<QLabel*>("fileinfo")->text(), "take.wav, channel 0, 6.200 s");

    // Marking with the mouse fills in the stretch; the tone's columns reach higher than the
    // phonation's quiet end.
    TWaveformView& view = w.waveform();
    const int width = view.width();
    const auto x = [&](double seconds) { return QPoint(int(seconds / 6.2 * width), 10); };
    QTest::mousePress(&view, Qt::LeftButton, {}, x(0.5));
    QTest::mouseMove(&view, x(2.5));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, x(2.5));
    const double start = w.findChild<QLineEdit*>("startedit")->text().toDouble();
    const double end = w.findChild<QLineEdit*>("endedit")->text().toDouble();
    EXPECT_NEAR(start, 0.5, 12.0 / width + 0.001);
    EXPECT_NEAR(end, 2.5, 12.0 / width + 0.001);
    // The same without a mouse: Home, then Shift with Ctrl+Right marks a tenth at a time.
    QTest::keyClick(&view, Qt::Key_Home);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(&view, Qt::Key_Right, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(w.findChild<QLineEdit*>("startedit")->text().toDouble(), 0.0);
    EXPECT_NEAR(w.findChild<QLineEdit*>("endedit")->text().toDouble(), 3 * 0.62,
                12.0 / width + 0.001);

    auto* calibrate = w.findChild<QPushButton*>("calibratebutton");
    ASSERT_NE(calibrate, nullptr);
    // Bad input: a message naming the problem, and nothing changes.
    const std::string before = t.form.pgs[0].calibstr;
    struct tbad {
        const char *start, *end, *level, *why;
    };
    for (const tbad& b :
         {tbad{"5", "7", "94", "is outside"}, tbad{"0.5", "2.5", "20", "outside the levels"},
          tbad{"0.5", "2.5", "ninety", "is not a number"},
          tbad{"2.5", "3.5", "94", "holds no steady tone or vowel"}}) {
        t.ui.messages.clear();
        set_text(w.findChild<QLineEdit*>("startedit"), b.start);
        set_text(w.findChild<QLineEdit*>("endedit"), b.end);
        set_text(w.findChild<QLineEdit*>("leveledit"), b.level);
        calibrate->click();
        ASSERT_EQ(t.ui.messages.size(), 1u) << b.why;
        EXPECT_NE(t.ui.messages[0].text.find(b.why), std::string::npos) << t.ui.messages[0].text;
        EXPECT_EQ(t.form.pgs[0].calibstr, before);
        EXPECT_TRUE(w.isVisible());
    }

    set_text(w.findChild<QLineEdit*>("startedit"), "0.5");
    set_text(w.findChild<QLineEdit*>("endedit"), "2.5");
    set_text(w.findChild<QLineEdit*>("leveledit"), "94");
    // A level read at no distance is no reading.
    t.ui.messages.clear();
    set_text(w.findChild<QLineEdit*>("distanceedit"), "0");
    calibrate->click();
    ASSERT_EQ(t.ui.messages.size(), 1u);
    EXPECT_NE(t.ui.messages[0].text.find("The distance 0 mm is no distance"), std::string::npos)
        << t.ui.messages[0].text;
    EXPECT_EQ(t.form.pgs[0].calibstr, before);
    w.findChild<QLineEdit*>("distanceedit")->clear();
    set_text(w.findChild<QLineEdit*>("nameedit"), QString::fromStdString(username()));
    w.findChild<QComboBox*>("unitbox")->setCurrentIndex(0);
    calibrate->click();
    EXPECT_FALSE(w.isVisible());
    ASSERT_NE(t.form.pgs[0].calibstr.find("signed by " + username()), std::string::npos)
        << t.form.pgs[0].calibstr;
    // The reference is in the tracks, rejected, and not in the phonetogram; nor when the file
    // is opened again with the calibration kept for it.
    for (int again = 0; again < 2; ++again) {
        for (std::size_t k : {30u, 50u, 100u, 110u})
            EXPECT_TRUE(tkillpoint{std::uint16_t(t.form.paramarr[trackdebug][0][k])}.has(
                tkillreason::reference))
                << k;
        EXPECT_EQ(t.form.pgs[0].param[pglayeracctime].arr[83][94], 0.0);
        if (again == 0) t.form.open_any_file(wav);
    }
    // The voice was found: the files compared hold cells.
    double seconds = 0;
    for (float v : t.form.pgs[0].param[pglayeracctime].arr.cells) seconds += v;
    EXPECT_GT(seconds, 1.0);
    ASSERT_TRUE(t.form.save_stdpg((dir / "window.stdpg").string(), 0));
    const auto [panel, red] = status_calibration(t.form);
    EXPECT_TRUE(panel.starts_with("Soundfile: Calibrated from a reference of 94.0 dB SPL"))
        << panel;
    EXPECT_FALSE(red);

    std::string err;
    const int rc = run_cli(dir, "take.wav --reference 0.5-2.5:94 /s", err);
    ASSERT_TRUE(rc == 0 || rc == 3) << rc << err;
    ASSERT_TRUE(fs::exists(dir / "take_pg.stdpg")) << err;
    const std::string windowfile = slurp(dir / "window.stdpg");
    const std::string clifile = slurp(dir / "take_pg.stdpg");
    EXPECT_NE(clifile.find("Calibrated from a reference of 94.0 dB SPL"), std::string::npos);
    EXPECT_EQ(without_dates(windowfile), without_dates(clifile));

    // The command line refuses a reference that does not fit, and saves nothing.
    fs::remove(dir / "take_pg.stdpg");
    EXPECT_EQ(run_cli(dir, "take.wav --reference 0.5-9:94 /s", err), 1);
    EXPECT_NE(err.find("is outside"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir / "take_pg.stdpg"));
    EXPECT_EQ(run_cli(dir, "take.wav --reference 0.5-2.5 /s", err), 2);
    EXPECT_NE(err.find("--reference: a reference is START-END:LEVEL"), std::string::npos) << err;
}

TEST(FullScaleDialog, OffersOneFieldPerChannelOrShowsTheFilesOwnCalibration) {
    tfullscalequestion q;
    q.filename = "/somewhere/take.wav";
    q.values = {"20", ""};
    q.texts = {"Wav file is calibrated by the user with a full scale of 20 Pa", ""};
    TFullScaleDialog d(q);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    EXPECT_EQ(d.findChild<QLabel*>("filename")->text(), "take.wav");
    EXPECT_EQ(d.findChild<QLineEdit*>("fullscale0")->text(), "20");
    EXPECT_EQ(d.findChild<QLabel*>("calibrationtext0")->text().toStdString(), q.texts[0]);
    set_text(d.findChild<QLineEdit*>("fullscale1"), "14.1");
    EXPECT_EQ(d.values(), (std::vector<std::string>{"20", "14.1"}));

    tfullscalequestion own;
    own.filename = "take_an.smp";
    own.headercalibration = "Soundfile calibration: Calibrated from a reference of 94.0 dB SPL";
    TFullScaleDialog o(own);
    EXPECT_EQ(o.findChild<QLineEdit*>(), nullptr);
    EXPECT_NE(
        o.findChild<QLabel*>("headercalibration")->text().toStdString().find(own.headercalibration),
        std::string::npos);
}

} // namespace
} // namespace gravon
