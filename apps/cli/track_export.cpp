#include "track_export.h"

#include "analysis/kill_point.h"
#include "analysis/rejection_reasons.h"
#include "analysis/voice_measures.h"
#include "base/number_text.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <memory>

namespace gravon {

namespace {

// Whether a stored track value is a measurement of the frame rather than a placeholder.
bool has_value(int row, float v, const tkillpoint& kill) {
    if (!std::isfinite(v)) return false;
    if (row == trackspl) return v > -999.0f; // digital silence gives 10 log10(1e-100)
    if (kill.empty()) return true;
    // A rejected frame keeps only its level, and its HNR when that alone rejected it.
    return row == trackhnr && kill.only(tkillreason::lowhnr);
}

} // namespace

bool write_track_csv(const TForm1& form, const std::string& fname) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out(std::fopen(fname.c_str(), "wb"),
                                                        std::fclose);
    if (!out) return false;
    std::string line = "time_centre_s";
    for (const char* ch : {"left", "right"}) {
        line += std::string(",") + ch + "_accepted," + ch + "_rejected";
        for (int row = trackspl; row < trackdebug; ++row)
            line += std::string(",") + ch + "_" + form.tracks.savechannelid[std::size_t(row)];
    }
    line += "\n";
    bool ok = std::fputs(line.c_str(), out.get()) >= 0;
    const double hop = double(form.downsamplingfactor / 2) / form.analysisparams.fs;
    for (std::int32_t k = 0; k < form.frames() && ok; ++k) {
        // Frame k's window covers hops k - 1 and k: its centre is their boundary.
        line = floattostrdot(double(k) * hop);
        for (int c = 0; c < 2; ++c) {
            const auto debug = form.paramarr[trackdebug][std::size_t(c)][std::size_t(k)];
            const tkillpoint kill{std::uint16_t(debug)};
            line += kill.empty() ? ",1," : ",0,";
            line += rejection_names(kill.value());
            for (int row = trackspl; row < trackdebug; ++row) {
                const float v = form.paramarr[std::size_t(row)][std::size_t(c)][std::size_t(k)];
                line += ',';
                if (has_value(row, v, kill)) line += floattostrdot(double(v));
            }
        }
        line += "\n";
        ok = std::fputs(line.c_str(), out.get()) >= 0;
    }
    return ok && std::fflush(out.get()) == 0;
}

} // namespace gravon
