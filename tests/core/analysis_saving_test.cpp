#include "analysis/filter_sections.h"
#include "analysis/hop_analysis.h"
#include "base/number_text.h"
#include "base/sample_conversion.h"
#include "base/text_utils.h"
#include "calibration/calibration_model.h"
#include "core/main_window.h"
#include "files/analysis_saving.h"
#include "files/qub_file.h"
#include "files/smp_file.h"
#include "files/wav_file.h"
#include "support/message_box_interface.h"
#include "support/temp_config.h"

#include <cmath>
#include <csignal>
#include <deque>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
#include <string>
#include <sys/resource.h>
#include <vector>

using namespace gravon;
namespace fs = std::filesystem;

namespace {

constexpr double fs44 = 44100.0;

std::pair<double, double> pr(const tdoublepair& p) {
    return {p.lo, p.hi};
}

double pa_for_level(double db) {
    return std::pow(10.0, db / 20.0) * 2e-5;
}

// A sawtooth-like voice in Pa with an rms level of db.
double voice(double f0, double db, long i) {
    double sumsq = 0;
    for (int h = 1; h * f0 < 2000; ++h) sumsq += 1.0 / (h * h);
    const double a1 = pa_for_level(db) * std::sqrt(2.0 / sumsq);
    double v = 0;
    for (int h = 1; h * f0 < 2000; ++h)
        v += a1 / h * std::sin(2 * std::numbers::pi * h * f0 * double(i) / fs44 + 0.3 * h);
    return v;
}

// Records the messages and answers the save dialogs from a script ("" = cancelled).
class tscriptedinterface : public gravon::testing::tmessageboxinterface {
  public:
    struct tmessage {
        std::string caption, text;
        tmessagekind kind;
    };
    struct tdialog {
        std::string caption, filter, defaultext, initialname;
    };
    std::vector<tmessage> messages;
    std::vector<tdialog> dialogs;
    std::deque<std::string> answers;
    std::vector<std::string> questions;

    tanswer question(const std::string& caption, const std::string& text,
                     tbuttons buttons) override {
        questions.push_back(text);
        return tmessageboxinterface::question(caption, text, buttons);
    }

    void message_box(const std::string& caption, const std::string& text,
                     tmessagekind kind) override {
        messages.push_back({caption, text, kind});
    }
    std::string save_file_name(const std::string& caption, const std::string& filter,
                               const std::string& defaultext) override {
        return save_file_name_from(caption, filter, defaultext, "");
    }
    std::string save_file_name_from(const std::string& caption, const std::string& filter,
                                    const std::string& defaultext,
                                    const std::string& initialname) override {
        dialogs.push_back({caption, filter, defaultext, initialname});
        if (answers.empty()) return "";
        std::string a = answers.front();
        answers.pop_front();
        return a;
    }
};

class AnalysisSaving : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device rd;
        dir = fs::temp_directory_path() / ("gravon_saving_test_" + std::to_string(rd()));
        fs::create_directories(dir);
        form.FormActivate({});
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }

    // A live recording: half a second of room noise, then a voice on both channels (220 Hz at
    // 80 dB left, 330 Hz at 70 dB right), delivered in blocks that do not fit the hops.
    void record(double voiceseconds = 1.0) {
        form.Set_recording(true);
        std::mt19937 gen(5);
        std::normal_distribution<double> noise(0.0, pa_for_level(35));
        const long quiet = long(0.5 * fs44);
        const long total = quiet + long(voiceseconds * fs44);
        trecarr block(2, tsinglearr(1000, 0.0f));
        for (long start = 0; start < total; start += 1000) {
            const long n = std::min<long>(1000, total - start);
            for (long k = 0; k < n; ++k) {
                const long i = start + k;
                double l = noise(gen), r = noise(gen);
                if (i >= quiet) {
                    l += voice(220, 80, i);
                    r += voice(330, 70, i);
                }
                block[0][std::size_t(k)] = float(l);
                block[1][std::size_t(k)] = float(r);
            }
            form.crunch_arr(block, std::size_t(n), form.intake_factors());
        }
        form.Set_recording(false);
    }

    struct tchannel {
        std::string name, unit;
        tdoublepair view, range;
        std::vector<std::int16_t> samples;
    };
    static std::vector<tchannel> read_smp(const std::string& fname, TSMPfile& smp) {
        EXPECT_TRUE(smp.open_file(fname, true));
        std::vector<tchannel> out;
        tsamplechunk chunk;
        for (int k = 0; k < smp.nChans(); ++k) {
            tchannel c{smp.ChannelName(k),
                       smp.ChannelUnit(k),
                       smp.ChannelView(k),
                       smp.ChannelRange(k),
                       {}};
            for (;;) {
                smp.ChannelChunk(k, chunk);
                if (chunk.used <= 0) break;
                c.samples.insert(c.samples.end(), chunk.data.begin(),
                                 chunk.data.begin() + chunk.used);
            }
            out.push_back(std::move(c));
        }
        return out;
    }

    static std::string readbytes(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void writebytes(const std::string& p, const std::string& bytes) {
        std::ofstream out(p, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), std::streamsize(bytes.size()));
    }
    // Names of everything in the test folder.
    std::vector<std::string> listing() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    // A save that runs out of room part way: no file of this process may grow beyond a few
    // kilobytes while it runs.
    template <class tf> bool without_room(tf save) {
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = 4096;
        ::setrlimit(RLIMIT_FSIZE, &small);
        const bool saved = save();
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, handler);
        return saved;
    }

    std::int32_t rejected_frames(int ch) const {
        std::int32_t n = 0;
        for (std::int32_t f = 0; f < form.frames(); ++f)
            n += form.paramarr[trackdebug][std::size_t(ch)][std::size_t(f)] != 0 ? 1 : 0;
        return n;
    }

    // The per-user settings folder in a temporary place, before the window reads it.
    gravon::testing::ttempconfig config;
    fs::path dir;
    tscriptedinterface ui;
    TForm1 form{ui};
};

