#include "ui/geometry/status_lines.h"

#include "base/number_text.h"
#include "base/pitch.h"
#include "base/text_utils.h"

#include <cmath>

namespace gravon {

namespace {

// Below this a frame holds no sound: 100 dB under the threshold of hearing.
constexpr double silentlevel = -100.0;

std::string trimmed(const std::string& s) {
    const auto a = s.find_first_not_of(" \t");
    if (a == std::string::npos) return "";
    const auto b = s.find_last_not_of(" \t");
    return s.substr(a, b - a + 1);
}

std::string measure_text(const TForm1& form, const tchannelmeasures& m) {
    const std::string& dbf = form.advanced.dbformat;
    const int nsig = form.advanced.nsigdig;
    switch (form.options.zparam()) {
    case 2:
        return "H1/H2 = " + formatfloat(dbf, m.h1h2) + " dB";
    case 3:
        return "HNR = " + formatfloat(dbf, m.hnr) + " dB";
    case 4:
        return "Centroid = " + sigdigits(nsig, m.centroid) + " Hz";
    case 5:
        return "Crest = " + formatfloat(dbf, m.crestlevel) + " dB";
    case 6:
        return "Strongest Partial = " + std::to_string(m.maxpartno);
    default:
        return "";
    }
}

} // namespace

std::array<bool, 3> status_lines_shown(const TForm1& form) {
    std::array<bool, 3> s{false, false, true};
    for (std::size_t c = 0; c < 2; ++c) {
        const bool visible = c < form.pgs.size() && form.pgs[c].visible;
        s[c] = (form.recording() && form.options.showblob[c]) || visible ||
               form.options.showspectrum[c] || form.options.shownoise[c];
    }
    return s;
}

std::int32_t status_panel_height(const TForm1& form) {
    std::int32_t n = 0;
    for (bool b : status_lines_shown(form)) n += b ? 1 : 0;
    return statuslineheight * n;
}

tstatuspanel status_panel_content(TForm1& form) {
    tstatuspanel out;
    const auto shown = status_lines_shown(form);
    const tadvancedsettings& adv = form.advanced;
    std::int32_t y = 1;
    for (int c = 0; c < 2; ++c) {
        if (!shown[std::size_t(c)] || std::size_t(c) >= form.pgs.size()) continue;
        const tpg& pg = form.pgs[std::size_t(c)];
        const tchannelmeasures& m = form.live(c);
        const std::int32_t histcount = form.analyser.spechistcount(c);
        const bool accepted = m.killpoint.empty();

        tstatuslamp lamp;
        lamp.y = y;
        lamp.fill = histcount >= 1 ? (accepted ? pg.color : pg.ltcolor) : lampunmeasured;
        const bool keyboard = m.killpoint.has(tkillreason::keyboard);
        if (keyboard || m.killpoint.has(tkillreason::otherlouder)) {
            lamp.cross = true;
            const std::size_t other = std::size_t(1 - c);
            lamp.crosscolor =
                keyboard || other >= form.pgs.size() ? crossgrey : form.pgs[other].color;
        }
        out.lamps.push_back(lamp);

        // Digital silence (and the filters' dying tail after it) has no level worth a number.
        const bool silent = !std::isfinite(m.level) || m.level < silentlevel;
        if ((form.recording() || accepted) && !silent) {
            const bool recalc = adv.calibrationrecalculate && adv.standarddistance != 0 &&
                                std::fabs(pg.actualdistance / adv.standarddistance - 1) > 0.001;
            out.texts.push_back({21, y,
                                 "L=" + formatfloat(adv.dbformat, m.level) + " dB" +
                                     (recalc ? " (recalc)" : " (actual)"),
                                 m.level < adv.noiselo[std::size_t(c)] ? statusred : statusblack});
        }
        if (accepted) {
            out.texts.push_back(
                {150, y, "fo=" + sigdigits(adv.nsigdig, m.f0) + " Hz", statusblack});
            const std::string mt = measure_text(form, m);
            if (!mt.empty()) out.texts.push_back({260, y, mt, statusblack});
        }
        const bool fromfile = form.analysisisfromsoundfile();
        if (form.holdcount > (adv.holdnoisemeasurementtime + 1) * adv.fs && histcount < 1) {
            out.texts.push_back(
                {370, y,
                 fromfile ? "Background noise not ok, check noise range settings and file "
                            "calibration"
                          : "Background noise not ok, check the microphone, calibration and the "
                            "noise range settings",
                 statusred});
        } else {
            const std::string who = fromfile ? "Soundfile: " : (c == 0 ? "Left: " : "Right: ");
            // A file without a calibration says how to give it one.
            const std::string how = fromfile && c == 0 && pg.calstatus == 1
                                        ? " - Calibrate from reference... (Recording menu)"
                                        : "";
            out.texts.push_back({370, y, who + pg.calibstr + how,
                                 form.calibration_warning(c) ? statusred : statusblack});
        }
        y += statuslineheight;
    }

    const double fs = adv.fs > 0 ? adv.fs : 1;
    out.texts.push_back(
        {1, y, "Total recorded time: " + formatfloat("0.0", (form.audioarrpos + 1) / fs) + " s",
         statusblack});
    TColor last = statusblack;
    if (form.fshowcursor) {
        const tbincursor cur = form.cursor;
        out.texts.push_back({200, y, notename(cur.xbin, false), statusblack});
        out.texts.push_back({225, y, sigdigits(4, semitonetofreq(cur.xbin)) + " Hz", statusblack});
        out.texts.push_back({280, y, std::to_string(cur.ybin) + " dB", statusblack});
        form.fix_binshow();
        std::int32_t x = 280;
        const std::int32_t z = form.options.zparam();
        for (std::size_t j = 0; j < form.pgs.size() && j < form.masks.binshow.size(); ++j) {
            const tpg& pg = form.pgs[j];
            if (!pg.visible || !bin_in_grid(cur.xbin, cur.ybin)) continue;
            if (!form.masks.binshow[j][cur.xbin][cur.ybin]) continue;
            // A loaded phonetogram may lack the layer: it then shows no value.
            if (z < 0 || std::size_t(z) >= pg.param.size()) continue;
            const tpgparam& l = pg.param[std::size_t(z)];
            const double v = l.arr[cur.xbin][cur.ybin];
            x += 60;
            last = pg.dkcolor;
            const std::string num = trimmed(l.axisunit) == "dB" ? formatfloat(adv.dbformat, v)
                                                                : sigdigits(adv.nsigdig, v);
            out.texts.push_back({x, y, num + " " + l.axisunit, pg.dkcolor});
        }
    }
    // The recording site of the advanced settings (by default the computer's name), named
    // as such: alone, a short name reads as a stray code.
    if (!form.locationid.empty())
        out.texts.push_back({0, y, "Site: " + form.locationid, last, true});
    return out;
}

} // namespace gravon
