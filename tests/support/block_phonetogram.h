// A phonetogram that reaches a block of cells, each holding the same time, for the tests of
// groups and comparisons.
#pragma once

#include "phonetogram/phonetogram.h"

namespace gravon::testing {

inline void fill_block(tpg& pg, int x0, int x1, int y0, int y1, double t = 1.0) {
    for (int x = x0; x <= x1; ++x)
        for (int y = y0; y <= y1; ++y) pg.param[pglayeracctime].arr[x][y] = t;
}

inline tpg block_pg(int x0, int x1, int y0, int y1, double t = 1.0) {
    tpg pg = make_empty_pg();
    pg.param = default_recording_pgparams();
    fill_block(pg, x0, x1, y0, y1, t);
    return pg;
}

} // namespace gravon::testing
