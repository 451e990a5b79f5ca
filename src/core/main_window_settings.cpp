// The main window's settings operations: resetting, saving and loading the options and the
// advanced settings, the temporary copies kept while a sound file's analysis is shown, saving
// on exit, settings containers opened by type, and the recent-files list.
#include "core/main_window.h"
#include "core/provenance.h"
#include "phonetogram/pg_param.h"
#include "settings/advanced_settings_file.h"
#include "settings/options_file.h"
#include "settings/settings_file_name.h"
#include "settings/settings_reader.h"

#include <algorithm>
#include <filesystem>

namespace gravon {

namespace {

bool path_exists(const std::string& name) {
    std::error_code ec;
    return std::filesystem::exists(name, ec);
}

// Why a file could not be read at all, as an extra line of a message; empty when it was read.
std::string unread_reason(const TQUBFile& f, bool opened) {
    return opened || f.ReadError().empty() ? std::string() : "\r" + f.ReadError();
}

std::array<bool, 2> showbins_of(const TForm1& form) {
    std::array<bool, 2> v = defaultpgvisible;
    for (std::size_t ch = 0; ch < 2 && ch < form.pgs.size(); ++ch) v[ch] = form.pgs[ch].visible;
    return v;
}

} // namespace

std::vector<tsettingvalue> form_settings_differences(const TForm1& form) {
    return settings_differences(form.advanced, form.options, showbins_of(form));
}

namespace {

// Windows the interface shows report their placement; a maximized one is not written, so the
// file keeps no position for it.
void write_windows(TForm1& form, TQUBFile& f) {
    for (const twindowentry& w : windowtable) {
        std::optional<twindowplace>& kept = form.windowplaces[std::size_t(w.id)];
        twindowplace p;
        bool maximized = false;
        if (form.ui.get_window_placement(w.id, p, maximized)) {
            if (maximized) continue;
            kept = p;
        }
        if (kept) write_window_place(f, w, *kept);
    }
}

void restore_windows(TForm1& form, tsettingsreader& r) {
    tscreenrect area;
    const bool desktop = form.ui.get_desktop_work_area(area);
    for (const twindowentry& w : windowtable) {
        std::optional<twindowplace>& kept = form.windowplaces[std::size_t(w.id)];
        twindowplace p;
        bool maximized = false;
        const bool shown = form.ui.get_window_placement(w.id, p, maximized);
        if (!shown && kept) p = *kept;
        const bool stored = read_window_place(r, w, p);
        if (!shown && !kept && !stored) continue; // nothing known about this window
        if (desktop) p = keep_on_screen(p, area);
        kept = p;
        form.ui.set_window_placement(w.id, p);
    }
}

void show_problems(tuserinterface& ui, const std::string& name, const tsettingsreader& r) {
    if (!r.problems().empty())
        ui.tell(message_fact(settingsproblemscaption, settings_problems_text(name, r.problems()),
                             tmessagekind::warning));
}

// The kinds of settings container the main window keeps in the settings folder.
struct tsettingskind {
    const char* fileid;
    const char* defaultname;
    const char* tempname;
    const char* contents;      // "options", as in "does not contain options for Gravon"
    const char* failedcaption; // of the message when a save fails
};
constexpr tsettingskind optionskind{optionsfileid, optionsfilename, tempoptionsfilename, "options",
                                    "Options not saved"};
constexpr tsettingskind advancedkind{advancedfileid, advancedfilename, tempadvancedfilename,
                                     "advanced settings", "Advanced settings not saved"};

// Writes a container of the kind under fname ("" the default file, "temp" its temporary copy);
// write fills it. A failure is shown, and the file that was there stays.
template <typename twrite>
void save_container(TForm1& form, const tsettingskind& kind, const std::string& fname,
                    twrite write) {
    try {
        const std::string name =
            resolve_settings_name(form.progid, fname, kind.defaultname, kind.tempname);
        TQUBFile f;
        f.setProgId(&form.progid);
        f.setFileId(kind.fileid);
        write(f);
        f.save_file(name);
    } catch (const std::exception& e) {
        form.ui.tell(message_fact(kind.failedcaption, e.what(), tmessagekind::error));
    }
}

// Reads a container of the kind through read, shows what the reader noted and refreshes the
// window. A file of another kind is refused with a message; a missing one (the first start)
// is no news.
template <typename tread>
void open_container(TForm1& form, const tsettingskind& kind, const std::string& fname, tread read) {
    const std::string name =
        resolve_settings_name(form.progid, fname, kind.defaultname, kind.tempname);
    TQUBFile f;
    f.setProgId(&form.progid);
    const bool opened = f.open_file(name);
    if (f.FileId() != kind.fileid) {
        if (path_exists(name))
            form.ui.tell(message_fact("Wrong file type: \"" + f.FileId() + "\"",
                                      name + "\r does not contain " + kind.contents +
                                          " for Gravon" + unread_reason(f, opened),
                                      tmessagekind::warning));
    } else {
        tsettingsreader r(f);
        read(r);
        show_problems(form.ui, name, r);
    }
    // The host's settings win over every file, also over a missing one (the defaults).
    for (const TForm1::tsettingsoverride& o : form.settingsoverrides) {
        if (o.values.FileId() != kind.fileid) continue;
        tsettingsreader r(o.values);
        read(r);
        show_problems(form.ui, o.name, r);
    }
    form.fix_things();
}

} // namespace

// ---- defaults ----------------------------------------------------------------------------------

void TForm1::set_options_to_default() {
    gravon::set_options_to_default(options, std::int32_t(advanced.displayparams.size()));
    if (!pgs.empty()) {
        const std::vector<tpgparam> defaults = default_recording_pgparams();
        resize_pg_layers(pgs[0], std::max(pgs[0].param.size(), defaults.size()));
        copy_pgparam_descriptions(defaults, pgs[0].param);
        for (std::size_t k = 0; k < defaults.size(); ++k)
            pgs[0].param[k].logarithmic = defaults[k].logarithmic;
        if (pgs.size() > 1) copy_pgparam_descriptions(pgs[0].param, pgs[1].param);
    }
    for (std::size_t ch = 0; ch < 2 && ch < pgs.size(); ++ch)
        pgs[ch].visible = defaultpgvisible[ch];
    fix_things();
}

void TForm1::set_advanced_to_default() {
    gravon::set_advanced_to_default(advanced, options);
    for (std::size_t ch = 0; ch < 2 && ch < pgs.size(); ++ch) {
        pgs[ch].distance = advanced.standarddistance;
        pgs[ch].actualdistance = advanced.standardactualdistance(std::int32_t(ch));
    }
    apply_analysis_settings();
    fix_things();
}

// ---- setters -----------------------------------------------------------------------------------

void TForm1::set_standardactualdistance(std::int32_t ch, double v) {
    advanced.setstandardactualdistance(ch, v);
    if ((ch == 0 || ch == 1) && std::size_t(ch) < pgs.size())
        pgs[std::size_t(ch)].actualdistance = v;
}

void TForm1::set_zparam(std::int32_t v) {
    options.setzparam(v, std::int32_t(advanced.displayparams.size()));
    ui.request_repaint();
}

void TForm1::set_f0target(double v) {
    options.f0target = v;
    ui.request_repaint();
}

void TForm1::set_leveltarget(double v) {
    options.leveltarget = v;
    ui.request_repaint();
}

// ---- options -----------------------------------------------------------------------------------

void TForm1::save_settings(const std::string& fname) {
    save_container(*this, optionskind, fname, [&](TQUBFile& f) {
        // Only the user's own default file keeps window positions: a file handed to others
        // must not move their windows.
        if (fname.empty()) write_windows(*this, f);
        write_options(f, options, showbins_of(*this));
    });
}

void TForm1::open_settings(const std::string& fname, bool windows) {
    open_container(*this, optionskind, fname, [&](tsettingsreader& r) {
        if (windows && fname.empty()) restore_windows(*this, r);
        std::array<bool, 2> bins = showbins_of(*this);
        read_options(r, options, bins, std::int32_t(advanced.displayparams.size()));
        for (std::size_t ch = 0; ch < 2 && ch < pgs.size(); ++ch) pgs[ch].visible = bins[ch];
    });
}

// ---- advanced settings -------------------------------------------------------------------------

void TForm1::save_advanced_settings(const std::string& fname) {
    save_container(*this, advancedkind, fname, [&](TQUBFile& f) {
        advanced.locationid = locationid;
        write_advanced_settings(f, advanced);
    });
}

void TForm1::open_advanced_settings(const std::string& fname) {
    open_container(*this, advancedkind, fname, [&](tsettingsreader& r) {
        advanced.locationid = locationid;
        read_advanced_settings(r, advanced, audiodevicenames);
        locationid = advanced.locationid;
        set_use24bits(advanced.use24bits);
        for (std::int32_t ch = 0; ch < 2; ++ch)
            set_standardactualdistance(ch, advanced.standardactualdistance(ch));
        // One statistics flag per display parameter, and a darkness index inside the list.
        options.showstatsparam.resize(advanced.displayparams.size(), false);
        set_zparam(options.zparam());
        // The sampling frequency and the bandwidth size the analysis window.
        set_fs(advanced.fs);
    });
}

// ---- temporary copies, exit, files by type -----------------------------------------------------

void TForm1::save_temporary_settings() {
    if (!policy.usersfiles) return;
    save_settings("temp");
    save_advanced_settings("temp");
}

void TForm1::restore_temporary_settings() {
    set_options_to_default();
    set_advanced_to_default();
    open_settings("temp", false);
    open_advanced_settings("temp");
}

void TForm1::FormClose() {
    if (!policy.usersfiles) return;
    // Settings changed by a sound file (its sampling rate, for one) are not the user's.
    if (advanced.saveoptionsonexit && !fanalysisisfromsoundfile) save_settings("");
    if (advanced.saveadvancedsettingsonexit && !fanalysisisfromsoundfile)
        save_advanced_settings("");
}

void TForm1::open_qubfile(const std::string& fname) {
    TQUBFile f;
    f.setProgId(&progid);
    const bool opened = f.open_file(fname);
    const std::string id = f.FileId();
    if (id == advancedfileid) {
        open_advanced_settings(fname);
        load_default_calibration();
    } else if (id == optionsfileid) {
        open_settings(fname, false);
    } else {
        ui.tell(message_fact("Cannot open file",
                             "Cannot open file " + fname + "\r" + "Type: " + id +
                                 unread_reason(f, opened),
                             tmessagekind::warning));
    }
}

void TForm1::load_default_settings() {
    open_settings("", true);
    open_advanced_settings("");

    // Without the user's files there is no File menu, nor a list that runs share.
    if (!policy.usersfiles) return;
    RecentFiles1.setProgId(&progid);
    RecentFiles1.setMaxItems(9);
    RecentFiles1.setMenuPos(12);
    RecentFiles1.setMenu(&filemenu);
    RecentFiles1.setOnClick(
        [this](TMenuItem& sender, std::int32_t itemno, const std::string& filename) {
            RecentFiles1Click(sender, itemno, filename);
        });
    RecentFiles1.setMessageBox([this](const std::string& text, const std::string& caption,
                                      std::uint32_t flags) {
        if ((flags & 0x0F) == mbyesno)
            return ui.tell(question_fact(caption, text, tbuttons::yes_no)) == tanswer::yes ? idyes
                                                                                           : idno;
        ui.tell(message_fact(caption, text, tmessagekind::warning));
        return idok;
    });
    RecentFiles1.Loaded();
}

// ---- recent files ------------------------------------------------------------------------------

void TForm1::add_recent_file(const std::string& fname) {
    if (!policy.usersfiles) return;
    RecentFiles1.add(fname);
}

void TForm1::RecentFiles1Click(TMenuItem&, std::int32_t, const std::string& filename) {
    open_any_file(filename);
}

} // namespace gravon
