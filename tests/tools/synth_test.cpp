#include "base/errors.h"
#include "base/random.h"
#include "synth/glottal_source.h"
#include "synth/sweep.h"
#include "synth/synth_cli.h"
#include "synth/synth_random.h"
#include "synth/truth_csv.h"
#include "synth/voice_synth.h"
#include "synth/wav_writer.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <numbers>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace gravon;
using namespace gravon::synth;
namespace fs = std::filesystem;

namespace {

// A clean steady phonation: no vibrato, jitter, shimmer or aspiration, inaudible room noise.
tsynthparams clean(double f0, double spl, double seconds = 1.0) {
    tsynthparams p;
    p.phrases = {steady_phrase(seconds, f0, spl)};
    p.vibrato_rate = 0;
    p.jitter_percent = 0;
    p.shimmer_db = 0;
    p.hnr_db = 200;
    p.noise_spl = -50;
    p.leadin = 0.2;
    p.tail = 0.1;
    p.fullscale_pa = 10;
    return p;
}

double cents(double a, double b) {
    return 1200.0 * std::log2(a / b);
}

// F0 by normalised autocorrelation over [start, start+len), peak refined by a parabola.
double estimate_f0(const tsinglearr& x, std::size_t start, std::size_t len, double rate,
                   double guess) {
    const int lo = static_cast<int>(rate / guess / 1.3), hi = static_cast<int>(rate / guess * 1.3);
    std::vector<double> r(hi + 2, 0.0);
    for (int lag = lo - 1; lag <= hi + 1; ++lag) {
        double s = 0, e0 = 0, e1 = 0;
        for (std::size_t i = start; i < start + len; ++i) {
            s += double(x[i]) * x[i + lag];
            e0 += double(x[i]) * x[i];
            e1 += double(x[i + lag]) * x[i + lag];
        }
        r[lag] = s / std::sqrt(e0 * e1 + 1e-300);
    }
    int best = lo;
    for (int lag = lo; lag <= hi; ++lag)
        if (r[lag] > r[best]) best = lag;
    const double a = r[best - 1], b = r[best], c = r[best + 1];
    const double off = 0.5 * (a - c) / (a - 2 * b + c);
    return rate / (best + off);
}

// Power per FFT bin of a Hann-windowed 1764-sample window zero-padded to 2048 (the analysis's
// default frame), by a direct transform.
std::vector<double> frame_spectrum(const tsinglearr& x, std::size_t start) {
    constexpr int w = 1764, n = 2048;
    std::vector<double> cs(n), sn(n), out(n / 2);
    for (int i = 0; i < n; ++i) {
        cs[i] = std::cos(2 * std::numbers::pi * i / n);
        sn[i] = std::sin(2 * std::numbers::pi * i / n);
    }
    std::vector<double> xw(w);
    for (int i = 0; i < w; ++i)
        xw[i] = x[start + i] * 0.5 * (1 - std::cos(2 * std::numbers::pi * i / w));
    for (int k = 0; k < n / 2; ++k) {
        double re = 0, im = 0;
        for (int i = 0; i < w; ++i) {
            re += xw[i] * cs[(k * i) % n];
            im -= xw[i] * sn[(k * i) % n];
        }
        out[k] = re * re + im * im;
    }
    return out;
}

double mean_level(const tsynthresult& r, int ch, double t0, double t1, bool voiced) {
    double ms = 0;
    int n = 0;
    for (const auto& f : r.frames)
        if (f.time >= t0 && f.time + 0.02 <= t1 && f.voiced == voiced) {
            ms += std::pow(10.0, f.spl[ch] / 10);
            ++n;
        }
    return n ? 10 * std::log10(ms / n) : -1000;
}

std::string read_file(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

struct TempDir {
    fs::path path;
    TempDir() {
        path = fs::temp_directory_path() / ("gravon_synth_test_" + std::to_string(::getpid()));
        fs::create_directories(path);
    }
    ~TempDir() { fs::remove_all(path); }
};

std::uint32_t le32(const std::string& s, std::size_t at) {
    return std::uint32_t(std::uint8_t(s[at])) | std::uint32_t(std::uint8_t(s[at + 1])) << 8 |
           std::uint32_t(std::uint8_t(s[at + 2])) << 16 |
           std::uint32_t(std::uint8_t(s[at + 3])) << 24;
}
std::uint32_t le16(const std::string& s, std::size_t at) {
    return std::uint32_t(std::uint8_t(s[at])) | std::uint32_t(std::uint8_t(s[at + 1])) << 8;
}

} // namespace

// ---------------------------------------------------------------------------------------------

TEST(SynthRandom, StreamsAreReproducibleAndIndependent) {
    TSynthRandom a(7, 1), b(7, 1), c(7, 2), d(8, 1);
    for (int i = 0; i < 100; ++i) {
        const auto va = a.next();
        EXPECT_EQ(va, b.next());
        EXPECT_NE(va, c.next());
        EXPECT_NE(va, d.next());
    }
    TSynthRandom g(3);
    double s = 0, ss = 0, n4 = 0;
    for (int i = 0; i < 200000; ++i) {
        const double u = g.uniform();
        ASSERT_GE(u, 0.0);
        ASSERT_LT(u, 1.0);
        const double x = g.gauss();
        s += x;
        ss += x * x;
        n4 += g.noise() * g.noise();
    }
    EXPECT_NEAR(s / 200000, 0.0, 0.01);
    EXPECT_NEAR(ss / 200000, 1.0, 0.02);
    EXPECT_NEAR(n4 / 200000, 0.0, 0.01);
}

TEST(SynthRandom, SynthesisLeavesTheSharedGeneratorAlone) {
    RandSeed(12345);
    auto p = make_example_params();
    p.dither = true;
    synthesize(p);
    EXPECT_EQ(RandSeedValue(), 12345u);
}

TEST(SynthParams, ExampleIsValidAndMatchesItsDescription) {
    const auto p = make_example_params();
    EXPECT_NO_THROW(validate_synth_params(p));
    const auto r = synthesize(p);
    EXPECT_EQ(r.rate, 44100);
    EXPECT_EQ(r.channels, 1);
    EXPECT_EQ(r.framelength, 882);
    EXPECT_EQ(r.length % 882, 0);
    EXPECT_NEAR(r.length / 44100.0, 5.2, 0.02);
    for (const auto& f : r.frames) {
        if (f.time < 1.0) {
            EXPECT_FALSE(f.voiced) << f.time;
        }
        if (!f.voiced) continue;
        EXPECT_GT(f.f0, 205);
        EXPECT_LT(f.f0, 236);
        EXPECT_GT(f.spl[0], 74.5);
        EXPECT_LT(f.spl[0], 85.5);
    }
    EXPECT_NEAR(mean_level(r, 0, 0.1, 1.0, false), 35, 2.5); // 16-bit steps at 100 Pa
}

TEST(SynthParams, InvalidValuesAreNamed) {
    auto expect_error = [](tsynthparams p, const std::string& part) {
        try {
            validate_synth_params(p);
            ADD_FAILURE() << "no error for " << part;
        } catch (const EGravonError& e) {
            EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
        }
    };
    auto p = clean(220, 80);
    p.phrases = {steady_phrase(1, 10, 80)};
    expect_error(p, "F0 10 Hz");
    p.phrases = {steady_phrase(1, 11025, 80)};
    expect_error(p, "outside 20 to 4000 Hz");
    p = clean(220, 80);
    p.phrases[0].points[1].time = 0;
    expect_error(p, "does not follow");
    p = clean(220, 80);
    p.phrases.push_back(steady_phrase(1, 220, 80)); // starts at 0 again
    expect_error(p, "before the previous phrase ends");
    p = clean(220, 80);
    p.phrases[0].points.pop_back();
    expect_error(p, "fewer than two points");
    p = clean(220, 80);
    p.fullscale_pa = 0;
    expect_error(p, "Full scale");
    p = clean(220, 80);
    p.rate = 1000;
    expect_error(p, "Sample rate");
    p = clean(220, 80);
    p.phrases[0].points[0].spl = std::nan("");
    expect_error(p, "level nan");
    p = clean(220, 80);
    p.phrases = {steady_phrase(4000, 220, 80)};
    expect_error(p, "exceeds 3600 s");
    p = clean(1900, 80);
    p.vibrato_rate = 5;
    p.vibrato_cents = 600;
    p.rate = 8000;
    expect_error(p, "with vibrato");
    p = clean(220, 80);
    p.formants = {{500, 0}};
    expect_error(p, "Formant 1 bandwidth");
}

TEST(SynthPitch, SteadyF0MatchesTruthWithinCents) {
    for (double f0 : {82.0, 110.0, 220.0, 440.0, 880.0, 1500.0}) {
        for (const char* vowel : {"a", "i", "none"}) {
            auto p = clean(f0, 80);
            p.formants = vowel_formants(vowel);
            const auto r = synthesize(p);
            const double est = estimate_f0(r.floats[0], 13230, 22050, 44100, f0);
            EXPECT_NEAR(cents(est, f0), 0.0, 1.0) << f0 << " Hz /" << vowel << "/";
            const auto& fr = r.frames[30];
            ASSERT_TRUE(fr.voiced);
            EXPECT_NEAR(fr.f0, f0, 1e-9 * f0);
            EXPECT_NEAR(fr.semitone, 12 * std::log2(f0 / 440) + 69, 1e-9);
        }
    }
}

TEST(SynthPitch, GlideIsLinearInSemitonesAndFollowsTruth) {
    auto p = clean(200, 80, 4.0);
    p.phrases = {glide_phrase(4.0, 200, 400, 80, 80)};
    const auto r = synthesize(p);
    // Truth: halfway through the glide the F0 is the geometric mean, 282.8 Hz.
    const auto& mid = r.frames[static_cast<std::size_t>((0.2 + 2.0) / 0.02)];
    EXPECT_NEAR(mid.f0, 200 * std::sqrt(2.0), 1.0);
    // Measured over 100 ms windows against the truth of the same frames.
    for (double t = 0.5; t < 3.8; t += 0.5) {
        const auto i0 = static_cast<std::size_t>((0.2 + t) / 0.02);
        double st = 0;
        for (std::size_t i = i0; i < i0 + 5; ++i) st += r.frames[i].semitone / 5;
        const double truth = semitone_to_hz(st);
        const double est = estimate_f0(r.floats[0], i0 * 882, 5 * 882 - 500, 44100, truth);
        EXPECT_NEAR(cents(est, truth), 0.0, 3.0) << "at " << t << " s";
    }
}

TEST(SynthPitch, VibratoSwingsAroundTheContour) {
    auto p = clean(300, 80, 2.0);
    p.vibrato_rate = 5;
    p.vibrato_cents = 50;
    const auto r = synthesize(p);
    double lo = 1e9, hi = 0;
    for (const auto& f : r.frames)
        if (f.voiced) {
            lo = std::min(lo, f.f0);
            hi = std::max(hi, f.f0);
        }
    // Frame means of a +-50 cent sine at 5 Hz over 20 ms: amplitude 50 * sinc(0.1) = 49.2 c.
    EXPECT_NEAR(cents(hi, 300), 49.2, 0.6);
    EXPECT_NEAR(cents(lo, 300), -49.2, 0.6);
    for (std::size_t i = 20; i < 100; i += 7) {
        ASSERT_TRUE(r.frames[i].voiced);
        const double truth = r.frames[i].f0;
        const double est = estimate_f0(r.floats[0], i * 882, 882 - 150, 44100, truth);
        EXPECT_NEAR(cents(est, truth), 0.0, 6.0) << "frame " << i;
    }
}

TEST(SynthPitch, JitterAndShimmerHaveTheRequestedLocalValues) {
    auto p = clean(200, 80, 20.0);
    p.jitter_percent = 1.0;
    p.shimmer_db = 0.5;
    const auto r = synthesize(p);
    ASSERT_GT(r.pulses.size(), 3900u);
    double dj = 0, tj = 0, ds = 0, dt = 0;
    for (std::size_t k = 1; k < r.pulses.size(); ++k) {
        dj += std::abs(r.pulses[k].period - r.pulses[k - 1].period);
        tj += r.pulses[k].period;
        ds += std::abs(r.pulses[k].amplitude_db - r.pulses[k - 1].amplitude_db);
        // The recorded start times are consistent with the period lengths.
        dt = std::max(dt,
                      std::abs(r.pulses[k].time - r.pulses[k - 1].time - r.pulses[k - 1].period));
    }
    const double n = r.pulses.size() - 1;
    EXPECT_NEAR(100 * dj / tj, 1.0, 0.05);
    EXPECT_NEAR(ds / n, 0.5, 0.025);
    EXPECT_LT(dt, 1e-5); // well below the 5 ms period
    // The mean F0 stays on the contour.
    const double est = estimate_f0(r.floats[0], 44100, 10 * 44100, 44100, 200);
    EXPECT_NEAR(cents(est, 200), 0.0, 3.0);
}

TEST(SynthLevel, SteadyLevelMatchesTheRequestForTheFullScale) {
    for (double fsd : {100.0, 10.0, 1.0}) {
        for (double f0 : {110.0, 220.0, 440.0}) {
            auto p = clean(f0, 80);
            p.fullscale_pa = fsd;
            if (fsd == 1.0) p.phrases = {steady_phrase(1.0, f0, 60)};
            const double want = fsd == 1.0 ? 60 : 80;
            const auto r = synthesize(p);
            EXPECT_NEAR(mean_level(r, 0, 0, 2, true), want, 0.1) << fsd << " Pa, " << f0 << " Hz";
            if (f0 < 200) continue; // two periods per frame or fewer swing more
            for (const auto& f : r.frames)
                if (f.voiced) {
                    EXPECT_NEAR(f.spl[0], want, 0.5) << f.time;
                }
        }
    }
}

TEST(SynthLevel, TruthIsTheLevelOfTheStoredSamples) {
    auto p = make_example_params();
    p.fullscale_pa = 20;
    p.second = tsecondchannel::crosstalk;
    const auto r = synthesize(p);
    const auto pa = to_pascals(r);
    ASSERT_EQ(pa.size(), 2u);
    for (std::size_t i = 0; i < r.frames.size(); i += 13)
        for (int c = 0; c < 2; ++c) {
            double ms = 0;
            for (std::size_t k = i * 882; k < (i + 1) * 882; ++k) ms += double(pa[c][k]) * pa[c][k];
            EXPECT_NEAR(r.frames[i].spl[c], pa2_to_spl(ms / 882), 1e-6);
        }
    // Float samples and int16 samples differ by the rounding only.
    for (std::size_t k = 0; k < static_cast<std::size_t>(r.length); k += 101)
        EXPECT_NEAR(r.floats[0][k] * 32767.0, r.samples[2 * k], 0.5 + 1e-3);
}

TEST(SynthLevel, LevelContourAndAspirationKeepTheRms) {
    auto p = clean(250, 70, 3.0);
    p.phrases = {glide_phrase(3.0, 250, 250, 70, 94)};
    p.vibrato_rate = 5.5;
    p.vibrato_cents = 40;
    auto want = [](double t) { return 70 + 24 * (t - 0.2) / 3.0; };
    const auto r = synthesize(p);
    for (const auto& f : r.frames)
        if (f.voiced) {
            EXPECT_NEAR(f.spl[0], want(f.time + 0.01), 0.5) << f.time;
        }
    // Aspiration noise makes the frame level wander like a breathy voice's, but the level
    // over a few frames still follows the request.
    for (double hnr : {20.0, 10.0, 0.0}) {
        p.hnr_db = hnr;
        const auto n = synthesize(p);
        const double span = hnr > 0 ? 0.2 : 0.6; // equal noise and voice power needs longer
        for (double t = 0.3; t + span < 3.1; t += span)
            EXPECT_NEAR(mean_level(n, 0, t, t + span, true), want(t + span / 2), 0.5)
                << "HNR " << hnr << " at " << t;
    }
}

TEST(SynthLevel, LeadInCarriesTheRoomNoiseLevel) {
    for (auto colour : {tnoisecolour::pink, tnoisecolour::white}) {
        auto p = make_example_params();
        p.fullscale_pa = 1; // 16-bit steps far below the noise
        p.noise_spl = 40;
        p.noise_colour = colour;
        p.leadin = 2.0;
        const auto r = synthesize(p);
        EXPECT_NEAR(mean_level(r, 0, 0, 2.0, false), 40, 0.3);
        for (const auto& f : r.frames)
            if (f.time < 2.0) {
                EXPECT_FALSE(f.voiced);
                EXPECT_NEAR(f.spl[0], 40, 3.0);
            }
        EXPECT_NEAR(mean_level(r, 0, 6.02, 6.2, false), 40, 1.0); // the tail
    }
    // Pink noise puts more power in low bins than in high bins, white noise does not.
    auto p = clean(220, 80);
    p.phrases.clear();
    p.leadin = 1;
    p.noise_spl = 60;
    const auto pink = synthesize(p);
    p.noise_colour = tnoisecolour::white;
    const auto white = synthesize(p);
    auto tilt = [](const tsynthresult& r) {
        double lo = 0, hi = 0;
        for (int k = 0; k < 10; ++k) {
            const auto s = frame_spectrum(r.floats[0], 2000 + 1764 * k);
            for (int b = 5; b < 50; ++b) lo += s[b];
            for (int b = 500; b < 545; ++b) hi += s[b];
        }
        return 10 * std::log10(lo / hi);
    };
    EXPECT_GT(tilt(pink), 8.0); // 10 dB expected for 3.3 octaves at 3 dB
    EXPECT_NEAR(tilt(white), 0.0, 1.5);
}

TEST(SynthSpectrum, VoiceLooksLikeVoiceToTheBlockTests) {
    // The analysis blocks frames below 70 dB whose power above 2 kHz is within 15 dB of the
    // power inside 50 Hz ... 2 kHz, and frames with 10 dB more below 50 Hz than inside.
    for (double spl : {55.0, 80.0})
        for (double f0 : {110.0, 220.0, 440.0}) {
            auto p = make_example_params();
            p.phrases = {steady_phrase(1.0, f0, spl)};
            p.keep_float = true;
            p.hnr_db = 15;
            const auto r = synthesize(p);
            const auto s = frame_spectrum(r.floats[0], 44100 + 22050);
            double low = 0, mid = 0, high = 0;
            for (int k = 0; k < 1024; ++k) (k < 1 ? low : k <= 94 ? mid : high) += s[k];
            EXPECT_LT(10 * std::log10(high / mid), -20.0) << spl << " dB, " << f0 << " Hz";
            EXPECT_LT(10 * std::log10(low / mid), -20.0) << spl << " dB, " << f0 << " Hz";
        }
}

TEST(SynthSpectrum, FundamentalIsFoundableInTheVowels) {
    // The F0 search needs the fundamental as a local peak no more than 30 dB below the
    // strongest partial in 50 Hz ... 2 kHz.
    for (const char* vowel : {"a", "e", "i", "o", "u"})
        for (double f0 : {110.0, 220.0, 440.0}) {
            auto p = make_example_params();
            p.phrases = {steady_phrase(1.0, f0, 80)};
            p.formants = vowel_formants(vowel);
            p.keep_float = true;
            const auto r = synthesize(p);
            const auto s = frame_spectrum(r.floats[0], 44100 + 22050);
            int m = 1;
            for (int k = 1; k <= 94; ++k)
                if (s[k] > s[m]) m = k;
            const int g = static_cast<int>(std::lround(f0 / (44100.0 / 2048)));
            EXPECT_GT(s[g], s[g - 1]) << vowel << " " << f0;
            EXPECT_GT(s[g], s[g + 1]) << vowel << " " << f0;
            EXPECT_GT(10 * std::log10(s[g] / s[m]), -30.0) << vowel << " " << f0;
        }
}

TEST(SynthSpectrum, HighF0DoesNotAlias) {
    auto p = clean(1000, 80);
    p.formants = {};
    p.fullscale_pa = 1;
    const auto r = synthesize(p);
    // One-second Goertzel-style probes: harmonics at k*1000 Hz, aliases would fall at
    // 44100 - k*1000, i.e. on an odd 100 Hz.
    auto power_at = [&](double f) {
        double re = 0, im = 0;
        for (int i = 0; i < 44100; ++i) {
            const double w = 2 * std::numbers::pi * f * i / 44100;
            re += r.floats[0][8820 + i] * std::cos(w);
            im += r.floats[0][8820 + i] * std::sin(w);
        }
        return re * re + im * im;
    };
    const double h1 = power_at(1000);
    EXPECT_GT(power_at(16000), h1 * 1e-5); // the top harmonic is present
    EXPECT_LT(power_at(17000), h1 * 1e-9); // 32 harmonics would pass 22050 Hz: 16 is the top
    for (double f : {21100.0, 20100.0, 15100.0, 5100.0, 100.0})
        EXPECT_LT(power_at(f), h1 * 1e-9) << f;
}

TEST(SynthDeterminism, SameSeedSameSignalOtherSeedOtherSignal) {
    auto p = make_example_params();
    p.dither = true;
    const auto a = synthesize(p);
    const auto b = synthesize(p);
    EXPECT_EQ(a.samples, b.samples);
    p.seed = 2;
    const auto c = synthesize(p);
    EXPECT_NE(a.samples, c.samples);
    // Each ingredient has its own stream: a new HNR leaves the glottal pulses as they were.
    p.seed = 1;
    p.hnr_db = 12;
    const auto d = synthesize(p);
    ASSERT_EQ(a.pulses.size(), d.pulses.size());
    for (std::size_t k = 0; k < a.pulses.size(); ++k) {
        EXPECT_EQ(a.pulses[k].time, d.pulses[k].time);
        EXPECT_EQ(a.pulses[k].amplitude_db, d.pulses[k].amplitude_db);
    }
    // ... and the lead-in (room noise only) is unchanged.
    for (std::size_t k = 0; k < 44100; ++k) ASSERT_EQ(a.samples[k], d.samples[k]);
}

TEST(SynthClipping, TooLoudFailsUnlessClipped) {
    auto p = clean(220, 100);
    p.fullscale_pa = 1; // 100 dB SPL is 2 Pa RMS
    try {
        synthesize(p);
        FAIL() << "no error";
    } catch (const EGravonError& e) {
        EXPECT_NE(std::string(e.what()).find("exceeds the full scale of 1 Pa"), std::string::npos)
            << e.what();
    }
    p.clip = true;
    const auto r = synthesize(p);
    int top = 0, bottom = 0, clipped = 0;
    for (auto s : r.samples) {
        top += s == 32767;
        bottom += s == -32768;
    }
    for (const auto& f : r.frames) clipped += f.clipped;
    EXPECT_GT(top, 0);
    EXPECT_GT(bottom, 0); // the converter's negative limit, as an overloaded input reports
    EXPECT_EQ(clipped, top + bottom);
    for (float x : r.floats[0]) {
        ASSERT_LE(x, 1.0f);
        ASSERT_GE(x, -32768.0f / 32767.0f);
    }
    p.clip_level = 0.5;
    const auto h = synthesize(p);
    for (auto s : h.samples) ASSERT_LE(std::abs(int(s)), 16384);
    // Below full scale clipping changes nothing.
    auto q = clean(220, 80);
    const auto plain = synthesize(q);
    q.clip = true;
    const auto withclip = synthesize(q);
    EXPECT_EQ(plain.samples, withclip.samples);
    for (const auto& f : withclip.frames) EXPECT_EQ(f.clipped, 0);
}

TEST(SynthStereo, CrossTalkAndIndependentNoise) {
    auto p = make_example_params();
    p.fullscale_pa = 10;
    p.second = tsecondchannel::crosstalk;
    p.crosstalk_db = 20;
    const auto r = synthesize(p);
    ASSERT_EQ(r.channels, 2);
    ASSERT_EQ(r.samples.size(), static_cast<std::size_t>(2 * r.length));
    for (const auto& f : r.frames)
        if (f.voiced) {
            EXPECT_NEAR(f.spl[0] - f.spl[1], 20, 0.3) << f.time;
        }
    // Interleaving: during the voice the right sample is about a tenth of the left one.
    double num = 0, den = 0;
    for (std::size_t k = 2 * 44100; k < 3 * 44100; ++k) {
        num += double(r.samples[2 * k]) * r.samples[2 * k + 1];
        den += double(r.samples[2 * k]) * r.samples[2 * k];
    }
    EXPECT_NEAR(num / den, 0.1, 0.005);
    // The two lead-ins are independent noises of the same level.
    double c01 = 0, c00 = 0;
    for (std::size_t k = 0; k < 44100; ++k) {
        c01 += double(r.samples[2 * k]) * r.samples[2 * k + 1];
        c00 += double(r.samples[2 * k]) * r.samples[2 * k];
    }
    EXPECT_LT(std::abs(c01 / c00), 0.1);
    EXPECT_NEAR(mean_level(r, 1, 0, 1, false), mean_level(r, 0, 0, 1, false), 1.0);

    p.second = tsecondchannel::noise;
    const auto n = synthesize(p);
    EXPECT_NEAR(mean_level(n, 1, 1.2, 4.8, true), 35, 1.0);
    EXPECT_NEAR(mean_level(n, 0, 1.2, 4.8, true), 80, 1.0);
    // The first channel is the same as in mono.
    p.second = tsecondchannel::none;
    const auto m = synthesize(p);
    for (std::size_t k = 0; k < static_cast<std::size_t>(m.length); k += 7)
        ASSERT_EQ(m.samples[k], n.samples[2 * k]);
}

TEST(SynthWav, HeaderAndDataAreCorrect) {
    TempDir dir;
    for (int ch : {1, 2}) {
        const std::vector<std::int16_t> s = {1, -2, 32767, -32768, 258, 0};
        const auto path = dir.path / ("t" + std::to_string(ch) + ".wav");
        write_wav16(path.string(), 22050, ch, s);
        const std::string b = read_file(path);
        ASSERT_EQ(b.size(), 44u + 12u);
        EXPECT_EQ(b.substr(0, 4), "RIFF");
        EXPECT_EQ(le32(b, 4), 36u + 12u);
        EXPECT_EQ(b.substr(8, 8), "WAVEfmt ");
        EXPECT_EQ(le32(b, 16), 16u);
        EXPECT_EQ(le16(b, 20), 1u);
        EXPECT_EQ(le16(b, 22), unsigned(ch));
        EXPECT_EQ(le32(b, 24), 22050u);
        EXPECT_EQ(le32(b, 28), 22050u * 2 * ch);
        EXPECT_EQ(le16(b, 32), 2u * ch);
        EXPECT_EQ(le16(b, 34), 16u);
        EXPECT_EQ(b.substr(36, 4), "data");
        EXPECT_EQ(le32(b, 40), 12u);
        EXPECT_EQ(le16(b, 44), 1u);
        EXPECT_EQ(le16(b, 46), 0xFFFEu);
        EXPECT_EQ(le16(b, 48), 0x7FFFu);
        EXPECT_EQ(le16(b, 50), 0x8000u);
        EXPECT_EQ(le16(b, 52), 0x0102u);
    }
    EXPECT_THROW(write_wav16((dir.path / "odd.wav").string(), 44100, 2, {1, 2, 3}), EGravonError);
    const std::string bad = (dir.path / "no" / "such" / "dir.wav").string();
    try {
        write_wav16(bad, 44100, 1, {0});
        FAIL() << "no error";
    } catch (const EGravonError& e) {
        EXPECT_NE(std::string(e.what()).find(bad), std::string::npos) << e.what();
    }
    EXPECT_THROW(wav16_header(44100, 2, 1ull << 31), EGravonError);
    EXPECT_EQ(wav16_header(44100, 1, 0).size(), 44u);
}

TEST(SynthTruth, CsvHasOneLinePerFrameWithDotDecimals) {
    auto p = make_example_params();
    p.second = tsecondchannel::crosstalk;
    const auto r = synthesize(p);
    const std::string text = truth_csv_text(r);
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "time_s,voiced,f0_hz,semitone,spl_db,spl_right_db,clipped");
    std::size_t n = 0;
    while (std::getline(in, line)) {
        if (n == 100) {
            EXPECT_EQ(line.substr(0, 10), "2.00000,1,");
            EXPECT_EQ(std::count(line.begin(), line.end(), ','), 6);
        }
        ++n;
    }
    EXPECT_EQ(n, r.frames.size());
    TempDir dir;
    write_truth_csv((dir.path / "t.csv").string(), r);
    EXPECT_EQ(read_file(dir.path / "t.csv"), text);
    EXPECT_THROW(write_truth_csv((dir.path / "x" / "t.csv").string(), r), EGravonError);
}

