// One phonetogram: descriptive data, colours and its parameter layers.
#pragma once

#include "phonetogram/group_members.h"
#include "phonetogram/pg_colors.h"
#include "phonetogram/pg_param.h"
#include "phonetogram/session_record.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

struct tpg {
    std::string pgname; // "Left", "Right" or a file name
    TColor ltcolor;     // light shade of color
    TColor dkcolor;     // dark shade of color
    TColor color;       // base colour
    bool opaque = false;
    std::int32_t colorindex = 0; // index into the colour table
    std::string datestr;         // recording start "YYYY-mm-dd hh:nn.ss"; empty before
    std::string calibstr;        // calibration text of the channel
    std::int32_t calstatus = 0;  // calibration status code
    std::string recordingsiteid;
    double recordedtime = 0;   // seconds of sound behind the phonetogram
    bool visible = true;       // shown in the phonetogram view
    // The baseline the current phonetogram is compared with: at most one loaded phonetogram
    // of a list, never written to its file.
    bool baseline = false;
    double distance = 0;       // microphone distance in m the levels refer to
    double actualdistance = 0; // microphone distance in m while recording
    tsessionrecord session;    // who was recorded, by whom, doing what
    tgroupmembers group;       // the members when this is a reference group
    std::vector<tpgparam> param;
};

// A phonetogram as the list creates it: nrecordinglayers blank layers with zeroed grids,
// visible, no names.
tpg make_empty_pg();

// Sets n layers: existing ones are kept (the first n), new ones are blank with zeroed grids.
void resize_pg_layers(tpg& pg, std::size_t n);

// Zeroes every cell of every layer; descriptions stay.
void clear_pg_cells(tpg& pg);

// Accumulated time of cell (x, y); 0 outside the grid or when the phonetogram has no time
// layer (a damaged file can leave one without).
double pg_cell_time(const tpg& pg, std::int32_t x, std::int32_t y);
// A cell is empty when it holds no accumulated time.
inline bool pg_cell_empty(const tpg& pg, std::int32_t x, std::int32_t y) {
    return pg_cell_time(pg, x, y) == 0.0;
}

} // namespace gravon
