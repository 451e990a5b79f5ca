// The stored phonetograms a reference group was made from. A phonetogram that lists members
// is a reference group: it is drawn as outlines of the share of its members that reached each
// cell rather than filled like a patient's profile.
#pragma once

#include <string>
#include <vector>

namespace gravon {

struct tgroupmembers {
    std::vector<std::string> files; // one per member, as the user named them

    bool empty() const { return files.empty(); }
    bool operator==(const tgroupmembers&) const = default;
};

} // namespace gravon
