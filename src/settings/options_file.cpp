#include "settings/options_file.h"

#include "base/number_text.h"
#include "settings/settings_writer.h"

#include <algorithm>

namespace gravon {

namespace {

constexpr const char* display = "Display";

// The show-statistics flags in the order of the key table.
struct tstatsflag {
    const char* key;
    bool toptions::*field;
};
constexpr std::array<tstatsflag, 21> statsflags = {{
    {"ShowStatsArea", &toptions::showstatsarea},
    {"ShowStatsTakenTime", &toptions::showstatstakentime},
    {"ShowStatsRecordedTime", &toptions::showstatsrecordedtime},
    {"ShowStatsAvgfo", &toptions::showstatsavgf0},
    {"ShowStatsfoMedian", &toptions::showstatsf0median},
    {"ShowStatsfoMode", &toptions::showstatsf0mode},
    {"ShowStatsMinfo", &toptions::showstatsminf0},
    {"ShowStatsMaxfo", &toptions::showstatsmaxf0},
    {"ShowStatsfoRange", &toptions::showstatsf0range},
    {"ShowStatsSPLRange", &toptions::showstatssplrange},
    {"ShowStatsfoAsFreqs", &toptions::showstatsf0asfreqs},
    {"ShowStatsfoAsSemitones", &toptions::showstatsf0assemitones},
    {"ShowStatsfoAsNotes", &toptions::showstatsf0asnotes},
    {"ShowStatsLeq", &toptions::showstatsleq},
    {"ShowStatsMinSPL", &toptions::showstatsminspl},
    {"ShowStatsMaxSPL", &toptions::showstatsmaxspl},
    {"ShowStatsDistance", &toptions::showstatsdistance},
    {"ShowStatsActualDistance", &toptions::showstatsactualdistance},
    {"ShowStatsm", &toptions::showstatsm},
    {"ShowStatsk", &toptions::showstatsk},
    {"ShowStatsr", &toptions::showstatsr},
}};

} // namespace

std::string percentile_key_text(double p) {
    return floattostrdot(100.0 * p);
}

namespace {

// Every key of the file, in file order, handed to io as (section, key, field). The writer and
// the reader are two io types over this one list, so a key cannot be written and then read
// under another name, or forgotten on one side. topt is toptions, const for writing; tbins
// the two visible flags likewise.
template <typename tio, typename topt, typename tbins>
void visit_options(tio& io, topt& o, tbins& showbins) {
    io(display, "LockAspectRatio", o.lockaspectratio);
    io.zparam(o);
    io(display, "ShowLegend", o.showlegend);
    io(display, "ShowBlackBorder", o.showblackborder);
    io(display, "ShowOutline", o.showoutline);
    io.groupshare(o.groupshare);
    io("Session", "Clinician", o.clinician);
    io("Session", "ReadingPassage", o.readingpassage);
    for (std::size_t ch = 0; ch < 2; ++ch)
        io(display, numbered_key("ShowBlob", ch), o.showblob[ch]);
    for (std::size_t ch = 0; ch < 2; ++ch) io(display, numbered_key("ShowBins", ch), showbins[ch]);
    for (std::size_t ch = 0; ch < 2; ++ch) {
        io(display, numbered_key("ShowSpectrum", ch), o.showspectrum[ch]);
        io(display, numbered_key("ShowNoise", ch), o.shownoise[ch]);
    }
    for (const tstatsflag& s : statsflags) io(display, s.key, o.*s.field);
    io.percentiles(o);
    for (std::size_t i = 0; i < o.showstatsparam.size(); ++i)
        io.flag(display, "ShowStatsParam" + std::to_string(i), o.showstatsparam, i);

    io("Keyboard", "Voicelike", o.voicelike);
    io("Keyboard", "KeyboardnPartials", o.keyboardnpartials);
    io("Keyboard", "KeyboardSlope", o.keyboardslope);
    io("Keyboard", "KeyboardLevel", o.keyboardlevel);

    io("Target", "foTarget", o.f0target);
    io("Target", "LevelTarget", o.leveltarget);
    io("Target", "Showtarget", o.showtarget);
    io.targets(o.targets);

    io("Noise", "NoiseSpectrum", o.noisespectrum);
    io("Noise", "NoiseLevel", o.noiselevel);
    io("Noise", "SoftNoiseOnset", o.softnoiseonset);

    io.guided(o.guided);

    io("Statistics", "Shortversion", o.shortversion);
}

// The guided profile's keys; the lowest and highest note are the keyboard's, not kept here.
template <typename tio, typename tguided> void visit_guided(tio& io, tguided& g) {
    io("Guided", "StartNote", g.startnote);
    io("Guided", "StepSize", g.stepsize);
    io("Guided", "ToneTime", g.tonetime);
    io("Guided", "PhonationTime", g.phonationtime);
    io("Guided", "StepLimit", g.steplimit);
}

struct toptionswriter : tsettingswriter {
    void flag(const std::string& section, const std::string& key, const std::vector<bool>& list,
              std::size_t i) {
        f.writebool(section, key, i < list.size() && list[i]);
    }
    void zparam(const toptions& o) { f.writeinteger(display, "zParam", o.zparam()); }
    void groupshare(std::int32_t v) { f.writeinteger(display, "GroupShare", v); }
    void percentiles(const toptions& o) {
        for (std::size_t i = 0; i < o.percentile.size(); ++i) {
            const std::string p = percentile_key_text(o.percentile[i]);
            flag(display, "ShowPercentile" + p, o.showSPLpercentile, i);
            flag(display, "ShowfoPercentile" + p, o.showf0percentile, i);
        }
    }
    void guided(const tguidedsettings& g) { visit_guided(*this, g); }
    void targets(const std::vector<ttarget>& list) {
        f.writeinteger("Target", "nTargets", std::int32_t(list.size()));
        for (std::size_t i = 0; i < list.size(); ++i) {
            f.writefloat("Targets", "f0_" + std::to_string(i), list[i].f0);
            f.writefloat("Targets", "level_" + std::to_string(i), list[i].level);
        }
    }
};

struct toptionsreader {
    tsettingsreader& r;
    std::int32_t ndisplayparams;

