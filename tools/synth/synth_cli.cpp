#include "synth/synth_cli.h"

#include "synth/sound_writer.h"
#include "synth/sweep.h"
#include "synth/truth_csv.h"
#include "synth/voice_synth.h"
#include "synth/vowels.h"
#include "synth/wav_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <ostream>
#include <set>

namespace gravon::synth {

namespace {

[[noreturn]] void usage(const std::string& msg) {
    throw EUsageError(msg);
}

double to_number(const std::string& opt, const std::string& text) {
    double v = 0;
    const char* b = text.data();
    const char* e = b + text.size();
    const auto res = std::from_chars(b, e, v);
    if (text.empty() || res.ec != std::errc() || res.ptr != e || !std::isfinite(v))
        usage(opt + ": \"" + text + "\" is not a number");
    return v;
}

std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        const auto pos = s.find(sep, start);
        out.push_back(s.substr(start, pos - start));
        if (pos == std::string::npos) break;
        start = pos + 1;
    }
    return out;
}

// "A:B" into two numbers.
std::pair<double, double> to_pair(const std::string& opt, const std::string& text) {
    const auto parts = split(text, ':');
    if (parts.size() != 2) usage(opt + ": \"" + text + "\" is not of the form A:B");
    return {to_number(opt, parts[0]), to_number(opt, parts[1])};
}

// "A" or "A:B"; a single value is used for both ends.
std::pair<double, double> to_one_or_pair(const std::string& opt, const std::string& text) {
    if (text.find(':') == std::string::npos) {
        const double v = to_number(opt, text);
        return {v, v};
    }
    return to_pair(opt, text);
}

std::vector<tphrase> to_phrases(const std::string& opt, const std::string& text) {
    std::vector<tphrase> out;
    for (const auto& phr : split(text, ';')) {
        tphrase ph;
        for (const auto& pt : split(phr, ',')) {
            const auto v = split(pt, ':');
            if (v.size() != 3)
                usage(opt + ": \"" + pt + "\" is not a point of the form TIME:SEMITONE:DB");
            ph.points.push_back({to_number(opt, v[0]), to_number(opt, v[1]), to_number(opt, v[2])});
        }
        out.push_back(std::move(ph));
    }
    return out;
}

std::vector<tformant> to_formants(const std::string& opt, const std::string& text) {
    std::vector<tformant> out;
    if (text == "none") return out;
    for (const auto& f : split(text, ',')) {
        const auto [freq, bw] = to_pair(opt, f);
        out.push_back({freq, bw});
    }
    return out;
}

std::uint64_t to_seed(const std::string& opt, const std::string& text) {
    std::uint64_t v = 0;
    const char* b = text.data();
    const char* e = b + text.size();
    const auto res = std::from_chars(b, e, v);
    if (text.empty() || res.ec != std::errc() || res.ptr != e)
        usage(opt + ": \"" + text + "\" is not a whole number from 0 to 18446744073709551615");
    return v;
}

// Options and whether they take a value.
const std::map<std::string, bool>& option_table() {
    static const std::map<std::string, bool> t = {
        {"--help", false},        {"--out", true},          {"--coding", true},
        {"--truth", true},        {"--seconds", true},      {"--f0", true},
        {"--glide", true},        {"--points", true},       {"--vibrato", true},
        {"--spl", true},          {"--fullscale-pa", true}, {"--jitter", true},
        {"--shimmer", true},      {"--hnr", true},          {"--vowel", true},
        {"--formants", true},     {"--oq", true},           {"--leadin", true},
        {"--tail", true},         {"--noise-spl", true},    {"--noise-colour", true},
        {"--clip", false},        {"--clip-level", true},   {"--stereo", false},
        {"--crosstalk-db", true}, {"--dither", false},      {"--sweep", true},
        {"--sweep-f0", true},     {"--sweep-spl", true},    {"--seed", true},
        {"--rate", true},
    };
    return t;
}

} // namespace

