// The status panel: which lines it has, its lamps and its texts.
#include "base/number_text.h"
#include "core/test_form.h"
#include "ui/status_panel.h"

#include <QFont>
#include <QImage>
#include <gtest/gtest.h>

namespace gravon {
namespace {

class StatusPanel : public ::testing::Test {
  protected:
    testing::ttestform t;
    TForm1& f = t.form;

    const tstatustext* text_at(const tstatuspanel& p, int x, int y) {
        for (const tstatustext& s : p.texts)
            if (!s.rightaligned && s.x == x && s.y == y) return &s;
        return nullptr;
    }
    QColor lamp_colour(int line) {
        const QImage img = render_status_panel(f, 700);
        return img.pixelColor(9, line * statuslineheight + 1 + 9);
    }
    // Feeds a steady voice, louder in the right channel by `rightgain` times, and stops.
    void record_voice(double rightgain) {
        synth::tsynthparams p;
        p.phrases = {synth::steady_phrase(1.5, 220.0, 80.0)};
        p.vibrato_cents = 0;
        p.leadin = 0.5;
        std::vector<std::int16_t> s = testing::stereo_of(synth::synthesize(p));
        s.resize(std::size_t(2 * 44100 * 1.4));
        for (std::size_t i = 0; i + 1 < s.size(); i += 2)
            s[i + 1] = std::int16_t(std::clamp(s[i] * rightgain, -32767.0, 32767.0));
        t.start();
        t.feed(s);
        f.StopActionExecute();
    }
};

TEST_F(StatusPanel, OnlyTheTimeLineWhenNothingIsShown) {
    f.pgs[0].visible = false;
    f.pgs[1].visible = false;
    EXPECT_EQ(status_panel_height(f), 18);
    const tstatuspanel p = status_panel_content(f);
    EXPECT_TRUE(p.lamps.empty());
    ASSERT_NE(text_at(p, 1, 1), nullptr);
    EXPECT_EQ(text_at(p, 1, 1)->text, "Total recorded time: 0.0 s");
    EXPECT_EQ(render_status_panel(f, 700).height(), 18);

    f.pgs[0].visible = true;
    EXPECT_EQ(status_panel_height(f), 36);
    f.options.shownoise[1] = true;
    EXPECT_EQ(status_panel_height(f), 54);
}

// Whatever the font and the colour parameter, no text covers another: a clinician must be
// able to read every number.
TEST_F(StatusPanel, NoTextCoversAnotherInAnyFontWithAnyColourParameter) {
    record_voice(1.0);
    f.fshowcursor = true;
    f.cursor = {57, 80};
    f.advanced.hideisolatedbins = false;
    f.locationid = "Voice clinic, room 2";
    QFont big;
    big.setPointSize(16);
    for (const QFont& font : {QFont(), big})
        for (std::int32_t z = 0; z <= 6; ++z) {
            f.set_zparam(z);
            ASSERT_EQ(f.options.zparam(), z);
            const tstatuspanel p = status_panel_content(f);
            const std::vector<QRect> r = status_text_rects(p, font, 2000);
            ASSERT_EQ(r.size(), p.texts.size());
            for (std::size_t i = 0; i < r.size(); ++i)
                for (std::size_t j = i + 1; j < r.size(); ++j)
                    EXPECT_FALSE(r[i].intersects(r[j])) << "z " << z << ": \"" << p.texts[i].text
                                                        << "\" and \"" << p.texts[j].text << "\"";
            // Each text is drawn where its rectangle says: dark pixels inside it.
            const QImage img = render_status_panel(f, 2000, font);
            EXPECT_EQ(img.height(), status_panel_pixel_height(f, font));
            for (std::size_t i = 0; i < r.size(); ++i) {
                if (r[i].isEmpty()) continue;
                ASSERT_LE(r[i].bottom(), img.height()) << p.texts[i].text;
                bool ink = false;
                for (int x = r[i].left(); x <= r[i].right() && !ink; ++x)
                    for (int y = r[i].top(); y < r[i].bottom() && !ink; ++y)
                        ink = img.pixelColor(x, y) != status_face_color();
                EXPECT_TRUE(ink) << p.texts[i].text;
            }
        }
    // In a narrow window (a panel docked beside the view, a large scale) the texts stay inside
    // it, still apart.
    f.set_zparam(0);
    const tstatuspanel p = status_panel_content(f);
    const std::vector<QRect> r = status_text_rects(p, big, 420);
    for (std::size_t i = 0; i < r.size(); ++i) {
        if (!r[i].isEmpty()) EXPECT_LE(r[i].right(), 420) << p.texts[i].text;
        for (std::size_t j = i + 1; j < r.size(); ++j) EXPECT_FALSE(r[i].intersects(r[j]));
    }
}

// Silence has no level.
TEST_F(StatusPanel, SilenceShowsNoLevel) {
    t.start();
    t.feed(std::vector<std::int16_t>(2 * 44100, 0));
    const tstatuspanel p = status_panel_content(f);
    for (const tstatustext& s : p.texts)
        EXPECT_EQ(s.text.rfind("L=", 0), std::string::npos) << s.text;
}

TEST_F(StatusPanel, GreyLampThenNoiseWarning) {
    EXPECT_EQ(lamp_colour(0), QColor(192, 192, 192));
    tstatuspanel p = status_panel_content(f);
    ASSERT_NE(text_at(p, 370, 1), nullptr);
    EXPECT_EQ(text_at(p, 370, 1)->text.rfind("Left: ", 0), 0u);
    // The noise hold (0.1 s) plus a second is over and still no noise was measured.
    f.holdcount = std::int32_t(1.1 * f.advanced.fs) + 1;
    p = status_panel_content(f);
    EXPECT_EQ(text_at(p, 370, 1)->text, "Background noise not ok, check the microphone, "
                                        "calibration and the noise range settings");
    EXPECT_EQ(text_at(p, 370, 1)->color, statusred);
    // Not analysed: no level, F0 or measure texts while not recording.
    EXPECT_EQ(text_at(p, 21, 1), nullptr);
    EXPECT_EQ(text_at(p, 150, 1), nullptr);
}

TEST_F(StatusPanel, LevelTextReferenceAndColour) {
    f.frecording = true; // the level shows while recording even for a rejected frame
    f.advanced.calibrationrecalculate = true;
    f.pgs[0].actualdistance = 0.15;
    f.advanced.standarddistance = 0.3;
    tstatuspanel p = status_panel_content(f);
    const tstatustext* l = text_at(p, 21, 1);
    ASSERT_NE(l, nullptr);
    EXPECT_TRUE(l->text.ends_with(" dB (recalc)")) << l->text;
    EXPECT_EQ(l->text.rfind("L=", 0), 0u);
    EXPECT_EQ(l->color, statusred); // below noiselo (25 dB)
    f.pgs[0].actualdistance = 0.3;
    f.advanced.noiselo[0] = f.live(0).level; // equal: black
    p = status_panel_content(f);
    EXPECT_TRUE(text_at(p, 21, 1)->text.ends_with(" (actual)"));
    EXPECT_EQ(text_at(p, 21, 1)->color, statusblack);
    f.frecording = false;
}

TEST_F(StatusPanel, AcceptedVoiceLightsTheLampAndShowsItsReadings) {
    f.set_zparam(3);
    record_voice(1.0);
    ASSERT_TRUE(f.live(0).killpoint.empty());
    EXPECT_EQ(lamp_colour(0), QColor(64, 64, 255));
    const tstatuspanel p = status_panel_content(f);
    ASSERT_NE(text_at(p, 150, 1), nullptr);
    const std::string fo = text_at(p, 150, 1)->text;
    EXPECT_EQ(fo, "fo=" + sigdigits(4, f.live(0).f0) + " Hz");
    EXPECT_EQ(fo.rfind("fo=2", 0), 0u) << fo;
    ASSERT_NE(text_at(p, 260, 1), nullptr);
    EXPECT_EQ(text_at(p, 260, 1)->text.rfind("HNR = ", 0), 0u);
}

TEST_F(StatusPanel, OtherChannelLouderCrossesTheLamp) {
    f.advanced.rightblockleft = true;
    f.pgs[1].visible = true;
    record_voice(4.0); // 12 dB louder on the right
    ASSERT_TRUE(f.live(0).killpoint.only(tkillreason::otherlouder));
    const tstatuspanel p = status_panel_content(f);
    ASSERT_GE(p.lamps.size(), 1u);
    EXPECT_EQ(p.lamps[0].fill, f.pgs[0].ltcolor);
    EXPECT_TRUE(p.lamps[0].cross);
    EXPECT_EQ(p.lamps[0].crosscolor, f.pgs[1].color);
    const QImage img = render_status_panel(f, 700);
    EXPECT_EQ(img.pixelColor(8, 1 + 7),
              QColor(f.pgs[1].color.r, f.pgs[1].color.g, f.pgs[1].color.b));
    EXPECT_EQ(img.pixelColor(12, 1 + 4),
              QColor(f.pgs[0].ltcolor.r, f.pgs[0].ltcolor.g, f.pgs[0].ltcolor.b));
}

TEST_F(StatusPanel, CrosshairReadings) {
    f.fshowcursor = true;
    f.cursor = {69, 80};
    f.advanced.hideisolatedbins = false;
    tstatuspanel p = status_panel_content(f);
    const int y = 1 + 18; // channel 0 has a line
    EXPECT_EQ(text_at(p, 200, y)->text, "A4");
    EXPECT_EQ(text_at(p, 225, y)->text, "440 Hz");
    EXPECT_EQ(text_at(p, 280, y)->text, "80 dB");
    EXPECT_EQ(text_at(p, 340, y), nullptr); // no phonetogram shows the bin

    f.pgs[0].param[pglayeracctime].arr[69][80] = 1.0;
    p = status_panel_content(f);
    ASSERT_NE(text_at(p, 340, y), nullptr);
    EXPECT_EQ(text_at(p, 340, y)->text, "1 s");
    EXPECT_EQ(text_at(p, 340, y)->color, f.pgs[0].dkcolor);
    // A loaded phonetogram without the layer shows no value.
    f.set_zparam(7);
    f.pgs[0].param.resize(3);
    p = status_panel_content(f);
    EXPECT_EQ(text_at(p, 340, y), nullptr);
}

} // namespace
} // namespace gravon