    template <typename t>
    void operator()(const std::string& section, const std::string& key, t& v) {
        r.get(section, key, v);
    }
    void flag(const std::string& section, const std::string& key, std::vector<bool>& list,
              std::size_t i) {
        list[i] = r.readbool(section, key, list[i]);
    }
    void zparam(toptions& o) {
        o.setzparam(r.readinteger(display, "zParam", o.zparam()), ndisplayparams);
    }
    void groupshare(std::int32_t& v) {
        v = std::clamp(r.readinteger(display, "GroupShare", v), 1, 100);
    }
    void percentiles(toptions& o) {
        o.showf0percentile.resize(o.percentile.size(), false);
        o.showSPLpercentile.resize(o.percentile.size(), false);
        for (std::size_t i = 0; i < o.percentile.size(); ++i) {
            const std::string p = percentile_key_text(o.percentile[i]);
            const std::string splkey = "ShowPercentile" + p;
            // Files that keep one flag for both lists give it to both.
            const bool both = r.readbool(display, splkey, o.showSPLpercentile[i]);
            const bool f0default = r.has(display, splkey) ? both : bool(o.showf0percentile[i]);
            o.showSPLpercentile[i] = both;
            o.showf0percentile[i] = r.readbool(display, "ShowfoPercentile" + p, f0default);
        }
    }
    // Settings a protocol cannot run with (a step of three semitones, a limit shorter than its
    // tone) are noted and the ones before kept, as a whole: a mix of both is nobody's.
    void guided(tguidedsettings& g) {
        tguidedsettings read = g;
        visit_guided(*this, read);
        read.lowestnote = 0;
        read.highestnote = 127;
        if (const std::string why = guided_settings_problem(read); !why.empty()) {
            const char* key = read.stepsize != 1 && read.stepsize != 2      ? "StepSize"
                              : read.startnote < 0 || read.startnote > 127  ? "StartNote"
                              : !(read.tonetime > 0 && read.tonetime <= 10) ? "ToneTime"
                              : !(read.phonationtime > 0 && read.phonationtime <= 10)
                                  ? "PhonationTime"
                                  : "StepLimit";
            r.note("Guided", key, why + " The guided profile's settings before are kept.");
            return;
        }
        read.lowestnote = g.lowestnote;
        read.highestnote = g.highestnote;
        g = read;
    }
    // "nTargets" defaults to 0, so a file without it empties the list; a negative count keeps
    // it. Entries keep their current values where a file lacks their keys.
    void targets(std::vector<ttarget>& list) {
        const std::int32_t n = r.readinteger("Target", "nTargets", 0);
        if (n > maxtargets) {
            r.note("Target", "nTargets",
                   std::to_string(n) + " is more than " + std::to_string(maxtargets) +
                       " targets; the list is kept");
            return;
        }
        if (n < 0) return;
        list.resize(std::size_t(n), ttarget{0.0, 0.0});
        for (std::int32_t i = 0; i < n; ++i) {
            ttarget& t = list[std::size_t(i)];
            r.get("Targets", "f0_" + std::to_string(i), t.f0);
            r.get("Targets", "level_" + std::to_string(i), t.level);
        }
    }
};

} // namespace

void write_options(TQUBFile& f, const toptions& o, const std::array<bool, 2>& showbins) {
    toptionswriter w{{f}};
    visit_options(w, o, showbins);
}

void read_options(tsettingsreader& r, toptions& o, std::array<bool, 2>& showbins,
                  std::int32_t ndisplayparams) {
    toptionsreader rd{r, ndisplayparams};
    visit_options(rd, o, showbins);
    o.defaultf0target = o.f0target;
    o.defaultleveltarget = o.leveltarget;
}

void write_window_place(TQUBFile& f, const twindowentry& w, const twindowplace& place) {
    f.writeinteger(w.writesection, "Top", place.top);
    f.writeinteger(w.writesection, "Left", place.left);
    if (w.hassize) {
        f.writeinteger(w.writesection, "Height", place.height);
        f.writeinteger(w.writesection, "Width", place.width);
    }
}

bool read_window_place(tsettingsreader& r, const twindowentry& w, twindowplace& place) {
    bool any = r.has(w.readsection, "Top") || r.has(w.readsection, "Left");
    r.get(w.readsection, "Top", place.top);
    r.get(w.readsection, "Left", place.left);
    if (w.hassize) {
        any = any || r.has(w.readsection, "Height") || r.has(w.readsection, "Width");
        r.get(w.readsection, "Height", place.height);
        r.get(w.readsection, "Width", place.width);
    }
    return any;
}

} // namespace gravon
