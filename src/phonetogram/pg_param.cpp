#include "phonetogram/pg_param.h"

#include <algorithm>

namespace gravon {

namespace {

tpgparam layer(const char* name, const char* entitystr, std::int32_t entitytype,
               const char* axisunit, double min, double max) {
    tpgparam p;
    p.name = name;
    p.entitystr = entitystr;
    p.entitytype = entitytype;
    p.axisunit = axisunit;
    p.min = min;
    p.max = max;
    p.logarithmic = false;
    return p;
}

} // namespace

std::vector<tpgparam> default_recording_pgparams() {
    std::vector<tpgparam> v;
    v.reserve(nrecordinglayers);
    // Layer 0 has no entity string: the overload marker is not stored in files.
    v.push_back(layer("SolidColor", "", entitynone, "", 0, 1));
    v.push_back(layer("AccTime", "AccTime", entitysum, "s", -0.1, 1));
    v.push_back(layer("H1H2To01", "H1H2To01", entityavg, "dB", -30, 40));
    v.push_back(layer("HNRTo01", "HNRTo01", entityavg, "dB", 0, 30));
    v.push_back(layer("CentroidTo01", "CentroidTo01", entityavg, "Hz", 0, 4000));
    v.push_back(layer("CrestTo01", "CrestTo01", entityavg, "dB", 0, 20));
    v.push_back(layer("MaxPartNoTo01", "MaxPartNoTo01", entityavg, "", 0, 32.768));
    v.push_back(layer("", "", entityavg, "", 0, 1));
    v.push_back(layer("CPPS", "CPPS", entityavg, "dB", 0, 30));
    v.push_back(layer("SpecBal", "SpecBal", entityavg, "dB", -50, 0));
    return v;
}

void copy_pgparam_descriptions(const std::vector<tpgparam>& from, std::vector<tpgparam>& to) {
    std::size_t n = std::min(from.size(), to.size());
    for (std::size_t k = 0; k < n; ++k) {
        to[k].name = from[k].name;
        to[k].entitystr = from[k].entitystr;
        to[k].entitytype = from[k].entitytype;
        to[k].axisunit = from[k].axisunit;
        to[k].min = from[k].min;
        to[k].max = from[k].max;
    }
}

} // namespace gravon
