#include "core/target_grid.h"

namespace gravon {

ttargetgrid target_grid_of(const ttargetarr& targets) {
    ttargetgrid g;
    g.cells.push_back({"", targetsgridheader[1], targetsgridheader[2]});
    for (std::size_t i = 0; i < targets.size(); ++i)
        g.cells.push_back(
            {std::to_string(i + 1), number_text(targets[i].f0), number_text(targets[i].level)});
    g.row = targets.empty() ? 0 : 1;
    return g;
}

void add_target_row(ttargetgrid& g, const std::string& f0text, const std::string& leveltext) {
    g.cells.push_back({std::to_string(g.rowcount()), f0text, leveltext});
}

tapplyresult read_target_grid(const ttargetgrid& g, ttargetarr& targets) {
    return run_field_apply([&](tfieldapply& a) {
        targets.resize(std::size_t(g.rowcount() - 1));
        for (std::int32_t i = 1; i < g.rowcount(); ++i) {
            ttarget& t = targets[std::size_t(i - 1)];
            a.field("targetsgrid", i, targetf0col);
            t.f0 = read_number(g.cells[std::size_t(i)][targetf0col]);
            a.field("targetsgrid", i, targetlevelcol);
            t.level = read_number(g.cells[std::size_t(i)][targetlevelcol]);
        }
    });
}

} // namespace gravon
