#include "audio/mpc_error.h"
#include "audio/mpc_record.h"
#include "audio/simulated_wave_service.h"
#include "audio/wave_error_text.h"
#include "base/sample_conversion.h"

#include <gtest/gtest.h>

using namespace gravon;

namespace {

// Sample k of the input is k - 1000, so a block's position in the stream shows in its values.
std::int32_t ramp(std::int64_t k) {
    return static_cast<std::int32_t>(k) - 1000;
}

// The message of the EMPCError that `action` raises.
template <class F> std::string error_of(F&& action) {
    try {
        action();
    } catch (const EMPCError& e) {
        return e.what();
    }
    return "no error";
}

struct RecorderTest : ::testing::Test {
    tsimulatedwavein device;
    TMPCRecord rec{device};
    std::vector<std::int32_t> got; // every delivered sample, in order
    std::int32_t blocks = 0;
    std::int32_t closes = 0;
    std::int32_t stopafter = -1; // set `last` in this block (1-based)

    RecorderTest() {
        device.source = ramp;
        rec.setnBuffers(3);
        rec.setnChunkSamples(8);
        rec.OnFetch = [this](const TWaveChunk& a, std::int32_t used, bool& last) {
            ++blocks;
            got.insert(got.end(), a.begin(), a.begin() + used);
            if (blocks == stopafter) last = true;
        };
        rec.OnClosed = [this] { ++closes; };
    }
};

TEST_F(RecorderTest, PropertiesFollowTheirRules) {
    TMPCRecord fresh{device};
    EXPECT_EQ(fresh.nChans(), 1);
    EXPECT_EQ(fresh.sfTot(), 16000);
    EXPECT_EQ(fresh.nBits(), 16);
    EXPECT_EQ(fresh.nBuffers(), 4);
    EXPECT_EQ(fresh.nChunkSamples(), 4096);
    EXPECT_EQ(fresh.DeviceID(), -1);
    EXPECT_EQ(fresh.nDevices(), 2);

    rec.setnBits(24);
    rec.setnBits(20); // not a width the recorder knows: the previous one stays
    EXPECT_EQ(rec.nBits(), 24);
    rec.setnBuffers(5000);
    EXPECT_EQ(rec.nBuffers(), 1000);
    rec.setnChans(0);
    rec.setsfTot(-5);
    EXPECT_EQ(rec.nChans(), 1);
    EXPECT_EQ(rec.sfTot(), 1);

    rec.setnChans(2);
    rec.setsfTot(88201); // the rate per channel truncates
    const twaveformat& f = rec.wavefmt();
    EXPECT_EQ(f.channels, 2);
    EXPECT_EQ(f.samplespersec, 44100);
    EXPECT_EQ(f.bitspersample, 24);
    EXPECT_EQ(f.blockalign, 6);
    EXPECT_EQ(f.avgbytespersec, 264600);
}

TEST_F(RecorderTest, FormatCannotChangeWhileTheDeviceIsOpen) {
    rec.Run();
    EXPECT_EQ(error_of([&] { rec.setnChans(2); }), "Cannot change nChans while owning board");
    EXPECT_EQ(error_of([&] { rec.setsfTot(8000); }), "Cannot change sfTot while owning board");
    EXPECT_EQ(error_of([&] { rec.setnBits(24); }), "Cannot change nBits while owning board");
    EXPECT_EQ(error_of([&] { rec.setnBits(20); }), "no error");
    EXPECT_EQ(rec.nChans(), 1);
    EXPECT_EQ(rec.sfTot(), 16000);
    EXPECT_EQ(rec.nBits(), 16);
    // The buffers are queued at the device, so resizing them is refused as well.
    EXPECT_THROW(rec.setnBuffers(8), EMPCError);
    EXPECT_THROW(rec.setnChunkSamples(16), EMPCError);
}

TEST_F(RecorderTest, DeliversTheStreamInOrderAndQueuesEachBufferAgain) {
    rec.Run();
    EXPECT_EQ(blocks, 0); // queuing at the start delivers nothing
    EXPECT_EQ(device.queued(), 3);
    EXPECT_EQ(device.run(10), 10);
    EXPECT_EQ(blocks, 10);
    EXPECT_EQ(device.queued(), 3);
    ASSERT_EQ(got.size(), 80u);
    for (std::size_t k = 0; k < got.size(); ++k) ASSERT_EQ(got[k], ramp(k)) << k;
}

TEST_F(RecorderTest, TwentyFourBitBlocksAndConversionForTheOtherWidth) {
    // Past the 16-bit range, both signs.
    device.source = [](std::int64_t k) { return (k % 2 ? -1 : 1) * (100000 + std::int32_t(k)); };
    std::vector<std::int32_t> got24;
    rec.OnFetch24 = [&](const tint24arr& a, std::int32_t used, bool&) {
        for (std::int32_t k = 0; k < used; ++k) got24.push_back(int24toint(a[k]));
    };
    rec.setnBits(24);
    rec.Run();
    device.run(2);
    ASSERT_EQ(got24.size(), 16u);
    EXPECT_EQ(got24[0], 100000);
    EXPECT_EQ(got24[15], -100015);
    EXPECT_TRUE(got.empty()); // the handler of the width in use gets the blocks
    rec.Stop();

    // With only a 16-bit handler, 24-bit blocks arrive without their low byte.
    rec.OnFetch24 = nullptr;
    rec.Run();
    device.run(1);
    ASSERT_EQ(got.size(), 8u);
    EXPECT_EQ(got[0], 100000 >> 8);
    EXPECT_EQ(got[1], -100001 >> 8);
}

TEST_F(RecorderTest, LastEndsDeliveryAndClosesWhenTheMarkedBufferReturns) {
    stopafter = 2;
    rec.Run();
    device.run(2);
    EXPECT_EQ(blocks, 2);
    EXPECT_TRUE(rec.OwnBoard()); // the marked buffer is still at the device
    // The two buffers queued before it come back undelivered; the marked one closes.
    EXPECT_EQ(device.run(100), 3);
    EXPECT_EQ(blocks, 2);
    EXPECT_FALSE(rec.OwnBoard());
    EXPECT_FALSE(device.isopen());
    EXPECT_EQ(closes, 1);
}

TEST_F(RecorderTest, DeviceMinusOneOpensTheDefaultInput) {
    device.defaultdevice = 1;
    rec.Run();
    EXPECT_EQ(device.openeddevice(), 1);
    rec.Stop();
    rec.setDeviceID(0);
    rec.Run();
    EXPECT_EQ(device.openeddevice(), 0);
}

TEST_F(RecorderTest, FailedOpenLeavesTheRecorderClosed) {
    device.failopen = wave_error_allocated;
    EXPECT_EQ(error_of([&] { rec.Run(); }), "waveinOpen:" + wave_error_text(wave_error_allocated));
    EXPECT_FALSE(rec.OwnBoard());
    rec.setnChans(2); // closed, so allowed
    device.failopen = wave_noerror;
    rec.Run();
    EXPECT_TRUE(rec.OwnBoard());

    TMPCRecord unassigned{device};
    EXPECT_EQ(error_of([&] { unassigned.Run(); }), "Nothing assigned to OnFetch!");
}

TEST_F(RecorderTest, StopThenRunStartsAFreshStreamWithoutStaleBuffers) {
    rec.Run();
    device.process(2); // two buffers filled but not yet handed over
    rec.Stop();
    EXPECT_EQ(rec.OwnBoard(), false);
    rec.Stop(); // closed: nothing happens
    device.deliver();
    EXPECT_EQ(blocks, 0);
    EXPECT_EQ(closes, 1);

    rec.Run();
    device.run(1);
    ASSERT_EQ(got.size(), 8u);
    EXPECT_EQ(got[0], ramp(0));
    EXPECT_EQ(device.queued(), 3);
}

TEST_F(RecorderTest, DeviceNamesFollowTheSystemList) {
    int changes = 0;
    rec.OnDevicesChanged = [&] { ++changes; };
    device.change_devices({"USB microphone"});
    EXPECT_EQ(rec.nDevices(), 2); // heard of only through a notification
    device.deliver();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(rec.Devicenames(), std::vector<std::string>{"USB microphone"});
}

TEST_F(RecorderTest, LostDeviceClosesAndReports) {
    std::vector<twaveresult> failures;
    std::vector<twavemsgkind> seen;
    rec.OnFailed = [&](twaveresult code) {
        EXPECT_FALSE(rec.OwnBoard());
        failures.push_back(code);
    };
    rec.OnMsg = [&](const twavemsg& m) { seen.push_back(m.kind); };
    rec.Run();
    device.run(1);
    device.lose_device();
    device.run(100);
    EXPECT_EQ(failures, std::vector<twaveresult>{wave_error_devicelost});
    EXPECT_EQ(blocks, 1);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(seen, (std::vector<twavemsgkind>{twavemsgkind::opened, twavemsgkind::done,
                                               twavemsgkind::failed, twavemsgkind::closed}));
}

TEST_F(RecorderTest, PacedDeviceFillsBuffersAsTimePasses) {
    rec.setnChans(2); // 8 samples = 4 frames per buffer
    rec.Run();
    device.advance(3);
    EXPECT_EQ(blocks, 0);
    device.advance(1);
    EXPECT_EQ(blocks, 1);
    device.advance(4 * 5);
    EXPECT_EQ(blocks, 6);
    EXPECT_EQ(device.starvedframes(), 0);
}

} // namespace
