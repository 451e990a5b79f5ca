#include "audio/mpc_error.h"
#include "audio/mpc_play.h"
#include "audio/simulated_wave_service.h"
#include "audio/wave_error_text.h"

#include <gtest/gtest.h>

using namespace gravon;

namespace {

template <class F> std::string error_of(F&& action) {
    try {
        action();
    } catch (const EMPCError& e) {
        return e.what();
    }
    return "no error";
}

// A player whose owner fills buffer n (1-based) with the value n, stereo.
struct PlayerTest : ::testing::Test {
    tsimulatedwaveout device;
    TMPCPlay play{device};
    std::int32_t stashes = 0;
    std::int32_t closes = 0;
    std::int32_t lastat = -1;  // set `last` in this buffer
    std::int32_t emptyat = -1; // fill nothing from this buffer on
    std::int32_t shortat = -1; // fill only 3 samples in this buffer
    bool pausedwhilequeuing = true;

    PlayerTest() {
        play.setnChans(2);
        play.setnBuffers(3);
        play.setnChunkSamples(4);
        play.OnStash = [this](TWaveChunk& a, std::int32_t& used, bool& last) {
            ++stashes;
            EXPECT_EQ(used, 4);
            if (stashes <= 3) pausedwhilequeuing = pausedwhilequeuing && device.paused();
            if (emptyat >= 0 && stashes >= emptyat) {
                used = 0;
                return;
            }
            std::fill(a.begin(), a.end(), static_cast<std::int16_t>(stashes));
            if (stashes == shortat) used = 3;
            if (stashes == lastat) last = true;
        };
        play.OnClosed = [this] { ++closes; };
    }
};

TEST_F(PlayerTest, PlaysTheBuffersInOrderOnceAllAreQueued) {
    play.Run();
    EXPECT_EQ(stashes, 3);
    EXPECT_TRUE(pausedwhilequeuing);
    EXPECT_FALSE(device.paused());
    shortat = 5;
    EXPECT_EQ(device.run(5), 5);
    EXPECT_EQ(device.played,
              (std::vector<std::int16_t>{1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5}));
    EXPECT_EQ(device.format().channels, 2);
    EXPECT_EQ(device.format().samplespersec, 8000);
    EXPECT_EQ(device.format().blockalign, 4);
}

TEST_F(PlayerTest, LastPlaysThatBufferAndThenStops) {
    lastat = 2;
    play.Run();
    EXPECT_EQ(stashes, 2); // the third buffer is never asked for
    device.run(100);
    EXPECT_EQ(device.played, (std::vector<std::int16_t>{1, 1, 1, 1, 2, 2, 2, 2}));
    EXPECT_EQ(stashes, 2);
    EXPECT_FALSE(play.OwnBoard());
    EXPECT_EQ(closes, 1);
}

TEST_F(PlayerTest, NothingFilledEndsWithOneSilentFrame) {
    emptyat = 5;
    play.Run();
    device.run(100);
    ASSERT_EQ(device.played.size(), 4u * 4 + 2);
    EXPECT_EQ(device.played[15], 4);
    EXPECT_EQ(device.played[16], 0);
    EXPECT_EQ(device.played[17], 0);
    EXPECT_EQ(stashes, 5);
    EXPECT_FALSE(play.OwnBoard());
    EXPECT_EQ(closes, 1);
}

TEST_F(PlayerTest, StopOnAClosedPlayerDoesNothing) {
    play.Stop();
    device.deliver();
    EXPECT_EQ(closes, 0);
    EXPECT_EQ(device.opens(), 0);

    play.Run();
    device.run(2);
    play.Stop();
    device.run(100);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(device.buffersplayed, 2);
    play.Stop();
    EXPECT_EQ(closes, 1);
}

TEST_F(PlayerTest, MisuseAndFailedOpen) {
    TMPCPlay unassigned{device};
    EXPECT_EQ(error_of([&] { unassigned.Run(); }), "Nothing assigned to OnStash!");

    device.failopen = wave_error_badformat;
    EXPECT_EQ(error_of([&] { play.Run(); }),
              "WaveOutOpen:" + wave_error_text(wave_error_badformat));
    EXPECT_FALSE(play.OwnBoard());
    EXPECT_EQ(stashes, 0);

    device.failopen = wave_noerror;
    play.Run();
    EXPECT_EQ(error_of([&] { play.setnChans(1); }), "Cannot change nChans while owning board");
    EXPECT_EQ(error_of([&] { play.setsfTot(1); }), "Cannot change sfTot while owning board");
    play.Stop();
    play.setnChans(-1);
    play.setnBuffers(1001);
    EXPECT_EQ(play.nChans(), 1);
    EXPECT_EQ(play.nBuffers(), 1000);
}

TEST_F(PlayerTest, VolumeHalvesAreWrittenSeparately) {
    EXPECT_EQ(play.LeftVolume(), 0); // no volume control at all
    device.volumes = {0x11112222u, 0x33334444u};
    device.defaultdevice = 1;
    EXPECT_EQ(play.LeftVolume(), 0x4444);
    EXPECT_EQ(play.RightVolume(), 0x3333);
    play.setLeftVolume(0xAAAA);
    EXPECT_EQ(device.volumes[1], 0x3333AAAAu);
    play.setRightVolume(0x5555);
    EXPECT_EQ(device.volumes[1], 0x5555AAAAu);
    play.setDeviceID(0);
    play.setBothVolume(0x0101);
    EXPECT_EQ(device.volumes[0], 0x01010101u);
}

} // namespace