// ---- The pieces of the layout ----

TEST(SmpLayout, ItemTable) {
    const tsmpitemlayout spl = smp_item_layout(1, 0, 2000);
    EXPECT_EQ(spl.name, "SPL 0");
    EXPECT_EQ(spl.unit, "dB");
    EXPECT_EQ(pr(spl.view), pr({0, 120}));
    EXPECT_EQ(pr(spl.range), pr({0, 32768}));
    const tsmpitemlayout fo = smp_item_layout(2, 1, 1500);
    EXPECT_EQ(fo.name, "fo 1");
    EXPECT_EQ(pr(fo.view), pr({0, 1500}));
    EXPECT_EQ(fo.unit, "Hz");
    EXPECT_EQ(smp_item_layout(3, 0, 2000).name, "H1H2 0");
    EXPECT_EQ(pr(smp_item_layout(4, 0, 2000).view), pr({-50, 50}));
    EXPECT_EQ(smp_item_layout(5, 0, 2000).name, "Centroid 0");
    EXPECT_EQ(pr(smp_item_layout(5, 0, 2000).view), pr({-10000, 10000}));
    EXPECT_EQ(smp_item_layout(6, 0, 2000).name, "Crest 0");
    const tsmpitemlayout part = smp_item_layout(7, 0, 2000);
    EXPECT_EQ(part.name, "Strongest partial 0");
    EXPECT_EQ(part.unit, "");
    EXPECT_EQ(pr(part.view), pr({-32.768, 32.768}));
    EXPECT_EQ(pr(part.range), pr({-32768, 32768}));
    const tsmpitemlayout debug = smp_item_layout(8, 1, 2000);
    EXPECT_EQ(debug.name, "Debug 1");
    EXPECT_EQ(pr(debug.view), pr({0, 128}));
    EXPECT_EQ(pr(debug.range), pr({0, 32768}));
    EXPECT_THROW(smp_item_layout(0, 0, 2000), ERangeError);
    EXPECT_THROW(smp_item_layout(9, 0, 2000), ERangeError);
    const tsmpitemlayout audio = smp_audio_layout("Audio 0 @300 mm", 2.5);
    EXPECT_EQ(pr(audio.view), pr({-2.5, 2.5}));
    EXPECT_EQ(audio.unit, "Pa");
    EXPECT_EQ(pr(audio.range), pr({-32768, 32768}));
}

TEST(SmpLayout, WorkedSampleValues) {
    // 60 dB is half the SPL view: 60 x 32768 / 120.
    const tsmpitemlayout spl = smp_item_layout(1, 0, 2000);
    EXPECT_EQ(maprangetosample(spl.view, spl.range, false, smp_item_value(1, 60, 0)), 16384);
    // A rejected frame: F0 0, H1/H2, HNR and crest at the floor of their views.
    const tsmpitemlayout fo = smp_item_layout(2, 0, 2000);
    EXPECT_EQ(maprangetosample(fo.view, fo.range, false, smp_item_value(2, 0, 4)), 0);
    EXPECT_EQ(smp_item_value(2, 220, 4), 0);
    EXPECT_EQ(smp_item_value(2, 220, 0), 220);
    const tsmpitemlayout h = smp_item_layout(3, 0, 2000);
    EXPECT_EQ(maprangetosample(h.view, h.range, false, smp_item_value(3, 7, 4)), -32768);
    EXPECT_EQ(smp_item_value(4, 20, 1), -50);
    EXPECT_EQ(smp_item_value(6, 10, 1), -50);
    // The others are written as measured, also in rejected frames.
    EXPECT_EQ(smp_item_value(1, 33, 1), 33);
    EXPECT_EQ(smp_item_value(5, 900, 1), 900);
    EXPECT_EQ(smp_item_value(7, 3, 1), 3);
    EXPECT_EQ(smp_item_value(8, 4, 4), 4);
    // Analysis values are clipped and rounded without dither.
    EXPECT_EQ(maprangetosample(spl.view, spl.range, false, 200), 32767);
    const tsmpitemlayout part = smp_item_layout(7, 0, 2000);
    EXPECT_EQ(maprangetosample(part.view, part.range, false, 3), 3000);
}

TEST(SmpLayout, AudioFullScale) {
    EXPECT_EQ(saved_audio_fullscale(0.5, 100, true), 0.5);
    EXPECT_EQ(saved_audio_fullscale(0.5, 100, false), 100);
    // A peak beyond the nominal full scale is kept whatever the flag says.
    EXPECT_EQ(saved_audio_fullscale(150, 100, false), 150);
    // A silent channel could not be scaled back from a zero full scale.
    EXPECT_EQ(saved_audio_fullscale(0, 100, true), 100);
    EXPECT_EQ(saved_audio_fullscale(0, 0, true), 1);
    EXPECT_EQ(saved_audio_fullscale(NAN, 50, true), 50);
}

