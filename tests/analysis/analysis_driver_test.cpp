#include "analysis/analysis_driver.h"
#include "base/large_page_memory.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

using namespace gravon;

namespace {

struct tcountingsink : tframesink {
    std::vector<double> f0s;
    void frame_accepted(int, const tchannelmeasures& m, double) override { f0s.push_back(m.f0); }
};

// A vowel-like tone gliding in pitch and level on channel 0, with a silent pause; channel 1
// carries a softer copy.
trecarr voice(std::size_t n) {
    trecarr x(2, tsinglearr(n, 0.0f));
    double phase = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = double(i) / 44100.0;
        phase += 2 * M_PI * (150.0 + 60.0 * t) / 44100.0;
        double v = 0;
        for (int h = 1; h <= 8; ++h) v += std::sin(h * phase) / h;
        const bool pause = t > 1.0 && t < 1.3;
        x[0][i] = pause ? 0.0f : float(0.2 * (1 + 0.5 * std::sin(t)) * v);
        x[1][i] = 0.1f * x[0][i];
    }
    return x;
}

struct trun {
    tanalysisparams params;
    tcountingsink sink;
    TAnalysisDriver driver{params, sink};
    trun(bool store) {
        driver.storeaudio = store;
        driver.setup_analysis();
        driver.reset_analysis();
    }
    // The signal in deliveries of the given lengths, in turn.
    void deliver(const trecarr& x, const std::vector<std::size_t>& lengths) {
        const std::vector<double> factors{20.0, 20.0};
        std::size_t at = 0;
        for (std::size_t k = 0; at < x[0].size(); ++k) {
            const std::size_t n = std::min(lengths[k % lengths.size()], x[0].size() - at);
            trecarr block(2);
            for (int c = 0; c < 2; ++c)
                block[c].assign(x[c].begin() + std::ptrdiff_t(at),
                                x[c].begin() + std::ptrdiff_t(at + n));
            driver.crunch_arr(block, factors);
            at += n;
        }
    }
};

} // namespace

TEST(AnalysisDriver, TheStoresDoNotDependOnHowTheStreamIsCutOrWhetherSamplesAreKept) {
    // Hops analysed where they lie in a long delivery, hops gathered from short ones and hops
    // that straddle deliveries all give the same tracks, frame peaks, accepted frames and
    // audio; a run that keeps no samples gives the same tracks and leaves the store untouched.
    const trecarr x = voice(3 * 44100 + 500);
    trun whole(true), pieces(true), nosamples(false);
    whole.deliver(x, {x[0].size()});
    pieces.deliver(x, {7, 882, 2048, 1, 5000, 881, 883});
    nosamples.deliver(x, {65536});
    ASSERT_GT(whole.driver.frames(), 140);
    EXPECT_GT(whole.sink.f0s.size(), 100u);
    for (const trun* r : {&pieces, &nosamples}) {
        ASSERT_EQ(r->driver.frames(), whole.driver.frames());
        EXPECT_EQ(r->driver.audiosamples(), whole.driver.audiosamples());
        for (int t = 0; t < ntracks; ++t)
            for (int c = 0; c < 2; ++c)
                EXPECT_EQ(r->driver.paramarr[t][c], whole.driver.paramarr[t][c]) << t << " " << c;
        for (int c = 0; c < 2; ++c) EXPECT_EQ(r->driver.framepeak[c], whole.driver.framepeak[c]);
        EXPECT_EQ(r->sink.f0s, whole.sink.f0s);
    }
    const std::size_t n = std::size_t(whole.driver.audiosamples());
    for (int c = 0; c < 2; ++c) {
        EXPECT_TRUE(std::equal(x[c].begin(), x[c].begin() + std::ptrdiff_t(n),
                               whole.driver.audioarr[c].begin()));
        EXPECT_TRUE(pieces.driver.audioarr[c] == whole.driver.audioarr[c]);
        EXPECT_EQ(std::count(nosamples.driver.audioarr[c].begin(),
                             nosamples.driver.audioarr[c].begin() + std::ptrdiff_t(n), 0.0f),
                  std::ptrdiff_t(n));
    }
    EXPECT_TRUE(whole.driver.audiokept());
    EXPECT_FALSE(nosamples.driver.audiokept());
    // The peak of each frame is the largest magnitude of its samples.
    const std::size_t hop = std::size_t(whole.driver.downsamplingfactor / 2);
    for (std::size_t k = 0; k < std::size_t(whole.driver.frames()); ++k) {
        float peak = 0;
        for (std::size_t i = k * hop; i < (k + 1) * hop; ++i)
            peak = std::max(peak, std::fabs(x[0][i]));
        ASSERT_EQ(whole.driver.framepeak[0][k], peak) << k;
    }
}

