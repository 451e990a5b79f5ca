// A store of typed values under a section and a key. Where the values live follows from a
// location and the program's identity (company, product name, version): an INI file in the
// user's, or all users', application-data folder below company / product / version, or a file
// named by the caller.
//
// The two registry locations have no registry to go to here; they keep their values in an INI
// file "registry.ini" in the matching folder (the user's for sluser, all users' for slmachine)
// below company / product / version, one section per registry key below the identity key.
#pragma once

#include "base/prog_id.h"
#include "settings/font_desc.h"
#include "settings/ini_file.h"
#include "settings/setting_error.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace gravon {

enum tsettinglocation : int {
    sluser = 0,           // the current user's registry
    slmachine = 1,        // the local machine's registry
    slroaming = 2,        // INI file in the user's roaming application data
    slnonroaming = 3,     // INI file in the user's local application data
    slcommonadmin = 4,    // INI file in all users' application data
    slcommoninsecure = 5, // INI file in the "insecure" subfolder of all users' application data
    slfile = 6            // INI file named by Filename
};

class TSetting {
  public:
    TSetting();
    TSetting(const TSetting&) = delete;
    TSetting& operator=(const TSetting&) = delete;
    // Writes pending changes; failures are not reported from here.
    ~TSetting();

    tsettinglocation Location() const { return flocation; }
    void setLocation(tsettinglocation v);
    // The identity's values; raise ESettingError "Nothing assigned to ProgId" without one.
    std::string Company();
    std::string ProductName();
    std::string Version();
    const std::string& Filename() const { return ffilename; }
    void setFilename(std::string v);
    // The storage name: "HKEY_CURRENT_USER" / "HKEY_LOCAL_MACHINE" for the registry locations,
    // the INI file's full name otherwise.
    std::string IniFilename();
    // Only the name part is kept; the folder follows from the location.
    void setIniFilename(const std::string& v);
    // The file the values are kept in, for every location (the registry locations keep theirs
    // in a file too); empty when there is none.
    std::string StorageFile() { return storage_file(); }
    const TProgId* ProgId() const { return fprogid; }
    void setProgId(const TProgId* v);
    bool ManualIniClose() const { return fmanualiniclose; }
    // Setting it to false writes pending changes at once.
    void setManualIniClose(bool v);
    const std::string& Name() const { return fname; }
    void setName(std::string v) { fname = std::move(v); }
    // The check made once the owner has set the properties.
    void Loaded();

    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def);
    std::int32_t ReadInteger(const std::string& section, const std::string& key, std::int32_t def);
    // Raise ESettingError when the value cannot be stored.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);
    // Failures are ignored.
    void DeleteSection(const std::string& section);
    bool ReadBool(const std::string& section, const std::string& key, bool def);
    void WriteBool(const std::string& section, const std::string& key, bool value);
    // Scientific notation with "." whatever the locale.
    double ReadFloat(const std::string& section, const std::string& key, double def);
    void WriteFloat(const std::string& section, const std::string& key, double value);
    // Keys key + "Name", "Size", "Color", "Bold", "Italics", "Underline", "Strikeout". An empty
    // name and a size of 0 leave the font's name and size; the style and colour are always set.
    void ReadFont(const std::string& section, const std::string& key, tfontdesc& font);
    void WriteFont(const std::string& section, const std::string& key, const tfontdesc& font);
    // The key names of a section.
    void ReadSection(const std::string& section, std::vector<std::string>& list);
    // The section names.
    void ReadSections(std::vector<std::string>& list);
    void DeleteKey(const std::string& section, const std::string& key);
    // Whether values can be written at the current location.
    bool OkToWrite();
    // Writes pending changes.
    void IniClose();
    // Drops changes not yet written (with ManualIniClose), so that a batch of writes that
    // failed half way is not written at all.
    void IniDiscard();

  private:
    tsettinglocation effective_location();
    void find_folder();
    void fix_paths();
    void sync_identity();
    const TProgId& progid() const;
    // The file the next operation works on; empty when there is none.
    std::string storage_file();
    // Opens (or re-reads) the file for one operation; nullptr when there is no file to use.
    TIniFile* begin_op();
    void end_op();

    tsettinglocation flocation = sluser;
    std::string fcompany, fproductname, fversion;
    std::string ffilename;
    std::string finifilename;
    std::string fautofilename;
    std::string fautodir;
    const TProgId* fprogid = nullptr;
    bool fmanualiniclose = false;
    bool inifilenamedirty = true;
    std::string windir;
    bool dirfound = false;
    bool fixingpaths = false;
    std::string fname = "Setting1";
    std::unique_ptr<TIniFile> ini;
};

} // namespace gravon
