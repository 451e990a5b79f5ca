#include "phonetogram/statistics_text.h"

#include "base/pitch.h"
#include "base/shown_number_text.h"

#include <cmath>
#include <functional>

namespace gravon {

namespace {

bool flagat(const std::vector<bool>& flags, std::size_t j) {
    return j < flags.size() && flags[j];
}

// Builds the table line by line, with the columns of the phonetograms that have a selection.
class ttablewriter {
  public:
    using tvalue = std::function<std::string(std::size_t)>;

    ttablewriter(std::vector<std::string>& lines, std::vector<std::size_t> columns, bool condensed)
        : lines_(lines), columns_(std::move(columns)), condensed_(condensed) {}

    // A group separator, written only after a table line.
    void blank() {
        if (!lines_.empty() && !lines_.back().empty()) lines_.emplace_back();
    }
    // A row that the condensed form lists only when its flag is set.
    void row(bool flag, const std::string& label, const tvalue& value) {
        if (condensed_ && !flag) return;
        std::string s = label;
        for (std::size_t i : columns_) {
            s += value(i);
            s += '\t';
        }
        lines_.push_back(std::move(s));
    }

  private:
    std::vector<std::string>& lines_;
    std::vector<std::size_t> columns_;
    bool condensed_;
};

enum class tf0unit { notes, semitones, freqs };

} // namespace

std::vector<std::string> statistics_text(const tpglist& list, const tstatisticsarr& statistics,
                                         const tdoublearr& percentile,
                                         const tdisplayparamarr& displayparams,
                                         const tstatisticsrows& rows,
                                         const tstatisticsformat& format) {
    std::vector<std::string> lines;
    std::vector<std::size_t> columns;
    for (std::size_t i = 0; i < list.pgs.size() && i < statistics.size(); ++i)
        if (statistics[i].nbins >= 1) columns.push_back(i);
    if (columns.empty()) {
        lines.emplace_back(noselectiontext1);
        lines.emplace_back(noselectiontext2);
        return lines;
    }

    const char sep = format.decimalseparator;
    const int nsig = format.nsigdig;
    auto st = [&](std::size_t i) -> const tstatistics& { return statistics[i]; };
    auto pg = [&](std::size_t i) -> const tpg& { return list.pgs[i]; };
    auto fmt = [&](const std::string& pattern, double x) {
        return formatfloatsep(pattern, x, sep);
    };
    auto sig = [&](double x) { return sigdigitssep(nsig, x, sep); };
    auto distance = [&](double d) { return d < 0 ? std::string("Unknown") : sig(d); };
    // Percentile labels read 5, 10, 25, ... for the fractions 0.05, 0.1, 0.25, ...
    auto plabel = [&](std::size_t j) { return sigdigitssep(nsig, 100.0 * percentile[j], sep); };

    ttablewriter w(lines, columns, rows.shortversion);

    w.row(true, "Name\t", [&](std::size_t i) { return pg(i).pgname; });
    w.row(true, "Channel\t", [&](std::size_t i) { return std::to_string(i); });
    w.row(rows.showstatsarea, "Area [STdB]\t",
          [&](std::size_t i) { return std::to_string(st(i).nbins); });
    w.row(rows.showstatstakentime, "Time taken [s]\t",
          [&](std::size_t i) { return fmt(format.secformat, st(i).takentime); });
    w.row(rows.showstatsrecordedtime, "Time recorded [s]\t",
          [&](std::size_t i) { return fmt(format.secformat, st(i).recordedtime); });
    w.blank();

    w.row(rows.showstatsactualdistance, "Act. mic. dist. [m]\t",
          [&](std::size_t i) { return distance(pg(i).actualdistance); });
    w.row(rows.showstatsdistance, "Distance [m]\t",
          [&](std::size_t i) { return distance(pg(i).distance); });
    w.row(rows.showstatsleq, "Leq [dB]\t",
          [&](std::size_t i) { return fmt(format.dbformat, st(i).leq); });
    w.row(rows.showstatsminspl, "Min SPL [dB]\t",
          [&](std::size_t i) { return fmt("0", st(i).minspl); });
    w.row(rows.showstatsmaxspl, "Max SPL [dB]\t",
          [&](std::size_t i) { return fmt("0", st(i).maxspl); });
    w.blank();

    for (std::size_t j = 0; j < percentile.size(); ++j)
        w.row(flagat(rows.showSPLpercentile, j), "SPL [dB] " + plabel(j) + "%\t",
              [&](std::size_t i) {
                  const tdoublearr& v = st(i).SPLpercentile;
                  return j < v.size() ? fmt(format.dbformat, v[j]) : std::string("-");
              });
    w.blank();

    w.row(rows.showstatssplrange, "SPL range [dB]\t",
          [&](std::size_t i) { return fmt("0", st(i).maxspl - st(i).minspl); });
    w.row(rows.showstatsf0range, "fo range [ST]\t",
          [&](std::size_t i) { return fmt("0", 12.0 * std::log2(st(i).maxf0 / st(i).minf0)); });

    // The three F0 groups: the same five values and the percentiles, as note names, as
    // semitones above the keyboard's lowest key, and in Hz.
    const std::string stsuffix = "[ST re " + notename(format.lokey, false) + "]";
    auto f0group = [&](tf0unit unit, bool groupflag) {
        // value(hz, precise): precise for the mean, median and percentiles.
        auto value = [&](double f, bool precise) -> std::string {
            switch (unit) {
            case tf0unit::notes:
                return notenamesep(freqnotename(f, precise), sep);
            case tf0unit::semitones:
                // No semitone number exists for 0 Hz (a selection without time).
                if (!(f > 0) || !std::isfinite(f)) return "-";
                return fmt(precise ? format.stformat : "0", freqtosemitone(f) - format.lokey);
            case tf0unit::freqs:
                break;
            }
            return sig(f);
        };
        std::string avg, min, max, median, mode, pre, post;
        switch (unit) {
        case tf0unit::notes:
            avg = "Avg fo", min = "Min fo", max = "Max fo", median = "fo median", mode = "fo mode";
            pre = "fo ", post = "%";
            break;
        case tf0unit::semitones:
            avg = "Avg fo " + stsuffix, min = "Min fo " + stsuffix, max = "Max fo " + stsuffix;
            median = "fo median " + stsuffix, mode = "fo mode " + stsuffix;
            pre = "fo ", post = "% " + stsuffix;
            break;
        case tf0unit::freqs:
            avg = "Avg fo [Hz]", min = "Min fo [Hz]", max = "Max fo [Hz]";
            median = "fo median [Hz]", mode = "fo mode [Hz]";
            pre = "fo [Hz] ", post = "%";
            break;
        }
        w.blank();
        bool listed = groupflag || !rows.shortversion;
        if (!listed) return;
        w.row(rows.showstatsavgf0, avg + "\t",
              [&](std::size_t i) { return value(st(i).avgf0, true); });
        w.row(rows.showstatsminf0, min + "\t",
              [&](std::size_t i) { return value(st(i).minf0, false); });
        w.row(rows.showstatsmaxf0, max + "\t",
              [&](std::size_t i) { return value(st(i).maxf0, false); });
        w.row(rows.showstatsf0median, median + "\t",
              [&](std::size_t i) { return value(st(i).f0median, true); });
        w.row(rows.showstatsf0mode, mode + "\t",
              [&](std::size_t i) { return value(st(i).f0mode, false); });
        w.blank();
        for (std::size_t j = 0; j < percentile.size(); ++j)
            w.row(flagat(rows.showf0percentile, j), pre + plabel(j) + post + "\t",
                  [&](std::size_t i) {
                      const tdoublearr& v = st(i).f0percentile;
                      return j < v.size() ? value(v[j], true) : std::string("-");
                  });
    };
    f0group(tf0unit::notes, rows.showstatsf0asnotes);
    f0group(tf0unit::semitones, rows.showstatsf0assemitones);
    f0group(tf0unit::freqs, rows.showstatsf0asfreqs);
    w.blank();

    w.row(rows.showstatsm, "Intercept [dB]\t",
          [&](std::size_t i) { return fmt(format.dbformat, st(i).m); });
    w.row(rows.showstatsk, "Slope [dB/ST]\t", [&](std::size_t i) { return sig(st(i).k); });
    w.row(rows.showstatsr, "r\t", [&](std::size_t i) { return sig(st(i).r); });
    w.blank();

    // Parameter averages; "Solid color" (0) and the accumulated time (1) are no averages.
    for (std::size_t e = 2; e < displayparams.size(); ++e) {
        const tdisplayparam& dp = displayparams[e];
        w.row(flagat(rows.showstatsparam, e), dp.name + " [" + dp.axisunit + "]\t",
              [&](std::size_t i) -> std::string {
                  const tstatistics& s = st(i);
                  if (e >= s.avgbackmap.size() || s.avgbackmap[e] < 0 || e >= s.avgparam.size())
                      return "-";
                  double v = s.avgparam[e];
                  if (!std::isfinite(v)) return "-";
                  if (dp.axisunit == "dB") return fmt(format.dbformat, v);
                  if (dp.axisunit == "s") return fmt(format.secformat, v);
                  return sig(v);
              });
    }
    return lines;
}

std::string join_statistics_text(const std::vector<std::string>& lines) {
    std::string s;
    for (const std::string& l : lines) {
        s += l;
        s += "\r\n";
    }
    return s;
}

} // namespace gravon
