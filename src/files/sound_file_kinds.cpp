#include "files/sound_file_kinds.h"

#include "files/sndfile_reader.h"

#include <algorithm>
#include <array>

namespace gravon {

namespace {

constexpr std::array<tsoundfilekind, 7> kinds = {{
    {"SMP sound files", ".smp"},
    {"Wave files", ".wav .wave .w64 .rf64"},
    {"FLAC files", ".flac"},
    {"Ogg Vorbis and Opus files", ".ogg .oga .opus"},
    {"MP3 files", ".mp3"},
    {"AIFF files", ".aif .aiff .aifc"},
    {"Core Audio files", ".caf"},
}};

template <typename teach> void each_extension(const tsoundfilekind& k, teach each) {
    const std::string_view all = k.extensions;
    for (std::size_t at = 0; at < all.size();) {
        const std::size_t end = std::min(all.find(' ', at), all.size());
        each(all.substr(at, end - at));
        at = end + 1;
    }
}

// "*.a;*.b" of one kind, or of several.
std::string patterns(std::span<const tsoundfilekind> of) {
    std::string s;
    for (const tsoundfilekind& k : of)
        each_extension(k, [&](std::string_view e) {
            if (!s.empty()) s += ';';
            s += '*';
            s += e;
        });
    return s;
}

bool has_extension(const tsoundfilekind& k, std::string_view ext) {
    bool found = false;
    each_extension(k, [&](std::string_view e) { found = found || e == ext; });
    return found;
}

} // namespace

std::span<const tsoundfilekind> sound_file_kinds() {
    return kinds;
}

bool is_sound_file_extension(std::string_view ext) {
    for (const tsoundfilekind& k : kinds)
        if (has_extension(k, ext)) return true;
    return false;
}

bool is_sndfile_extension(const std::string& ext) {
    // The program's own readers take SMP files and try a ".wav" first.
    return ext != ".smp" && ext != ".wav" && is_sound_file_extension(ext);
}

std::string sound_file_filter() {
    const std::string all = patterns(kinds);
    std::string s = "All sound files (" + all + ")|" + all;
    for (const tsoundfilekind& k : kinds) {
        const std::string p = patterns({&k, 1});
        s += std::string("|") + k.description + " (" + p + ")|" + p;
    }
    return s + "|All files (*.*)|*.*";
}

} // namespace gravon
