#include "settings/setting.h"

#include "base/same_text.h"
#include "base/app_folders.h"

#include <charconv>
#include <filesystem>

namespace gravon {

namespace fs = std::filesystem;

namespace {

constexpr char sep = static_cast<char>(fs::path::preferred_separator);

std::string trim(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t')) --b;
    return s.substr(a, b - a);
}

std::string with_separator(std::string s) {
    if (s.empty() || s.back() != sep) s += sep;
    return s;
}

// Decimal, or hexadecimal after "$" or "0x"; the whole text must be the number.
bool parse_int32(const std::string& text, std::int32_t& out) {
    const std::string t = trim(text);
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) negative = t[i++] == '-';
    int base = 10;
    if (i < t.size() && t[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= t.size()) return false;
    std::uint64_t v = 0;
    const char* first = t.data() + i;
    const char* last = t.data() + t.size();
    auto [p, ec] = std::from_chars(first, last, v, base);
    if (ec != std::errc() || p != last) return false;
    if (base == 16 && !negative && v <= 0xFFFFFFFFull) { // "$FFFFFFFF" is -1, as a bit pattern
        out = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
        return true;
    }
    if (negative ? v > 2147483648ull : v > 2147483647ull) return false;
    out = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(v))
                   : static_cast<std::int32_t>(v);
    return true;
}

bool parse_double(const std::string& text, double& out) {
    const std::string t = trim(text);
    if (t.empty()) return false;
    const char* first = t.data() + (t[0] == '+' ? 1 : 0);
    const char* last = t.data() + t.size();
    double v = 0;
    auto [p, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || p != last) return false;
    out = v;
    return true;
}

std::string name_part(const std::string& s) {
    const size_t slash = s.find_last_of("/\\");
    return slash == std::string::npos ? s : s.substr(slash + 1);
}

std::string with_ini_extension(const std::string& name) {
    const size_t dot = name.rfind('.');
    return (dot == std::string::npos || dot == 0 ? name : name.substr(0, dot)) + ".ini";
}

} // namespace

TSetting::TSetting() : windir(system_folder()) {}

TSetting::~TSetting() {
    try {
        if (ini) ini->flush();
    } catch (const EGravonError&) {
    }
}

// ---- properties ------------------------------------------------------------------------------

void TSetting::setLocation(tsettinglocation v) {
    if (v < sluser || v > slfile) v = sluser;
    flocation = v;
    inifilenamedirty = true;
}

void TSetting::setFilename(std::string v) {
    ffilename = std::move(v);
    inifilenamedirty = true;
}

void TSetting::setIniFilename(const std::string& v) {
    finifilename = name_part(v);
    inifilenamedirty = true;
}

void TSetting::setProgId(const TProgId* v) {
    fprogid = v;
    inifilenamedirty = true;
}

void TSetting::setManualIniClose(bool v) {
    fmanualiniclose = v;
    if (!v && ini) ini->flush();
}

void TSetting::Loaded() {
    if (!fprogid) throw ESettingError("Nothing assigned to " + fname + ".ProgId");
}

const TProgId& TSetting::progid() const {
    if (!fprogid) throw ESettingError("Nothing assigned to ProgId");
    return *fprogid;
}

void TSetting::sync_identity() {
    const TProgId& id = progid();
    if (fcompany != id.Company() || fproductname != id.ProductName() || fversion != id.Version()) {
        fcompany = id.Company();
        fproductname = id.ProductName();
        fversion = id.Version();
        inifilenamedirty = true;
        fix_paths();
    }
}

std::string TSetting::Company() {
    sync_identity();
    return fcompany;
}

std::string TSetting::ProductName() {
    sync_identity();
    return fproductname;
}

std::string TSetting::Version() {
    sync_identity();
    return fversion;
}

// ---- paths -----------------------------------------------------------------------------------

