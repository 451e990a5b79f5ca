#include "files/text_export.h"

#include "base/errors.h"
#include "base/number_text.h"
#include "base/pitch.h"
#include "base/rounding.h"
#include "base/text_utils.h"
#include "files/ansi_text.h"
#include "files/safe_file.h"

#include <algorithm>
#include <cmath>

namespace gravon {

namespace {

// A number typed by the user, with the platform's decimal separator.
double edit_number(const std::string& text) {
    const char sep = localedecimalseparator();
    std::string s = text;
    bool ok = true;
    if (sep != '.') {
        // A "." is not the decimal separator here, so it cannot be part of a number.
        ok = s.find('.') == std::string::npos;
        s = replaceall(s, std::string(1, sep), ".");
    }
    if (ok) {
        try {
            return strtofloatdot(s);
        } catch (const EConvertError&) {
        }
    }
    throw EConvertError("'" + text + "' is not a valid floating point value");
}

std::int32_t edit_bin(const std::string& text) {
    const double v = edit_number(text);
    // Far beyond the grid either way; keeps the rounding clear of the integer limits.
    return roundint(std::clamp(v, -1e9, 1e9));
}

std::string separator_text(std::int32_t colsep) {
    switch (colsep) {
    case colsepsemicolon:
        return ";";
    case colsepcomma:
        return ",";
    case colsepspace:
        return " ";
    default:
        return "\t";
    }
}

std::string unit_text(std::int32_t freqhead) {
    switch (freqhead) {
    case freqheadhz:
        return "Hz";
    case freqheadnote:
        return "Note";
    default:
        return "MIDI";
    }
}

std::string with_decimal_separator(const std::string& s, std::int32_t decsep) {
    if (decsep == decsepperiod) return replaceall(s, ",", ".");
    if (decsep == decsepcomma) return replaceall(s, ".", ",");
    return s;
}

} // namespace

ttextexportranges text_export_ranges(const ttextexportchoices& c) {
    ttextexportranges r;
    r.lolevel = std::max(0, edit_bin(c.loleveledit));
    r.hilevel = std::min(edit_bin(c.hileveledit), nlevelbins - 1);
    r.lof0 = std::max(0, edit_bin(c.lomidiedit));
    r.hif0 = std::min(edit_bin(c.himidiedit), nf0bins - 1);
    return r;
}

std::vector<std::string> text_export_pgnames(const tpglist& list) {
    std::vector<std::string> names;
    const std::size_t n = std::min(std::size_t(std::max(list.nchans(), 0)), list.pgs.size());
    for (std::size_t i = 0; i < n; ++i) names.push_back(list.pgs[i].pgname);
    return names;
}

std::vector<std::string> text_export_paramnames(const tpglist& list, std::int32_t pgno) {
    std::vector<std::string> names;
    if (pgno < 0 || pgno >= list.nchans() || std::size_t(pgno) >= list.pgs.size()) return names;
    for (const tpgparam& p : list.pgs[std::size_t(pgno)].param) names.push_back(p.name);
    return names;
}

void use_visible_range(ttextexportchoices& c, std::int32_t lokey, std::int32_t hikey,
                       double levello, double levelhi) {
    c.lomidiedit = std::to_string(lokey);
    c.himidiedit = std::to_string(hikey);
    c.loleveledit = std::to_string(roundint(levello));
    c.hileveledit = std::to_string(roundint(levelhi));
}

void check_all_parameters(ttextexportchoices& c, const tpglist& list, bool on) {
    const std::vector<std::string> names = text_export_paramnames(list, c.pgno);
    c.checked.clear();
    // An unnamed layer (the recording's spare one) holds nothing and is never exported.
    for (const std::string& n : names) c.checked.push_back(on && !n.empty());
}

std::string phonetogram_text(tpglist& list, const ttextexportchoices& c,
                             const ttextexportformat& f) {
    if (c.pgno < 0 || c.pgno >= list.nchans() || std::size_t(c.pgno) >= list.pgs.size())
        throw EGravonError("No phonetogram is chosen for the export");
    const ttextexportranges r = text_export_ranges(c);
    fix_binshow(list, f.binshow);

    const tpg& pg = list.pgs[std::size_t(c.pgno)];
    const tbinmask* shown = std::size_t(c.pgno) < list.masks.binshow.size()
                                ? &list.masks.binshow[std::size_t(c.pgno)]
                                : nullptr;
    auto isshown = [&](std::int32_t x, std::int32_t y) {
        return shown && shown->inside(x, y) && (*shown)[x][y] != 0;
    };
    const std::string sep = separator_text(c.colsep);
    auto number = [&](double x) {
        return with_decimal_separator(sigdigits(f.nsigdig, x), c.decsep);
    };

    // An empty file would look like an export that worked.
    bool any = false;
    for (std::size_t k = 0; k < pg.param.size() && k < c.checked.size(); ++k)
        any = any || (c.checked[k] && !pg.param[k].name.empty());
    if (!any)
        throw EGravonError("No parameter is ticked for the export: tick the parameters to export");

    std::string out;
    for (std::size_t k = 0; k < pg.param.size(); ++k) {
        if (k >= c.checked.size() || !c.checked[k] || pg.param[k].name.empty()) continue;
        const tpgparam& p = pg.param[k];
        out += "---------\r\n";
        out += p.name + "\r\n";
        out += "dB\\" + unit_text(c.freqhead) + sep;
        for (std::int32_t j = r.lof0; j <= r.hif0; ++j) {
            switch (c.freqhead) {
            case freqheadhz:
                out += number(semitonetofreq(j));
                break;
            case freqheadnote:
                out += notename(j, false);
                break;
            default:
                out += std::to_string(j);
                break;
            }
            out += sep;
        }
        out += "\r\n";
        for (std::int32_t level = r.hilevel; level >= r.lolevel; --level) {
            out += with_decimal_separator(formatfloat(f.dbformat, level), c.decsep) + sep;
            for (std::int32_t j = r.lof0; j <= r.hif0; ++j) {
                if (k == 0) {
                    out += isshown(j, level) ? "1" : "0";
                } else {
                    const bool has = c.threshold == thresholdshowall
                                         ? pg_cell_time(pg, j, level) > 0
                                         : isshown(j, level);
                    if (has && p.arr.inside(j, level)) out += number(p.arr[j][level]);
                }
                out += sep;
            }
            out += "\r\n";
        }
    }
    return out;
}

void export_phonetogram_text(tpglist& list, const ttextexportchoices& c, const ttextexportformat& f,
                             const std::string& fname) {
    const std::string text = utf8_to_ansi(phonetogram_text(list, c, f));
    TSafeFile file(fname, true);
    file.stream().write(text.data(), std::streamsize(text.size()));
    file.commit();
}

} // namespace gravon
