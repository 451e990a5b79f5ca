#include "record_events.h"

#include <charconv>
#include <stdexcept>

namespace gravon {

namespace {

bool number(const std::string& s, double& v) {
    const char* end = s.data() + s.size();
    const auto r = std::from_chars(s.data(), end, v);
    return !s.empty() && r.ec == std::errc() && r.ptr == end;
}

trecordevent parse_item(const std::string& item) {
    const auto bad = [&](const std::string& why) {
        return std::invalid_argument("\"" + item + "\": " + why +
                                     " (pause@FROM-TO or key@MIDI:FROM-TO, in seconds)");
    };
    trecordevent e;
    const std::size_t at = item.find('@');
    if (at == std::string::npos) throw bad("no @");
    const std::string what = item.substr(0, at);
    std::string span = item.substr(at + 1);
    if (what == "key") {
        e.kind = trecordevent::tkind::key;
        const std::size_t colon = span.find(':');
        double midi = 0;
        if (colon == std::string::npos || !number(span.substr(0, colon), midi) || midi < 0 ||
            midi > 127 || midi != double(std::int32_t(midi)))
            throw bad("the key needs a MIDI number from 0 to 127 before a colon");
        e.midi = std::int32_t(midi);
        span = span.substr(colon + 1);
    } else if (what != "pause") {
        throw bad("the event is pause or key");
    }
    const std::size_t dash = span.find('-');
    if (dash == std::string::npos || !number(span.substr(0, dash), e.from) ||
        !number(span.substr(dash + 1), e.to) || !(e.from >= 0) || !(e.to > e.from) || e.to > 1800)
        throw bad("the times are FROM-TO with 0 <= FROM < TO <= 1800");
    return e;
}

} // namespace

std::vector<trecordevent> parse_record_events(const std::string& spec) {
    std::vector<trecordevent> events;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = spec.find(',', start);
        const std::string item = spec.substr(start, comma - start);
        if (!item.empty()) events.push_back(parse_item(item));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (events.empty()) throw std::invalid_argument("no event given");
    return events;
}

} // namespace gravon
