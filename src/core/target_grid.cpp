#include "core/target_grid.h"

#include <utility>

namespace gravon {

ttargetgrid target_grid_of(const ttargetarr& targets) {
    ttargetgrid g;
    for (std::size_t i = 0; i < targets.size(); ++i)
        g.cells.push_back(
            {std::to_string(i + 1), number_text(targets[i].f0), number_text(targets[i].level)});
    g.row = targets.empty() ? 0 : 1;
    return g;
}

void add_target_row(ttargetgrid& g, const std::string& f0text, const std::string& leveltext) {
    g.cells.push_back({std::to_string(g.rowcount()), f0text, leveltext});
}

void delete_target_row(ttargetgrid& g) {
    const std::int32_t r = g.row;
    if (r <= 0 || r >= g.rowcount()) return;
    g.cells.erase(g.cells.begin() + r);
    for (std::int32_t i = r; i < g.rowcount(); ++i)
        g.cells[std::size_t(i)][targetnumbercol] = std::to_string(i);
    if (g.row >= g.rowcount()) g.row = g.rowcount() - 1;
}

namespace {

void swap_rows(ttargetgrid& g, std::int32_t a, std::int32_t b) {
    for (std::int32_t c : {targetf0col, targetlevelcol})
        std::swap(g.cells[std::size_t(a)][std::size_t(c)], g.cells[std::size_t(b)][std::size_t(c)]);
}

} // namespace

void move_target_row_up(ttargetgrid& g) {
    if (g.row <= 1 || g.row >= g.rowcount()) return;
    swap_rows(g, g.row, g.row - 1);
    --g.row;
}

void move_target_row_down(ttargetgrid& g) {
    if (g.row <= 0 || g.row >= g.rowcount() - 1) return;
    swap_rows(g, g.row, g.row + 1);
    ++g.row;
}

ttargetbuttons target_buttons(const ttargetgrid& g) {
    ttargetbuttons b;
    const std::int32_t r = g.row;
    if (r <= 0) {
        b.deletecaption = "Delete target";
        b.upcaption = b.downcaption = "Move target";
    } else {
        const std::string n = std::to_string(r);
        b.deletecaption = "Delete target " + n;
        b.upcaption = "Move target " + n + " up";
        b.downcaption = "Move target " + n + " down";
        b.deleteenabled = true;
    }
    b.upenabled = r > 1;
    b.downenabled = r > 0 && r < g.rowcount() - 1;
    return b;
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