std::string synth_help_text() {
    return R"(gravon-synth: synthesizes a calibrated test phonation with its ground truth.

Usage: gravon-synth --out FILE.wav [options]

Without options it writes the example phonation: 1 s of room noise at 35 dB SPL, then 4 s
of the vowel /a/ gliding from 210 to 230 Hz with 5.5 Hz vibrato of +-30 cents and a
crescendo from 76 to 84 dB SPL, then 0.2 s of room noise; 44.1 kHz, full scale 100 Pa.

Output
  --out FILE           sound file to write (required): 16-bit PCM WAV, or by its extension
                       .flac .ogg .opus .mp3 .aiff .w64 .rf64 .caf (through libsndfile)
  --coding C           pcm8, pcm16 (default), pcm24, float32 or float64
  --truth FILE         ground truth per 20 ms frame as CSV:
                       time_s,voiced,f0_hz,semitone,spl_db[,spl_right_db],clipped
  --rate HZ            sample rate (default 44100)
  --fullscale-pa PA    pressure in Pa of sample value 32767 (default 100)
  --dither             triangular dither before rounding to 16 bits
  --seed N             seed of all random ingredients (default 1)

Pitch and level (times in s from the end of the lead-in)
  --seconds S          length of the phonation (default 4)
  --f0 HZ              steady F0
  --glide HZ1:HZ2      glide from HZ1 to HZ2, linear in semitones (default 210:230)
  --spl DB | DB1:DB2   voice RMS level in dB SPL, steady or a linear ramp (default 76:84)
  --points T:ST:DB,... breakpoints (time, semitone = 12*log2(f0/440)+69, dB SPL) of one
                       phrase; separate phrases (with silent gaps between) by ';'
  --vibrato RATE:CENTS vibrato rate in Hz and peak deviation in cents (default 5.5:30);
                       "off" for none
  --sweep SECONDS      long phonation wandering over pitches and levels, in phrases of
                       3 to 8 s with short breathing gaps (for corpora and benchmarks)
  --sweep-f0 HZ1:HZ2   pitch range of the sweep (default 98:784)
  --sweep-spl DB1:DB2  level range of the sweep (default 60:100)

Voice quality
  --jitter PERCENT     local jitter (default 0.3)
  --shimmer DB         local shimmer (default 0.2)
  --hnr DB             voice over aspiration-noise power (default 30; 200 or more: none)
  --vowel V            a, e, i, o, u or none (default a)
  --formants F:BW,...  own formant frequencies and bandwidths in Hz, instead of --vowel
  --oq Q               open quotient of the glottal pulse (default 0.6)

Room and channels
  --leadin S           room noise before the phonation (default 1)
  --tail S             room noise after the phonation (default 0.2)
  --noise-spl DB       room-noise level in dB SPL, present throughout (default 35)
  --noise-colour C     pink or white (default pink)
  --clip               hard-clip at full scale instead of failing when the level is too high
  --clip-level F       clip at F times full scale (0.01 to 1; implies --clip)
  --stereo             second channel with its own room noise; with --crosstalk-db it also
                       carries the voice attenuated by that many dB
  --crosstalk-db DB    cross-talk attenuation of the second channel (implies --stereo)
  --help               this text
)";
}