TEST(SmpLayout, AudioChannelNameAndHelpers) {
    EXPECT_EQ(smp_audio_channel_name(0, 0.3, false, 0.3), "Audio 0 @300 mm");
    EXPECT_EQ(smp_audio_channel_name(1, 0.15, true, 0.3), "Audio 1 @150 mm recalc. to 300 mm");
    // Whole millimetres, halves to even.
    EXPECT_EQ(smp_audio_channel_name(0, 0.0125, false, 0.3), "Audio 0 @12 mm");
    EXPECT_EQ(selected_count(default_savesmpchannel()), 3);
    EXPECT_EQ(selected_count(default_savekavellchannel()), 9);
    EXPECT_EQ(analysis_block_length(10, 8820, 1764), 882);
    EXPECT_EQ(analysis_block_length(0, 0, 1764), 882);
    EXPECT_EQ(analysis_block_length(0, 0, 1), 1);
    EXPECT_EQ(lowercase_extension("a/b.c/Name.SMP"), ".smp");
    EXPECT_EQ(lowercase_extension("a/b.c/Name"), "");
    EXPECT_EQ(change_extension("a/b.c/Name.stdpg", ".smp"), "a/b.c/Name.smp");
    EXPECT_EQ(change_extension("a/b.c/Name", ".wav"), "a/b.c/Name.wav");
}

// ---- SMP ----

TEST_F(AnalysisSaving, DefaultSelectionGivesAudioSplAndFo) {
    form.advanced.calibrationrecalculate = false;
    form.pgs[0].actualdistance = 0.3;
    record();
    ASSERT_GT(form.frames(), 50);
    const std::string f = path("rec.smp");
    ASSERT_TRUE(form.save_smp(f)) << (ui.messages.empty() ? "" : ui.messages[0].text);
    EXPECT_TRUE(ui.messages.empty());

    TSMPfile smp;
    const auto ch = read_smp(f, smp);
    ASSERT_EQ(ch.size(), 3u);
    EXPECT_EQ(ch[0].name, "Audio 0 @300 mm");
    EXPECT_EQ(ch[1].name, "SPL 0");
    EXPECT_EQ(ch[2].name, "fo 0");
    EXPECT_EQ(smp.get_item("sftot"), "132300");
    EXPECT_EQ(smp.get_item("nchans"), "3");
    EXPECT_EQ(smp.get_item("proc0"), form.progid.processing_stamp());
    EXPECT_EQ(smp.get_item("site"), form.pgs[0].recordingsiteid);
    EXPECT_EQ(smp.get_item("date"), form.pgs[0].datestr);
    EXPECT_EQ(smp.get_item("micdist0"), floattostrdot(form.pgs[0].distance));
    EXPECT_EQ(smp.get_item("actmicdist0"), "0.3");
    EXPECT_EQ(smp.get_item("calib0", "none"), form.calibration_info(0));
    EXPECT_EQ(smp.get_item("micdist1", "none"), "none");
    for (const auto& c : ch) EXPECT_EQ(c.samples.size(), std::size_t(form.audiosamples()));
    EXPECT_EQ(smp.nSamples(), 3 * std::int64_t(form.audiosamples()));
    EXPECT_EQ(ch[0].unit, "Pa");
    EXPECT_EQ(ch[1].unit, "dB");
    EXPECT_EQ(pr(ch[1].view), pr({0, 120}));
    EXPECT_EQ(pr(ch[2].view), pr({0, 2000}));
    EXPECT_EQ(pr(ch[2].range), pr({0, 32768}));
    // The saved state counts as saved.
    EXPECT_FALSE(form.soundmodified());
    EXPECT_EQ(listing(), std::vector<std::string>{"rec.smp"});
}

TEST_F(AnalysisSaving, ChannelNameWithRecalculation) {
    // Only a calibrated take's levels refer to a distance.
    record(0.3);
    ASSERT_TRUE(form.save_smp(path("a.smp")));
    TSMPfile smp;
    ASSERT_TRUE(smp.open_file(path("a.smp"), true));
    EXPECT_EQ(smp.ChannelName(0), "Audio 0 @150 mm");
    smp.close_file();
    form.NewRecordingActionExecute();
    form.calibrationstatus[0] = calstatussigned;
    record(0.3);
    ASSERT_TRUE(form.save_smp(path("b.smp")));
    ASSERT_TRUE(smp.open_file(path("b.smp"), true));
    EXPECT_EQ(smp.ChannelName(0), "Audio 0 @150 mm recalc. to 300 mm");
}

TEST_F(AnalysisSaving, AudioMatchesTheStoreWithinDither) {
    record();
    ASSERT_TRUE(form.save_smp(path("a.smp")));
    TSMPfile smp;
    const auto ch = read_smp(path("a.smp"), smp);
    ASSERT_FALSE(ch.empty());
    const double peak = form.audiopeak[0];
    ASSERT_GT(peak, 0);
    EXPECT_NEAR(ch[0].view.lo, -peak, peak * 1e-5);
    EXPECT_NEAR(ch[0].view.hi, peak, peak * 1e-5);
    const double step = (ch[0].view.hi - ch[0].view.lo) / 65536;
    double worst = 0;
    int loud = 0;
    for (std::size_t i = 0; i < ch[0].samples.size(); ++i) {
        // The peak itself lands on full scale, which the dither limits keep clear of.
        const double x =
            std::clamp(-32768.0 + (form.audioarr[0][i] - ch[0].view.lo) / step, -32766.0, 32765.0);
        worst = std::max(worst, std::fabs(ch[0].samples[i] - x));
        loud += std::abs(ch[0].samples[i]) > 30000 ? 1 : 0;
    }
    // Rounding after a triangular dither of one step either way.
    EXPECT_LT(worst, 1.5);
    EXPECT_GT(loud, 0); // amplified: the peak reaches full scale
}

