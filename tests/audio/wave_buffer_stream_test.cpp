#include "audio/wave_buffer_stream.h"

#include <atomic>
#include <climits>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace gravon;

namespace {

struct tbuffer {
    std::vector<std::byte> bytes;
    twaveheader header;
    explicit tbuffer(std::size_t n) : bytes(n) {
        header.data = bytes.data();
        header.bufferlength = static_cast<std::uint32_t>(n);
    }
};

std::vector<std::byte> le32(const std::vector<std::int32_t>& samples) {
    std::vector<std::byte> out;
    for (std::int32_t s : samples)
        for (int b = 0; b < 4; ++b)
            out.push_back(
                static_cast<std::byte>((static_cast<std::uint32_t>(s) >> (8 * b)) & 0xFF));
    return out;
}

std::int32_t int24_at(const std::vector<std::byte>& b, std::size_t i) {
    std::uint32_t u = std::uint32_t(b[3 * i]) | std::uint32_t(b[3 * i + 1]) << 8 |
                      std::uint32_t(b[3 * i + 2]) << 16;
    return static_cast<std::int32_t>(u << 8) >> 8;
}

TEST(WaveBufferStream, CaptureKeepsTheTopBytesOfWideSamplesAcrossBlocks) {
    twavebufferstream s;
    s.setwidths(3, 4);
    int finishedcalls = 0;
    s.onfinished = [&] { ++finishedcalls; };
    tbuffer a(6), b(6);
    ASSERT_TRUE(s.queue(a.header));
    ASSERT_TRUE(s.queue(b.header));
    // Five samples in blocks of three bytes: samples straddle the blocks.
    const auto bytes = le32({0x12345600, -256, 0x7FFFFF00, INT32_MIN, 0x00000100});
    for (std::size_t k = 0; k < bytes.size(); k += 3)
        s.capture(bytes.data() + k, std::min<std::size_t>(3, bytes.size() - k));
    EXPECT_EQ(finishedcalls, 2);
    EXPECT_EQ(s.take_finished(), &a.header);
    EXPECT_EQ(s.take_finished(), &b.header);
    EXPECT_EQ(s.take_finished(), nullptr);
    EXPECT_EQ(a.header.bytesrecorded, 6u);
    EXPECT_EQ(int24_at(a.bytes, 0), 0x123456);
    EXPECT_EQ(int24_at(a.bytes, 1), -1);
    EXPECT_EQ(int24_at(b.bytes, 0), 0x7FFFFF);
    EXPECT_EQ(int24_at(b.bytes, 1), -0x800000);
    EXPECT_EQ(s.droppedbytes(), 4); // the fifth sample found no buffer
    EXPECT_EQ(s.outstanding(), 0);
}

TEST(WaveBufferStream, ABufferStartsOnASampleWhateverTheBlocks) {
    // 16-bit samples in blocks of three bytes; the stream runs dry in the middle of a sample.
    twavebufferstream s;
    tbuffer a(4), b(4);
    s.queue(a.header);
    std::vector<std::byte> bytes(14);
    for (std::size_t k = 0; k < bytes.size(); ++k) bytes[k] = std::byte(k);
    s.capture(bytes.data(), 3);
    s.capture(bytes.data() + 3, 3); // a full after one byte; bytes 4, 5 lost
    s.capture(bytes.data() + 6, 3); // sample 3 begins with byte 6 and finds no buffer either
    s.queue(b.header);
    s.capture(bytes.data() + 9, 3); // byte 9 ends that sample; 10, 11 go to b
    s.capture(bytes.data() + 12, 2);
    EXPECT_EQ(s.take_finished(), &a.header);
    ASSERT_EQ(s.take_finished(), &b.header);
    EXPECT_EQ(a.bytes[3], std::byte{3});
    EXPECT_EQ(b.bytes[0], std::byte{10});
    EXPECT_EQ(b.bytes[3], std::byte{13});
    EXPECT_EQ(s.droppedbytes(), 6);

    // The same at 24 bits carried in 32: the lost sample straddles two blocks.
    twavebufferstream w;
    w.setwidths(3, 4);
    tbuffer c(3);
    const auto samples = le32({0x01020300, 0x04050600});
    w.capture(samples.data(), 2);
    w.queue(c.header);
    w.capture(samples.data() + 2, 6);
    ASSERT_EQ(w.take_finished(), &c.header);
    EXPECT_EQ(int24_at(c.bytes, 0), 0x040506);
}

TEST(WaveBufferStream, HaltReturnsTheRestInOrderWithWhatTheyHold) {
    twavebufferstream s;
    tbuffer a(4), b(4), c(4);
    for (auto* t : {&a, &b, &c}) s.queue(t->header);
    const std::byte six[6] = {};
    s.capture(six, 6); // a full, b half
    s.halt();
    s.capture(six, 6); // ignored while halted
    std::vector<twaveheader*> back;
    s.take_unfinished([&](twaveheader& h) { back.push_back(&h); });
    EXPECT_EQ(back, (std::vector<twaveheader*>{&b.header, &c.header}));
    EXPECT_EQ(b.header.bytesrecorded, 2u);
    EXPECT_EQ(c.header.bytesrecorded, 0u);
    EXPECT_EQ(s.take_finished(), &a.header);
    EXPECT_EQ(s.outstanding(), 0);
    EXPECT_EQ(s.droppedbytes(), 0);

    // Resumed, a new header starts from its beginning.
    s.resume();
    s.queue(a.header);
    const std::byte one[4] = {std::byte{1}, std::byte{2}, std::byte{3}, std::byte{4}};
    s.capture(one, 4);
    ASSERT_EQ(s.take_finished(), &a.header);
    EXPECT_EQ(a.bytes[0], std::byte{1});
}

TEST(WaveBufferStream, PlaybackHandsOutTheQueuedBytesInOrder) {
    twavebufferstream s;
    tbuffer a(4), b(6);
    for (std::size_t k = 0; k < 4; ++k) a.bytes[k] = std::byte(k + 1);
    for (std::size_t k = 0; k < 6; ++k) b.bytes[k] = std::byte(k + 11);
    s.queue(a.header);
    s.queue(b.header);
    std::vector<std::byte> out;
    std::byte block[3];
    while (std::size_t n = s.play(block, 3)) out.insert(out.end(), block, block + n);
    ASSERT_EQ(out.size(), 10u);
    EXPECT_EQ(out[3], std::byte{4});
    EXPECT_EQ(out[4], std::byte{11});
    EXPECT_EQ(out[9], std::byte{16});
    EXPECT_EQ(s.take_finished(), &a.header);
    EXPECT_EQ(s.take_finished(), &b.header);
}

TEST(WaveBufferStream, ABackendThreadFillsWhileTheClientRequeues) {
    // The backend captures a ramp of 16-bit samples in odd-sized blocks; the client keeps
    // four buffers going. Every sample is either delivered, in order, or counted as dropped.
    twavebufferstream s;
    std::atomic<int> finishedcalls{0};
    s.onfinished = [&] { finishedcalls.fetch_add(1, std::memory_order_relaxed); };
    std::vector<tbuffer> buffers;
    for (int i = 0; i < 4; ++i) buffers.emplace_back(64);
    for (auto& b : buffers) s.queue(b.header);
    constexpr std::int32_t total = 400000;
    std::atomic<bool> done{false};
    std::thread backend([&] {
        std::vector<std::byte> block(2 * 37);
        for (std::int32_t v = 0; v < total;) {
            std::size_t n = 0;
            for (; n < 37 && v < total; ++n, ++v) {
                block[2 * n] = static_cast<std::byte>(v & 0xFF);
                block[2 * n + 1] = static_cast<std::byte>((v >> 8) & 0xFF);
            }
            s.capture(block.data(), 2 * n);
        }
        done = true;
    });
    std::int64_t received = 0;
    std::uint16_t previous = 0;
    bool ordered = true, first = true;
    for (;;) {
        twaveheader* h = s.take_finished();
        if (h == nullptr) {
            if (done && s.take_finished() == nullptr) break;
            std::this_thread::yield();
            continue;
        }
        for (std::uint32_t k = 0; k < h->bytesrecorded; k += 2) {
            const auto v = static_cast<std::uint16_t>(std::uint32_t(h->data[k]) |
                                                      std::uint32_t(h->data[k + 1]) << 8);
            // Dropped stretches leave gaps, but the ramp (mod 2^16) never runs backwards
            // within one header.
            if (!first && k > 0 && v != static_cast<std::uint16_t>(previous + 1)) ordered = false;
            previous = v;
            first = false;
        }
        received += h->bytesrecorded;
        s.queue(*h);
    }
    backend.join();
    EXPECT_TRUE(ordered);
    // The header in progress holds the rest.
    s.halt();
    std::int64_t partial = 0;
    s.take_unfinished([&](twaveheader& h) { partial += h.bytesrecorded; });
    EXPECT_EQ(received + partial + s.droppedbytes(), std::int64_t{2} * total);
    EXPECT_EQ(finishedcalls.load(), received / 64);
}

} // namespace
