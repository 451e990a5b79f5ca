#include "phonetogram_summary.h"

#include "base/pitch.h"
#include "phonetogram/pg_param.h"

#include <algorithm>
#include <vector>

namespace gravon {

void print_phonetogram_summary(const TForm1& form, const std::vector<std::int32_t>& subjects,
                               std::FILE* out) {
    std::fprintf(out, "Time counted: all the time in each phonetogram, with no display "
                      "threshold (--stats counts the shown area only)\n");
    if (form.frames() > 0) {
        const double frame = form.downsamplingfactor / 2 / form.analysisparams.fs;
        std::fprintf(out, "Analysed %d frames of %.1f ms (%.2f s of sound)\n", form.frames(),
                     frame * 1000.0, form.audiosamples() / form.analysisparams.fs);
    }
    for (std::int32_t c : subjects) {
        const tpg& pg = form.pgs[std::size_t(c)];
        if (pg.param.size() <= pglayeracctime) continue;
        const tpgarr& t = pg.param[pglayeracctime].arr;
        double total = 0, f0sum = 0, splsum = 0;
        int minx = nf0bins, maxx = -1, miny = nlevelbins, maxy = -1;
        struct tcell {
            int x, y;
            double t;
        };
        std::vector<tcell> cells;
        for (int x = 0; x < nf0bins; ++x)
            for (int y = 0; y < nlevelbins; ++y) {
                const double v = t[x][y];
                if (v <= 0) continue;
                total += v;
                f0sum += v * x;
                splsum += v * y;
                minx = std::min(minx, x);
                maxx = std::max(maxx, x);
                miny = std::min(miny, y);
                maxy = std::max(maxy, y);
                cells.push_back({x, y, v});
            }
        std::fprintf(out, "Phonetogram %d \"%s\": %.3f s of voice in %zu cells\n", c,
                     pg.pgname.c_str(), total, cells.size());
        if (total <= 0) continue;
        const double ms = f0sum / total, ml = splsum / total;
        std::fprintf(out, "  F0 %s..%s (%.1f..%.1f Hz), time-weighted mean %.2f st (%.1f Hz)\n",
                     notename(minx, false).c_str(), notename(maxx, false).c_str(),
                     semitonetofreq(minx), semitonetofreq(maxx), ms, semitonetofreq(ms));
        std::fprintf(out, "  SPL %d..%d dB, time-weighted mean %.1f dB\n", miny, maxy, ml);
        std::sort(cells.begin(), cells.end(), [](const tcell& a, const tcell& b) {
            return a.t > b.t || (a.t == b.t && (a.x < b.x || (a.x == b.x && a.y < b.y)));
        });
        std::fprintf(out, "  Cells with the most time (semitone, dB: seconds):\n");
        for (std::size_t k = 0; k < std::min<std::size_t>(5, cells.size()); ++k)
            std::fprintf(out, "    %3d %-4s %3d dB: %.3f s\n", cells[k].x,
                         notename(cells[k].x, false).c_str(), cells[k].y, cells[k].t);
    }
}

} // namespace gravon