void TSetting::find_folder() {
    fautodir.clear();
    switch (flocation) {
    case slroaming:
        fautodir = app_data_folder(tappfolder::roamingappdata);
        break;
    case slnonroaming:
        fautodir = app_data_folder(tappfolder::localappdata);
        break;
    case slcommonadmin:
    case slcommoninsecure:
        fautodir = app_data_folder(tappfolder::commonappdata);
        break;
    default:
        break;
    }
    dirfound = !fautodir.empty();
}

void TSetting::fix_paths() {
    if (fixingpaths) return;
    fixingpaths = true;
    try {
        find_folder();
        if (dirfound) {
            sync_identity();
            fautofilename =
                with_separator(fautodir) + fcompany + sep + fproductname + sep + fversion + sep;
        } else {
            fautofilename = with_separator(windir);
        }
    } catch (...) {
        fixingpaths = false;
        throw;
    }
    fixingpaths = false;
}

tsettinglocation TSetting::effective_location() {
    if (dirfound) return flocation;
    if (flocation == slroaming || flocation == slnonroaming) return sluser;
    if (flocation == slcommonadmin) return slmachine;
    return flocation;
}

std::string TSetting::IniFilename() {
    if (fprogid) sync_identity();
    if (!inifilenamedirty) return finifilename;
    fix_paths();
    switch (effective_location()) {
    case sluser:
        finifilename = "HKEY_CURRENT_USER";
        break;
    case slmachine:
        finifilename = "HKEY_LOCAL_MACHINE";
        break;
    case slfile:
        finifilename = ffilename;
        break;
    default: {
        // A registry storage name is no INI file name to carry over.
        std::string previous = name_part(finifilename);
        if (previous == "HKEY_CURRENT_USER" || previous == "HKEY_LOCAL_MACHINE") previous.clear();
        std::string name =
            previous.empty() ? program_file_name() + ".ini" : with_ini_extension(previous);
        if (flocation == slcommoninsecure && dirfound) name = std::string("insecure") + sep + name;
        finifilename = fautofilename + name;
        break;
    }
    }
    inifilenamedirty = false;
    return finifilename;
}

std::string TSetting::storage_file() {
    // Everything but a named file is placed by the identity.
    if (flocation != slfile) progid();
    const std::string name = IniFilename();
    const tsettinglocation eff = effective_location();
    if (eff == sluser || eff == slmachine) {
        const std::string base =
            app_data_folder(eff == sluser ? tappfolder::roamingappdata : tappfolder::commonappdata);
        if (base.empty()) return {};
        return with_separator(base) + fcompany + sep + fproductname + sep + fversion + sep +
               "registry.ini";
    }
    return eff == slfile ? ffilename : name;
}

TIniFile* TSetting::begin_op() {
    const std::string file = storage_file();
    if (file.empty()) return nullptr;
    if (ini && ini->FileName() == file) {
        ini->refresh();
        return ini.get();
    }
    std::unique_ptr<TIniFile> old = std::move(ini);
    ini = std::make_unique<TIniFile>(file);
    if (old) old->flush();
    return ini.get();
}

void TSetting::end_op() {
    if (!fmanualiniclose && ini) ini->flush();
}

// ---- values ----------------------------------------------------------------------------------

std::string TSetting::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) {
    TIniFile* f = begin_op();
    std::string value;
    if (f) value = f->read(section, key).value_or(std::string());
    return value.empty() ? def : value;
}

std::int32_t TSetting::ReadInteger(const std::string& section, const std::string& key,
                                   std::int32_t def) {
    TIniFile* f = begin_op();
    if (!f) return def;
    const auto text = f->read(section, key);
    std::int32_t v;
    return text && parse_int32(*text, v) ? v : def;
}

void TSetting::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
    TIniFile* f = begin_op();
    if (!f)
        throw ESettingError("Cannot store settings: no folder for them was found (" +
                            IniFilename() + ")");
    f->write(section, key, value);
    end_op();
}

