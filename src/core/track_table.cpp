#include "core/track_table.h"

#include "analysis/kill_point.h"
#include "analysis/rejection_reasons.h"
#include "analysis/voice_measures.h"
#include "core/provenance.h"

#include <cmath>
#include <limits>

namespace gravon {

bool track_value_present(int row, float v, const tkillpoint& kill) {
    if (!std::isfinite(v)) return false;
    if (row == trackspl) return v > -999.0f; // digital silence gives 10 log10(1e-100)
    if (row == trackcpps || row == trackspecbal) return v != tracknovalue;
    if (kill.empty()) return true;
    // A rejected frame keeps only its level, and its HNR when that alone rejected it.
    return row == trackhnr && kill.only(tkillreason::lowhnr);
}

ttable track_columns(const TForm1& form) {
    ttable t;
    t.comments = provenance_lines(form);
    using enum tcolumnkind;
    t.add_column("time_centre_s", stored);
    for (const char* ch : {"left", "right"}) {
        t.add_column(std::string(ch) + "_accepted", integer);
        t.add_column(std::string(ch) + "_rejected", text);
        for (int row = trackspl; row < ntracks; ++row)
            if (row != trackdebug)
                t.add_column(std::string(ch) + "_" + form.tracks.savechannelid[std::size_t(row)],
                             stored);
    }
    return t;
}

void fill_track_rows(ttable& t, const TForm1& form, std::int32_t first, std::int32_t last) {
    t.clear_rows();
    if (last > first) t.reserve_rows(std::size_t(last - first));
    const double none = std::numeric_limits<double>::quiet_NaN();
    const double hop = double(form.downsamplingfactor / 2) / form.analysisparams.fs;
    for (std::int32_t k = first; k < last; ++k) {
        trowappender line(t);
        // Frame k's window covers hops k - 1 and k: its centre is their boundary.
        line << double(k) * hop;
        for (int c = 0; c < 2; ++c) {
            const auto debug = form.paramarr[trackdebug][std::size_t(c)][std::size_t(k)];
            const tkillpoint kill{std::uint16_t(debug)};
            line << (kill.empty() ? 1.0 : 0.0) << rejection_names(kill.value());
            for (int row = trackspl; row < ntracks; ++row) {
                if (row == trackdebug) continue;
                const float v = form.paramarr[std::size_t(row)][std::size_t(c)][std::size_t(k)];
                line << (track_value_present(row, v, kill) ? double(v) : none);
            }
        }
    }
}

ttable track_table(const TForm1& form) {
    ttable t = track_columns(form);
    fill_track_rows(t, form, 0, form.frames());
    return t;
}

} // namespace gravon
