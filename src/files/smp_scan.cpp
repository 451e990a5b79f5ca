#include "files/smp_scan.h"

namespace gravon {

namespace {

[[noreturn]] void invalidscan(const std::string& filename, const std::string& scantext,
                              int nchans) {
    throw EInvalidSMPHeader("File header in " + filename +
                            "\rHas an invalid \"scan\" item:\rscan=" + scantext + "\r" +
                            "nchans=" + std::to_string(nchans));
}

} // namespace

std::vector<int> scannumbers(const std::string& text, int limit) {
    std::vector<int> numbers;
    size_t i = 0;
    while (i < text.size() && static_cast<int>(numbers.size()) < limit) {
        if (text[i] < '0' || text[i] > '9') {
            ++i;
            continue;
        }
        long long v = 0;
        bool overflow = false;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            if (v > 100000000) overflow = true;
            if (!overflow) v = v * 10 + (text[i] - '0');
            ++i;
        }
        numbers.push_back(overflow ? -1 : static_cast<int>(v));
    }
    return numbers;
}

tsmpscan buildsmpscan(const std::string& scantext, bool hasscan, int nchans,
                      const std::string& filename) {
    if (nchans < 1 || nchans > smpmaxchannels)
        throw EInvalidSMPHeader(
            "File header in " + filename +
            "\rHas an invalid \"nchans\" item:\rnchans=" + std::to_string(nchans) + "\r(1 to " +
            std::to_string(smpmaxchannels) + " channels are supported)");
    tsmpscan s;
    if (hasscan) {
        // One number more than allowed tells that the pattern is too long.
        s.entries = scannumbers(scantext, smpmaxscanentries + 1);
        if (s.count() > smpmaxscanentries) invalidscan(filename, scantext, nchans);
    } else {
        for (int n = 0; n < nchans; ++n) s.entries.push_back(n);
    }
    const int count = s.count();
    s.occurrences.assign(nchans, 0);
    s.pitch.assign(nchans, 0);
    s.first.assign(nchans, -1);
    for (int p = 0; p < count; ++p) {
        int ch = s.entries[p];
        if (ch < 0 || ch >= nchans) invalidscan(filename, scantext, nchans);
        if (s.occurrences[ch]++ == 0) s.first[ch] = p;
    }
    for (int ch = 0; ch < nchans; ++ch) {
        if (s.occurrences[ch] == 0) invalidscan(filename, scantext, nchans);
        int pitch = count / s.occurrences[ch];
        s.pitch[ch] = pitch;
        // Every step of the pitch, on into the next scan, must meet the channel again.
        int p = s.first[ch];
        do {
            p += pitch;
            if (s.entries[p % count] != ch) invalidscan(filename, scantext, nchans);
        } while (p < count);
    }
    return s;
}

} // namespace gravon
