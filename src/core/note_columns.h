// A note in a result table: three columns, "midi" (the MIDI number), "note" (its name) and
// "f0_hz" (its frequency), so that every table names a note alike.
#pragma once

#include "core/result_table.h"

#include <cstdint>

namespace gravon {

void add_note_columns(ttable& t);
// The note's three values into the row.
trowappender& append_note(trowappender& row, std::int32_t midi);

} // namespace gravon