TEST_F(AnalysisSaving, TracksRepeatEveryFrameValue) {
    record();
    ASSERT_GT(rejected_frames(0), 0);
    ASSERT_LT(rejected_frames(0), form.frames() - 10);
    ASSERT_TRUE(form.save_smp(path("a.smp")));
    TSMPfile smp;
    const auto ch = read_smp(path("a.smp"), smp);
    ASSERT_EQ(ch.size(), 3u);
    const std::int32_t l = form.downsamplingfactor / 2;
    ASSERT_EQ(std::int64_t(form.frames()) * l, form.audiosamples());
    int zerofo = 0;
    for (int item = 1; item <= 2; ++item) {
        const auto& c = ch[std::size_t(item)];
        const tsmpitemlayout lay = smp_item_layout(item, 0, form.advanced.hif0limit);
        for (std::size_t i = 0; i < c.samples.size(); ++i) {
            const std::size_t f = i / std::size_t(l);
            const double v = form.paramarr[std::size_t(item)][0][f];
            const double debug = form.paramarr[trackdebug][0][f];
            ASSERT_EQ(c.samples[i],
                      maprangetosample(lay.view, lay.range, false, smp_item_value(item, v, debug)))
                << item << " sample " << i;
            if (item == 2 && debug != 0) {
                ASSERT_EQ(c.samples[i], 0);
                ++zerofo;
            }
        }
    }
    EXPECT_GT(zerofo, 0);
    // A voiced frame of the left channel: about 80 dB and 220 Hz.
    const std::size_t last = std::size_t(form.frames() - 1) * std::size_t(l);
    EXPECT_NEAR(ch[1].samples[last] * 120.0 / 32768, 80, 1.0);
    EXPECT_NEAR(ch[2].samples[last] * 2000.0 / 32768, 220, 1.0);
}

TEST_F(AnalysisSaving, AmplificationScalesTheAudioByFsdOverPeak) {
    record();
    form.advanced.amplifysmpaudio = true;
    ASSERT_TRUE(form.save_smp(path("amp.smp")));
    form.advanced.amplifysmpaudio = false;
    ASSERT_TRUE(form.save_smp(path("plain.smp")));
    TSMPfile a, b;
    const auto amp = read_smp(path("amp.smp"), a);
    const auto plain = read_smp(path("plain.smp"), b);
    const double peak = form.audiopeak[0], fsd = form.audiofsd[0];
    ASSERT_LT(peak, fsd);
    EXPECT_NEAR(amp[0].view.hi, peak, peak * 1e-5);
    EXPECT_NEAR(amp[0].view.lo, -peak, peak * 1e-5);
    EXPECT_NEAR(plain[0].view.hi, fsd, fsd * 1e-5);
    EXPECT_NEAR(plain[0].view.lo, -fsd, fsd * 1e-5);
    ASSERT_EQ(amp[0].samples.size(), plain[0].samples.size());
    for (std::size_t i = 0; i < amp[0].samples.size(); ++i)
        ASSERT_NEAR(amp[0].samples[i] * peak / fsd, plain[0].samples[i], 1.6) << i;
    // The analysis channels do not depend on the flag.
    EXPECT_EQ(amp[1].samples, plain[1].samples);
}

TEST_F(AnalysisSaving, EverySelectedItemOfBothChannelsInOrder) {
    record(0.5);
    for (auto& item : form.advanced.savesmpchannel) item = {true, true};
    form.soundfilechname = "not used for a recording";
    ASSERT_TRUE(form.save_smp(path("all.smp")));
    TSMPfile smp;
    const auto ch = read_smp(path("all.smp"), smp);
    ASSERT_EQ(ch.size(), 18u);
    EXPECT_EQ(smp.get_item("sftot"), "793800");
    const std::vector<std::string> names = {
        "SPL", "fo", "H1H2", "HNR", "Centroid", "Crest", "Strongest partial", "Debug"};
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(ch[std::size_t(9 * c)].name.rfind("Audio " + std::to_string(c) + " @", 0), 0u);
        for (int k = 1; k <= 8; ++k)
            EXPECT_EQ(ch[std::size_t(9 * c + k)].name,
                      names[std::size_t(k - 1)] + " " + std::to_string(c));
    }
    EXPECT_EQ(smp.get_item("actmicdist1"), floattostrdot(form.pgs[1].actualdistance));
    // The right audio channel against its store.
    const double step = (ch[9].view.hi - ch[9].view.lo) / 65536;
    for (std::size_t i = 0; i < ch[9].samples.size(); ++i)
        ASSERT_NEAR(
            ch[9].samples[i],
            std::clamp(-32768.0 + (form.audioarr[1][i] - ch[9].view.lo) / step, -32766.0, 32765.0),
            1.5);
    // The debug track holds the rejection reasons of each frame.
    const std::int32_t l = form.downsamplingfactor / 2;
    for (std::int32_t f = 0; f < form.frames(); ++f)
        ASSERT_EQ(ch[17].samples[std::size_t(f * l)],
                  maprangetosample({0, 128}, {0, 32768}, false,
                                   form.paramarr[trackdebug][1][std::size_t(f)]));
}

