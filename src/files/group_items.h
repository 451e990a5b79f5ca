// The members of a reference group as header items of its phonetogram file: "group.members"
// holds their number and "group.file.1", "group.file.2", ... their file names, stored as the
// session items store their texts. A file without them is no group, and readers that do not
// know them pass them by.
#pragma once

#include "files/smp_file.h"
#include "phonetogram/group_members.h"

namespace gravon {

inline constexpr const char* groupitemprefix = "group.";

// Most members a file is read with: a damaged count must not make the reader loop for long.
inline constexpr int maxgroupmembers = 100000;

// Replaces the group items of file by those of g (none when g is empty).
void write_group_items(TSMPfile& file, const tgroupmembers& g);
// The members the items of file list; empty when it has none or the count is not a number
// from 1 to maxgroupmembers.
tgroupmembers read_group_items(const TSMPfile& file);

} // namespace gravon
