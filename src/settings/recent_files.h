// The list of recently used files, shown as items of the File menu and kept in the user's
// roaming settings (section "RecentFiles" + ListName of an INI file named after the program,
// in the folder company / product name / version).
//
// Position 1 is the most recent file. Names are compared without regard to letter case, so a
// name differing only in case replaces the older entry. Files the drive rules exclude (by
// default those on removable, CD-ROM and RAM-disk drives) are not added.
//
// Use: set the properties, then call Loaded(), which reads the stored list and puts the items
// into Menu. Until then neither the menu nor the store is touched. Every later change is made
// to the list as it is stored at that moment (another program may have changed it) and writes
// the whole list, so that programs running side by side keep each other's entries.
#pragma once

#include "base/prog_id.h"
#include "settings/drive_type.h"
#include "settings/menu_model.h"
#include "settings/setting.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace gravon {

// Called after a picked file has moved to position 1.
using tRecentEvent =
    std::function<void(TMenuItem& sender, std::int32_t itemno, const std::string& filename)>;
// Shows a modal message box and returns the button pressed; the flag and result values are
// those of the platform's message boxes (below).
using tmsgboxfn =
    std::function<int(const std::string& text, const std::string& caption, std::uint32_t flags)>;

constexpr std::uint32_t mbok = 0x00;
constexpr std::uint32_t mbyesno = 0x04;
constexpr std::uint32_t mbiconquestion = 0x20;
constexpr std::uint32_t mbiconexclamation = 0x30;
constexpr int idok = 1;
constexpr int idyes = 6;
constexpr int idno = 7;

class TRecentFiles {
  public:
    static constexpr int npositions = 16;

    TRecentFiles();
    TRecentFiles(const TRecentFiles&) = delete;
    TRecentFiles& operator=(const TRecentFiles&) = delete;
    // Takes the items out of the menu.
    ~TRecentFiles();

    // Reads the stored list and puts the items into Menu. Raises ESettingError
    // "Nothing assigned to " + Name + ".ProgId" without ProgId.
    void Loaded();

    // Puts a file at position 1 (made absolute first), when its drive is accepted; the list is
    // stored in any case.
    void add(const std::string& filename);
    // Empties the list (and the stored list).
    void clear();
    void insert_in_menu();
    void remove_from_menu();
    void read_from_registry();
    // Failures leave the stored list as it was and are not reported.
    void write_to_registry();
    // Drops later duplicates, closes gaps, empties positions above MaxItems, sets captions.
    void tidy_list();

    // "&" + position in hexadecimal + " " + name for positions 1 ... 15, the name alone for 16;
    // every "&" of the name doubled, which a menu shows as one "&".
    static std::string caption_of(int position, const std::string& name);
    // "RecentFiles" + ListName.
    std::string section() const { return "RecentFiles" + flistname; }

    // The name at a position 1 ... 16; empty for a free position.
    const std::string& filename(int position) const;
    // The number of names among positions 1 ... MaxItems.
    int itemcount() const;
    bool inserted() const { return finserted; }
    // The menu items: file item of a position 1 ... 16, the separator, the clear-list item.
    TMenuItem& item(int position);
    TMenuItem& baritem() { return fbaritem; }
    TMenuItem& clearitem() { return fclearitem; }
    TSetting& setting() { return fsetting; }

    TMenu* Menu() const { return fmenu; }
    // Takes the items out of the previous menu; after Loaded it runs Loaded again.
    void setMenu(TMenu* menu);
    std::int32_t MaxItems() const { return fmaxitems; }
    // Limited to 0 ... 15; positions above it are emptied.
    void setMaxItems(std::int32_t v);
    std::int32_t MenuPos() const { return fmenupos; }
    void setMenuPos(std::int32_t v) { fmenupos = v; }
    bool BarBefore() const { return fbarbefore; }
    void setBarBefore(bool v);
    bool IncludeClearItem() const { return fincludeclear; }
    void setIncludeClearItem(bool v);
    const std::string& ClearCaption() const { return fclearcaption; }
    void setClearCaption(std::string v);
    bool AllowFileOnRemovable() const { return fallowremovable; }
    void setAllowFileOnRemovable(bool v) { fallowremovable = v; }
    bool AllowFileOnRemote() const { return fallowremote; }
    void setAllowFileOnRemote(bool v) { fallowremote = v; }
    bool AllowFileOnFixed() const { return fallowfixed; }
    void setAllowFileOnFixed(bool v) { fallowfixed = v; }
    bool AllowFileOnCDROM() const { return fallowcdrom; }
    void setAllowFileOnCDROM(bool v) { fallowcdrom = v; }
    bool AllowFileOnRAMDisk() const { return fallowramdisk; }
    void setAllowFileOnRAMDisk(bool v) { fallowramdisk = v; }
    const std::string& ListName() const { return flistname; }
    void setListName(std::string v) { flistname = std::move(v); }
    const TProgId* ProgId() const { return fprogid; }
    void setProgId(const TProgId* v) { fprogid = v; }
    void setOnClick(tRecentEvent v) { fonclick = std::move(v); }
    // Without one, a vanished file is dropped silently and the list is not cleared by its
    // menu item (there is nobody to confirm).
    void setMessageBox(tmsgboxfn v) { fmsgbox = std::move(v); }
    // Replaces the platform's drive-type query (for tests and other platforms).
    void setDriveTypeQuery(std::function<tdrivetype(const std::string&)> v) {
        fdrivetype = std::move(v);
    }
    const std::string& Name() const { return fname; }
    void setName(std::string v) { fname = std::move(v); }

  private:
    // Reads the stored list again (when there is one), applies the one change to it, and
    // stores the result, with the store locked against another program's change meanwhile.
    void change(const std::function<void()>& apply);
    void item_click(TMenuItem& item);
    void clear_click();
    bool accepted(tdrivetype t) const;

    TMenu* fmenu = nullptr;
    std::int32_t fmaxitems = 5;
    std::int32_t fmenupos = 100;
    bool fbarbefore = true;
    bool fincludeclear = true;
    std::string fclearcaption = "&Clear list...";
    bool fallowremovable = false;
    bool fallowremote = true;
    bool fallowfixed = true;
    bool fallowcdrom = false;
    bool fallowramdisk = false;
    std::string flistname;
    const TProgId* fprogid = nullptr;
    tRecentEvent fonclick;
    tmsgboxfn fmsgbox;
    std::function<tdrivetype(const std::string&)> fdrivetype = drive_type_of;
    std::string fname = "RecentFiles1";

    std::array<std::string, npositions> ffilenames;
    std::array<TMenuItem, npositions> fitems;
    TMenuItem fbaritem;
    TMenuItem fclearitem;
    bool finserted = false;
    bool fisreading = false;
    bool floading = true; // until the first Loaded
    TSetting fsetting;
};

} // namespace gravon
