// The main window's phonetogram-file actions: loading a file as an additional phonetogram and
// saving the recording phonetograms.
#include "core/main_window.h"
#include "core/provenance.h"
#include "files/stdpg_file.h"
#include "phonetogram/reference_group.h"

namespace gravon {

namespace {

constexpr const char* cannotopen = "Cannot open file";
constexpr const char* cannotsave = "Cannot save file";
constexpr const char* cannotmakegroup = "Cannot make the reference group";

// Closes the container however the reading ends.
struct tcloseguard {
    TSMPfile& file;
    ~tcloseguard() { file.close_file(); }
};

} // namespace

bool TForm1::open_stdpg(const std::string& fname, std::int32_t pgno) {
    if (pgno < 0) throw ERangeError("Phonetogram index out of range: " + std::to_string(pgno));
    stdpgfilename = fname;
    add_recent_file(fname);

    bool opened = false;
    try {
        opened = open_stdpg_file(stdpgfile1, fname);
    } catch (const EGravonError& e) {
        ui.tell(message_fact(cannotopen, e.what(), tmessagekind::warning));
        return false;
    }
    if (!opened) {
        // Nothing to read: no slot is added for it.
        ui.tell(message_fact(cannotopen, "Cannot open file " + fname, tmessagekind::warning));
        return false;
    }
    tcloseguard guard{stdpgfile1};

    if (pgno >= nchans()) set_nchans(*this, pgno + 1);
    // A number in "micdist" or "actmicdist" that cannot be read raises, as for any other
    // unreadable data; the slot keeps what was set before.
    const tstdpgreadresult r =
        read_stdpg(stdpgfile1, fname, pgs[std::size_t(pgno)], advanced.stdpgparams);
    if (!r.layouterror.empty())
        ui.tell(message_fact(cannotopen, r.layouterror, tmessagekind::warning));
    else if (!r.recorderror.empty())
        ui.tell(message_fact(cannotopen, r.recorderror, tmessagekind::warning));

    // Laid over the others, it must not look like one of them (a reference group's lines
    // least of all); the baseline's grey is left to the baseline.
    {
        const tpg& pg = pgs[std::size_t(pgno)];
        bool clash = pg.colorindex >= baselinecolorindex;
        for (std::size_t k = 0; k < pgs.size() && !clash; ++k)
            clash = std::int32_t(k) != pgno && pgs[k].colorindex == pg.colorindex;
        if (clash) set_pgcolor(*this, pgno, distinct_pgcolor(*this, pgno));
    }

    fix_things();
    ui.select_phonetogram(pgno);
    return r.complete();
}

bool TForm1::make_reference_group(const std::vector<std::string>& members,
                                  const std::string& fname) {
    if (members.size() < 2) {
        ui.tell(message_fact(
            cannotmakegroup,
            "A reference group needs at least two phonetograms; " +
                (members.empty() ? "none was" : "only " + members.front() + " was") + " chosen",
            tmessagekind::warning));
        return false;
    }
    std::vector<tpg> read;
    read.reserve(members.size());
    // The members' own layer names are not the window's business: only the group is opened.
    tstdpgparamarr params = advanced.stdpgparams;
    for (const std::string& m : members) {
        tpg pg = make_empty_pg();
        std::string why;
        try {
            TSMPfile file;
            if (!open_stdpg_file(file, m)) {
                why = "Cannot open file " + m;
            } else {
                const tstdpgreadresult r = read_stdpg(file, m, pg, params);
                file.close_file();
                if (!r.layouterror.empty())
                    why = "The phonetogram file " + m + " cannot be read: " + r.layouterror;
                else if (!r.recorderror.empty())
                    why = r.recorderror;
                else if (is_reference_group(pg))
                    why = m + " is itself a reference group, not one person's phonetogram";
            }
        } catch (const EGravonError& e) {
            why = e.what();
        }
        if (!why.empty()) {
            ui.tell(message_fact(cannotmakegroup, why, tmessagekind::warning));
            return false;
        }
        read.push_back(std::move(pg));
    }

    tpg group;
    try {
        group = gravon::make_reference_group(read, members, binshow_settings());
        write_stdpg(stdpgfile1, fname, group, stdpg_write_info(*this));
    } catch (const EGravonError& e) {
        ui.tell(message_fact(cannotmakegroup, e.what(), tmessagekind::warning));
        return false;
    }
    return open_stdpg(fname, std::int32_t(pgs.size()));
}

bool TForm1::save_stdpg(const std::string& fname, std::int32_t pgno) {
    if (pgno < 0 || std::size_t(pgno) >= pgs.size())
        throw ERangeError("Phonetogram index out of range: " + std::to_string(pgno));
    stdpgfilename = fname;
    add_recent_file(fname);

    const tpg& pg = pgs[std::size_t(pgno)];
    tstdpgwriteinfo info = stdpg_write_info(*this);
    if (pgno < firstloadedpg) {
        // A recording phonetogram stands for the sound recorded so far.
        if (audioarrpos >= 0 && advanced.fs > 0)
            info.recordedtime = double(audioarrpos + 1) / advanced.fs;
    } else {
        info.recordedtime = pg.recordedtime;
    }
    try {
        write_stdpg(stdpgfile1, fname, pg, info);
    } catch (const EGravonError& e) {
        ui.tell(message_fact(cannotsave, e.what(), tmessagekind::warning));
        return false;
    }
    return true;
}

bool TForm1::save_stdpg_action(const std::string& fname, std::int32_t pgno) {
    bool saved = false;
    if (!fname.empty()) {
        saved = save_stdpg(fname, pgno);
    } else {
        const std::string name = ui.save_file_name_from("Save phonetogram as", stdpgfilter,
                                                        stdpgdefaultext, stdpgdialogfilename);
        if (name.empty()) return false;
        stdpgdialogfilename = name;
        return save_stdpg_channels(name);
    }
    // Only a complete save of the recording marks it as saved, so that a failed one is
    // still offered for saving on closing.
    if (saved && pgno < firstloadedpg) stdpgsavearrpos = audioarrpos;
    return saved;
}

bool TForm1::save_stdpg_channels(const std::string& name) {
    bool saved = false;
    switch (advanced.savestdpgchannos) {
    case 1:
        saved = save_stdpg(name, 1);
        break;
    case 2: {
        const bool left = save_stdpg(stdpg_channel_file_name(name, 'L'), 0);
        const bool right = save_stdpg(stdpg_channel_file_name(name, 'R'), 1);
        saved = left && right;
        break;
    }
    default:
        // 0, and any value a damaged settings file may carry: the left channel.
        saved = save_stdpg(name, 0);
        break;
    }
    if (saved) stdpgsavearrpos = audioarrpos;
    return saved;
}

} // namespace gravon