tsynthcommand parse_synth_arguments(const std::vector<std::string>& args) {
    tsynthcommand cmd;
    tsynthparams& p = cmd.params;
    std::map<std::string, std::string> given;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string opt = args[i];
        std::string value;
        bool hasvalue = false;
        if (opt == "-h") opt = "--help";
        if (opt == "--noise-color") opt = "--noise-colour";
        const auto eq = opt.find('=');
        if (opt.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = opt.substr(eq + 1);
            opt = opt.substr(0, eq);
            hasvalue = true;
        }
        const auto it = option_table().find(opt);
        if (it == option_table().end()) {
            if (opt.rfind("-", 0) == 0) usage("Unknown option \"" + opt + "\"");
            usage("Unexpected argument \"" + opt + "\"");
        }
        if (it->second && !hasvalue) {
            if (i + 1 >= args.size()) usage(opt + " needs a value");
            value = args[++i];
        } else if (!it->second && hasvalue) {
            usage(opt + " takes no value");
        }
        if (given.count(opt)) usage(opt + " is given twice");
        given[opt] = value;
    }

    const auto has = [&](const char* o) { return given.count(o) > 0; };
    const auto conflict = [&](const char* a, std::initializer_list<const char*> others) {
        if (!has(a)) return;
        for (const char* b : others)
            if (has(b)) usage(std::string(a) + " cannot be combined with " + b);
    };
    conflict("--sweep", {"--f0", "--glide", "--spl", "--points", "--seconds"});
    conflict("--points", {"--f0", "--glide", "--spl", "--seconds"});
    conflict("--f0", {"--glide"});
    conflict("--vowel", {"--formants"});
    for (const char* o : {"--sweep-f0", "--sweep-spl"})
        if (has(o) && !has("--sweep")) usage(std::string(o) + " needs --sweep");

    if (has("--help")) {
        cmd.help = true;
        return cmd;
    }
    if (!has("--out")) usage("--out FILE is required");
    cmd.out = given["--out"];
    if (has("--coding")) cmd.coding = given["--coding"];
    if (cmd.out.empty()) usage("--out needs a file name");
    if (has("--truth")) {
        cmd.truth = given["--truth"];
        if (cmd.truth.empty()) usage("--truth needs a file name");
    }

    const auto number = [&](const char* o, double& dst) {
        if (has(o)) dst = to_number(o, given[o]);
    };
    if (has("--rate")) {
        const double r = to_number("--rate", given["--rate"]);
        if (r != std::floor(r) || r < 1 || r > 1e7)
            usage("--rate: \"" + given["--rate"] + "\" is not a whole number of Hz");
        p.rate = static_cast<std::int32_t>(r);
    }
    number("--fullscale-pa", p.fullscale_pa);
    number("--jitter", p.jitter_percent);
    number("--shimmer", p.shimmer_db);
    number("--hnr", p.hnr_db);
    number("--oq", p.open_quotient);
    number("--leadin", p.leadin);
    number("--tail", p.tail);
    number("--noise-spl", p.noise_spl);
    if (has("--seed")) p.seed = to_seed("--seed", given["--seed"]);
    if (has("--vibrato")) {
        if (given["--vibrato"] == "off") {
            p.vibrato_rate = 0;
            p.vibrato_cents = 0;
        } else {
            std::tie(p.vibrato_rate, p.vibrato_cents) = to_pair("--vibrato", given["--vibrato"]);
        }
    }
    if (has("--vowel")) {
        try {
            p.formants = vowel_formants(given["--vowel"]);
        } catch (const EGravonError& e) {
            usage(std::string("--vowel: ") + e.what());
        }
    }
    if (has("--formants")) p.formants = to_formants("--formants", given["--formants"]);
    if (has("--noise-colour")) {
        const auto& c = given["--noise-colour"];
        if (c == "pink")
            p.noise_colour = tnoisecolour::pink;
        else if (c == "white")
            p.noise_colour = tnoisecolour::white;
        else
            usage("--noise-colour: \"" + c + "\" is neither pink nor white");
    }
    p.clip = has("--clip") || has("--clip-level");
    number("--clip-level", p.clip_level);
    if (has("--crosstalk-db")) {
        p.second = tsecondchannel::crosstalk;
        number("--crosstalk-db", p.crosstalk_db);
    } else if (has("--stereo")) {
        p.second = tsecondchannel::noise;
    }
    p.dither = has("--dither");
    p.keep_float = false;

    if (has("--sweep")) {
        const double secs = to_number("--sweep", given["--sweep"]);
        tsweeprange range;
        if (has("--sweep-f0")) {
            const auto [lo, hi] = to_pair("--sweep-f0", given["--sweep-f0"]);
            if (!(lo > 0 && hi > 0)) usage("--sweep-f0: frequencies must be positive");
            range.lo_semitone = hz_to_semitone(lo);
            range.hi_semitone = hz_to_semitone(hi);
        }
        if (has("--sweep-spl"))
            std::tie(range.lo_spl, range.hi_spl) = to_pair("--sweep-spl", given["--sweep-spl"]);
        try {
            p.phrases = make_sweep(secs, range, p.seed);
        } catch (const EGravonError& e) {
            usage(std::string("--sweep: ") + e.what());
        }
    } else if (has("--points")) {
        p.phrases = to_phrases("--points", given["--points"]);
    } else {
        double seconds = 4;
        number("--seconds", seconds);
        if (!(seconds > 0)) usage("--seconds: the phonation must last more than 0 s");
        std::pair<double, double> f0 = {210, 230}, spl = {76, 84};
        if (has("--f0")) f0 = to_one_or_pair("--f0", given["--f0"]);
        if (has("--f0") && f0.first != f0.second) usage("--f0 takes one value; use --glide");
        if (has("--glide")) f0 = to_pair("--glide", given["--glide"]);
        if (has("--spl")) spl = to_one_or_pair("--spl", given["--spl"]);
        if (!(f0.first > 0 && f0.second > 0)) usage("F0 must be positive");
        p.phrases = {glide_phrase(seconds, f0.first, f0.second, spl.first, spl.second)};
    }
    return cmd;
}

int run_synth_cli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    tsynthcommand cmd;
    try {
        cmd = parse_synth_arguments(args);
    } catch (const EGravonError& e) {
        err << "gravon-synth: " << e.what() << " (see --help)\n";
        return 2;
    }
    if (cmd.help) {
        out << synth_help_text();
        return 0;
    }
    try {
        const tsynthresult r = synthesize(cmd.params);
        if (needs_sound_writer(cmd.out, cmd.coding))
            write_sound_file(cmd.out, r.rate, r.channels, r.samples, cmd.coding);
        else
            write_wav16(cmd.out, r.rate, r.channels, r.samples);
        if (!cmd.truth.empty()) write_truth_csv(cmd.truth, r);
        std::size_t voiced = 0;
        for (const auto& f : r.frames) voiced += f.voiced;
        char line[256];
        std::snprintf(line, sizeof line,
                      "%s: %.2f s, %d channel%s, %d Hz, 16-bit, full scale %g Pa; %zu of %zu "
                      "frames voiced\n",
                      cmd.out.c_str(), static_cast<double>(r.length) / r.rate, r.channels,
                      r.channels == 1 ? "" : "s", r.rate, r.fullscale_pa, voiced, r.frames.size());
        out << line;
        if (!cmd.truth.empty())
            out << cmd.truth << ": ground truth of " << r.frames.size() << " frames of "
                << r.framelength << " samples\n";
        return 0;
    } catch (const EGravonError& e) {
        err << "gravon-synth: " << e.what() << "\n";
        return 1;
    } catch (const std::bad_alloc&) {
        err << "gravon-synth: not enough memory for a signal this long\n";
        return 1;
    }
}

} // namespace gravon::synth
