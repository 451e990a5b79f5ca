#include "track_export.h"

#include "base/number_text.h"

#include <cstdio>
#include <memory>

namespace gravon {

bool write_track_csv(const TForm1& form, const std::string& fname) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(fname.c_str(), "wb"),
                                                        std::fclose);
    if (!out) return false;
    std::string line = "time_s";
    for (const char* ch : {"left", "right"}) {
        line += std::string(",") + ch + "_accepted";
        for (int row = trackspl; row < ntracks; ++row)
            line += std::string(",") + ch + "_" + form.tracks.savechannelid[std::size_t(row)];
    }
    line += "\n";
    bool ok = std::fputs(line.c_str(), out.get()) >= 0;
    const double hop = double(form.downsamplingfactor / 2) / form.analysisparams.fs;
    for (std::int32_t k = 0; k < form.frames() && ok; ++k) {
        // A frame's window covers the hop before it and its own hop: its centre is the
        // boundary between them.
        line = floattostrdot(double(k) * hop);
        for (int c = 0; c < 2; ++c) {
            const auto debug = form.paramarr[trackdebug][std::size_t(c)][std::size_t(k)];
            line += debug == 0 ? ",1" : ",0";
            for (int row = trackspl; row < ntracks; ++row) {
                line += ',';
                line += floattostrdot(
                    double(form.paramarr[std::size_t(row)][std::size_t(c)][std::size_t(k)]));
            }
        }
        line += "\n";
        ok = std::fputs(line.c_str(), out.get()) >= 0;
    }
    return ok && std::fflush(out.get()) == 0;
}

} // namespace gravon
