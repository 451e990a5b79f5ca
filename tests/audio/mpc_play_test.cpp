#include "audio/mpc_error.h"
#include "audio/mpc_play.h"
#include "audio/simulated_wave_service.h"
#include "audio/wave_error_text.h"

#include <functional>
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

// ---- Failures: whatever fails, the player ends closed and a later Run plays again ----

void expect_plays_again(PlayerTest& t) {
    EXPECT_FALSE(t.play.OwnBoard());
    EXPECT_FALSE(t.device.isopen());
    t.play.setnChans(1); // refused while the device is open
    t.play.setnChans(2);
    const std::int32_t before = t.device.buffersplayed;
    t.play.Run();
    EXPECT_EQ(t.device.queued(), 3);
    EXPECT_FALSE(t.device.paused());
    EXPECT_EQ(t.device.run(2), 2);
    EXPECT_EQ(t.device.buffersplayed, before + 2);
}

struct tfaultcase {
    twaveop op;
    const char* prefix;
};

TEST_F(PlayerTest, AFailingStepOfRunLeavesThePlayerClosed) {
    std::vector<std::string> failures;
    play.OnFailed = [&](const std::string& text) { failures.push_back(text); };
    for (const tfaultcase& c :
         {tfaultcase{twaveop::open, "WaveOutOpen:"}, tfaultcase{twaveop::pause, "WaveOutPause:"},
          tfaultcase{twaveop::prepare, "WaveOutPrepareHeader:"},
          tfaultcase{twaveop::queue, "WaveOutWrite:"},
          tfaultcase{twaveop::restart, "WaveOutRestart:"}}) {
        SCOPED_TRACE(c.prefix);
        // The second buffer fails, so that one is already queued when it does.
        const std::int32_t after = c.op == twaveop::prepare || c.op == twaveop::queue ? 1 : 0;
        device.inject(c.op, wave_error_nomem, after);
        EXPECT_EQ(error_of([&] { play.Run(); }), c.prefix + wave_error_text(wave_error_nomem));
        EXPECT_EQ(device.queued(), 0);
        device.inject(c.op, wave_noerror);
        device.deliver();
        expect_plays_again(*this);
        play.Stop();
        device.deliver();
    }
    EXPECT_TRUE(failures.empty());
}

// A played buffer that cannot be queued again, a device that goes away (the headphones
// unplugged), a generator that raises: the player closes and says why through OnFailed.
TEST_F(PlayerTest, AFailureWhilePlayingClosesThePlayerAndReportsItsText) {
    std::vector<std::string> failures;
    std::int32_t closedbefore = 0;
    play.OnFailed = [&](const std::string& text) {
        EXPECT_FALSE(play.OwnBoard());
        failures.push_back(text);
        closedbefore = closes;
    };
    bool raise = false;
    const auto stash = play.OnStash;
    play.OnStash = [&](TWaveChunk& a, std::int32_t& used, bool& last) {
        if (raise) throw EMPCError("the generator failed");
        stash(a, used, last);
    };
    struct tcase {
        std::function<void()> inject;
        std::string text;
    };
    const std::vector<tcase> cases = {
        {[&] { device.inject(twaveop::prepare, wave_error_nomem); },
         "WaveOutPrepareHeader:" + wave_error_text(wave_error_nomem)},
        {[&] { device.inject(twaveop::queue, wave_error_invalidparam); },
         "WaveOutWrite:" + wave_error_text(wave_error_invalidparam)},
        {[&] { device.inject(twaveop::unprepare, wave_error_stillplaying); },
         "WaveOutUnPrepareHeader:" + wave_error_text(wave_error_stillplaying)},
        {[&] { device.lose_device(); }, wave_error_text(wave_error_devicelost)},
        {[&] { raise = true; }, "the generator failed"},
    };
    for (const tcase& c : cases) {
        SCOPED_TRACE(c.text);
        failures.clear();
        play.Run();
        device.run(1);
        c.inject();
        const std::int32_t closesthen = closes;
        device.run(100);
        EXPECT_EQ(failures, std::vector<std::string>{c.text});
        EXPECT_EQ(closedbefore, closesthen); // reported as it happens, before the close
        EXPECT_EQ(closes, closesthen + 1);
        for (twaveop op : {twaveop::prepare, twaveop::queue, twaveop::unprepare})
            device.inject(op, wave_noerror);
        raise = false;
        expect_plays_again(*this);
        play.Stop();
        device.deliver();
    }
}

TEST_F(PlayerTest, StopClosesWhateverTheDeviceReports) {
    for (const tfaultcase& c : {tfaultcase{twaveop::reset, "WaveOutReset:"},
                                tfaultcase{twaveop::unprepare, "WaveOutUnPrepareHeader:"},
                                tfaultcase{twaveop::close, "WaveOutClose:"}}) {
        SCOPED_TRACE(c.prefix);
        play.Run();
        device.run(1);
        device.inject(c.op, wave_error_nomem);
        EXPECT_EQ(error_of([&] { play.Stop(); }), c.prefix + wave_error_text(wave_error_nomem));
        device.inject(c.op, wave_noerror);
        device.deliver();
        expect_plays_again(*this);
        play.Stop();
        device.deliver();
    }
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
