// The note on phonetograms laid over one another, or compared, whose levels are referred to
// different microphone distances: made by TForm1::distance_note, told from here alone.
#pragma once

#include <string>

namespace gravon {

class TForm1;

// Tells note (one of distance_note's) as a note on a doubtful result; nothing when it is
// empty. deferred: from where no modal loop may run.
void tell_distance_note(TForm1& form, const std::string& note, bool deferred = false);

} // namespace gravon