TEST(SynthSweep, CoversTheRangeWithinTheAnalysisRateLimits) {
    tsweeprange range;
    const auto a = make_sweep(120, range, 5);
    const auto b = make_sweep(120, range, 5);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_GT(a.size(), 12u);
    EXPECT_NE(make_sweep(120, range, 6)[0].points[0].semitone, a[0].points[0].semitone);
    double stlo = 1e9, sthi = -1e9;
    for (std::size_t k = 0; k < a.size(); ++k) {
        ASSERT_EQ(a[k].points.size(), b[k].points.size());
        for (const auto& pt : a[k].points) {
            EXPECT_GE(pt.semitone, range.lo_semitone);
            EXPECT_LE(pt.semitone, range.hi_semitone);
            EXPECT_GE(pt.spl, range.lo_spl);
            EXPECT_LE(pt.spl, range.hi_spl);
            stlo = std::min(stlo, pt.semitone);
            sthi = std::max(sthi, pt.semitone);
        }
        if (k > 0) {
            EXPECT_GE(a[k].points.front().time - a[k - 1].points.back().time, 0.3);
        }
    }
    EXPECT_LT(stlo, range.lo_semitone + 6);
    EXPECT_GT(sthi, range.hi_semitone - 6);
    EXPECT_LE(a.back().points.back().time, 120.0);

    tsynthparams p;
    p.phrases = a;
    p.keep_float = false;
    const auto r = synthesize(p);
    for (std::size_t i = 1; i < r.frames.size(); ++i) {
        const auto &f = r.frames[i], &g = r.frames[i - 1];
        if (!f.voiced || !g.voiced) continue;
        ASSERT_LT(std::abs(f.semitone - g.semitone), 0.5) << f.time;
        ASSERT_LT(g.spl[0] - f.spl[0], 2.0) << f.time; // the falling-level limit per frame
        ASSERT_LT(f.spl[0] - g.spl[0], 4.0) << f.time;
    }
    EXPECT_TRUE(r.floats.empty());
    EXPECT_THROW(make_sweep(0.5, range, 1), EGravonError);
    range.hi_spl = range.lo_spl;
    EXPECT_THROW(make_sweep(60, range, 1), EGravonError);
}

