#include "core/cells_table.h"

#include "base/text_utils.h"
#include "core/note_columns.h"
#include "core/provenance.h"
#include "phonetogram/pg_param.h"

#include <limits>

namespace gravon {

namespace {

// Tidy names for the analysis's layers; a loaded file's other layers keep theirs, with the
// unit.
std::string layer_column(const tpgparam& p) {
    if (p.name == "H1H2To01") return "h1h2_db";
    if (p.name == "HNRTo01") return "hnr_db";
    if (p.name == "CentroidTo01") return "centroid_hz";
    if (p.name == "CrestTo01") return "crest_db";
    if (p.name == "MaxPartNoTo01") return "max_partial";
    if (p.name == "CPPS") return "cpps_db";
    if (p.name == "SpecBal") return "specbal_db";
    std::string n = lowercase(p.name);
    for (char& ch : n)
        if (!((ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9'))) ch = '_';
    if (!p.axisunit.empty()) {
        n += '_';
        n += lowercase(p.axisunit);
    }
    return n;
}

} // namespace

ttable cells_table(const TForm1& form, const std::vector<std::int32_t>& subjects) {
    // The columns of the first subject's layers; other phonetograms fill them by name.
    std::vector<std::string> layernames;
    const tpg& first = form.pgs[std::size_t(subjects.front())];
    for (std::size_t k = pglayeracctime + 1; k < first.param.size(); ++k)
        if (!first.param[k].name.empty()) layernames.push_back(layer_column(first.param[k]));

    ttable t;
    t.comments = provenance_lines(form);
    using enum tcolumnkind;
    t.add_column("channel", integer);
    t.add_column("name", text);
    add_note_columns(t);
    t.add_column("spl_db", integer);
    t.add_column("time_all_s", real);
    for (const std::string& n : layernames) t.add_column(n, real);
    t.add_column("overloaded", integer);
    t.add_column("shown", integer);
    t.add_column("in_area", integer);
    t.add_column("threshold_s", real);

    const double none = std::numeric_limits<double>::quiet_NaN();
    for (std::int32_t c : subjects) {
        const tpg& pg = form.pgs[std::size_t(c)];
        if (pg.param.size() <= pglayeracctime) continue;
        std::vector<std::size_t> layers;
        for (const std::string& name : layernames) {
            std::size_t found = pg.param.size();
            for (std::size_t k = pglayeracctime + 1; k < pg.param.size(); ++k)
                if (layer_column(pg.param[k]) == name) {
                    found = k;
                    break;
                }
            layers.push_back(found);
        }
        for (int x = 0; x < nf0bins; ++x)
            for (int y = 0; y < nlevelbins; ++y) {
                const double time = pg.param[pglayeracctime].arr[x][y];
                if (!(time > 0)) continue;
                trowappender row(t);
                row << double(c) << pg.pgname;
                append_note(row, x) << double(y) << time;
                for (std::size_t k : layers)
                    row << (k < pg.param.size() ? double(pg.param[k].arr[x][y]) : none);
                const bool over = !pg.param.empty() && pg.param[pglayersolidcolor].arr[x][y] > 0;
                row << (over ? 1.0 : 0.0) << (form.masks.binshow[std::size_t(c)][x][y] ? 1.0 : 0.0)
                    << (form.masks.binmarked[std::size_t(c)][x][y] ? 1.0 : 0.0)
                    << form.advanced.timethreshold;
            }
    }
    return t;
}

} // namespace gravon
