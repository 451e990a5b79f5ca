#include "analysis/channel_blocking.h"
#include "analysis/frame_acceptance.h"
#include "analysis/kill_point.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace gravon;

TEST(KillPoint, BitValues) {
    EXPECT_EQ(std::uint16_t(tkillreason::lfblock), 1);
    EXPECT_EQ(std::uint16_t(tkillreason::hfblock), 2);
    EXPECT_EQ(std::uint16_t(tkillreason::nof0), 4);
    EXPECT_EQ(std::uint16_t(tkillreason::f0speed), 8);
    EXPECT_EQ(std::uint16_t(tkillreason::levelspeed), 16);
    EXPECT_EQ(std::uint16_t(tkillreason::lowhnr), 32);
    EXPECT_EQ(std::uint16_t(tkillreason::otherlouder), 64);
    EXPECT_EQ(std::uint16_t(tkillreason::keyboard), 128);
    EXPECT_EQ(std::uint16_t(tkillreason::ratearithmetic), 256);
    EXPECT_EQ(std::uint16_t(tkillreason::nonfinite), 1024);
    EXPECT_EQ(std::uint16_t(tkillreason::notanalysed), 4096);
    tkillpoint kp;
    EXPECT_TRUE(kp.empty());
    kp.add(tkillreason::nof0);
    kp.add(tkillreason::keyboard);
    kp.add(tkillreason::nof0);
    EXPECT_EQ(kp.value(), 132);
    EXPECT_TRUE(kp.has(tkillreason::keyboard));
    EXPECT_FALSE(kp.has(tkillreason::lowhnr));
    EXPECT_FALSE(kp.only(tkillreason::nof0));
    kp.clear();
    kp.add(tkillreason::lowhnr);
    EXPECT_TRUE(kp.only(tkillreason::lowhnr));
    EXPECT_EQ(tchannelmeasures{}.killpoint.value(), 4096); // before the first hop
}

namespace {
tkillpoint rates(double prevf0, double f0, double prevpower, double power, double d = 0.02) {
    tkillpoint kp;
    rate_tests(prevf0, f0, prevpower, power, d, tanalysisparams{}, kp);
    return kp;
}
double db(double v) {
    return std::pow(10.0, v / 10.0);
}
} // namespace

TEST(RateTests, F0JumpIsMeasuredInSemitonesPerHop) {
    EXPECT_EQ(rates(200.0, 300.0, 1.0, 1.0).value(), 8); // 7.02 semitones
    EXPECT_EQ(rates(300.0, 200.0, 1.0, 1.0).value(), 8); // down as well
    EXPECT_TRUE(rates(200.0, 299.0, 1.0, 1.0).empty());  // 6.96
    EXPECT_TRUE(rates(0.0, 300.0, 1.0, 1.0).empty());    // no previous F0
    EXPECT_TRUE(rates(200.0, 0.0, 1.0, 1.0).empty());    // no F0 now
    EXPECT_EQ(rates(1.0, 200.0, 1.0, 1.0).value(), 8);   // after a rejected frame
    // The limit does not depend on the hop duration.
    EXPECT_TRUE(rates(200.0, 299.0, 1.0, 1.0, 0.001).empty());
}

TEST(RateTests, LevelSpeedInDbPerSecond) {
    // 20 ms hop: a rise of more than 4 dB (200 dB/s) or a fall of more than 2 dB (100 dB/s).
    EXPECT_EQ(rates(0, 0, 1.0, db(4.1)).value(), 16);
    EXPECT_TRUE(rates(0, 0, 1.0, db(3.9)).empty());
    EXPECT_EQ(rates(0, 0, db(2.1), 1.0).value(), 16);
    EXPECT_TRUE(rates(0, 0, db(1.9), 1.0).empty());
    EXPECT_TRUE(rates(0, 0, 0.0, 1.0).empty()); // no previous power
    EXPECT_TRUE(rates(0, 0, 1.0, 0.0).empty()); // no power now
    // The first hop after a start: previous power 1e-20 (-200 dB).
    EXPECT_EQ(rates(0, 0, 1e-20, db(40.0)).value(), 16);
    // Both reasons at once.
    EXPECT_EQ(rates(200.0, 400.0, 1.0, db(10.0)).value(), 8 + 16);
}

