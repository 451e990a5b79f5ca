// The speech range profile: the F0 and level a patient uses while reading a passage aloud.
// Speech passes through a cell for a frame or two at a time, so its numbers count all the
// time of the profile, with no display threshold; they are the distribution's percentiles
// rather than its extremes, which a single cracked or shouted syllable would set.
#pragma once

#include "phonetogram/pg_list.h"
#include "phonetogram/phonetogram.h"

#include <array>
#include <cstddef>
#include <string>

namespace gravon {

// The session task that asks for a reading passage. A task whose text begins with "Speech"
// (any letter case, so "Speech profile" too) is a speech take.
inline constexpr const char* speechtask = "Speech";
bool is_speech_task(const std::string& task);
bool is_speech_profile(const tpg& pg);

// The percentiles a speech profile reports, as fractions.
inline constexpr std::array<double, 3> speechpercentiles = {0.05, 0.5, 0.95};

struct tspeechstatistics {
    double time = 0;             // s of voice in the profile
    std::array<double, 3> f0{};  // Hz at each of speechpercentiles
    std::array<double, 3> spl{}; // dB at each of speechpercentiles
    double rangest = 0;          // semitones from the 5th to the 95th F0 percentile
    double leq = -100;           // dB, the time-weighted energy mean level
    bool empty() const { return !(time > 0); }
};

// The statistics of all the time in pg, interpolated within the semitone and decibel bins as
// the area statistics interpolate their percentiles. Zeros and a Leq of -100 dB when pg holds
// no time.
tspeechstatistics speech_statistics(const tpg& pg);

// Whether phonetogram n of list is drawn as a speech profile over another one: it is a visible
// speech profile with time, and some other visible profile with time is no speech profile
// (and no reference group, which is only an outline itself). Alone, a speech profile is drawn
// like any other.
bool speech_overlaid(const tpglist& list, std::size_t n);

} // namespace gravon