void TSetting::WriteInteger(const std::string& section, const std::string& key,
                            std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void TSetting::DeleteSection(const std::string& section) {
    if (flocation != slfile) progid();
    try {
        if (TIniFile* f = begin_op()) {
            if (effective_location() == sluser || effective_location() == slmachine)
                f->erase_section_tree(section); // a registry key goes with its sub-keys
            else
                f->erase_section(section);
            end_op();
        }
    } catch (const EGravonError&) {
    }
}

bool TSetting::ReadBool(const std::string& section, const std::string& key, bool def) {
    return ReadInteger(section, key, def ? 1 : 0) == 1;
}

void TSetting::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteInteger(section, key, value ? 1 : 0);
}

double TSetting::ReadFloat(const std::string& section, const std::string& key, double def) {
    double v;
    return parse_double(ReadString(section, key, ""), v) ? v : def;
}

void TSetting::WriteFloat(const std::string& section, const std::string& key, double value) {
    char buf[64];
    auto [p, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    WriteString(section, key, std::string(buf, ec == std::errc() ? p : buf));
}

void TSetting::ReadFont(const std::string& section, const std::string& key, tfontdesc& font) {
    const std::string name = ReadString(section, key + "Name", "");
    if (!name.empty()) font.name = name;
    const std::int32_t size = ReadInteger(section, key + "Size", 0);
    if (size != 0) font.size = size;
    font.color = static_cast<std::uint32_t>(ReadInteger(section, key + "Color", 0));
    font.bold = ReadBool(section, key + "Bold", false);
    font.italic = ReadBool(section, key + "Italics", false);
    font.underline = ReadBool(section, key + "Underline", false);
    font.strikeout = ReadBool(section, key + "Strikeout", false);
}

void TSetting::WriteFont(const std::string& section, const std::string& key,
                         const tfontdesc& font) {
    WriteString(section, key + "Name", font.name);
    WriteInteger(section, key + "Size", font.size);
    WriteInteger(section, key + "Color", static_cast<std::int32_t>(font.color));
    WriteBool(section, key + "Bold", font.bold);
    WriteBool(section, key + "Italics", font.italic);
    WriteBool(section, key + "Underline", font.underline);
    WriteBool(section, key + "Strikeout", font.strikeout);
}

void TSetting::ReadSection(const std::string& section, std::vector<std::string>& list) {
    list.clear();
    if (TIniFile* f = begin_op()) list = f->keys(section);
}

void TSetting::ReadSections(std::vector<std::string>& list) {
    list.clear();
    TIniFile* f = begin_op();
    if (!f) return;
    const bool registry = effective_location() == sluser || effective_location() == slmachine;
    for (const std::string& s : f->sections()) {
        // Below the identity key only the first level of keys are its sub-keys.
        const std::string name = registry ? s.substr(0, s.find('\\')) : s;
        bool seen = false;
        for (const std::string& x : list) seen = seen || same_text_nocase(x, name);
        if (!seen) list.push_back(name);
    }
}

void TSetting::DeleteKey(const std::string& section, const std::string& key) {
    if (flocation != slfile) progid();
    try {
        if (TIniFile* f = begin_op()) {
            f->erase_key(section, key);
            end_op();
        }
    } catch (const EGravonError&) {
    }
}

bool TSetting::OkToWrite() {
    try {
        const std::string file = storage_file();
        if (file.empty()) return false;
        // A separate object, so that pending changes of this store are not written by the test.
        TIniFile probe(file);
        probe.write("~testsection", "~testkey", "test");
        probe.flush();
        probe.erase_section("~testsection");
        probe.flush();
        return true;
    } catch (const EGravonError&) {
        return false;
    }
}

void TSetting::IniClose() {
    if (ini) ini->flush();
}

void TSetting::IniDiscard() {
    if (ini) ini->discard();
}

} // namespace gravon
