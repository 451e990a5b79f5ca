#include "settings/options_file.h"

#include "base/number_text.h"

#include <algorithm>

namespace gravon {

namespace {

constexpr const char* display = "Display";

std::string chkey(const char* name, int ch) {
    return name + std::to_string(ch);
}

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

void write_options(TQUBFile& f, const toptions& o, const std::array<bool, 2>& showbins) {
    f.writebool(display, "LockAspectRatio", o.lockaspectratio);
    f.writeinteger(display, "zParam", o.zparam());
    f.writebool(display, "ShowLegend", o.showlegend);
    f.writebool(display, "ShowBlackBorder", o.showblackborder);
    f.writebool(display, "ShowOutline", o.showoutline);
    f.writeinteger(display, "GroupShare", o.groupshare);
    f.writestring("Session", "Clinician", o.clinician);
    for (int ch = 0; ch < 2; ++ch) f.writebool(display, chkey("ShowBlob", ch), o.showblob[ch]);
    for (int ch = 0; ch < 2; ++ch) f.writebool(display, chkey("ShowBins", ch), showbins[ch]);
    for (int ch = 0; ch < 2; ++ch) {
        f.writebool(display, chkey("ShowSpectrum", ch), o.showspectrum[ch]);
        f.writebool(display, chkey("ShowNoise", ch), o.shownoise[ch]);
    }
    for (const tstatsflag& s : statsflags) f.writebool(display, s.key, o.*s.field);
    for (std::size_t i = 0; i < o.percentile.size(); ++i) {
        const std::string p = percentile_key_text(o.percentile[i]);
        const bool f0 = i < o.showf0percentile.size() && o.showf0percentile[i];
        const bool spl = i < o.showSPLpercentile.size() && o.showSPLpercentile[i];
        f.writebool(display, "ShowPercentile" + p, spl);
        f.writebool(display, "ShowfoPercentile" + p, f0);
    }
    for (std::size_t i = 0; i < o.showstatsparam.size(); ++i)
        f.writebool(display, "ShowStatsParam" + std::to_string(i), o.showstatsparam[i]);

    f.writebool("Keyboard", "Voicelike", o.voicelike);
    f.writeinteger("Keyboard", "KeyboardnPartials", o.keyboardnpartials);
    f.writefloat("Keyboard", "KeyboardSlope", o.keyboardslope);
    f.writefloat("Keyboard", "KeyboardLevel", o.keyboardlevel);

    f.writefloat("Target", "foTarget", o.f0target);
    f.writefloat("Target", "LevelTarget", o.leveltarget);
    f.writebool("Target", "Showtarget", o.showtarget);
    f.writeinteger("Target", "nTargets", std::int32_t(o.targets.size()));
    for (std::size_t i = 0; i < o.targets.size(); ++i) {
        f.writefloat("Targets", "f0_" + std::to_string(i), o.targets[i].f0);
        f.writefloat("Targets", "level_" + std::to_string(i), o.targets[i].level);
    }

    f.writeinteger("Noise", "NoiseSpectrum", o.noisespectrum);
    f.writefloat("Noise", "NoiseLevel", o.noiselevel);
    f.writebool("Noise", "SoftNoiseOnset", o.softnoiseonset);

    f.writebool("Statistics", "Shortversion", o.shortversion);
}

void read_options(tsettingsreader& r, toptions& o, std::array<bool, 2>& showbins,
                  std::int32_t ndisplayparams) {
    r.get(display, "LockAspectRatio", o.lockaspectratio);
    o.setzparam(r.readinteger(display, "zParam", o.zparam()), ndisplayparams);
    r.get(display, "ShowLegend", o.showlegend);
    r.get(display, "ShowBlackBorder", o.showblackborder);
    r.get(display, "ShowOutline", o.showoutline);
    o.groupshare = std::clamp(r.readinteger(display, "GroupShare", o.groupshare), 1, 100);
    o.clinician = r.readstring("Session", "Clinician", o.clinician);
    for (int ch = 0; ch < 2; ++ch) r.get(display, chkey("ShowBlob", ch), o.showblob[ch]);
    for (int ch = 0; ch < 2; ++ch) r.get(display, chkey("ShowBins", ch), showbins[ch]);
    for (int ch = 0; ch < 2; ++ch) {
        r.get(display, chkey("ShowSpectrum", ch), o.showspectrum[ch]);
        r.get(display, chkey("ShowNoise", ch), o.shownoise[ch]);
    }
    for (const tstatsflag& s : statsflags) r.get(display, s.key, o.*s.field);
    o.showf0percentile.resize(o.percentile.size(), false);
    o.showSPLpercentile.resize(o.percentile.size(), false);
    for (std::size_t i = 0; i < o.percentile.size(); ++i) {
        const std::string p = percentile_key_text(o.percentile[i]);
        const std::string splkey = "ShowPercentile" + p;
        const std::string f0key = "ShowfoPercentile" + p;
        // Files that keep one flag for both lists give it to both.
        const bool both = r.readbool(display, splkey, o.showSPLpercentile[i]);
        const bool f0default = r.has(display, splkey) ? both : bool(o.showf0percentile[i]);
        o.showSPLpercentile[i] = both;
        o.showf0percentile[i] = r.readbool(display, f0key, f0default);
    }
    for (std::size_t i = 0; i < o.showstatsparam.size(); ++i)
        o.showstatsparam[i] =
            r.readbool(display, "ShowStatsParam" + std::to_string(i), o.showstatsparam[i]);

    r.get("Keyboard", "Voicelike", o.voicelike);
    r.get("Keyboard", "KeyboardnPartials", o.keyboardnpartials);
    r.get("Keyboard", "KeyboardSlope", o.keyboardslope);
    r.get("Keyboard", "KeyboardLevel", o.keyboardlevel);

    r.get("Target", "foTarget", o.f0target);
    r.get("Target", "LevelTarget", o.leveltarget);
    r.get("Target", "Showtarget", o.showtarget);
    // "nTargets" defaults to 0, so a file without it empties the list; a negative count keeps
    // it. Entries keep their current values where a file lacks their keys.
    const std::int32_t n = r.readinteger("Target", "nTargets", 0);
    if (n > maxtargets) {
        r.note("Target", "nTargets",
               std::to_string(n) + " is more than " + std::to_string(maxtargets) +
                   " targets; the list is kept");
    } else if (n >= 0) {
        o.targets.resize(std::size_t(n), ttarget{0.0, 0.0});
        for (std::int32_t i = 0; i < n; ++i) {
            ttarget& t = o.targets[std::size_t(i)];
            r.get("Targets", "f0_" + std::to_string(i), t.f0);
            r.get("Targets", "level_" + std::to_string(i), t.level);
        }
    }

    r.get("Noise", "NoiseSpectrum", o.noisespectrum);
    r.get("Noise", "NoiseLevel", o.noiselevel);
    r.get("Noise", "SoftNoiseOnset", o.softnoiseonset);

    r.get("Statistics", "Shortversion", o.shortversion);

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
