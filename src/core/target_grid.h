// The grid of additional target positions on the options dialog's target page, as the dialog
// binds it: the model and its button rules are the phonetogram layer's (targets.h); this adds
// the grid for a target list and reading it back field by field.
#pragma once

#include "core/dialog_fields.h"
#include "phonetogram/target.h"
#include "phonetogram/targets.h"

#include <cstdint>
#include <string>

namespace gravon {

inline constexpr std::int32_t targetnumbercol = 0;
inline constexpr std::int32_t targetf0col = 1;
inline constexpr std::int32_t targetlevelcol = 2;

// The grid for a target list, with its heading row; the first target is current when there
// is one.
ttargetgrid target_grid_of(const ttargetarr& targets);

// "Add target": a row with the texts of the default-position edits; the current row stays.
void add_target_row(ttargetgrid& g, const std::string& f0text, const std::string& leveltext);
// "Up" / "Down" as the dialog's buttons call them.
inline void move_target_row_up(ttargetgrid& g) {
    move_target_up(g);
}
inline void move_target_row_down(ttargetgrid& g) {
    move_target_down(g);
}
inline ttargetbuttons target_buttons(const ttargetgrid& g) {
    return fix_targetbuttons(g);
}

// The targets the grid holds, reading row after row (F0, then level); a cell that is not a
// number stops it there.
tapplyresult read_target_grid(const ttargetgrid& g, ttargetarr& targets);

} // namespace gravon