#if defined(__linux__)
// Bytes of store c from `from` on, `n` of them, that memory backs now.
std::size_t backed(const TAnalysisDriver& d, int c, std::size_t from, std::size_t n) {
    const auto page = std::size_t(sysconf(_SC_PAGESIZE));
    std::vector<unsigned char> in(n / page);
    const char* p = reinterpret_cast<const char*>(d.audioarr[std::size_t(c)].data()) + from;
    if (mincore(const_cast<char*>(p), n, in.data()) != 0) return 0;
    return std::size_t(std::count_if(in.begin(), in.end(), [](unsigned char b) { return b & 1; })) *
           page;
}

TEST(AnalysisDriver, WhileATakeRecordsTheAudioStoreIsBackedAheadOfTheWriting) {
#if defined(MADV_POPULATE_WRITE)
    {
        // A kernel before 5.14 backs pages only as they are written: nothing to see here.
        const tlargepagememory probe(std::size_t(1) << 16);
        if (madvise(probe.data(), std::size_t(sysconf(_SC_PAGESIZE)), MADV_POPULATE_WRITE) != 0)
            GTEST_SKIP() << "the kernel cannot back memory in advance";
    }
#else
    GTEST_SKIP() << "no way to back memory in advance here";
#endif
    // Before the first buffer the first stretch of both stores is backed; then the other
    // thread backs them up to prefaultahead past the writing and no further, and what was
    // written meanwhile is stored as without it.
    const trecarr x = voice(3 * 44100);
    trun plain(true), ahead(true);
    TAnalysisDriver& d = ahead.driver;
    d.reserve_stores(std::size_t(maxaudioarrpos));
    constexpr std::size_t mib = std::size_t(1) << 20;
    d.start_prefaulting();
    for (int c = 0; c < 2; ++c) EXPECT_EQ(backed(d, c, 0, prefaultfirst), prefaultfirst) << c;
    ahead.deliver(x, {1024});
    plain.deliver(x, {1024});
    // The writing is under a megabyte along: the stretch ahead of it ends within a large page
    // past prefaultahead.
    // The thread takes its time on a busy machine: both stores are waited for.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while ((backed(d, 0, prefaultahead, 2 * mib) < 2 * mib ||
            backed(d, 1, prefaultahead, 2 * mib) < 2 * mib) &&
           std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    d.stop_prefaulting();
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(backed(d, c, prefaultahead - 2 * mib, 4 * mib), 4 * mib) << c;
        EXPECT_EQ(backed(d, c, prefaultahead + 4 * mib, 2 * mib), 0u) << c;
    }
    for (int c = 0; c < 2; ++c) EXPECT_TRUE(d.audioarr[c] == plain.driver.audioarr[c]) << c;
}
#endif

TEST(AnalysisDriver, AWeakSubharmonicDoesNotTakeTheVoiceAnOctaveDown) {
    // Every harmonic, the fundamental 6 dB below the second, a slight vibrato that moves the
    // partials across the bins, and one partial at F0/2 some 20-24 dB below the strongest, over
    // room noise of about 30 dB. Without the subharmonic guard the octave below collects every
    // partial and wins; with it, the voice's own F0 is found.
    constexpr double fs = 44100;
    for (const auto& [f0, subdb] :
         {std::pair{247.0, -24.0}, {330.0, -22.5}, {440.0, -21.5}, {587.0, -20.0}}) {
        trecarr x(2, tsinglearr(std::size_t(2.5 * fs), 0.0f));
        std::uint32_t seed = 12345;
        double phase = 0;
        for (std::size_t i = 0; i < x[0].size(); ++i) {
            const double t = double(i) / fs;
            seed = seed * 1664525u + 1013904223u;
            phase += 2 * M_PI * f0 * std::pow(2.0, 0.1 / 12 * std::sin(2 * M_PI * 5 * t)) / fs;
            double v = t > 0.5 ? std::pow(10.0, subdb / 20) * std::sin(0.5 * phase) : 0;
            for (int h = 1; t > 0.5 && h * f0 < 8000; ++h)
                v += std::sin(h * phase) * (h == 1 ? 0.5 : 2.0 / h);
            x[0][i] = float(0.2 * v + 2e-3 * (double(seed >> 8) / double(1u << 24) - 0.5));
        }
        for (const bool guard : {true, false}) {
            trun r(false);
            r.params.subharmonicguard = guard;
            r.deliver(x, {4096});
            std::size_t right = 0, octavelow = 0;
            for (double f : r.sink.f0s) {
                right += std::fabs(12 * std::log2(f / f0)) < 0.5;
                octavelow += std::fabs(12 * std::log2(f / f0) + 12) < 0.5;
            }
            const std::size_t accepted = r.sink.f0s.size();
            SCOPED_TRACE(testing::Message() << f0 << " Hz, guard " << guard);
            // Without the guard, frames flip between the octaves where F0/2 lies between two bins,
            // and the F0-rate test rejects many of them.
            EXPECT_GT(accepted, guard ? 150u : 30u);
            EXPECT_GE(double(guard ? right : octavelow), 0.99 * double(accepted));
        }
    }
}
