// gravon-accuracy: how well the analysis finds the F0 and level of synthesized phonations.
// Each phonation of a grid of F0s and levels is replayed through a freshly started main
// window, as opening a sound file does it, and the stored tracks are compared frame by frame
// with the synthesizer's ground truth.
#include "analysis/analysis_tracks.h"
#include "base/errors.h"
#include "base/random.h"
#include "base/text_utils.h"
#include "core/main_window.h"
#include "core/user_interface.h"
#include "synth/synth_params.h"
#include "synth/voice_synth.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace gravon;
using namespace gravon::synth;

namespace {

constexpr std::size_t kreplayblock = 2048;

const char* const helptext =
    "Usage: gravon-accuracy [--f0 HZ,HZ,...] [--spl DB,DB,...] [--seconds S]\n"
    "\n"
    "Synthesizes a steady /a/ (default jitter, shimmer and vibrato, 1 s of room noise\n"
    "before it) for every F0 and level, analyses it with the default settings and compares\n"
    "the accepted frames with the ground truth.\n"
    "  --f0       F0s in Hz (default 80,110,150,220,330,440,660,1000)\n"
    "  --spl      voice levels in dB SPL (default 50,60,70,80,90,100,110)\n"
    "  --seconds  length of each phonation (default 2)\n"
    "  --fullscale PA  full scale for every level (default 100 Pa up to 100 dB SPL and\n"
    "             200 Pa above; raised further while a signal would not fit)\n";

// The stored tracks of one replay, channel 0.
struct ttracks {
    std::vector<double> spl, fo;
    std::vector<int> debug;
};

// Replays channel 0 through a new main window in blocks of 2048 frames with the second
// channel silent, then hands over the remainder so that the last frames are analysed too.
ttracks analyse(const tsynthresult& r) {
    tsilentinterface ui;
    auto form = std::make_unique<TForm1>(ui);
    TForm1& f = *form;
    f.FormActivate({});
    if (f.analysisparams.fs != r.rate || f.recarr[0].size() != std::size_t(r.framelength))
        throw EGravonError("The analysis hop (" + std::to_string(f.recarr[0].size()) +
                           " samples) is not the truth frame of " + std::to_string(r.framelength) +
                           " samples");
    RandSeed(0);
    f.reset_recording();
    f.Setup_recording_parameters();
    f.holdcount = 0;
    f.arrpos = -1;
    f.audioarrpos = -1;

    const tsinglearr pa = to_pascals(r)[0];
    const std::array<double, 2> factors{r.fullscale_pa, 1.0};
    trecarr block(2, tsinglearr(kreplayblock, 0.0f));
    for (std::size_t i = 0; i < pa.size(); i += kreplayblock) {
        const std::size_t n = std::min(kreplayblock, pa.size() - i);
        std::copy_n(pa.begin() + std::ptrdiff_t(i), n, block[0].begin());
        f.crunch_arr(block, n, factors);
    }

    ttracks t;
    for (std::int32_t k = 0; k < f.frames(); ++k) {
        const auto i = std::size_t(k);
        t.spl.push_back(f.paramarr[trackspl][0][i]);
        t.fo.push_back(f.paramarr[trackfo][0][i]);
        t.debug.push_back(int(f.paramarr[trackdebug][0][i]));
    }
    return t;
}

// Synthesizes at the given full scale, raising it while the signal would not fit.
tsynthresult synthesize_fitting(tsynthparams p) {
    for (int tries = 0;; ++tries) {
        try {
            return synthesize(p);
        } catch (const EGravonError&) {
            if (tries >= 8) throw;
            p.fullscale_pa *= 2;
        }
    }
}

// The truth that analysis frame k is compared with: the frames [k + a, k + b] of the ground
// truth, with the F0 averaged in semitones and the level in power. Unvoiced when any of them
// is unvoiced or out of range.
struct ttruth {
    bool inside = false; // all frames exist
    bool voiced = false;
    bool unvoiced = false; // all frames unvoiced
    double f0 = 0, spl = 0;
};

ttruth truth_for(const tsynthresult& r, std::size_t k, int a, int b) {
    ttruth t;
    const auto lo = std::int64_t(k) + a, hi = std::int64_t(k) + b;
    if (lo < 0 || hi >= std::int64_t(r.frames.size())) return t;
    t.inside = true;
    int voiced = 0;
    double st = 0, power = 0;
    for (auto i = lo; i <= hi; ++i) {
        const tsynthframe& fr = r.frames[std::size_t(i)];
        voiced += fr.voiced;
        st += fr.semitone;
        power += std::pow(10.0, fr.spl[0] / 10.0);
    }
    const int n = int(hi - lo + 1);
    t.voiced = voiced == n;
    t.unvoiced = voiced == 0;
    if (t.voiced) t.f0 = semitone_to_hz(st / n);
    t.spl = 10.0 * std::log10(power / n);
    return t;
}

double cents(double f, double ref) {
    return 1200.0 * std::log2(f / ref);
}

double median(std::vector<double> v) {
    if (v.empty()) return NAN;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

double quantile_abs(std::vector<double> v, double q) {
    if (v.empty()) return NAN;
    for (double& x : v) x = std::fabs(x);
    std::sort(v.begin(), v.end());
    const auto i = std::size_t(std::ceil(q * double(v.size()))) - (q > 0 ? 1 : 0);
    return v[std::min(i, v.size() - 1)];
}

// The value of largest magnitude, with its sign.
double worst(const std::vector<double>& v) {
    double w = NAN;
    for (double x : v)
        if (std::isnan(w) || std::fabs(x) > std::fabs(w)) w = x;
    return w;
}

struct tcomparison {
    std::int64_t voiced = 0, accepted = 0;
    // Rejected voiced frames per reason (bit number of the Debug track).
    std::array<std::int64_t, 16> reasons{};
    std::int64_t unvoiced = 0, unvoicedaccepted = 0;
    std::vector<double> f0err, splerr; // over accepted voiced frames
};

void compare(const tsynthresult& r, const ttracks& t, int a, int b, tcomparison& c) {
    for (std::size_t k = 0; k < t.fo.size(); ++k) {
        const ttruth tr = truth_for(r, k, a, b);
        if (!tr.inside) continue;
        const bool accepted = t.debug[k] == 0;
        if (tr.unvoiced) {
            ++c.unvoiced;
            c.unvoicedaccepted += accepted;
        }
        if (!tr.voiced) continue;
        ++c.voiced;
        if (!accepted) {
            for (int bit = 0; bit < 16; ++bit)
                if (t.debug[k] & (1 << bit)) ++c.reasons[std::size_t(bit)];
            continue;
        }
        ++c.accepted;
        c.f0err.push_back(cents(t.fo[k], tr.f0));
        c.splerr.push_back(t.spl[k] - tr.spl);
    }
}

void append(tcomparison& to, const tcomparison& from) {
    to.voiced += from.voiced;
    to.accepted += from.accepted;
    to.unvoiced += from.unvoiced;
    to.unvoicedaccepted += from.unvoicedaccepted;
    for (std::size_t b = 0; b < to.reasons.size(); ++b) to.reasons[b] += from.reasons[b];
    to.f0err.insert(to.f0err.end(), from.f0err.begin(), from.f0err.end());
    to.splerr.insert(to.splerr.end(), from.splerr.begin(), from.splerr.end());
}

// The reasons that rejected voiced frames, most frequent first, with their counts.
std::string reasons_text(const tcomparison& c) {
    static const std::array<const char*, 16> names{
        "lf-block",     "hf-block", "no-f0",      "f0-speed", "level-speed", "low-hnr",
        "other-louder", "keyboard", "arithmetic", "bit9",     "bit10",       "bit11",
        "not-analysed", "bit13",    "bit14",      "bit15"};
    std::vector<std::pair<std::int64_t, int>> v;
    for (int b = 0; b < 16; ++b)
        if (c.reasons[std::size_t(b)] > 0) v.push_back({c.reasons[std::size_t(b)], b});
    std::sort(v.begin(), v.end(), [](auto& x, auto& y) { return x.first > y.first; });
    std::string s;
    for (const auto& [n, b] : v) {
        if (!s.empty()) s += " ";
        s += std::string(names[std::size_t(b)]) + ":" + std::to_string(n);
    }
    return s.empty() ? "-" : s;
}

double share(std::int64_t part, std::int64_t whole) {
    return whole > 0 ? 100.0 * double(part) / double(whole) : NAN;
}

// Which ground-truth frames analysis frame k stands for, tested on a phonation whose pitch
// and level move steadily (12 semitones and 12 dB per second, no vibrato): the right choice
// shows no bias, a choice one frame off shows a bias of a whole frame's movement (24 cents,
// 0.24 dB) and a single frame half of it.
void print_alignment_check() {
    tsynthparams p;
    p.phrases = {glide_phrase(3.0, 110.0, 440.0, 64.0, 100.0)};
    p.vibrato_rate = 0;
    p.fullscale_pa = 100;
    const tsynthresult r = synthesize_fitting(p);
    const ttracks t = analyse(r);
    struct tchoice {
        const char* name;
        int a, b;
    };
    const tchoice choices[] = {{"k-2 and k-1", -2, -1},
                               {"k-1 alone  ", -1, -1},
                               {"k-1 and k  ", -1, 0},
                               {"k alone    ", 0, 0},
                               {"k and k+1  ", 0, 1}};
    std::printf("Alignment check: glide 110 -> 440 Hz and 64 -> 100 dB SPL over 3 s (24 cents "
                "and 0.24 dB per frame), no vibrato.\n");
    std::printf("Analysis frame k compared with truth frames    accepted  median F0 err  median "
                "SPL err\n");
    for (const tchoice& ch : choices) {
        tcomparison c;
        compare(r, t, ch.a, ch.b, c);
        std::printf("  %s                                  %5lld    %+8.2f cents   %+7.3f dB\n",
                    ch.name, static_cast<long long>(c.accepted), median(c.f0err), median(c.splerr));
    }
    std::printf("\n");
}

// The background noise is measured only in frames of 25 to 50 dB SPL, and no F0 is accepted
// in a bin whose noise has not been measured. In a 16-bit file the room noise of the lead-in
// sinks below one step at a high full scale, so the full scale decides whether anything is
// accepted at all.
void print_fullscale_check() {
    std::printf("Full-scale check: 220 Hz at 100 dB SPL, room noise 35 dB SPL, 16-bit samples\n");
    std::printf("  FS Pa  lead-in level dB SPL  voiced  accepted\n");
    for (double fs : {100.0, 200.0, 500.0, 2000.0}) {
        tsynthparams p;
        p.phrases = {steady_phrase(2.0, 220, 100)};
        p.fullscale_pa = fs;
        p.keep_float = false;
        const tsynthresult r = synthesize_fitting(p);
        const ttracks t = analyse(r);
        tcomparison c;
        compare(r, t, -1, 0, c);
        double power = 0;
        int n = 0;
        for (const tsynthframe& fr : r.frames)
            if (fr.time < 0.9) power += std::pow(10.0, fr.spl[0] / 10.0), ++n;
        std::printf("  %5g  %20.1f  %6lld  %6.1f %%\n", r.fullscale_pa,
                    10.0 * std::log10(power / std::max(n, 1) + 1e-100),
                    static_cast<long long>(c.voiced), share(c.accepted, c.voiced));
    }
    std::printf("\n");
}

std::vector<double> parse_list(const std::string& opt, const std::string& text) {
    std::vector<double> v;
    for (int i = 1;; ++i) {
        const std::string item = commafield(text, i);
        if (item.empty()) break;
        char* end = nullptr;
        const double x = std::strtod(item.c_str(), &end);
        if (end == item.c_str() || *end != '\0' || !std::isfinite(x))
            throw EGravonError(opt + ": \"" + item + "\" is not a number");
        v.push_back(x);
    }
    if (v.empty()) throw EGravonError(opt + " needs at least one value");
    return v;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<double> f0s{80, 110, 150, 220, 330, 440, 660, 1000};
    std::vector<double> levels{50, 60, 70, 80, 90, 100, 110};
    double seconds = 2.0;
    double fullscale = 0; // 0: by the level
    try {
        for (int i = 1; i < argc; ++i) {
            const std::string a = argv[i];
            auto value = [&]() -> std::string {
                if (i + 1 >= argc) throw EGravonError(a + " needs a value");
                return argv[++i];
            };
            if (a == "--help" || a == "-h") {
                std::fputs(helptext, stdout);
                return 0;
            } else if (a == "--f0") {
                f0s = parse_list(a, value());
            } else if (a == "--spl") {
                levels = parse_list(a, value());
            } else if (a == "--seconds") {
                const std::vector<double> s = parse_list(a, value());
                seconds = s.front();
            } else if (a == "--fullscale") {
                fullscale = parse_list(a, value()).front();
                if (!(fullscale > 0)) throw EGravonError("--fullscale must be positive");
            } else {
                throw EGravonError("unknown option " + a + " (see --help)");
            }
        }
    } catch (const EGravonError& e) {
        std::fprintf(stderr, "gravon-accuracy: %s\n", e.what());
        return 2;
    }

    try {
        print_alignment_check();
        print_fullscale_check();

        std::printf("Steady /a/, %g s each after 1 s of pink room noise at 35 dB SPL; jitter "
                    "0.3 %%, shimmer 0.2 dB, vibrato 5.5 Hz +-30 cents, HNR 30 dB.\n",
                    seconds);
        std::printf("Analysis frame k is compared with truth frames k-1 and k (the two hops "
                    "its window spans); errors over accepted voiced frames.\n\n");
        std::printf("  F0 Hz  SPL dB  FS Pa  voiced  accepted   F0 err cents       SPL err dB "
                    "       unvoiced  voiced frames\n");
        std::printf("                                           median   worst    median  "
                    "worst    accepted  rejected for\n");

        tcomparison all;
        std::vector<tcomparison> byf0(f0s.size()), bylevel(levels.size());
        for (std::size_t i = 0; i < f0s.size(); ++i) {
            for (std::size_t j = 0; j < levels.size(); ++j) {
                tsynthparams p;
                p.phrases = {steady_phrase(seconds, f0s[i], levels[j])};
                p.fullscale_pa = fullscale > 0 ? fullscale : levels[j] <= 100 ? 100 : 200;
                p.keep_float = false;
                const tsynthresult r = synthesize_fitting(p);
                const ttracks t = analyse(r);
                tcomparison c;
                compare(r, t, -1, 0, c);
                std::printf("  %5g  %6g  %5g  %6lld  %6.1f %%  %+7.2f  %+7.2f   %+6.2f  %+6.2f  "
                            "%4lld/%lld  %s\n",
                            f0s[i], levels[j], r.fullscale_pa, static_cast<long long>(c.voiced),
                            share(c.accepted, c.voiced), median(c.f0err), worst(c.f0err),
                            median(c.splerr), worst(c.splerr),
                            static_cast<long long>(c.unvoicedaccepted),
                            static_cast<long long>(c.unvoiced), reasons_text(c).c_str());
                append(all, c);
                append(byf0[i], c);
                append(bylevel[j], c);
            }
        }

        std::printf("\nBy F0:    accepted   |F0 err| median  95%%     |SPL err| median  95%%\n");
        for (std::size_t i = 0; i < f0s.size(); ++i) {
            const tcomparison& c = byf0[i];
            std::printf("  %5g Hz  %6.1f %%   %6.2f  %7.2f cents  %6.2f  %6.2f dB\n", f0s[i],
                        share(c.accepted, c.voiced), quantile_abs(c.f0err, 0.5),
                        quantile_abs(c.f0err, 0.95), quantile_abs(c.splerr, 0.5),
                        quantile_abs(c.splerr, 0.95));
        }
        std::printf("\nBy level: accepted   |F0 err| median  95%%     |SPL err| median  95%%\n");
        for (std::size_t j = 0; j < levels.size(); ++j) {
            const tcomparison& c = bylevel[j];
            std::printf("  %5g dB  %6.1f %%   %6.2f  %7.2f cents  %6.2f  %6.2f dB\n", levels[j],
                        share(c.accepted, c.voiced), quantile_abs(c.f0err, 0.5),
                        quantile_abs(c.f0err, 0.95), quantile_abs(c.splerr, 0.5),
                        quantile_abs(c.splerr, 0.95));
        }

        std::printf("\nOverall: %lld voiced frames, %.1f %% accepted; unvoiced frames accepted: "
                    "%lld of %lld\n",
                    static_cast<long long>(all.voiced), share(all.accepted, all.voiced),
                    static_cast<long long>(all.unvoicedaccepted),
                    static_cast<long long>(all.unvoiced));
        std::printf("  voiced frames rejected for: %s\n", reasons_text(all).c_str());
        std::printf("  F0 error:  median %+.2f cents, |median| %.2f, 95 %% %.2f, worst %+.2f "
                    "cents\n",
                    median(all.f0err), quantile_abs(all.f0err, 0.5), quantile_abs(all.f0err, 0.95),
                    worst(all.f0err));
        std::printf("  SPL error: median %+.3f dB, |median| %.3f, 95 %% %.3f, worst %+.3f dB\n",
                    median(all.splerr), quantile_abs(all.splerr, 0.5),
                    quantile_abs(all.splerr, 0.95), worst(all.splerr));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gravon-accuracy: %s\n", e.what());
        return 1;
    }
    return 0;
}