TEST_F(AnalysisSaving, SoundFileAnalysisIsSavedAndReadAgain) {
    // A mono WAV of the voice with room noise before it.
    std::mt19937 gen(3);
    std::normal_distribution<double> noise(0.0, pa_for_level(35));
    tsinglearr wavdata(std::size_t(fs44 * 1.2));
    for (std::size_t i = 0; i < wavdata.size(); ++i)
        wavdata[i] = float(noise(gen) + (i > 22050 ? voice(196, 85, long(i)) : 0.0));
    TWavFile w;
    w.setsampfreq(44100);
    w.setnbits(16);
    w.setfullscale(0, 1.0);
    w.save_file(path("voice.wav"), {wavdata}, false, false);

    form.Open_soundfile(path("voice.wav"), 0, -1);
    ASSERT_TRUE(form.analysisisfromsoundfile());
    ASSERT_GT(form.frames(), 40);
    ASSERT_TRUE(form.save_smp(path("voice.smp")));
    TSMPfile smp;
    ASSERT_TRUE(smp.open_file(path("voice.smp"), true));
    EXPECT_EQ(smp.ChannelName(0), "Wav channel # 0");
    EXPECT_EQ(smp.get_item("calib0"), "Soundfile is uncalibrated");
    EXPECT_EQ(smp.get_item("micdist0"), "-1");
    smp.close_file();

    // The saved file opens for analysis like any SMP file and gives the same recording.
    tscriptedinterface ui2;
    TForm1 again(ui2);
    again.FormActivate({});
    again.Open_soundfile(path("voice.smp"), 0, -1);
    // Only the notes on a doubtful analysis.
    for (auto& m : ui2.messages) EXPECT_EQ(m.caption, "The analysis may be doubtful") << m.text;
    // A final replay block of fewer than 2048 samples is not analysed.
    EXPECT_EQ(again.audiosamples(), form.audiosamples() / 2048 * 2048 / 882 * 882);
    EXPECT_EQ(again.pgs[0].calibstr, "Soundfile is uncalibrated");
    const double peak = form.audiopeak[0];
    for (std::int32_t i = 0; i < again.audiosamples(); ++i)
        ASSERT_NEAR(again.audioarr[0][std::size_t(i)], form.audioarr[0][std::size_t(i)],
                    5 * peak / 32768);
    for (std::int32_t f = 0; f < again.frames(); ++f)
        ASSERT_NEAR(again.paramarr[trackspl][0][std::size_t(f)],
                    form.paramarr[trackspl][0][std::size_t(f)], 0.05);
}

TEST_F(AnalysisSaving, ReplacesAnExistingFileCompletely) {
    record(0.3);
    const std::string f = path("a.smp");
    writebytes(f, std::string(5'000'000, 'x'));
    ASSERT_TRUE(form.save_smp(f));
    TSMPfile smp;
    ASSERT_TRUE(smp.open_file(f, true));
    EXPECT_EQ(smp.nSamples(), 3 * std::int64_t(form.audiosamples()));
    EXPECT_LT(fs::file_size(f), 5'000'000u);
    EXPECT_EQ(listing(), std::vector<std::string>{"a.smp"});
}

TEST_F(AnalysisSaving, AFailedSaveKeepsTheOldFileAndTheUnsavedState) {
    record(0.3);
    ASSERT_TRUE(form.soundmodified());
    const std::string f = path("a.smp");
    writebytes(f, "precious");
    EXPECT_FALSE(without_room([&] { return form.save_smp(f); }));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Cannot save file");
    EXPECT_EQ(ui.messages[0].text.rfind("Cannot save file \r" + f + "\r", 0), 0u);
    EXPECT_EQ(ui.messages[0].kind, tmessagekind::error);
    EXPECT_EQ(readbytes(f), "precious");
    EXPECT_EQ(listing().size(), 1u);
    // The user is asked again on closing.
    EXPECT_TRUE(form.soundmodified());
}

TEST_F(AnalysisSaving, RefusesAFolderAndAnEmptySelection) {
    record(0.3);
    fs::create_directories(path("folder.smp"));
    EXPECT_FALSE(form.save_smp(path("folder.smp")));
    EXPECT_TRUE(fs::is_directory(path("folder.smp")));
    EXPECT_EQ(listing(), std::vector<std::string>{"folder.smp"});

    form.advanced.savesmpchannel = tsavetable{};
    EXPECT_FALSE(form.save_smp(path("none.smp")));
    EXPECT_FALSE(fs::exists(path("none.smp")));
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_FALSE(form.save_smp(path("missing/folder/x.smp")));
    EXPECT_TRUE(form.soundmodified());
}

TEST_F(AnalysisSaving, NothingRecordedGivesEmptyChannels) {
    ASSERT_TRUE(form.save_smp(path("empty.smp")));
    TSMPfile smp;
    ASSERT_TRUE(smp.open_file(path("empty.smp"), true));
    EXPECT_EQ(smp.nChans(), 3);
    EXPECT_EQ(smp.nSamples(), 0);
    // Nothing to scale by: the nominal full scale.
    EXPECT_EQ(smp.ChannelView(0).hi, form.audiofsd[0]);
}

// ---- Signal set ----

