#include "core/main_window.h"
#include "files/voicemap_file.h"

namespace gravon {

bool TForm1::open_voicemap(const std::string& fname, std::int32_t pgno) {
    if (pgno < 0) throw ERangeError("Phonetogram index out of range: " + std::to_string(pgno));
    tpg pg;
    try {
        read_voicemap(fname, pg);
    } catch (const EGravonError& e) {
        ui.message_box("Cannot open file", e.what(), tmessagekind::warning);
        return false;
    }
    add_recent_file(fname);
    if (pgno >= nchans()) set_nchans(*this, pgno + 1);
    tpg& slot = pgs[std::size_t(pgno)];
    // The slot keeps its colour and visibility, as a phonetogram file's does.
    slot.param = std::move(pg.param);
    slot.pgname = pg.pgname;
    fix_things();
    ui.select_phonetogram(pgno);
    return true;
}

} // namespace gravon
