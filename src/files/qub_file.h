// The settings container: typed values kept under a section and a key, stored in a compact
// binary file (".qubfile"). Options, advanced settings, the calibration and the signal sets for
// the sibling sound editor are all containers; each names its kind in FileId.
#pragma once

#include "base/errors.h"
#include "base/prog_id.h"
#include "base/types.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace gravon {

struct EQUBfileError : EGravonError {
    using EGravonError::EGravonError;
};

// Type codes of the stored values.
enum tqubtype : std::int32_t {
    qubbool = 10,             // 1 byte, 0 or 1
    qubinteger = 11,          // 32-bit signed
    qubfloat = 12,            // x87 80-bit extended
    qubstring = 13,           // 8-bit characters, no terminator
    qubsmallintarr = 14,      // 16-bit signed per element
    qubdoublearr = 15,        // binary64 per element
    qubcomplexarr = 16,       // binary64 real, binary64 imaginary
    qubsinglearr = 17,        // binary32 per element
    qubsinglecomplexarr = 18, // binary32 real, binary32 imaginary
    qubbytearr = 19           // 1 byte per element
};

struct tdata {
    std::int32_t id = 0;           // type code
    std::vector<std::uint8_t> arr; // the value's bytes as stored in the file
};

struct tnode {
    std::string section; // program text (UTF-8); 8-bit in the file
    std::string key;
    tdata data;
};

// Environment variable naming a settings folder that replaces the per-user one.
inline constexpr const char* settingsdirvariable = "GRAVON_SETTINGS_DIR";

class TQUBFile {
  public:
    TQUBFile() = default;

    // Removes all entries.
    void clear() { fnodes.clear(); }

    // Reads a container; an empty name means settings_filename(). False when the file is not a
    // container or cannot be read completely; the entry list is then empty, FileId and the read
    // texts are cleared and ReadError() says what was wrong, naming the file.
    bool open_file(const std::string& filename);
    // Writes the container; an empty name means settings_filename(). Missing folders are
    // created. The file is replaced only once it was written completely. Raises EQUBfileError
    // without ProgId, EOSError when the file cannot be written.
    void save_file(const std::string& filename);
    // True when the file starts with one of the two container signatures.
    static bool isQUBfile(const std::string& filename);
    // The per-user settings file: the user's application-data folder / company / product name /
    // version / SettingsFileName, its folders created. Raises EQUBfileError without ProgId.
    std::string settings_filename() const;

    void writebool(const std::string& section, const std::string& key, bool value);
    bool readbool(const std::string& section, const std::string& key, bool def) const;
    void writeinteger(const std::string& section, const std::string& key, std::int32_t value);
    std::int32_t readinteger(const std::string& section, const std::string& key,
                             std::int32_t def) const;
    void writefloat(const std::string& section, const std::string& key, double value);
    double readfloat(const std::string& section, const std::string& key, double def) const;
    void writestring(const std::string& section, const std::string& key, const std::string& value);
    std::string readstring(const std::string& section, const std::string& key,
                           const std::string& def) const;
    void writebytearr(const std::string& section, const std::string& key, const tbytearr& value);
    tbytearr readbytearr(const std::string& section, const std::string& key,
                         const tbytearr& def) const;
    void writesmallintarr(const std::string& section, const std::string& key,
                          const tsmallintarr& value);
    tsmallintarr readsmallintarr(const std::string& section, const std::string& key,
                                 const tsmallintarr& def) const;
    // Singles are widened and stored as doubles.
    void writedoublearr(const std::string& section, const std::string& key,
                        const tdoublearr& value);
    void writedoublearr(const std::string& section, const std::string& key,
                        const tsinglearr& value);
    tdoublearr readdoublearr(const std::string& section, const std::string& key,
                             const tdoublearr& def) const;
    // Doubles are narrowed and stored as singles.
    void writesinglearr(const std::string& section, const std::string& key,
                        std::span<const float> value);
    void writesinglearr(const std::string& section, const std::string& key,
                        const tdoublearr& value);
    tsinglearr readsinglearr(const std::string& section, const std::string& key,
                             const tsinglearr& def) const;
    // Complex singles are widened and stored as complex doubles.
    void writecomplexarr(const std::string& section, const std::string& key,
                         const tcomplexarr& value);
    void writecomplexarr(const std::string& section, const std::string& key,
                         const tsinglecomplexarr& value);
    // Accepts complex doubles and, widened, complex singles.
    tcomplexarr readcomplexarr(const std::string& section, const std::string& key,
                               const tcomplexarr& def) const;
    // Complex doubles are narrowed and stored as complex singles.
    void writesinglecomplexarr(const std::string& section, const std::string& key,
                               const tsinglecomplexarr& value);
    void writesinglecomplexarr(const std::string& section, const std::string& key,
                               const tcomplexarr& value);
    tsinglecomplexarr readsinglecomplexarr(const std::string& section, const std::string& key,
                                           const tsinglecomplexarr& def) const;

    // Raw access to the entries in list order.
    int nnodes() const { return static_cast<int>(fnodes.size()); }
    const tnode& get_nodeno(int index) const;

    // The signature bytes read by the last open_file, each as "#" and two hex digits.
    std::string Idstr() const;

    const std::string& FileId() const { return ffileid; }
    void setFileId(std::string v) { ffileid = std::move(v); }
    const std::string& FileVersion() const { return ffileversion; }
    void setFileVersion(std::string v) { ffileversion = std::move(v); }
    const TProgId* ProgId() const { return fprogid; }
    void setProgId(const TProgId* v) { fprogid = v; }
    const std::string& SettingsFileName() const { return fsettingsfilename; }
    void setSettingsFileName(std::string v) { fsettingsfilename = std::move(v); }

    const std::string& readfileversion() const { return freadfileversion; }
    const std::string& readproductname() const { return freadproductname; }
    const std::string& readproductversion() const { return freadproductversion; }
    // Why the last open_file returned false; empty after a successful open.
    const std::string& ReadError() const { return freaderror; }

  private:
    void put(const std::string& section, const std::string& key, tdata data);
    // The entry that counts (the last match), or nullptr.
    const tdata* find(const std::string& section, const std::string& key) const;
    // The stored data of the expected type, or nullptr when there is no entry. Raises
    // EQUBfileError when the entry holds another type.
    const tdata* find_typed(const std::string& section, const std::string& key,
                            std::int32_t expected) const;
    void read_all(const std::string& filename);
    const TProgId& progid() const;

    std::vector<tnode> fnodes;
    std::string ffileid;
    std::string ffileversion = "0.0";
    const TProgId* fprogid = nullptr;
    std::string fsettingsfilename = "settings.qubfile";
    std::string freadfileversion;
    std::string freadproductname;
    std::string freadproductversion;
    std::string fidbytes;
    std::string freaderror;
};

} // namespace gravon