TEST_F(AnalysisSaving, SignalSetOfTheLeftChannel) {
    record(0.5);
    const std::string f = path("rec.kavell");
    ASSERT_TRUE(form.save_kavell(f));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(form.soundmodified());

    TQUBFile q;
    ASSERT_TRUE(q.open_file(f)) << q.ReadError();
    EXPECT_EQ(q.FileId(), "KavellSignals");
    EXPECT_EQ(q.readfileversion(), "1.0");
    EXPECT_EQ(q.readinteger("Common", "nChans", -1), 9);
    EXPECT_EQ(q.readstring("Ch9", "Name", "none"), "none");

    // The audio.
    EXPECT_EQ(q.readstring("Ch0", "YUnit", ""), "Pa");
    EXPECT_TRUE(q.readbool("Ch0", "Visible", false));
    EXPECT_EQ(q.readstring("Ch0", "Name", ""), "Audio");
    EXPECT_EQ(q.readstring("Ch0", "FileName", "x"), "");
    EXPECT_DOUBLE_EQ(q.readfloat("Ch0", "FSD", 0), form.audiopeak[0]);
    EXPECT_EQ(q.readinteger("Ch0", "nBits", 0), 32);
    EXPECT_TRUE(q.readbool("Ch0", "NeedsDither", false));
    EXPECT_EQ(q.readinteger("Ch0", "Format", 0), 1);
    EXPECT_DOUBLE_EQ(q.readfloat("Ch0", "dBReference", 0), 2e-05);
    EXPECT_DOUBLE_EQ(q.readfloat("Ch0", "SampFreq", 0), 44100);
    EXPECT_DOUBLE_EQ(q.readfloat("Ch0", "OrgSampFreq", 0), 44100);
    EXPECT_EQ(q.readinteger("Ch0", "StereoChanno", 0), -1);
    EXPECT_EQ(q.readinteger("Ch0", "xShift", 1), 0);
    const tsinglearr sig = q.readsinglearr("Ch0", "Sig", {});
    ASSERT_EQ(sig.size(), std::size_t(form.audiosamples()));
    for (std::size_t i = 0; i < sig.size(); ++i) ASSERT_EQ(sig[i], form.audioarr[0][i]);

    // The analysis tracks, one value per frame.
    const double rate = 44100.0 / (form.downsamplingfactor / 2);
    for (int k = 1; k <= 8; ++k) {
        const std::string s = "Ch" + std::to_string(k);
        EXPECT_EQ(q.readstring(s, "Name", ""), form.tracks.paramname[std::size_t(k)]);
        EXPECT_EQ(q.readstring(s, "YUnit", "x"), form.tracks.paramunit[std::size_t(k)]);
        EXPECT_FALSE(q.readbool(s, "NeedsDither", true));
        EXPECT_DOUBLE_EQ(q.readfloat(s, "dBReference", 0), form.tracks.paramref[std::size_t(k)]);
        EXPECT_DOUBLE_EQ(q.readfloat(s, "SampFreq", 0), rate);
        EXPECT_DOUBLE_EQ(q.readfloat(s, "OrgSampFreq", 0), rate);
        const tsinglearr t = q.readsinglearr(s, "Sig", {});
        ASSERT_EQ(t.size(), std::size_t(form.frames()));
        for (std::size_t f2 = 0; f2 < t.size(); ++f2)
            ASSERT_EQ(t[f2], form.paramarr[std::size_t(k)][0][f2]);
        EXPECT_DOUBLE_EQ(q.readfloat(s, "FSD", -1), peakabs(t));
    }
    EXPECT_EQ(q.readstring("Ch1", "Name", ""), "SPL");
    EXPECT_EQ(q.readstring("Ch2", "Name", ""), "fo");

    // Keys of a section in their order.
    std::vector<std::string> keys;
    for (int i = 0; i < q.nnodes(); ++i)
        if (q.get_nodeno(i).section == "Ch3") keys.push_back(q.get_nodeno(i).key);
    EXPECT_EQ(keys,
              (std::vector<std::string>{"YUnit", "Visible", "Name", "FileName", "FSD", "nBits",
                                        "NeedsDither", "Format", "dBReference", "SampFreq",
                                        "OrgSampFreq", "StereoChanno", "xShift", "Sig"}));
    EXPECT_EQ(q.get_nodeno(0).section, "Common");
}

TEST_F(AnalysisSaving, SignalOrderAudioFirstThenTracksPerChannel) {
    record(0.3);
    tsavetable t{};
    t[smAudio] = {true, true};
    t[smfo] = {true, false};
    t[smHNR] = {false, true};
    t[smSPL] = {false, true};
    form.advanced.savekavellchannel = t;
    form.advanced.amplifykavellaudio = false;
    ASSERT_TRUE(form.save_kavell(path("s.kavell")));
    TQUBFile q;
    ASSERT_TRUE(q.open_file(path("s.kavell")));
    EXPECT_EQ(q.readinteger("Common", "nChans", -1), 5);
    EXPECT_EQ(q.readstring("Ch0", "Name", ""), "Audio");
    EXPECT_EQ(q.readstring("Ch1", "Name", ""), "Audio");
    EXPECT_EQ(q.readstring("Ch2", "Name", ""), "fo");
    EXPECT_EQ(q.readstring("Ch3", "Name", ""), "SPL");
    EXPECT_EQ(q.readstring("Ch4", "Name", ""), "HNR");
    EXPECT_DOUBLE_EQ(q.readfloat("Ch0", "FSD", 0), form.audiofsd[0]);
    EXPECT_DOUBLE_EQ(q.readfloat("Ch1", "FSD", 0), form.audiofsd[1]);
    const tsinglearr right = q.readsinglearr("Ch1", "Sig", {});
    ASSERT_EQ(right.size(), std::size_t(form.audiosamples()));
    EXPECT_EQ(right[1000], form.audioarr[1][1000]);
    const tsinglearr spl = q.readsinglearr("Ch3", "Sig", {});
    ASSERT_EQ(spl.size(), std::size_t(form.frames()));
    EXPECT_EQ(spl.back(), form.paramarr[trackspl][1][std::size_t(form.frames() - 1)]);
}

