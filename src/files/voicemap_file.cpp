#include "files/voicemap_file.h"

#include "base/number_text.h"
#include "base/pitch.h"
#include "files/safe_file.h"
#include "phonetogram/pg_param.h"

#include <cmath>
#include <fstream>
#include <sstream>
#include <vector>

namespace gravon {

namespace {

// The columns the other tools have, and the layer each comes from (empty: none here).
struct tvoicemapcolumn {
    const char* column;
    const char* layer;
};
constexpr tvoicemapcolumn fixedcolumns[] = {
    {"Clarity", ""}, {"Crest", "CrestTo01"}, {"SpecBal", "SpecBal"}, {"CPP", "CPPS"}};

int layer_named(const tpg& pg, const std::string& name) {
    if (name.empty()) return -1;
    for (std::size_t k = 0; k < pg.param.size(); ++k)
        if (pg.param[k].name == name) return int(k);
    return -1;
}

bool fixed_layer(const std::string& name) {
    for (const tvoicemapcolumn& c : fixedcolumns)
        if (name == c.layer) return true;
    return false;
}

std::vector<std::string> split(const std::string& line, char sep) {
    std::vector<std::string> v;
    std::string cell;
    std::stringstream in(line);
    while (std::getline(in, cell, sep)) v.push_back(cell);
    if (!line.empty() && line.back() == sep) v.emplace_back();
    return v;
}

} // namespace

void write_voicemap(const std::string& fname, const tpg& pg) {
    if (pg.param.size() <= pglayeracctime)
        throw EVoicemapError("Cannot write the voice map " + fname +
                             ": the phonetogram has no time layer");
    std::vector<int> layers; // columns after the fixed ones
    std::vector<int> fixed;
    for (const tvoicemapcolumn& c : fixedcolumns) fixed.push_back(layer_named(pg, c.layer));
    for (std::size_t k = pglayeracctime + 1; k < pg.param.size(); ++k)
        if (!pg.param[k].name.empty() && !fixed_layer(pg.param[k].name)) layers.push_back(int(k));

    TSafeFile out(fname);
    std::ostream& s = out.stream();
    s << "MIDI;dB;Total";
    for (const tvoicemapcolumn& c : fixedcolumns) s << ';' << c.column;
    for (int k : layers) s << ';' << pg.param[std::size_t(k)].name;
    s << '\n';
    const tpgarr& time = pg.param[pglayeracctime].arr;
    const auto value = [&](int k, int x, int y) {
        if (k < 0) return std::string();
        const double v = pg.param[std::size_t(k)].arr[x][y];
        return std::isfinite(v) ? floattostrdot(v) : std::string();
    };
    for (int x = 0; x < nf0bins; ++x)
        for (int y = 0; y < nlevelbins; ++y) {
            const double t = time[x][y];
            if (!(t > 0)) continue;
            s << x << ';' << y << ';' << std::llround(t * semitonetofreq(x));
            for (int k : fixed) s << ';' << value(k, x, y);
            for (int k : layers) s << ';' << value(k, x, y);
            s << '\n';
        }
    if (!s) throw EVoicemapError("Cannot write the voice map " + fname);
    out.commit();
}

bool is_voicemap_file(const std::string& fname) {
    std::ifstream in(fname, std::ios::binary);
    std::string line;
    if (!std::getline(in, line)) return false;
    return line.rfind("MIDI;", 0) == 0 || line.rfind("MIDI,", 0) == 0;
}

void read_voicemap(const std::string& fname, tpg& pg) {
    std::ifstream in(fname, std::ios::binary);
    if (!in) throw EVoicemapError("Cannot open the voice map " + fname);
    std::string line;
    if (!std::getline(in, line)) throw EVoicemapError("The voice map " + fname + " is empty");
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const char sep = line.find(';') != std::string::npos ? ';' : ',';
    const std::vector<std::string> head = split(line, sep);
    if (head.size() < 3 || head[0] != "MIDI" || head[1] != "dB" || head[2] != "Total")
        throw EVoicemapError("The file " + fname +
                             " is not a voice map: its header does not begin with MIDI, dB, Total");

    pg = make_empty_pg();
    pg.param = default_recording_pgparams();
    pg.pgname = fname;
    // The layer of each further column: a known column's, a layer of that name, or a new one.
    std::vector<int> layerof(head.size(), -1);
    for (std::size_t i = 3; i < head.size(); ++i) {
        std::string name = head[i];
        for (const tvoicemapcolumn& c : fixedcolumns)
            if (name == c.column && *c.layer) name = c.layer;
        int k = layer_named(pg, name);
        if (k < 0 && !name.empty()) {
            tpgparam p;
            p.name = name;
            p.entitystr = name;
            p.entitytype = entityavg;
            pg.param.push_back(std::move(p));
            k = int(pg.param.size()) - 1;
        }
        layerof[i] = k;
    }
    // A cell without a value of a layer holds none.
    for (std::size_t k = pglayeracctime + 1; k < pg.param.size(); ++k) pg.param[k].arr.fill(NAN);

    int lineno = 1;
    while (std::getline(in, line)) {
        ++lineno;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const std::vector<std::string> cells = split(line, sep);
        const auto bad = [&](const std::string& why) {
            return EVoicemapError("The voice map " + fname + " has a bad line " +
                                  std::to_string(lineno) + ": " + why);
        };
        if (cells.size() < 3) throw bad("fewer than three values");
        const auto number = [&](const std::string& text) {
            try {
                return strtofloatdot(text);
            } catch (const EGravonError&) {
                throw bad("\"" + text + "\" is not a number");
            }
        };
        const double midi = number(cells[0]), db = number(cells[1]), total = number(cells[2]);
        const long x = std::lround(midi), y = std::lround(db);
        if (x < 0 || x >= nf0bins || y < 0 || y >= nlevelbins)
            throw bad("the cell " + cells[0] + ", " + cells[1] + " lies outside the grid");
        if (total < 0) throw bad("a negative number of cycles");
        pg.param[pglayeracctime].arr[int(x)][int(y)] += total / semitonetofreq(double(x));
        for (std::size_t i = 3; i < head.size() && i < cells.size(); ++i)
            if (layerof[i] >= 0 && !cells[i].empty())
                pg.param[std::size_t(layerof[i])].arr[int(x)][int(y)] = number(cells[i]);
    }
    // Cells without time hold no values.
    const tpgarr& time = pg.param[pglayeracctime].arr;
    for (std::size_t k = pglayeracctime + 1; k < pg.param.size(); ++k)
        for (int x = 0; x < nf0bins; ++x)
            for (int y = 0; y < nlevelbins; ++y)
                if (!(time[x][y] > 0)) pg.param[k].arr[x][y] = 0;
}

} // namespace gravon
