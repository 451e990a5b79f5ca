#include "core/options_page.h"

#include "core/main_window.h"
#include "core/reset_all_question.h"

namespace gravon {

namespace {

bool pg_visible(const TForm1& form, std::size_t ch) {
    return ch < form.pgs.size() && form.pgs[ch].visible;
}

} // namespace

toptionspage options_page_of(const TForm1& form) {
    const toptions& o = form.options;
    toptionspage p;
    p.voicelike = o.voicelike;
    p.npartialsedit = std::to_string(o.keyboardnpartials);
    p.slopeedit = number_text(o.keyboardslope);
    p.keyboardleveledit = number_text(o.keyboardlevel);
    p.lockaspectratio = o.lockaspectratio;
    for (const tdisplayparam& d : form.advanced.displayparams) p.zparamnames.push_back(d.name);
    p.zparam = o.zparam();
    p.showlegend = o.showlegend;
    p.showblackborder = o.showblackborder;
    p.showoutline = o.showoutline;
    for (std::size_t ch = 0; ch < 2; ++ch) {
        p.showphonetogram[ch] = pg_visible(form, ch);
        p.showspectrum[ch] = o.showspectrum[ch];
        p.shownoise[ch] = o.shownoise[ch];
        p.showblob[ch] = o.showblob[ch];
    }
    p.stats = o;
    for (double pc : o.percentile) p.percentilenames.push_back(number_text(100.0 * pc) + "%");
    p.stats.showf0percentile.resize(o.percentile.size(), false);
    p.stats.showSPLpercentile.resize(o.percentile.size(), false);
    for (std::size_t i = 2; i < form.advanced.displayparams.size(); ++i)
        p.paramavgnames.push_back(form.advanced.displayparams[i].name);
    p.stats.showstatsparam.resize(std::max<std::size_t>(form.advanced.displayparams.size(), 2),
                                  false);
    p.f0targetedit = number_text(o.defaultf0target);
    p.leveltargetedit = number_text(o.defaultleveltarget);
    p.showtargetcheck = o.showtarget;
    p.targetsgrid = target_grid_of(o.targets);
    p.noisespectrum = o.noisespectrum;
    p.noiseleveledit = number_text(o.noiselevel);
    p.softnoiseonset = o.softnoiseonset;
    return p;
}

tapplyresult apply_options_page(TForm1& form, const toptionspage& p,
                                const std::function<void()>& applyfont) {
    toptions& o = form.options;
    tapplyresult r = run_field_apply([&](tfieldapply& a) {
        o.lockaspectratio = p.lockaspectratio;
        form.set_zparam(p.zparam);
        o.showlegend = p.showlegend;
        o.showblackborder = p.showblackborder;
        o.showoutline = p.showoutline;
        for (std::size_t ch = 0; ch < 2; ++ch) {
            if (ch < form.pgs.size()) form.pgs[ch].visible = p.showphonetogram[ch];
            o.showspectrum[ch] = p.showspectrum[ch];
            o.shownoise[ch] = p.shownoise[ch];
            o.showblob[ch] = p.showblob[ch];
        }
        // The statistics switches, without the condensed flag, which is the statistics
        // window's own; the per-parameter flags are taken from index 2 on.
        const bool shortversion = o.shortversion;
        const std::vector<bool> params = o.showstatsparam;
        static_cast<tstatisticsrows&>(o) = p.stats;
        o.shortversion = shortversion;
        o.showstatsparam = params;
        o.showf0percentile.resize(o.percentile.size(), false);
        o.showSPLpercentile.resize(o.percentile.size(), false);
        for (std::size_t i = 2; i < o.showstatsparam.size() && i < p.stats.showstatsparam.size();
             ++i)
            o.showstatsparam[i] = p.stats.showstatsparam[i];
        if (applyfont) applyfont();
        o.voicelike = p.voicelike;
        a.field("npartialsedit");
        o.keyboardnpartials = read_integer(p.npartialsedit);
        a.field("slopeedit");
        o.keyboardslope = read_number(p.slopeedit);
        a.field("keyboardleveledit");
        o.keyboardlevel = read_number(p.keyboardleveledit);
        // Target page: the default position, the current target moved onto it, the list.
        a.field("leveltargetedit");
        o.defaultleveltarget = read_number(p.leveltargetedit);
        a.field("f0targetedit");
        o.defaultf0target = read_number(p.f0targetedit);
        form.set_leveltarget(o.defaultleveltarget);
        form.set_f0target(o.defaultf0target);
        o.showtarget = p.showtargetcheck;
        if (tapplyresult g = read_target_grid(p.targetsgrid, o.targets)) throw tfieldfailure(*g);
        o.noisespectrum = p.noisespectrum;
        a.field("noiseleveledit");
        o.noiselevel = read_number(p.noiseleveledit);
        o.softnoiseonset = p.softnoiseonset;
    });
    if (!r) form.fix_things();
    return r;
}

bool reset_all_options(TForm1& form) {
    return reset_all_after_asking(form, "options", &TForm1::set_options_to_default);
}

} // namespace gravon