TEST_F(AnalysisSaving, FailedSignalSetKeepsTheOldFile) {
    record(0.3);
    const std::string f = path("a.kavell");
    writebytes(f, "precious");
    EXPECT_FALSE(without_room([&] { return form.save_kavell(f); }));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Cannot save file");
    EXPECT_EQ(readbytes(f), "precious");
    EXPECT_TRUE(form.soundmodified());
    EXPECT_EQ(listing().size(), 1u);
}

// ---- Normalised WAV ----

TEST_F(AnalysisSaving, NormalisedWavPeaksAtFullScale) {
    record(0.5);
    const std::string f = path("listen.wav");
    ASSERT_TRUE(form.save_normalized_wav(f));
    // Listening does not count as saving the recording.
    EXPECT_TRUE(form.soundmodified());
    TWavFile w;
    ASSERT_TRUE(w.open_file(f));
    EXPECT_EQ(w.nchans(), 1);
    EXPECT_EQ(w.sampfreq(), 44100);
    EXPECT_EQ(w.nbits(), 16);
    EXPECT_EQ(w.format(), tFormat::pcm);
    tintarr s;
    w.read_channel(0, s);
    ASSERT_EQ(s.size(), std::size_t(form.audiosamples()));
    int atfull = 0, peak = 0;
    for (auto v : s) {
        atfull += v == 32767 || v == -32768 ? 1 : 0;
        peak = std::max(peak, std::abs(int(v)));
    }
    EXPECT_GE(atfull, 1);
    EXPECT_GE(peak, 32767);

    // The samples are the left audio through the analysis' high-pass, scaled to the peak.
    std::array<THPFilterSection, 2> hp;
    for (int k = 0; k < 2; ++k) {
        hp[std::size_t(k)].setSampFreq(44100);
        hp[std::size_t(k)].setF0(form.advanced.hpfreq);
        hp[std::size_t(k)].setQ(k == 0 ? thopanalyser::hpq0 : thopanalyser::hpq1);
        hp[std::size_t(k)].reset();
    }
    std::vector<float> y(s.size());
    float ymax = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        y[i] = float(hp[1].filter(hp[0].filter(form.audioarr[0][i])));
        ymax = std::max(ymax, std::fabs(y[i]));
    }
    for (std::size_t i = 0; i < s.size(); ++i)
        ASSERT_NEAR(s[i], std::clamp(32768.0 * y[i] / ymax, -32768.0, 32767.0), 0.5001) << i;
}

TEST_F(AnalysisSaving, SilentRecordingIsRefusedAndTheOldFileStays) {
    form.Set_recording(true);
    trecarr block(2, tsinglearr(4410, 0.0f));
    for (int i = 0; i < 10; ++i) form.crunch_arr(block, form.intake_factors());
    form.Set_recording(false);
    ASSERT_GT(form.audiosamples(), 0);
    const std::string f = path("silent.wav");
    writebytes(f, "precious");
    EXPECT_FALSE(form.save_normalized_wav(f));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Cannot save file");
    EXPECT_NE(ui.messages[0].text.find("full scale"), std::string::npos) << ui.messages[0].text;
    EXPECT_EQ(readbytes(f), "precious");
    EXPECT_EQ(listing(), std::vector<std::string>{"silent.wav"});
}

TEST_F(AnalysisSaving, FailedWavKeepsTheOldFile) {
    record(0.3);
    const std::string f = path("a.wav");
    writebytes(f, "precious");
    EXPECT_FALSE(without_room([&] { return form.save_normalized_wav(f); }));
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(readbytes(f), "precious");
}

// ---- Actions and dialogs ----

TEST_F(AnalysisSaving, SoundDialogChoosesTheFormatByExtension) {
    record(0.3);
    ui.answers = {path("x.KAVELL"), path("y.smp"), path("z.txt"), ""};
    EXPECT_TRUE(form.SaveSmpActionExecute());
    EXPECT_TRUE(form.save_smp_action(""));
    EXPECT_FALSE(form.SaveSmpActionExecute());
    EXPECT_FALSE(form.SaveSmpActionExecute());
    ASSERT_EQ(ui.dialogs.size(), 4u);
    EXPECT_EQ(ui.dialogs[0].defaultext, ".smp");
    EXPECT_NE(ui.dialogs[0].filter.find("*.smp"), std::string::npos);
    EXPECT_NE(ui.dialogs[0].filter.find("*.kavell"), std::string::npos);
    // Each dialog proposes the name chosen last.
    EXPECT_EQ(ui.dialogs[1].initialname, path("x.KAVELL"));
    TQUBFile q;
    EXPECT_TRUE(q.open_file(path("x.KAVELL")));
    EXPECT_EQ(q.FileId(), "KavellSignals");
    TSMPfile smp;
    EXPECT_TRUE(smp.open_file(path("y.smp"), true));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Unknown file type");
    EXPECT_EQ(ui.messages[0].text, "Cannot save file \r" + path("z.txt"));
    EXPECT_EQ(ui.messages[0].kind, tmessagekind::warning);
    EXPECT_FALSE(fs::exists(path("z.txt")));
}

TEST_F(AnalysisSaving, ActionsWithANameSaveDirectly) {
    record(0.3);
    EXPECT_TRUE(form.save_smp_action(path("direct.smp")));
    EXPECT_TRUE(form.save_kavell_action(path("direct.kavell")));
    EXPECT_TRUE(ui.dialogs.empty());
    ui.answers = {""};
    EXPECT_FALSE(form.save_kavell_action(""));
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0].defaultext, ".kavell");
}

