#include "base/text_utils.h"
#include "core/main_window.h"
#include "core/phonetogram_subjects.h"
#include "files/stdpg_file.h"
#include "files/voicemap_file.h"

namespace gravon {

namespace {

// The ending other voice-map tools give their maps, which their scripts look for.
constexpr const char* voicemapending = "_VRP.csv";
constexpr const char* voicemapfilter = "Voice map (*.csv)|*.csv|All files (*.*)|*.*";

// A channel's map beside the other: its letter goes before the ending, so that the name still
// ends as those tools expect.
std::string voicemap_channel_file_name(const std::string& fname, char letter) {
    const std::string ending = voicemapending;
    if (fname.size() > ending.size() &&
        fname.compare(fname.size() - ending.size(), ending.size(), ending) == 0)
        return fname.substr(0, fname.size() - ending.size()) + letter + ending;
    return stdpg_channel_file_name(fname, letter);
}

} // namespace

bool TForm1::open_voicemap(const std::string& fname, std::int32_t pgno) {
    if (pgno < 0) throw ERangeError("Phonetogram index out of range: " + std::to_string(pgno));
    tpg pg;
    try {
        read_voicemap(fname, pg);
    } catch (const EGravonError& e) {
        ui.tell(message_fact("Cannot open file", e.what(), tmessagekind::warning));
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

bool TForm1::open_phonetogram(const std::string& fname, std::int32_t pgno) {
    return lowercase_extension(fname) == ".csv" ? open_voicemap(fname, pgno)
                                                : open_stdpg(fname, pgno);
}

bool TForm1::voicemap_export_possible() const {
    // As the saves: a take or a file's analysis, or a phonetogram loaded.
    return (audioarrpos >= 1 || nchans() > firstloadedpg) && !recording() && !analyzing;
}

bool TForm1::export_voicemap_action(const std::string& fname) {
    std::string name = fname;
    if (name.empty()) {
        const std::string proposed = voicemapdialogfilename.empty()
                                         ? results_base_name() + voicemapending
                                         : voicemapdialogfilename;
        name = ui.save_file_name_from("Export voice map", voicemapfilter, ".csv", proposed);
        if (name.empty()) return false;
        voicemapdialogfilename = name;
    }
    // The phonetograms the report and the headless outputs describe: both channels of a
    // take that holds them, each in a file of its own.
    const std::vector<std::int32_t> subjects = subject_pgs(*this, -1);
    for (std::int32_t c : subjects) {
        const std::string target =
            subjects.size() == 1 ? name : voicemap_channel_file_name(name, c == 0 ? 'L' : 'R');
        try {
            write_voicemap(target, pgs[std::size_t(c)]);
        } catch (const EGravonError& e) {
            // The other channel's file would go the same way: one message says it.
            ui.tell(message_fact("Cannot save file", e.what(), tmessagekind::warning));
            return false;
        }
    }
    return true;
}

} // namespace gravon
