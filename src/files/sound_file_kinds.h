// The kinds of sound file the program analyses, each with the extensions it goes by: one
// table for the file dialog's filter and for the choice of reader, so that the dialog lists
// every file the program reads and no other.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace gravon {

struct tsoundfilekind {
    const char* description; // "FLAC files"
    const char* extensions;  // lower case with their dots, separated by spaces
};

std::span<const tsoundfilekind> sound_file_kinds();

// Whether a lower-cased extension (with its dot) names a sound file the program analyses.
bool is_sound_file_extension(std::string_view ext);

// The "Analyze soundfile..." dialog's filter ("Description (*.a;*.b)|*.a;*.b|..."): all sound
// files first, then each kind on its own, then all files.
std::string sound_file_filter();

} // namespace gravon
