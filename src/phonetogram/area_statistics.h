// Area statistics: what the selected bins of each phonetogram measure. Area in
// semitone-decibels, time, F0 and level extremes, mean, median, mode and percentiles of F0,
// percentiles of level, the equivalent level, a time-weighted regression of level on
// semitone number, and the time-weighted mean of each further parameter.
#pragma once

#include "base/types.h"
#include "phonetogram/display_params.h"
#include "phonetogram/pg_list.h"

#include <cstdint>
#include <vector>

namespace gravon {


// Statistics of the selected bins of one phonetogram. A default-constructed record holds the
// values of an empty selection.
struct tstatistics {
    std::int32_t nbins = 0;   // selected bins: the area in STdB
    double takentime = 0;     // s accumulated in the selected bins
    double recordedtime = 0;  // s, the phonetogram's recorded time
    double avgf0 = 0;         // Hz, time-weighted mean
    double maxf0 = 0;         // Hz at the centre of the highest selected column
    double minf0 = 0;         // Hz at the centre of the lowest selected column
    double maxspl = -1000;    // dB, highest selected row
    double minspl = 1000;     // dB, lowest selected row
    double f0mode = 0;        // Hz at the centre of the column holding the most time
    tdoublearr f0percentile;  // Hz, one per entry of the percentile list
    tdoublearr SPLpercentile; // dB, one per entry of the percentile list
    tdoublearr avgparam;      // per display parameter: time-weighted mean of the cell values
    double f0median = 0;      // Hz
    double leq = -100;        // dB, time-weighted energy mean level
    double k = 0;             // regression slope, dB per semitone
    double m = 0;             // regression intercept, dB at semitone number 0
    double r = 0;             // correlation of level with semitone number
    std::vector<std::int32_t> avgbackmap; // per standard parameter: layer index, or -1

    tstatistics();
};

using tstatisticsarr = std::vector<tstatistics>;

// Inputs of the computation besides the phonetogram and its selection.
struct tstatisticssettings {
    tdoublearr percentile;      // fractions, e.g. 0.05 ... 0.95
    tstdpgparamarr stdpgparams; // standard parameter names
    std::size_t nparams = 0;    // entries of avgbackmap and avgparam (the show flags' count)
};


// Measures the bins of pg with marked set into st. The record is reused: when the arithmetic
// of one percentile gives no finite number (unusable times in a damaged file), that percentile
// keeps its previous value. Every other field is overwritten. A mask of another size than the
// grid counts as an empty selection.
void compute_area_statistics(tstatistics& st, const tpg& pg, const tbinmask& marked,
                             const tstatisticssettings& s);

// Recomputes the statistics of every phonetogram of the list: statistics is resized to the
// number of phonetograms (new records hold the empty values) and each record is measured over
// the phonetogram's binmarked mask.
void fix_area_statistics(const tpglist& list, tstatisticsarr& statistics,
                         const tstatisticssettings& s);

// Whether any phonetogram's statistics count at least one bin (the statistics window is
// opened after a right click then).
bool any_area_selected(const tstatisticsarr& statistics);

} // namespace gravon
