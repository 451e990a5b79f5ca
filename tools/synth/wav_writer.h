// A minimal 16-bit PCM WAV writer (44-byte header: RIFF, "fmt " of 16 bytes, "data"), kept
// inside the synthesizer so that test signals do not depend on the file module they test.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gravon::synth {

// The 44 header bytes for `frames` sample frames of `channels` 16-bit channels.
std::vector<std::uint8_t> wav16_header(std::int32_t rate, std::int32_t channels,
                                       std::uint64_t frames);

// Writes interleaved samples (frame i = elements i*channels ... i*channels + channels - 1).
// Raises EGravonError naming the file when it cannot be written, when the sample count is not
// a whole number of frames, or when the data would not fit the format's 32-bit sizes.
void write_wav16(const std::string& path, std::int32_t rate, std::int32_t channels,
                 const std::vector<std::int16_t>& samples);

} // namespace gravon::synth
