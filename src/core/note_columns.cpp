#include "core/note_columns.h"

#include "base/pitch.h"

namespace gravon {

void add_note_columns(ttable& t) {
    t.add_column("midi", tcolumnkind::integer);
    t.add_column("note", tcolumnkind::text);
    t.add_column("f0_hz", tcolumnkind::real);
}

trowappender& append_note(trowappender& row, std::int32_t midi) {
    return row << double(midi) << notename(midi, false) << semitonetofreq(midi);
}

} // namespace gravon