TEST_F(AnalysisSaving, UnsavedSoundIsOfferedOnClosing) {
    record(0.3);
    ASSERT_TRUE(form.soundmodified());
    // A save dialog appears for the unsaved sound when the user answers Yes.
    class tyes : public tscriptedinterface {
      public:
        tanswer question(const std::string&, const std::string& text, tbuttons) override {
            return text.find("sound") != std::string::npos ? tanswer::yes : tanswer::no;
        }
    } yes;
    TForm1 f(yes);
    f.FormActivate({});
    f.Set_recording(true);
    trecarr block(2, tsinglearr(44100, 0.01f));
    f.crunch_arr(block, f.intake_factors());
    f.Set_recording(false);
    yes.answers = {path("closing.smp")};
    EXPECT_TRUE(f.FormCloseQuery());
    EXPECT_TRUE(fs::exists(path("closing.smp")));
    EXPECT_FALSE(f.soundmodified());
}

TEST_F(AnalysisSaving, NormalisedDialog) {
    record(0.3);
    ui.answers = {"", path("n.wav")};
    EXPECT_FALSE(form.savenormalizedactionExecute());
    EXPECT_TRUE(form.savenormalizedactionExecute());
    ASSERT_EQ(ui.dialogs.size(), 2u);
    EXPECT_EQ(ui.dialogs[0].filter, "Wave files (*.wav)|*.wav");
    EXPECT_EQ(ui.dialogs[0].defaultext, ".wav");
    EXPECT_TRUE(fs::exists(path("n.wav")));
}

// Save all asks once, for the name the three files share, proposed as /s gives it in the folder
// last used; its caption names the three files, and the title shows what was saved.
TEST_F(AnalysisSaving, SaveAllAsksOnceForTheNameOfItsThreeFiles) {
    record(0.3);
    form.stdpgdialogfilename = path("earlier.stdpg");
    ui.answers = {path("session_pg.stdpg")};
    form.SaveAllActionExecute();
    ASSERT_EQ(ui.dialogs.size(), 1u);
    const std::string first = ui.dialogs[0].initialname;
    EXPECT_EQ(fs::path(first).parent_path(), dir);
    EXPECT_EQ(fs::path(first).filename().string().rfind("take-", 0), 0u) << first;
    EXPECT_EQ(first.substr(first.size() - 9), "_pg.stdpg");
    for (const char* ending : {"_pg.stdpg", "_an.smp", "_listen.wav"})
        EXPECT_NE(ui.dialogs[0].caption.find(ending), std::string::npos) << ui.dialogs[0].caption;
    for (const char* n : {"session_pg.stdpg", "session_an.smp", "session_listen.wav"})
        EXPECT_TRUE(fs::exists(path(n))) << n;
    EXPECT_NE(form.caption().find("session_pg.stdpg"), std::string::npos) << form.caption();
    EXPECT_FALSE(form.soundmodified());
    EXPECT_FALSE(form.stdpgmodified());

    // A plain name is the base; files already there are replaced only when the user agrees.
    ui.dialogs.clear();
    ui.answers = {path("session")};
    writebytes(path("session_an.smp"), "precious");
    form.SaveAllActionExecute();
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_NE(ui.questions[0].find("session_an.smp"), std::string::npos) << ui.questions[0];
    EXPECT_EQ(readbytes(path("session_an.smp")), "precious");

    // A sound file's analysis: its own name, in its folder.
    tsinglearr wavdata(static_cast<std::size_t>(fs44));
    for (std::size_t i = 0; i < wavdata.size(); ++i) wavdata[i] = float(voice(196, 85, long(i)));
    TWavFile w;
    w.setsampfreq(44100);
    w.setnbits(16);
    w.setfullscale(0, 1.0);
    w.save_file(path("voice.wav"), {wavdata}, false, false);
    form.stdpgdialogfilename.clear();
    form.smpdialogfilename.clear();
    form.wavdialogfilename.clear();
    form.Open_soundfile(path("voice.wav"), 0, -1);
    ASSERT_TRUE(form.analysisisfromsoundfile());
    ui.dialogs.clear();
    ui.answers.clear();
    form.SaveAllActionExecute();
    ASSERT_EQ(ui.dialogs.size(), 1u);
    EXPECT_EQ(ui.dialogs[0].initialname, path("voice_pg.stdpg"));
    // Cancelled: nothing written.
    EXPECT_FALSE(fs::exists(path("voice_an.smp")));
}

TEST_F(AnalysisSaving, BatchSaveWritesSoundAndSignalSet) {
    std::mt19937 gen(3);
    std::normal_distribution<double> noise(0.0, pa_for_level(35));
    tsinglearr wavdata(static_cast<std::size_t>(fs44));
    for (std::size_t i = 0; i < wavdata.size(); ++i)
        wavdata[i] = float(noise(gen) + (i > 22050 ? voice(196, 85, long(i)) : 0.0));
    TWavFile w;
    w.setsampfreq(44100);
    w.setfullscale(0, 1.0);
    w.save_file(path("take.wav"), {wavdata}, false, false);
    form.execute_command_line({path("take.wav"), "/s"});
    // Only the notes on a doubtful analysis.
    for (auto& m : ui.messages) EXPECT_EQ(m.caption, "The analysis may be doubtful") << m.text;
    EXPECT_TRUE(fs::exists(path("take_an.smp")));
    EXPECT_TRUE(fs::exists(path("take_an.kavell")));
    TSMPfile smp;
    ASSERT_TRUE(smp.open_file(path("take_an.smp"), true));
    EXPECT_EQ(smp.nSamples(), 3 * std::int64_t(form.audiosamples()));
    EXPECT_FALSE(form.soundmodified());
}

} // namespace
