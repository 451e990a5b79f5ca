#include "ui/geometry/drawing_state.h"

#include "base/number_text.h"
#include "base/pitch.h"
#include "base/same_text.h"
#include "ui/geometry/bin_colours.h"

#include <algorithm>

namespace gravon {

namespace {

// What sets the window's axes apart; the limits, size and direction are the same for all.
struct taxissetup {
    tposition position = tposition::posleft;
    double hi = 1, lo = 0;
    bool logarithmic = false;
    bool scroll = false; // the low end, the high end and the middle alike
    bool doubleclick = false;
    bool logarithmicchange = false;
    std::int32_t tickspaceaim = 60;
    const char* text = "";
};

void setup_axis(TAxisModel& a, const taxissetup& s) {
    a.setMinLoValue(-1e300);
    a.setMaxLoValue(1e300);
    a.setMinHiValue(-1e300);
    a.setMaxHiValue(1e300);
    a.setMinValueDifference(-1e300);
    a.setMaxValueDifference(1e300);
    a.Autosize = true;
    a.setReverse(false);
    a.setIsInteger(false);
    a.setPosition(s.position);
    a.set_hilovalues(s.hi, s.lo);
    if (s.logarithmic) a.setLogarithmic(true);
    a.AllowLoScroll = a.AllowHiScroll = a.AllowMidScroll = s.scroll;
    a.AllowDoubleClick = s.doubleclick;
    a.AllowLogarithmicChange = s.logarithmicchange;
    a.setTickSpaceAim(s.tickspaceaim);
    a.setAxisText(s.text);
}

// The lowest and highest of a distance over the visible phonetograms.
struct tvisiblerange {
    bool any = false;
    double lo = 0, hi = 0;
};
tvisiblerange visible_range(const tpglist& list, double tpg::*distance) {
    tvisiblerange r;
    for (const tpg& pg : list.pgs) {
        if (!pg.visible) continue;
        const double d = pg.*distance;
        r.lo = r.any ? std::min(r.lo, d) : d;
        r.hi = r.any ? std::max(r.hi, d) : d;
        r.any = true;
    }
    return r;
}

} // namespace

void setup_level_axis(TAxisModel& a) {
    setup_axis(a, {.hi = 120, .lo = 20, .scroll = true, .text = "[dB@30cm]"});
}

void setup_frequency_axis(TAxisModel& a) {
    setup_axis(a, {.position = tposition::posunder,
                   .hi = 3520,
                   .lo = 55,
                   .logarithmic = true,
                   .doubleclick = true,
                   .tickspaceaim = 40,
                   .text = "[Hz]"});
}

void setup_legend_axis(TAxisModel& a) {
    setup_axis(a, {.scroll = true, .doubleclick = true, .logarithmicchange = true});
}

void sync_keyboard(TKeyBoardModel& kb, const TForm1& form) {
    if (kb.LoKey() != form.advanced.lokey) kb.setLoKey(form.advanced.lokey);
    if (kb.nKeys() != std::clamp(form.advanced.nkeys, 1, maxkeys)) kb.setnKeys(form.advanced.nkeys);
}

void sync_frequency_axis(TAxisModel& a, const TKeyBoardModel& kb) {
    a.set_hilovalues(semitonetofreq(kb.get_hikey() + 0.5), semitonetofreq(kb.LoKey() - 0.5));
}

void sync_level_axis(TAxisModel& a, const TForm1& form) {
    a.set_hilovalues(form.advanced.hilevel, form.advanced.lolevel);
    a.setAxisText(level_axis_text(form));
}

void sync_legend_axis(TAxisModel& a, const TForm1& form) {
    const std::int32_t z = form.options.zparam();
    const auto& dps = form.advanced.displayparams;
    if (z < 0 || std::size_t(z) >= dps.size()) return;
    const tdisplayparam& p = dps[std::size_t(z)];
    a.setAxisText("[" + p.axisunit + "]");
    a.setLogarithmic(false);
    a.set_hilovalues(p.max, p.min);
    if (p.min > 0 && p.max > 0 && p.logarithmic) a.setLogarithmic(true);
}

std::string level_axis_text(const tpglist& list) {
    const auto [any, lo, hi] = visible_range(list, &tpg::distance);
    if (any && lo == hi && lo > 0) return "[dB]@" + formatfloat("0", lo * 1000) + "mm";
    return "[dB]";
}

std::string distance_caption(const tpglist& list) {
    const auto [any, lo, hi] = visible_range(list, &tpg::actualdistance);
    if (!any || lo <= 0 || hi <= 0) return "";
    if (lo != hi) return "Actual mic distance: mixed";
    return "Actual mic distance: \r" + formatfloat("0", lo * 1000) + " mm";
}

std::string legend_caption(const TForm1& form) {
    const std::int32_t z = form.options.zparam();
    const auto& dps = form.advanced.displayparams;
    return z >= 0 && std::size_t(z) < dps.size() ? dps[std::size_t(z)].name : std::string();
}

// The difference view's colours say where a voice reached, not how long: its key explains
// them, and the legend of the colour parameter would mislead.
bool legend_axis_shown(const TForm1& form) {
    return form.options.showlegend && form.options.zparam() >= 1 && !form.difference_view_shown();
}

bool legend_caption_shown(const TForm1& form) {
    return form.options.showlegend && !form.difference_view_shown();
}

bool no_value_key_shown(const TForm1& form) {
    if (!legend_axis_shown(form)) return false;
    const auto& a = form.advanced;
    for (const tpg& pg : form.pgs) {
        if (!pg.visible || !pg.group.empty()) continue;
        const std::size_t l =
            shown_layer(pg, a.stdpgparams, form.options.zparam(), a.displayparams.size());
        if (l == 0 || l >= pg.param.size() || pglayeracctime >= pg.param.size()) continue;
        const auto& time = pg.param[pglayeracctime].arr;
        const auto& value = pg.param[l].arr;
        for (std::int32_t x = 0; x < nf0bins; ++x)
            for (std::int32_t y = 0; y < nlevelbins; ++y)
                if (time[x][y] > 0 && !std::isfinite(value[x][y])) return true;
    }
    return false;
}

std::int32_t next_legend_param(const TForm1& form) {
    const std::int32_t n = std::int32_t(form.advanced.displayparams.size());
    if (n <= 0) return 0;
    std::int32_t k = form.options.zparam();
    for (std::int32_t step = 0; step < n; ++step) {
        k = (k + 1) % n;
        if (k == 0) return 0;
        for (const tstdpgparam& s : form.advanced.stdpgparams) {
            if (s.displaymapping != k) continue;
            for (const tpg& pg : form.pgs)
                for (const tpgparam& l : pg.param)
                    if (same_text_nocase(l.name, s.name)) return k;
        }
    }
    return 0;
}

} // namespace gravon