TEST(SynthCli, ParsesOptionsIntoParameters) {
    const auto d = parse_synth_arguments({"--out", "x.wav"});
    EXPECT_EQ(d.out, "x.wav");
    EXPECT_TRUE(d.truth.empty());
    ASSERT_EQ(d.params.phrases.size(), 1u);
    EXPECT_NEAR(semitone_to_hz(d.params.phrases[0].points[0].semitone), 210, 1e-9);
    EXPECT_EQ(d.params.phrases[0].points[1].spl, 84);
    EXPECT_EQ(d.params.fullscale_pa, 100);
    EXPECT_EQ(d.params.second, tsecondchannel::none);

    const auto c = parse_synth_arguments({"--out=v.wav", "--truth",   "t.csv",
                                          "--seconds",   "2",         "--glide",
                                          "200:400",     "--vibrato", "6:40",
                                          "--spl",       "70:90",     "--fullscale-pa",
                                          "20",          "--jitter",  "0.5",
                                          "--shimmer",   "0.3",       "--hnr",
                                          "25",          "--vowel",   "i",
                                          "--leadin",    "0.5",       "--noise-spl",
                                          "30",          "--clip",    "--crosstalk-db",
                                          "15",          "--seed",    "9",
                                          "--rate",      "48000",     "--noise-color",
                                          "white"});
    const auto& q = c.params;
    EXPECT_EQ(c.out, "v.wav");
    EXPECT_EQ(c.truth, "t.csv");
    EXPECT_EQ(q.phrases[0].points[1].time, 2);
    EXPECT_NEAR(q.phrases[0].points[1].semitone - q.phrases[0].points[0].semitone, 12, 1e-9);
    EXPECT_EQ(q.phrases[0].points[0].spl, 70);
    EXPECT_EQ(q.vibrato_rate, 6);
    EXPECT_EQ(q.vibrato_cents, 40);
    EXPECT_EQ(q.fullscale_pa, 20);
    EXPECT_EQ(q.jitter_percent, 0.5);
    EXPECT_EQ(q.shimmer_db, 0.3);
    EXPECT_EQ(q.hnr_db, 25);
    EXPECT_EQ(q.formants[0].freq, 270);
    EXPECT_EQ(q.leadin, 0.5);
    EXPECT_EQ(q.noise_spl, 30);
    EXPECT_TRUE(q.clip);
    EXPECT_EQ(q.second, tsecondchannel::crosstalk);
    EXPECT_EQ(q.crosstalk_db, 15);
    EXPECT_EQ(q.seed, 9u);
    EXPECT_EQ(q.rate, 48000);
    EXPECT_EQ(q.noise_colour, tnoisecolour::white);

    const auto s = parse_synth_arguments({"--out", "x", "--stereo", "--vibrato", "off"});
    EXPECT_EQ(s.params.second, tsecondchannel::noise);
    EXPECT_EQ(s.params.vibrato_rate, 0);
    const auto pts =
        parse_synth_arguments({"--out", "x", "--points", "0:57:80,1:60:85;1.5:50:70,3:52:72"});
    ASSERT_EQ(pts.params.phrases.size(), 2u);
    EXPECT_EQ(pts.params.phrases[1].points[0].time, 1.5);
    EXPECT_EQ(pts.params.phrases[1].points[1].spl, 72);
    const auto sw = parse_synth_arguments({"--out", "x", "--sweep", "30", "--sweep-f0", "100:400"});
    EXPECT_GT(sw.params.phrases.size(), 2u);
    EXPECT_TRUE(parse_synth_arguments({"--help"}).help);
    EXPECT_TRUE(parse_synth_arguments({"-h"}).help);
    EXPECT_NE(synth_help_text().find("--crosstalk-db"), std::string::npos);
}

