#include "phonetogram/phonetogram.h"

namespace gravon {

tpg make_empty_pg() {
    tpg pg;
    pg.param.resize(nrecordinglayers);
    return pg;
}

void resize_pg_layers(tpg& pg, std::size_t n) {
    pg.param.resize(n);
}

void clear_pg_cells(tpg& pg) {
    for (tpgparam& p : pg.param) p.arr.fill(0.0);
}

double pg_cell_time(const tpg& pg, std::int32_t x, std::int32_t y) {
    if (pg.param.size() <= pglayeracctime) return 0.0;
    const tpgarr& t = pg.param[pglayeracctime].arr;
    if (!t.inside(x, y)) return 0.0;
    return t[x][y];
}

} // namespace gravon
