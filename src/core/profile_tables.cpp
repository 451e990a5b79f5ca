#include "core/profile_tables.h"

#include "base/number_text.h"
#include "base/pitch.h"
#include "core/note_columns.h"
#include "core/phonetogram_subjects.h"
#include "core/provenance.h"
#include "phonetogram/profile_summary.h"
#include "phonetogram/speech_profile.h"

#include <algorithm>
#include <limits>
#include <map>

namespace gravon {

namespace {

constexpr double none = std::numeric_limits<double>::quiet_NaN();

// A recording phonetogram filled from a sound file is named by the file's channel.
double table_channel(const TForm1& form, std::int32_t c) {
    const bool fromfile = c < firstloadedpg && form.soundfilechannels > 0;
    return double(fromfile ? form.file_channel(c) : c);
}

// The profiles the window describes: the visible ones with time, groups aside (their cells
// are shares of members, not a voice).
std::vector<std::int32_t> shown_profiles(const TForm1& form) {
    std::vector<std::int32_t> v;
    for (std::size_t i = 0; i < form.pgs.size(); ++i)
        if (form.pgs[i].visible && form.pgs[i].group.empty() && total_time(form.pgs[i]) > 0)
            v.push_back(std::int32_t(i));
    return v;
}

std::string profile_name(const tpg& pg, std::int32_t c) {
    return pg.pgname.empty() ? "Channel " + std::to_string(c) : pg.pgname;
}

std::string hz_text(const TForm1& form, double hz) {
    return sigdigits(form.advanced.nsigdig, hz);
}

std::string note_and_hz(const TForm1& form, std::int32_t midi) {
    return notename(midi, false) + " (" + hz_text(form, semitonetofreq(midi)) + " Hz)";
}

// One line: the label, then each value and a tab.
std::string line(const std::string& label, const std::vector<std::string>& values) {
    std::string s = label + "\t";
    for (const std::string& v : values) s += v + "\t";
    return s;
}

} // namespace

ttable contour_table(const TForm1& form, const std::vector<std::int32_t>& subjects) {
    ttable t;
    t.comments = provenance_lines(form);
    using enum tcolumnkind;
    t.add_column("channel", integer);
    add_note_columns(t);
    t.add_column("spl_min_db", integer);
    t.add_column("spl_max_db", integer);
    for (std::int32_t c : subjects) {
        const tprofilesummary s = profile_summary(entire_area(form, form.binshow_settings(), c));
        for (const tcontourstep& k : s.contour) {
            trowappender row(t);
            row << table_channel(form, c);
            append_note(row, k.midi) << double(k.splmin) << double(k.splmax);
        }
    }
    return t;
}

ttable profile_table(const TForm1& form, const std::vector<std::int32_t>& subjects) {
    ttable t;
    using enum tcolumnkind;
    t.add_column("channel", integer);
    t.add_column("name", text);
    t.add_column("task", text);
    t.add_column("area_cells", integer);
    for (const char* end : {"low", "high"}) {
        t.add_column(std::string("f0_") + end + "_note", text);
        t.add_column(std::string("f0_") + end + "_hz", real);
    }
    t.add_column("range_st", integer);
    t.add_column("spl_min_db", integer);
    t.add_column("spl_max_db", integer);
    t.add_column("time_all_s", real);
    for (const char* p : {"p5", "p50", "p95"}) t.add_column(std::string("f0_") + p + "_hz", real);
    for (const char* p : {"p5", "p50", "p95"}) t.add_column(std::string("spl_") + p + "_db", real);
    t.add_column("f0_range_p5_p95_st", real);
    t.add_column("leq_db", real);
    for (std::int32_t c : subjects) {
        const tpg& pg = form.pgs[std::size_t(c)];
        const tprofilesummary s = profile_summary(entire_area(form, form.binshow_settings(), c));
        const tspeechstatistics sp = speech_statistics(pg);
        const auto area = [&](double v) { return s.empty() ? none : v; };
        const auto all = [&](double v) { return sp.empty() ? none : v; };
        trowappender row(t);
        row << table_channel(form, c) << pg.pgname << pg.session.task << double(s.cells);
        for (std::int32_t midi : {s.lowmidi, s.highmidi})
            row << (s.empty() ? "" : notename(midi, false)) << area(semitonetofreq(midi));
        row << area(s.range_st()) << area(s.minspl) << area(s.maxspl) << sp.time;
        for (double v : sp.f0) row << all(v);
        for (double v : sp.spl) row << all(v);
        row << all(sp.rangest) << all(sp.leq);
    }
    return t;
}

namespace {

// The speech rows with one value column per entry of columns; "-" where an entry is none (a
// profile that is no speech).
void add_speech_rows(std::vector<std::string>& lines, const TForm1& form,
                     const std::vector<const tspeechstatistics*>& columns) {
    const auto values = [&](auto get) {
        std::vector<std::string> v;
        for (const tspeechstatistics* s : columns) v.push_back(s ? get(*s) : "-");
        return v;
    };
    const std::string& db = form.advanced.dbformat;
    const char* pct[] = {"5", "50", "95"};
    lines.push_back(line("Time [s]", values([&](const tspeechstatistics& s) {
                             return formatfloat(form.advanced.secformat, s.time);
                         })));
    for (std::size_t k = 0; k < speechpercentiles.size(); ++k)
        lines.push_back(
            line(std::string("fo ") + pct[k] + "% [Hz]", values([&](const tspeechstatistics& s) {
                     return hz_text(form, s.f0[k]) + " (" +
                            notename(freqtosemitone(s.f0[k]), false) + ")";
                 })));
    lines.push_back(line("fo range 5-95% [ST]", values([&](const tspeechstatistics& s) {
                             return formatfloat("0.0", s.rangest);
                         })));
    for (std::size_t k = 0; k < speechpercentiles.size(); ++k)
        lines.push_back(
            line(std::string("SPL ") + pct[k] + "% [dB]",
                 values([&](const tspeechstatistics& s) { return formatfloat(db, s.spl[k]); })));
    lines.push_back(line(
        "Leq [dB]", values([&](const tspeechstatistics& s) { return formatfloat(db, s.leq); })));
}

} // namespace

std::vector<std::string> speech_text_lines(const TForm1& form) {
    // One block per speech profile, with one value column: each block names its profile, as
    // it stands beside tables whose columns are other phonetograms.
    std::vector<std::string> lines;
    for (std::int32_t c : shown_profiles(form)) {
        const tpg& pg = form.pgs[std::size_t(c)];
        if (!is_speech_profile(pg)) continue;
        const tspeechstatistics s = speech_statistics(pg);
        if (!lines.empty()) lines.emplace_back();
        lines.push_back("Speech profile " + profile_name(pg, c) + " (all its time)");
        add_speech_rows(lines, form, {&s});
    }
    return lines;
}

std::vector<std::string> profile_text_lines(const TForm1& form) {
    const std::vector<std::int32_t> shown = shown_profiles(form);
    std::vector<tprofilesummary> sums;
    std::vector<std::string> names;
    std::vector<tspeechstatistics> speech(shown.size());
    std::vector<const tspeechstatistics*> speechcolumns;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const tpg& pg = form.pgs[std::size_t(shown[i])];
        sums.push_back(profile_summary(entire_area(form, form.binshow_settings(), shown[i])));
        names.push_back(profile_name(pg, shown[i]));
        const bool isspeech = is_speech_profile(pg);
        if (isspeech) speech[i] = speech_statistics(pg);
        speechcolumns.push_back(isspeech ? &speech[i] : nullptr);
    }
    std::vector<std::string> lines;
    // A profile whose time lies below the display threshold everywhere has no area; its
    // speech numbers count all its time.
    const bool anyarea =
        std::any_of(sums.begin(), sums.end(), [](const tprofilesummary& s) { return !s.empty(); });
    const bool anyspeech =
        std::any_of(speechcolumns.begin(), speechcolumns.end(), [](auto p) { return p; });
    if (!anyarea && !anyspeech) return lines;
    const auto values = [&](auto get) {
        std::vector<std::string> v;
        for (const tprofilesummary& s : sums) v.push_back(s.empty() ? "-" : get(s));
        return v;
    };
    const auto integer = [](std::int32_t v) { return std::to_string(v); };
    lines.push_back(line("Profile (entire area)", names));
    lines.push_back(line("Lowest fo", values([&](const tprofilesummary& s) {
                             return note_and_hz(form, s.lowmidi);
                         })));
    lines.push_back(line("Highest fo", values([&](const tprofilesummary& s) {
                             return note_and_hz(form, s.highmidi);
                         })));
    lines.push_back(line("fo range [ST]",
                         values([&](const tprofilesummary& s) { return integer(s.range_st()); })));
    lines.push_back(
        line("Min SPL [dB]", values([&](const tprofilesummary& s) { return integer(s.minspl); })));
    lines.push_back(
        line("Max SPL [dB]", values([&](const tprofilesummary& s) { return integer(s.maxspl); })));
    lines.push_back(
        line("Area [cells]", values([&](const tprofilesummary& s) { return integer(s.cells); })));
    if (anyspeech) {
        lines.emplace_back();
        lines.push_back("Speech (all its time)");
        add_speech_rows(lines, form, speechcolumns);
    }
    if (!anyarea) return lines;

    // The contour: the softest and loudest level at each semitone any of the profiles reaches,
    // under each profile's name.
    std::map<std::int32_t, std::vector<std::string>> rows;
    for (std::size_t i = 0; i < sums.size(); ++i)
        for (const tcontourstep& k : sums[i].contour) {
            std::vector<std::string>& r = rows[k.midi];
            r.resize(2 * sums.size(), "-");
            r[2 * i] = integer(k.splmin);
            r[2 * i + 1] = integer(k.splmax);
        }
    std::vector<std::string> heads, kinds;
    for (const std::string& n : names) {
        heads.insert(heads.end(), {n, ""});
        kinds.insert(kinds.end(), {"Softest [dB]", "Loudest [dB]"});
    }
    lines.emplace_back();
    lines.push_back(line("Contour", heads));
    lines.push_back(line("", kinds));
    for (const auto& [midi, r] : rows)
        lines.push_back(
            line(notename(midi, false) + " " + hz_text(form, semitonetofreq(midi)) + " Hz", r));
    return lines;
}

} // namespace gravon
