#include "cells_csv.h"

#include "base/pitch.h"
#include "base/text_utils.h"
#include "files/replacing_file.h"
#include "phonetogram/pg_param.h"
#include "phonetogram_subjects.h"

namespace gravon {

namespace {

struct tlayercolumn {
    std::string name;
    std::size_t layer;
};

// Tidy names for the analysis's layers; a loaded file's other layers keep theirs, with the
// unit.
std::string layer_column(const tpgparam& p) {
    if (p.name == "H1H2To01") return "h1h2_db";
    if (p.name == "HNRTo01") return "hnr_db";
    if (p.name == "CentroidTo01") return "centroid_hz";
    if (p.name == "CrestTo01") return "crest_db";
    if (p.name == "MaxPartNoTo01") return "max_partial";
    std::string n = lowercase(p.name);
    for (char& ch : n)
        if (!((ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9'))) ch = '_';
    if (!p.axisunit.empty()) n += "_" + lowercase(p.axisunit);
    return n;
}

} // namespace

void write_cells_csv(TForm1& form, const std::vector<std::int32_t>& subjects,
                     const std::string& fname) {
    // The columns of the first subject's layers; other phonetograms fill them by name.
    std::vector<tlayercolumn> columns;
    const tpg& first = form.pgs[std::size_t(subjects.front())];
    for (std::size_t k = pglayeracctime + 1; k < first.param.size(); ++k)
        if (!first.param[k].name.empty()) columns.push_back({layer_column(first.param[k]), k});

    std::string text = "channel,name,midi,note,f0_hz,spl_db,time_all_s";
    for (const tlayercolumn& c : columns) text += "," + c.name;
    text += ",overloaded,shown,in_area,threshold_s\n";
    const std::string threshold = csv_number(form.advanced.timethreshold);
    for (std::int32_t c : subjects) {
        const tpg& pg = form.pgs[std::size_t(c)];
        if (pg.param.size() <= pglayeracctime) continue;
        std::vector<std::size_t> layers;
        for (const tlayercolumn& col : columns) {
            std::size_t found = pg.param.size();
            for (std::size_t k = pglayeracctime + 1; k < pg.param.size(); ++k)
                if (layer_column(pg.param[k]) == col.name) {
                    found = k;
                    break;
                }
            layers.push_back(found);
        }
        const std::string head = std::to_string(c) + "," + csv_field(pg.pgname) + ",";
        for (int x = 0; x < nf0bins; ++x)
            for (int y = 0; y < nlevelbins; ++y) {
                const double t = pg.param[pglayeracctime].arr[x][y];
                if (!(t > 0)) continue;
                text += head + std::to_string(x) + "," + notename(x, false) + "," +
                        csv_number(semitonetofreq(x)) + "," + std::to_string(y) + "," +
                        csv_number(t);
                for (std::size_t k : layers)
                    text += "," + (k < pg.param.size() ? csv_number(pg.param[k].arr[x][y]) : "");
                const bool over = !pg.param.empty() && pg.param[pglayersolidcolor].arr[x][y] > 0;
                text += over ? ",1" : ",0";
                text += form.masks.binshow[std::size_t(c)][x][y] ? ",1" : ",0";
                text += form.masks.binmarked[std::size_t(c)][x][y] ? ",1," : ",0,";
                text += threshold + "\n";
            }
    }
    TReplacingFile out(fname);
    out.stream() << text;
    out.commit();
}

} // namespace gravon
