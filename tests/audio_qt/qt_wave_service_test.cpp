// Recording and playing through the system's sound devices (the sound_server of the tests);
// skipped where there are none.
#include "audio/mpc_error.h"
#include "audio/mpc_play.h"
#include "audio/mpc_record.h"
#include "audio/qt/qt_wave_service.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cmath>
#include <gtest/gtest.h>

using namespace gravon;

namespace {

// Runs the event loop until `done` holds; gives up after 20 s so a broken device cannot hang
// the test run.
template <class F> bool run_until(F&& done) {
    QElapsedTimer guard;
    guard.start();
    while (!done() && guard.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return done();
}

TEST(QtWaveService, RecordsBlocksOfTheSizeAskedForUntilLast) {
    tqtwavein in;
    if (in.device_names().empty()) GTEST_SKIP() << "no sound input";
    TMPCRecord rec(in);
    rec.setnChans(2);
    rec.setsfTot(88200);
    rec.setnBits(24);
    rec.setnBuffers(8);
    rec.setnChunkSamples(2048);
    int blocks = 0, wrongsize = 0, opened = 0, closed = 0;
    rec.OnFetch24 = [&](const tint24arr&, std::int32_t used, bool& last) {
        if (used != 2048) ++wrongsize;
        last = ++blocks == 10;
    };
    rec.OnOpened = [&] { ++opened; };
    rec.OnClosed = [&] { ++closed; };
    rec.Run();
    ASSERT_TRUE(run_until([&] { return closed == 1; }));
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(blocks, 10);
    EXPECT_EQ(wrongsize, 0);
    EXPECT_FALSE(rec.OwnBoard());
}

TEST(QtWaveService, PlaysUntilTheLastBufferAndCloses) {
    tqtwaveout out;
    if (out.device_names().empty()) GTEST_SKIP() << "no sound output";
    TMPCPlay play(out);
    play.setnChans(2);
    play.setsfTot(88200);
    play.setnBuffers(4);
    play.setnChunkSamples(4096);
    int stashes = 0, closed = 0;
    double phase = 0;
    play.OnStash = [&](TWaveChunk& a, std::int32_t& used, bool& last) {
        for (std::int32_t k = 0; k < used; k += 2, phase += 2 * M_PI * 440 / 44100)
            a[k] = a[k + 1] = static_cast<std::int16_t>(1000 * std::sin(phase));
        last = ++stashes == 6;
    };
    play.OnClosed = [&] { ++closed; };
    play.Run();
    ASSERT_TRUE(run_until([&] { return closed == 1; }));
    EXPECT_EQ(stashes, 6);
}

TEST(QtWaveService, UnknownDeviceFailsToOpen) {
    tqtwavein in;
    TMPCRecord rec(in);
    rec.OnFetch = [](const TWaveChunk&, std::int32_t, bool&) {};
    rec.setDeviceID(rec.nDevices() + 5);
    EXPECT_THROW(rec.Run(), EMPCError);
    EXPECT_FALSE(rec.OwnBoard());
}

} // namespace
