// One parameter layer of a phonetogram, and the two tables that decide how a layer is shown.
#pragma once

#include "phonetogram/display_params.h"
#include "phonetogram/pg_grid.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

// How a layer's cell values aggregate (the "entity" aggregation of phonetogram files).
inline constexpr std::int32_t entitynone = -1;
inline constexpr std::int32_t entitybins = 0;
inline constexpr std::int32_t entitysum = 1;
inline constexpr std::int32_t entityavg = 2;
inline constexpr std::int32_t entitymin = 3;
inline constexpr std::int32_t entitymax = 4;

struct tpgparam {
    std::string name;      // parameter name, e.g. "AccTime"
    std::string entitystr; // entity name in phonetogram files
    std::int32_t entitytype = entitynone;
    std::string axisunit; // unit text of the colour legend
    double min = 0;       // value at the low end of the colour scale
    double max = 1;       // value at the high end
    bool logarithmic = false;
    tpgarr arr = make_pgarr(); // cell values [x][y]
};

// Layer indices of a recording phonetogram. Layer 0 and layer 1 have these meanings in every
// phonetogram, also in loaded ones.
inline constexpr std::size_t pglayersolidcolor = 0; // 1.0 where an overloaded hop contributed
inline constexpr std::size_t pglayeracctime = 1;    // accumulated time in s
inline constexpr std::size_t pglayerh1h2 = 2;       // mean H1/H2 in dB
inline constexpr std::size_t pglayerhnr = 3;        // mean harmonic-to-noise ratio in dB
inline constexpr std::size_t pglayercentroid = 4;   // mean spectral power centroid in Hz
inline constexpr std::size_t pglayercrest = 5;      // mean crest level in dB
inline constexpr std::size_t pglayermaxpartno = 6;  // mean strongest-partial number
inline constexpr std::size_t pglayerspare = 7;      // not written by the analysis, nor stored
// Mean smoothed cepstral peak prominence and spectrum balance in dB. A cell whose frames had
// none (F0 above the CPPS search band) holds NaN: it has no value rather than a wrong one.
inline constexpr std::size_t pglayercpps = 8;
inline constexpr std::size_t pglayerspecbal = 9;
inline constexpr std::size_t nrecordinglayers = 10;

// The default descriptions of the recording layers (name, entity string, aggregation,
// unit, range; not logarithmic), each with a zeroed grid.
std::vector<tpgparam> default_recording_pgparams();

// Copies the description (name, entitystr, entitytype, axisunit, min, max) of each layer of
// from onto the layer with the same index of to, as far as both have layers; cell values and
// the logarithmic flag are left alone.
void copy_pgparam_descriptions(const std::vector<tpgparam>& from, std::vector<tpgparam>& to);

} // namespace gravon
