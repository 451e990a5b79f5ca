// The RIFF/WAVE header records and their little-endian byte images.
//
// The records are plain structs; they are never copied to or from disk as memory images, so
// their layout in memory does not matter. encode/decode place every field at its offset.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace gravon {

// Sample formats with their WAV format tags.
enum class tFormat { pcm, ieeefloat, ulaw, alaw };

inline constexpr std::uint16_t wavtag_pcm = 1;
inline constexpr std::uint16_t wavtag_ieeefloat = 3;
inline constexpr std::uint16_t wavtag_alaw = 6;
inline constexpr std::uint16_t wavtag_ulaw = 7;
inline constexpr std::uint16_t wavtag_extensible = 0xFFFE;

std::uint16_t formattag(tFormat f);

using tchunkid = std::array<char, 4>;

struct triff {
    tchunkid id{'R', 'I', 'F', 'F'};
    std::uint32_t size = 0; // bytes after this field
};

struct tfmt {
    tchunkid id1{'W', 'A', 'V', 'E'};
    tchunkid id2{'f', 'm', 't', ' '};
    std::uint32_t size = 0; // length of the format chunk
};

struct ttag {
    std::uint16_t formattag = 0;
    std::uint16_t nchans = 0;
    std::int32_t sampfreq = 0;
    std::int32_t bytespersec = 0;
    std::uint16_t blockalign = 0;
    std::uint16_t bitspersample = 0;
};

struct ttagex : ttag {
    std::uint16_t cbsize = 0;
};

struct ttagexlong : ttagex {
    std::uint16_t wValidBitsPerSample = 0;
    std::int32_t dwChannelMask = 0;
    std::array<std::uint8_t, 16> subformat{};
};

struct twavfact {
    tchunkid id{'f', 'a', 'c', 't'};
    std::uint32_t size = 4;
    std::uint32_t numsamples = 0; // samples over all channels
};

// The data chunk header ("tdata" in the file layout; named apart from the settings
// container's entry data).
struct twavdata {
    tchunkid id{'d', 'a', 't', 'a'};
    std::uint32_t size = 0; // bytes of sample data
};

struct twavhead {
    triff riff;
    tfmt form;
    ttag tag;
    twavdata data;
};

struct twavheadex {
    triff riff;
    tfmt form;
    ttagex tag;
    twavfact fact;
    twavdata data;
};

struct twavheadexlong {
    triff riff;
    tfmt form;
    ttagexlong tag;
    twavfact fact;
    twavdata data;
};

inline constexpr std::size_t wavhead_size = 44;
inline constexpr std::size_t wavheadex_size = 58;
inline constexpr std::size_t wavheadexlong_size = 80;
inline constexpr std::size_t ttag_size = 16;
inline constexpr std::size_t ttagex_size = 18;
inline constexpr std::size_t ttagexlong_size = 40;

std::array<std::uint8_t, wavhead_size> encode(const twavhead& h);
std::array<std::uint8_t, wavheadex_size> encode(const twavheadex& h);

// A zeroed format record filled from the first min(n, 40) bytes of a format chunk.
ttagexlong decodetag(const std::uint8_t* p, std::size_t n);

// The sub-format code of an extensible header: the first two bytes of `subformat`.
inline std::uint16_t subformatcode(const ttagexlong& t) {
    return static_cast<std::uint16_t>(t.subformat[0] | (t.subformat[1] << 8));
}

} // namespace gravon
