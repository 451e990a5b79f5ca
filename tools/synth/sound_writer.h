// Test signals in the formats libsndfile writes (FLAC, Ogg Vorbis and Opus, MP3, AIFF, W64,
// RF64, CAF, and WAV codings other than 16-bit PCM), chosen by the file's extension and a
// coding, so that the readers can be tried on real files of every kind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gravon::synth {

// Whether write_sound_file is needed: any extension but ".wav", or a coding other than
// "pcm16".
bool needs_sound_writer(const std::string& path, const std::string& coding);

// Writes interleaved 16-bit samples. coding: "pcm8", "pcm16" (default when empty), "pcm24",
// "float32" or "float64" for the PCM containers; the lossy formats have their own. Raises
// EGravonError naming the file when the format or coding is unknown or the file cannot be
// written.
void write_sound_file(const std::string& path, std::int32_t rate, std::int32_t channels,
                      const std::vector<std::int16_t>& samples, const std::string& coding);

} // namespace gravon::synth
