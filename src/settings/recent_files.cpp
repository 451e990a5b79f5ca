#include "settings/recent_files.h"

#include "base/text_utils.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <unistd.h>

namespace gravon {

namespace fs = std::filesystem;

namespace {

constexpr char hexdigits[] = "0123456789ABCDEF";

std::string hexkey(int position) {
    return std::string(1, hexdigits[position & 15]);
}

bool file_exists(const std::string& name) {
    if (name.empty()) return false;
    std::error_code ec;
    const fs::file_status st = fs::status(name, ec);
    return fs::exists(st) && !fs::is_directory(st);
}

// A name with line breaks or other control characters can be neither shown nor stored.
bool has_control_chars(const std::string& s) {
    return std::any_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// Holds the folder of the stored list locked while one change is merged into it: another
// program's change waits for this one, so that neither writes over a list the other has just
// changed. Where the folder cannot be had or locked, nothing is held and the change goes on.
class tstorelock {
  public:
    explicit tstorelock(const std::string& storefile) {
        if (storefile.empty()) return;
        const fs::path folder = fs::path(storefile).parent_path();
        std::error_code ec;
        fs::create_directories(folder, ec);
        ffd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (ffd < 0) return;
        while (::flock(ffd, LOCK_EX) != 0)
            if (errno != EINTR) break;
    }
    tstorelock(const tstorelock&) = delete;
    tstorelock& operator=(const tstorelock&) = delete;
    ~tstorelock() {
        if (ffd >= 0) ::close(ffd); // and the lock with it
    }

  private:
    int ffd = -1;
};

} // namespace

TRecentFiles::TRecentFiles() {
    fsetting.setName(fname + ".setting");
}

TRecentFiles::~TRecentFiles() {
    remove_from_menu();
}

const std::string& TRecentFiles::filename(int position) const {
    static const std::string none;
    if (position < 1 || position > npositions) return none;
    return ffilenames[static_cast<size_t>(position - 1)];
}

TMenuItem& TRecentFiles::item(int position) {
    return fitems.at(static_cast<size_t>(std::clamp(position, 1, npositions) - 1));
}

int TRecentFiles::itemcount() const {
    int n = 0;
    for (int i = 0; i < fmaxitems; ++i)
        if (!ffilenames[static_cast<size_t>(i)].empty()) ++n;
    return n;
}

std::string TRecentFiles::caption_of(int position, const std::string& name) {
    const std::string shown = replaceall(name, "&", "&&");
    if (position < 1 || position > 15) return shown;
    std::string r = "&";
    r += hexdigits[position];
    r += ' ';
    r += shown;
    return r;
}

// ---- the list --------------------------------------------------------------------------------

void TRecentFiles::tidy_list() {
    for (int i = 0; i < npositions; ++i) {
        if (ffilenames[i].empty()) continue;
        const std::string a = lowercase(ffilenames[i]);
        for (int j = i + 1; j < npositions; ++j)
            if (!ffilenames[j].empty() && lowercase(ffilenames[j]) == a) ffilenames[j].clear();
    }
    std::stable_partition(ffilenames.begin(), ffilenames.end(),
                          [](const std::string& s) { return !s.empty(); });
    // What the menu shows is what is kept, and what is stored.
    for (int i = std::max(fmaxitems, 0); i < npositions; ++i) ffilenames[i].clear();
    if (fmenu)
        for (int i = 0; i < npositions; ++i) fitems[i].caption = caption_of(i + 1, ffilenames[i]);
}

bool TRecentFiles::accepted(tdrivetype t) const {
    switch (t) {
    case tdrivetype::noroot:
        return false;
    case tdrivetype::removable:
        return fallowremovable;
    case tdrivetype::fixed:
        return fallowfixed;
    case tdrivetype::remote:
        return fallowremote;
    case tdrivetype::cdrom:
        return fallowcdrom;
    case tdrivetype::ramdisk:
        return fallowramdisk;
    case tdrivetype::unknown:
        return true;
    }
    return true;
}

void TRecentFiles::change(const std::function<void()>& apply) {
    const bool stored = fmenu && !floading;
    std::string storefile;
    if (stored) try {
            fsetting.setLocation(slroaming);
            storefile = fsetting.StorageFile();
        } catch (const EGravonError&) {
        }
    const tstorelock lock(storefile);
    // Another program may have changed the list since this one read it: the change is made
    // to the list as it is stored now. Nothing stored (or nothing readable) keeps this one's.
    if (stored) try {
            if (fsetting.ReadInteger(section(), "nToUse", -1) >= 0) read_from_registry();
        } catch (const EGravonError&) {
        }
    apply();
    tidy_list();
    insert_in_menu();
}

void TRecentFiles::add(const std::string& filename) {
    if (filename.empty()) return;
    std::string name;
    if (!has_control_chars(filename)) {
        name = filename;
        std::error_code ec;
        const fs::path abs = fs::absolute(fs::path(filename), ec);
        if (!ec) name = abs.lexically_normal().string();
        if (!accepted(fdrivetype ? fdrivetype(name) : tdrivetype::unknown)) name.clear();
    }
    change([this, &name] {
        if (name.empty()) return;
        std::move_backward(ffilenames.begin(), ffilenames.end() - 1, ffilenames.end());
        ffilenames[0] = name;
    });
}

void TRecentFiles::clear() {
    change([this] {
        for (std::string& s : ffilenames) s.clear();
    });
}

// ---- the menu --------------------------------------------------------------------------------

void TRecentFiles::insert_in_menu() {
    if (!fmenu || floading) return;
    write_to_registry();
    if (finserted) remove_from_menu();
    const int index = std::clamp(fmenupos, 0, fmenu->count());
    const bool any = itemcount() > 0;
    fclearitem.visible = fincludeclear && any;
    fmenu->insert(index, &fclearitem);
    for (int i = npositions; i >= 1; --i) {
        TMenuItem& it = fitems[static_cast<size_t>(i - 1)];
        it.visible = !ffilenames[static_cast<size_t>(i - 1)].empty() && i <= fmaxitems;
        fmenu->insert(index, &it);
    }
    fbaritem.visible = fbarbefore && any;
    fmenu->insert(index, &fbaritem);
    finserted = true;
}

void TRecentFiles::remove_from_menu() {
    if (!fmenu || !finserted) return;
    for (TMenuItem& it : fitems) fmenu->remove(&it);
    fmenu->remove(&fbaritem);
    fmenu->remove(&fclearitem);
    finserted = false;
}

// ---- the store -------------------------------------------------------------------------------

void TRecentFiles::write_to_registry() {
    if (fisreading) return;
    const std::string sec = section();
    // All or nothing: the changes are collected and written in one step, so a failure leaves
    // the stored list as it was.
    try {
        fsetting.setLocation(slroaming);
        fsetting.setManualIniClose(true);
        fsetting.DeleteSection(sec);
        fsetting.WriteInteger(sec, "nToUse", fmaxitems);
        for (int i = 1; i <= fmaxitems; ++i)
            fsetting.WriteString(sec, hexkey(i), ffilenames[static_cast<size_t>(i - 1)]);
        fsetting.IniClose();
    } catch (const EGravonError&) {
        fsetting.IniDiscard();
    }
    try {
        fsetting.setManualIniClose(false);
    } catch (const EGravonError&) {
    }
}

void TRecentFiles::read_from_registry() {
    fisreading = true;
    const std::string sec = section();
    try {
        fsetting.setLocation(slroaming);
        setMaxItems(fsetting.ReadInteger(sec, "nToUse", fmaxitems));
        for (int i = 1; i <= fmaxitems; ++i) {
            std::string name = fsetting.ReadString(sec, hexkey(i), "");
            if (!file_exists(name) || has_control_chars(name)) name.clear();
            ffilenames[static_cast<size_t>(i - 1)] = name;
        }
    } catch (const EGravonError&) {
    }
    tidy_list();
    fisreading = false;
}

// ---- start and events ------------------------------------------------------------------------

void TRecentFiles::Loaded() {
    floading = false;
    if (!fprogid) throw ESettingError("Nothing assigned to " + fname + ".ProgId");
    fsetting.setProgId(fprogid);
    if (!fmenu) return;
    remove_from_menu();
    for (TMenuItem& it : fitems) it = TMenuItem{};
    fbaritem = TMenuItem{std::string(1, '-'), 0, true, true, {}};
    fclearitem = TMenuItem{fclearcaption, 0, true, true, [this](TMenuItem&) { clear_click(); }};
    read_from_registry();
    for (int i = 1; i <= npositions; ++i) {
        TMenuItem& it = fitems[static_cast<size_t>(i - 1)];
        it.tag = i;
        it.onclick = [this](TMenuItem& sender) { item_click(sender); };
        it.enabled = true;
        it.caption = caption_of(i, ffilenames[static_cast<size_t>(i - 1)]);
    }
    insert_in_menu();
}

void TRecentFiles::item_click(TMenuItem& item) {
    if (item.tag < 1 || item.tag > npositions) return;
    const std::string name = ffilenames[static_cast<size_t>(item.tag - 1)];
    if (!file_exists(name)) {
        if (fmsgbox) fmsgbox("Can't find \r" + name, "File not found", mbok | mbiconexclamation);
        // By its name: in the list as stored now it may stand elsewhere.
        change([this, &name] {
            const std::string gone = lowercase(name);
            for (std::string& s : ffilenames)
                if (lowercase(s) == gone) s.clear();
        });
        return;
    }
    if (fonclick) {
        const std::int32_t tag = item.tag;
        add(name);
        // The picked name itself: should its drive no longer be accepted, position 1 holds
        // another file.
        fonclick(item, tag, name);
    }
}

void TRecentFiles::clear_click() {
    if (fmsgbox && fmsgbox("Do you want to clear the list of recently used files?", "Clear list",
                           mbyesno | mbiconquestion) == idyes)
        clear();
}

// ---- properties ------------------------------------------------------------------------------

void TRecentFiles::setMenu(TMenu* menu) {
    if (menu == fmenu) return;
    remove_from_menu();
    fmenu = menu;
    if (!floading) Loaded();
}

void TRecentFiles::setMaxItems(std::int32_t v) {
    fmaxitems = std::clamp(v, 0, npositions - 1);
    for (int i = fmaxitems; i < npositions; ++i) ffilenames[static_cast<size_t>(i)].clear();
    insert_in_menu();
}

void TRecentFiles::setBarBefore(bool v) {
    fbarbefore = v;
    insert_in_menu();
}

void TRecentFiles::setIncludeClearItem(bool v) {
    fincludeclear = v;
    insert_in_menu();
}

void TRecentFiles::setClearCaption(std::string v) {
    fclearcaption = std::move(v);
    fclearitem.caption = fclearcaption;
    insert_in_menu();
}

} // namespace gravon