TEST(SynthCli, BadCommandLinesAreNamed) {
    auto expect_usage = [](std::vector<std::string> args, const std::string& part) {
        try {
            parse_synth_arguments(args);
            ADD_FAILURE() << "no error for " << part;
        } catch (const EUsageError& e) {
            EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
        }
    };
    expect_usage({}, "--out FILE is required");
    expect_usage({"--out", "x", "--bogus"}, "Unknown option \"--bogus\"");
    expect_usage({"--out", "x", "stray"}, "Unexpected argument");
    expect_usage({"--out", "x", "--f0"}, "--f0 needs a value");
    expect_usage({"--out", "x", "--f0", "2x0"}, "--f0: \"2x0\" is not a number");
    expect_usage({"--out", "x", "--f0", "nan"}, "not a number");
    expect_usage({"--out", "x", "--f0", "200", "--f0", "300"}, "given twice");
    expect_usage({"--out", "x", "--f0", "200", "--glide", "1:2"}, "cannot be combined");
    expect_usage({"--out", "x", "--sweep", "60", "--spl", "80"}, "cannot be combined");
    expect_usage({"--out", "x", "--sweep-f0", "100:200"}, "needs --sweep");
    expect_usage({"--out", "x", "--glide", "200"}, "form A:B");
    expect_usage({"--out", "x", "--points", "0:57"}, "TIME:SEMITONE:DB");
    expect_usage({"--out", "x", "--vowel", "y"}, "Unknown vowel");
    expect_usage({"--out", "x", "--seed", "-1"}, "whole number");
    expect_usage({"--out", "x", "--clip=1"}, "takes no value");
    expect_usage({"--out", "x", "--noise-colour", "blue"}, "neither pink nor white");
    expect_usage({"--out", "x", "--sweep", "0.2"}, "Sweep duration");
}

