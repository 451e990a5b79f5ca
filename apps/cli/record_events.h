// What a scripted take does while it records (--record-events): pauses and keyboard tones at
// given moments, as a person at the window would, so that a test or a lab protocol can
// reproduce a take with them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

struct trecordevent {
    enum class tkind { pause, key };
    tkind kind = tkind::pause;
    std::int32_t midi = 0; // the key of a keyboard tone
    double from = 0;       // seconds after the start of the take
    double to = 0;
};

// Parses a comma-separated list of "pause@FROM-TO" and "key@MIDI:FROM-TO" (seconds, FROM
// below TO; MIDI 0 to 127). Raises std::invalid_argument saying which item is wrong.
std::vector<trecordevent> parse_record_events(const std::string& spec);

} // namespace gravon
