#include "core/distance_note.h"

#include "core/main_window.h"

namespace gravon {

void tell_distance_note(TForm1& form, const std::string& note, bool deferred) {
    if (note.empty()) return;
    tfact f = notes_fact("Different distances", {note});
    f.deferred = deferred;
    form.ui.tell(f);
}

} // namespace gravon
