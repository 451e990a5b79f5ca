#include "track_export.h"

#include "analysis/kill_point.h"
#include "analysis/rejection_reasons.h"
#include "analysis/voice_measures.h"
#include "base/number_text.h"
#include "core/track_table.h"

#include <array>
#include <cmath>

namespace gravon {

namespace {

std::string header_line(const TForm1& form) {
    std::string line = "time_centre_s";
    for (const char* ch : {"left", "right"}) {
        line += std::string(",") + ch + "_accepted," + ch + "_rejected";
        for (int row = trackspl; row < trackdebug; ++row)
            line += std::string(",") + ch + "_" + form.tracks.savechannelid[std::size_t(row)];
    }
    return line + "\n";
}

// Appends frame k's row to line.
void append_row(std::string& line, const TForm1& form, std::int32_t k) {
    const double hop = double(form.downsamplingfactor / 2) / form.analysisparams.fs;
    // Frame k's window covers hops k - 1 and k: its centre is their boundary.
    line += floattostrdot(double(k) * hop);
    for (int c = 0; c < 2; ++c) {
        const auto debug = form.paramarr[trackdebug][std::size_t(c)][std::size_t(k)];
        const tkillpoint kill{std::uint16_t(debug)};
        line += kill.empty() ? ",1," : ",0,";
        line += rejection_names(kill.value());
        for (int row = trackspl; row < trackdebug; ++row) {
            const float v = form.paramarr[std::size_t(row)][std::size_t(c)][std::size_t(k)];
            line += ',';
            if (track_value_present(row, v, kill)) line += floattostrdot(double(v));
        }
    }
    line += "\n";
}

} // namespace

bool tlivetracks::open(const TForm1& form, const std::string& fname) {
    fout.reset(std::fopen(fname.c_str(), "wb"));
    fwritten = 0;
    fok = fout != nullptr;
    if (fok) fok = std::fputs(header_line(form).c_str(), fout.get()) >= 0;
    // Room for a block's rows, so that a take's rows are written without new memory.
    fline.reserve(16384);
    return fok;
}

void tlivetracks::write_new(const TForm1& form) {
    if (!fout || !fok) return;
    fline.clear();
    while (fok && fwritten < form.frames()) {
        append_row(fline, form, fwritten++);
        if (fline.size() < 65536 && fwritten < form.frames()) continue;
        fok = std::fwrite(fline.data(), 1, fline.size(), fout.get()) == fline.size();
        fline.clear();
    }
    fok = fok && std::fflush(fout.get()) == 0;
}

bool tlivetracks::close(const TForm1& form) {
    write_new(form);
    const bool ok = fout && fok && std::fflush(fout.get()) == 0;
    fout.reset();
    return ok;
}

} // namespace gravon
