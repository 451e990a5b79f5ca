#include "audio/mpc_error.h"
#include "audio/mpc_record.h"
#include "audio/simulated_wave_service.h"
#include "audio/wave_error_text.h"
#include "base/sample_conversion.h"

#include <functional>
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

// ---- Failures: whatever fails, the recorder ends closed and a later Run records again ----

// The recorder works as new: the format may change, and a Run delivers the stream from the
// start of a fresh opening.
void expect_records_again(RecorderTest& t) {
    EXPECT_FALSE(t.rec.OwnBoard());
    EXPECT_FALSE(t.device.isopen());
    t.rec.setnChans(2); // refused while the device is open
    t.rec.setnChans(1);
    t.got.clear();
    const std::int32_t before = t.blocks;
    t.rec.Run();
    EXPECT_EQ(t.device.queued(), 3);
    t.device.run(2);
    EXPECT_EQ(t.blocks, before + 2);
    ASSERT_EQ(t.got.size(), 16u);
    EXPECT_EQ(t.got[0], ramp(0));
}

struct tfaultcase {
    twaveop op;
    const char* prefix;
};

// Each step of Run that fails: the failure is raised, nothing is delivered, nothing stays
// queued or open.
TEST_F(RecorderTest, AFailingStepOfRunLeavesTheRecorderClosed) {
    std::vector<std::string> failures;
    rec.OnFailed = [&](const std::string& text) { failures.push_back(text); };
    for (const tfaultcase& c :
         {tfaultcase{twaveop::open, "waveinOpen:"},
          tfaultcase{twaveop::prepare, "waveinPrepareHeader:"},
          tfaultcase{twaveop::queue, "waveinWrite:"}, tfaultcase{twaveop::start, "waveinStart:"}}) {
        SCOPED_TRACE(c.prefix);
        // The second buffer fails, so that one is already queued when it does.
        const std::int32_t after = c.op == twaveop::prepare || c.op == twaveop::queue ? 1 : 0;
        device.inject(c.op, wave_error_nomem, after);
        EXPECT_EQ(error_of([&] { rec.Run(); }), c.prefix + wave_error_text(wave_error_nomem));
        EXPECT_EQ(device.queued(), 0);
        device.inject(c.op, wave_noerror);
        device.deliver();
        expect_records_again(*this);
        rec.Stop();
        device.deliver();
    }
    // Raised to the caller, so not reported a second time.
    EXPECT_TRUE(failures.empty());
}

// A buffer that comes back and cannot be queued again, a device that goes away, a handler of
// the owner's that raises: the recorder closes and says why through OnFailed, and no error
// reaches the service's delivery.
TEST_F(RecorderTest, AFailureWhileRecordingClosesTheRecorderAndReportsItsText) {
    std::vector<std::string> failures;
    rec.OnFailed = [&](const std::string& text) {
        EXPECT_FALSE(rec.OwnBoard());
        failures.push_back(text);
    };
    bool raise = false;
    const auto fetch = rec.OnFetch;
    rec.OnFetch = [&](const TWaveChunk& a, std::int32_t used, bool& last) {
        fetch(a, used, last);
        if (raise) throw EMPCError("the owner's handler failed");
    };
    struct tcase {
        std::function<void()> inject;
        std::string text;
    };
    const std::vector<tcase> cases = {
        {[&] { device.inject(twaveop::prepare, wave_error_nomem); },
         "waveinPrepareHeader:" + wave_error_text(wave_error_nomem)},
        {[&] { device.inject(twaveop::queue, wave_error_invalidparam); },
         "waveinWrite:" + wave_error_text(wave_error_invalidparam)},
        {[&] { device.inject(twaveop::unprepare, wave_error_stillplaying); },
         "waveinUnPrepareHeader:" + wave_error_text(wave_error_stillplaying)},
        {[&] { device.lose_device(); }, wave_error_text(wave_error_devicelost)},
        {[&] { raise = true; }, "the owner's handler failed"},
    };
    for (const tcase& c : cases) {
        SCOPED_TRACE(c.text);
        failures.clear();
        rec.Run();
        device.run(1);
        const std::int32_t delivered = blocks;
        c.inject();
        device.run(100);
        EXPECT_EQ(failures, std::vector<std::string>{c.text});
        EXPECT_LE(blocks, delivered + 1); // the buffer that failed came back, none after it
        for (twaveop op : {twaveop::prepare, twaveop::queue, twaveop::unprepare})
            device.inject(op, wave_noerror);
        raise = false;
        expect_records_again(*this);
        rec.Stop();
        device.deliver();
    }
}

// Stop ends closed even when the device reports errors on the way, and raises the first.
TEST_F(RecorderTest, StopClosesWhateverTheDeviceReports) {
    for (const tfaultcase& c : {tfaultcase{twaveop::reset, "waveinReset:"},
                                tfaultcase{twaveop::unprepare, "waveinUnPrepareHeader:"},
                                tfaultcase{twaveop::close, "waveinClose:"}}) {
        SCOPED_TRACE(c.prefix);
        rec.Run();
        device.run(1);
        device.inject(c.op, wave_error_nomem);
        EXPECT_EQ(error_of([&] { rec.Stop(); }), c.prefix + wave_error_text(wave_error_nomem));
        device.inject(c.op, wave_noerror);
        device.deliver();
        expect_records_again(*this);
        rec.Stop();
        device.deliver();
    }
}

TEST_F(RecorderTest, LostDeviceReportsEveryNotificationToOnMsg) {
    std::vector<twavemsgkind> seen;
    rec.OnMsg = [&](const twavemsg& m) { seen.push_back(m.kind); };
    rec.Run();
    device.run(1);
    device.lose_device();
    device.run(100);
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