TEST(RateTests, ArithmeticFailureBecomesAReason) {
    // The ratio overflows: the failure is a reason and the rest of the tests is skipped.
    EXPECT_EQ(rates(1e300, 1e-300, 1.0, db(10.0)).value(), 256);
    EXPECT_EQ(rates(200.0, 300.0, 1e300, 1e-300).value(), 8 + 256);
    EXPECT_EQ(rates(0, 0, 1e-300, 1e300).value(), 256);
}

TEST(Clearing, RejectedChannelLosesItsMeasures) {
    tchannelmeasures m;
    m.f0 = 220;
    m.semitone = 57;
    m.level = 75;
    m.power = db(75);
    m.crestlevel = 3;
    m.h1h2 = 4;
    m.centroid = 800;
    m.hnr = 20;
    m.maxpartno = 2;
    m.killpoint.clear();
    tchannelmeasures accepted = m;
    clear_rejected(accepted);
    EXPECT_EQ(accepted.f0, 220);
    EXPECT_EQ(accepted.hnr, 20);

    m.killpoint.add(tkillreason::levelspeed);
    clear_rejected(m);
    EXPECT_EQ(m.f0, 0);
    EXPECT_EQ(m.semitone, 0);
    EXPECT_EQ(m.h1h2, -50);
    EXPECT_EQ(m.crestlevel, -50);
    EXPECT_EQ(m.centroid, 0);
    EXPECT_EQ(m.maxpartno, 0);
    EXPECT_EQ(m.hnr, -50);
    EXPECT_EQ(m.level, 75);
    EXPECT_EQ(m.power, db(75));
}

TEST(Clearing, LowHnrAloneKeepsTheHnr) {
    tchannelmeasures m;
    m.f0 = 220;
    m.hnr = 3;
    m.killpoint.clear();
    m.killpoint.add(tkillreason::lowhnr);
    clear_rejected(m);
    EXPECT_EQ(m.f0, 0);
    EXPECT_EQ(m.hnr, 3);
    m.hnr = 3;
    m.killpoint.add(tkillreason::otherlouder);
    clear_rejected(m);
    EXPECT_EQ(m.hnr, -50);
}

TEST(ChannelBlocking, LouderOtherChannel) {
    tanalysisparams p;
    p.keyboardblock = false;
    tkillpoint k0, k1;
    block_channels(80.0, 70.0, 0, p, k0, k1); // switches off
    EXPECT_TRUE(k0.empty());
    EXPECT_TRUE(k1.empty());
    p.leftblockright = p.rightblockleft = true;
    block_channels(80.0, 70.0, 0, p, k0, k1);
    EXPECT_TRUE(k0.empty());
    EXPECT_EQ(k1.value(), 64);
    k1.clear();
    block_channels(70.0, 80.0, 0, p, k0, k1);
    EXPECT_EQ(k0.value(), 64);
    EXPECT_TRUE(k1.empty());
    k0.clear();
    block_channels(75.0, 70.0, 0, p, k0, k1); // exactly the threshold: not blocked
    EXPECT_TRUE(k1.empty());
    p.rightblockleft = false;
    block_channels(70.0, 80.0, 0, p, k0, k1);
    EXPECT_TRUE(k0.empty());
}

TEST(ChannelBlocking, KeyboardBlocksBothChannels) {
    tanalysisparams p;
    tkillpoint k0, k1;
    block_channels(80.0, 80.0, 0, p, k0, k1);
    EXPECT_TRUE(k0.empty());
    block_channels(80.0, 80.0, 300, p, k0, k1);
    EXPECT_EQ(k0.value(), 128);
    EXPECT_EQ(k1.value(), 128);
    p.keyboardblock = false;
    tkillpoint j0, j1;
    block_channels(80.0, 80.0, 300, p, j0, j1);
    EXPECT_TRUE(j0.empty());
    EXPECT_TRUE(j1.empty());
}
