// The interleave pattern ("scan") of an SMP file and the channel tables derived from it.
#pragma once

#include "base/errors.h"

#include <string>
#include <vector>

namespace gravon {

// An SMP header that cannot describe its samples.
struct EInvalidSMPHeader : EGravonError {
    using EGravonError::EGravonError;
};

inline constexpr int smpmaxchannels = 128;
inline constexpr int smpmaxscanentries = 512;

// One scan: the channel sequence repeated to the end of the file. A channel may occur several
// times (a higher rate); its occurrences are evenly spaced, also across the end of a scan.
struct tsmpscan {
    std::vector<int> entries;     // the channel at each scan position
    std::vector<int> occurrences; // per channel: how often it occurs in one scan
    std::vector<int> pitch;       // per channel: distance between its samples (ChannelPitch)
    std::vector<int> first;       // per channel: its first scan position (ChannelFirst)

    int count() const { return static_cast<int>(entries.size()); } // ScanCount
};

// The numbers of a scan text: decimal numbers separated by any other characters; a number
// too large to read counts as -1. Stops after `limit` numbers.
std::vector<int> scannumbers(const std::string& text, int limit);

// Builds and checks the tables for nchans channels from the "scan" text (hasscan false: the
// default 0 ... nchans - 1). Raises EInvalidSMPHeader naming the file when nchans is not
// 1 ... 128 or the pattern is invalid: a channel missing, an entry that is not a channel, a
// channel whose occurrences are not evenly spaced, or more than 512 entries.
tsmpscan buildsmpscan(const std::string& scantext, bool hasscan, int nchans,
                      const std::string& filename);

} // namespace gravon
