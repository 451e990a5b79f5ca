// A reference group: the clinic's own stored phonetograms of, say, women of one age, merged
// into one phonetogram that tells for each cell how many of them reached it. A patient's
// profile is then seen against the area most of the group reaches.
//
// The group is a phonetogram like any other, so that it is saved, opened and listed as one:
// layer 0 (solid colour) is empty, layer 1 holds the members' mean time in the cell (over the
// members that reached it), and layer 2 the share of the members that reached it, in percent.
#pragma once

#include "phonetogram/bin_visibility.h"
#include "phonetogram/phonetogram.h"

#include <string>
#include <vector>

namespace gravon {

inline constexpr const char* groupsharename = "Group share";
inline constexpr const char* groupshareunit = "%";
inline constexpr std::size_t pglayergroupshare = 2;

// The share the group's main outline is drawn at.
inline constexpr double groupmainshare = 50.0;

// The cells of pg that the view shows: the display rule applied to pg alone, whether or not
// pg is currently visible.
tbinmask reached_cells(const tpg& pg, const tbinshowsettings& s);

// The group of members, files naming them in the same order. A cell's share is 100 times the
// number of members that reach it over the number of members; its time the mean of those
// members' times. Raises EGravonError for fewer than two members or a files list of another
// length.
tpg make_reference_group(const std::vector<tpg>& members, const std::vector<std::string>& files,
                         const tbinshowsettings& s);

bool is_reference_group(const tpg& pg);

// The share layer of a group (found by its name, as a file may order its layers otherwise);
// nullptr when pg has none that covers the grid.
const tpgarr* group_shares(const tpg& pg);

// The cells whose share is at least share percent; all clear when pg has no share layer.
// A cell no member reached is never in it, so that a share of 0 gives the group's whole area.
tbinmask group_share_mask(const tpg& pg, double share);

} // namespace gravon
