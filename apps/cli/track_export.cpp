#include "track_export.h"

#include "core/track_table.h"

namespace gravon {

bool tlivetracks::open(const TForm1& form, const std::string& fname) {
    fout.reset(std::fopen(fname.c_str(), "wb"));
    fwritten = 0;
    ftable = track_columns(form);
    fok = fout != nullptr;
    if (fok) fok = std::fputs((csv_comments(ftable) + csv_header(ftable)).c_str(), fout.get()) >= 0;
    // Room for a block's rows, so that a take's rows are written without new memory.
    fline.reserve(16384);
    return fok;
}

void tlivetracks::write_new(const TForm1& form) {
    if (!fout || !fok) return;
    // A block at a time: a killed take leaves the rows of every block it had analysed.
    fill_track_rows(ftable, form, fwritten, form.frames());
    fwritten = form.frames();
    fline.clear();
    append_csv_rows(fline, ftable);
    fok = std::fwrite(fline.data(), 1, fline.size(), fout.get()) == fline.size();
    fok = fok && std::fflush(fout.get()) == 0;
}

bool tlivetracks::close(const TForm1& form) {
    write_new(form);
    const bool ok = fout && fok && std::fflush(fout.get()) == 0;
    fout.reset();
    return ok;
}

} // namespace gravon
