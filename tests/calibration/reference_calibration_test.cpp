// The full scale measured from a reference in a recording, and the calibrations kept per
// file.
#include "base/errors.h"
#include "calibration/file_calibrations.h"
#include "calibration/reference_calibration.h"
#include "support/reference_take.h"
#include "support/temp_config.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

namespace gravon {
namespace {

constexpr double fs = 44100;

// A sinusoid of f Hz whose level is spl dB SPL when full scale stands for fullscale Pa.
std::vector<float> tone(double f, double spl, double seconds, double fullscale) {
    const double amp = std::sqrt(2.0) * 2e-5 * std::pow(10.0, spl / 20.0) / fullscale;
    std::vector<float> x(std::size_t(seconds * fs));
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = float(amp * std::sin(2 * std::numbers::pi * f * double(i) / fs));
    return x;
}

double measured_fullscale(const std::vector<float>& x, const treference& ref) {
    treferencemeter m(ref, fs);
    // In pieces, as the readers hand them over.
    for (std::size_t i = 0; i < x.size(); i += 5000)
        m.add(std::span<const float>(x).subspan(i, std::min<std::size_t>(5000, x.size() - i)));
    return m.result("take.wav", std::int64_t(x.size())).fullscale;
}

double db(double ratio) {
    return 20 * std::log10(ratio);
}

TEST(ReferenceCalibration, TheCommandLineFormReadsStretchLevelWeightingAndDistance) {
    std::string why;
    const auto a = parse_reference("0.5-3.5:94", why);
    ASSERT_TRUE(a) << why;
    EXPECT_DOUBLE_EQ(a->start, 0.5);
    EXPECT_DOUBLE_EQ(a->end, 3.5);
    EXPECT_DOUBLE_EQ(a->level, 94);
    EXPECT_FALSE(a->aweighted);
    EXPECT_LT(a->distance, 0);
    const auto b = parse_reference("1-4:85.5A@300", why);
    ASSERT_TRUE(b) << why;
    EXPECT_TRUE(b->aweighted);
    EXPECT_DOUBLE_EQ(b->level, 85.5);
    EXPECT_DOUBLE_EQ(b->distance, 0.3);
    // A text of another form is told by the form; one of the form by the value that cannot be.
    for (const char* bad : {"0.5:94", "0.5-3.5", "0.5-3.5:", "0.5-3.5:94@", ""}) {
        bool badvalue = true;
        EXPECT_FALSE(parse_reference(bad, why, &badvalue)) << bad;
        EXPECT_NE(why.find("START-END:LEVEL"), std::string::npos) << why;
        EXPECT_FALSE(badvalue) << bad;
    }
    for (auto [bad, says] : {std::pair{"a-3.5:94", "the start \"a\", which is not a finite number"},
                             {"0.5-3.5:9x4", "the level \"9x4\""},
                             {"0.5-3.5:nan", "the level \"nan\""},
                             {"0.5-inf:94", "the end \"inf\""},
                             {"3-1:94", "is reversed"},
                             {"2-2:94", "is reversed"},
                             {"0.5-3.5:94@0", "distance of 0 mm"},
                             {"0.5-3.5:94@-3", "distance of -3 mm"}}) {
        bool badvalue = false;
        EXPECT_FALSE(parse_reference(bad, why, &badvalue)) << bad;
        EXPECT_NE(why.find(says), std::string::npos) << bad << ": " << why;
        EXPECT_TRUE(badvalue) << bad;
    }
}

TEST(ReferenceCalibration, AOneKilohertzToneGivesTheFullScaleInDbSplAndDbA) {
    const std::vector<float> x = tone(1000, 94, 4, 20.0);
    // 1 kHz passes the A-weighting all but unchanged (its four sections read 0.03 dB high at
    // 44.1 kHz): the same reading in both.
    EXPECT_NEAR(db(measured_fullscale(x, {0.5, 3.5, 94, false}) / 20.0), 0, 0.005);
    EXPECT_NEAR(db(measured_fullscale(x, {0.5, 3.5, 94, true}) / 20.0), 0, 0.05);
}

TEST(ReferenceCalibration, AReadingInDbAOfA250HzToneGoesThroughTheAWeighting) {
    const double spl = 90;
    const std::vector<float> x = tone(250, spl, 4, 50.0);
    const double dba = spl + testing::a_weighting_db(250);
    ASSERT_NEAR(dba, spl - 8.6, 0.1);
    treference ref{0.5, 3.5, dba, true};
    EXPECT_NEAR(db(measured_fullscale(x, ref) / 50.0), 0, 0.2);
    // Taken as dB SPL, the same reading would be 8.6 dB off.
    ref.aweighted = false;
    EXPECT_NEAR(db(measured_fullscale(x, ref) / 50.0), -8.6, 0.2);
}

TEST(ReferenceCalibration, AStretchThatCannotBeAReferenceSaysWhy) {
    const std::vector<float> x = tone(1000, 94, 4, 20.0);
    const auto problem = [&](const std::vector<float>& s, treference ref) -> std::string {
        try {
            measured_fullscale(s, ref);
        } catch (const EGravonError& e) {
            return e.what();
        }
        return "";
    };
    const auto has = [](const std::string& text, const char* part) {
        return text.find(part) != std::string::npos;
    };
    EXPECT_TRUE(has(problem(x, {3.0, 5.0, 94}), "is outside take.wav, which lasts 4.000 s"));
    EXPECT_TRUE(has(problem(x, {-1.0, 2.0, 94}), "is outside"));
    EXPECT_TRUE(has(problem(x, {2.0, 1.0, 94}), "is reversed"));
    EXPECT_TRUE(has(problem(x, {1.0, 1.05, 94}), "too short"));
    std::vector<float> quiet(x.size(), 0.0f);
    EXPECT_TRUE(has(problem(quiet, {0.5, 3.5, 94}), "is silent"));
    // A recorder's hiss 90 dB below full scale is no reference either.
    for (std::size_t i = 0; i < quiet.size(); ++i) quiet[i] = (i % 2 ? 3e-5f : -3e-5f);
    EXPECT_TRUE(has(problem(quiet, {0.5, 3.5, 94}), "is silent"));
    std::vector<float> loud = tone(1000, 94, 4, 20.0);
    for (std::size_t i = 88200; i < 88300; ++i) loud[i] = 1.0f;
    const std::string clipped = problem(loud, {0.5, 3.5, 94});
    EXPECT_TRUE(has(clipped, "clips: 100 of its samples reach digital full scale")) << clipped;
    // Clipping outside the stretch does not matter.
    EXPECT_EQ(problem(loud, {2.5, 3.5, 94}), "");
    for (double level : {29.9, 140.1, std::nan("")})
        EXPECT_TRUE(has(problem(x, {0.5, 3.5, level}), "outside the levels a reference can have"))
            << level;
    EXPECT_EQ(problem(x, {0.5, 3.5, 30}), "");
    EXPECT_EQ(problem(x, {0.5, 3.5, 140}), "");
}

TEST(FileCalibrations, AreKeptPerFileAndChannelUntilTheFileChanges) {
    testing::ttempconfig config;
    const std::string take = (config.root / "files" / "take.wav").string();
    const std::string other = (config.root / "files" / "other.wav").string();
    testing::write_reference_take(take, {});
    testing::write_reference_take(other, {});
    tfilecalibrations store((config.root / "config" / "cal.txt").string());
    EXPECT_FALSE(store.find(take, 0));
    store.remember(take, 0, {20.5, 3, "Calibrated from a reference\tof 94 dB\r\nby me", 0.3});
    store.remember(take, 1, {7.0, 2, "typed", -1});
    store.remember(other, 0, {1.5, 2, "typed", -1});
    store.remember(take, 0, {21.0, 3, "again", -1});

    // Read back by another store of the same file, by a relative name too.
    tfilecalibrations again((config.root / "config" / "cal.txt").string());
    const auto c = again.find(take, 0);
    ASSERT_TRUE(c);
    EXPECT_DOUBLE_EQ(c->fullscale, 21.0);
    EXPECT_EQ(c->text, "again");
    EXPECT_EQ(again.find(take, 1)->fullscale, 7.0);
    EXPECT_EQ(again.find(other, 0)->fullscale, 1.5);
    EXPECT_EQ(again.read().size(), 3u);
    again.forget(take, 1);
    EXPECT_FALSE(again.find(take, 1));
    EXPECT_TRUE(again.find(take, 0));

    // Texts stay on one line; the stretch of the reference it was measured from stays with it,
    // so that a later replay leaves the reference out of the phonetogram again.
    store.remember(take, 0, {20.5, 3, "a\tb\nc", 0.3, 0.25, 2.75});
    EXPECT_EQ(store.find(take, 0)->text, "a b c");
    EXPECT_DOUBLE_EQ(store.find(take, 0)->distance, 0.3);
    EXPECT_DOUBLE_EQ(store.find(take, 0)->referencestart, 0.25);
    EXPECT_DOUBLE_EQ(store.find(take, 0)->referenceend, 2.75);

    // A file recorded anew under the same name is not the one that was calibrated.
    testing::write_reference_take(take, {.toneseconds = 1.0});
    EXPECT_FALSE(store.find(take, 0));
    EXPECT_TRUE(store.find(other, 0));
}

} // namespace
} // namespace gravon