TEST(SynthCli, ProgramWritesFilesAndReportsErrors) {
    TempDir dir;
    const auto wav = (dir.path / "v.wav").string();
    const auto csv = (dir.path / "v.csv").string();
    const auto log = (dir.path / "log.txt").string();
    auto run = [&](const std::string& args) {
        const std::string cmd = std::string(GRAVON_SYNTH_PATH) + " " + args + " >" + log + " 2>&1";
        const int st = std::system(cmd.c_str());
        return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    };
    EXPECT_EQ(run("--out " + wav + " --truth " + csv + " --seconds 1 --stereo"), 0);
    const std::string b = read_file(wav);
    ASSERT_GE(b.size(), 44u);
    EXPECT_EQ(le16(b, 22), 2u);
    const std::size_t frames = (b.size() - 44) / 4;
    EXPECT_EQ(frames % 882, 0u);
    const std::string truth = read_file(csv);
    EXPECT_EQ(std::size_t(std::count(truth.begin(), truth.end(), '\n')), frames / 882 + 1);
    EXPECT_NE(read_file(log).find("frames voiced"), std::string::npos);

    EXPECT_EQ(run("--help"), 0);
    EXPECT_NE(read_file(log).find("Usage: gravon-synth"), std::string::npos);
    EXPECT_EQ(run("--out " + wav + " --f0 abc"), 2);
    EXPECT_NE(read_file(log).find("--f0: \"abc\" is not a number"), std::string::npos);
    EXPECT_EQ(run("--out " + wav + " --f0 5"), 1);
    EXPECT_NE(read_file(log).find("F0 5 Hz"), std::string::npos);
    EXPECT_EQ(run("--out " + wav + " --spl 130 --fullscale-pa 1"), 1);
    EXPECT_NE(read_file(log).find("exceeds the full scale"), std::string::npos);
    EXPECT_EQ(run("--out " + (dir.path / "none" / "v.wav").string()), 1);
    EXPECT_NE(read_file(log).find("Cannot write"), std::string::npos);
}
