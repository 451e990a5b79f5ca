// The grid of additional target positions on the options dialog's target page, with the rules
// of its buttons. Row 0 is the heading; rows 1 ... rowcount - 1 are the targets, each with its
// row number, F0 text and level text, as typed.
#pragma once

#include "core/dialog_fields.h"
#include "phonetogram/target.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

inline constexpr std::int32_t targetnumbercol = 0;
inline constexpr std::int32_t targetf0col = 1;
inline constexpr std::int32_t targetlevelcol = 2;

struct ttargetgrid {
    std::vector<std::array<std::string, 3>> cells{{"", "fo [Hz]", "Level [dB]"}};
    std::int32_t row = 0; // the current row; 0 (the heading) when no target is selected

    std::int32_t rowcount() const { return std::int32_t(cells.size()); }
};

// The grid for a target list; the first target is current when there is one.
ttargetgrid target_grid_of(const ttargetarr& targets);

// "Add target": a row with the texts of the default-position edits; the current row stays.
void add_target_row(ttargetgrid& g, const std::string& f0text, const std::string& leveltext);
// "Delete target": removes the current row and renumbers the rows after it. The row that took
// its place becomes current, or the new last one.
void delete_target_row(ttargetgrid& g);
// "Up" / "Down": swaps the F0 and level texts with the row above / below and follows them.
void move_target_row_up(ttargetgrid& g);
void move_target_row_down(ttargetgrid& g);

// Captions and enabled states of the grid's buttons for the current row.
struct ttargetbuttons {
    std::string deletecaption, upcaption, downcaption;
    bool deleteenabled = false, upenabled = false, downenabled = false;
};
ttargetbuttons target_buttons(const ttargetgrid& g);

// The targets the grid holds, reading row after row (F0, then level); a cell that is not a
// number stops it there.
tapplyresult read_target_grid(const ttargetgrid& g, ttargetarr& targets);

} // namespace gravon
