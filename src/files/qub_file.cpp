#include "files/qub_file.h"

#include "base/app_folders.h"
#include "base/same_text.h"
#include "files/ansi_text.h"
#include "files/extended_float.h"
#include "files/safe_file.h"

#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

namespace gravon {

namespace fs = std::filesystem;

namespace {

constexpr char signature8[4] = {'Q', 'U', 'B', '1'};
constexpr char signature16[4] = {'Q', '\0', 'U', '\0'};

bool is_signature(const char* b) {
    return std::memcmp(b, signature8, 4) == 0 || std::memcmp(b, signature16, 4) == 0;
}

// Little-endian encoders.
void put_u16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put_u32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void put_u64(std::vector<std::uint8_t>& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void put_f32(std::vector<std::uint8_t>& out, float v) {
    put_u32(out, std::bit_cast<std::uint32_t>(v));
}
void put_f64(std::vector<std::uint8_t>& out, double v) {
    put_u64(out, std::bit_cast<std::uint64_t>(v));
}

std::uint32_t get_u32(const std::uint8_t* p) {
    return p[0] | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint64_t get_u64(const std::uint8_t* p) {
    return get_u32(p) | (static_cast<std::uint64_t>(get_u32(p + 4)) << 32);
}
float get_f32(const std::uint8_t* p) {
    return std::bit_cast<float>(get_u32(p));
}
double get_f64(const std::uint8_t* p) {
    return std::bit_cast<double>(get_u64(p));
}

tdata encoded_bytes(std::int32_t id, std::string_view bytes) {
    tdata d;
    d.id = id;
    d.arr.assign(bytes.begin(), bytes.end());
    return d;
}

// The encoded bytes are reserved once from the first value's size, so that a long signal
// (a 30-minute recording is 300 MB) is not copied again at every doubling of the buffer.
template <class T, class F> tdata encode_array(std::int32_t id, std::span<const T> v, F put) {
    tdata d;
    d.id = id;
    if (v.empty()) return d;
    put(d.arr, v[0]);
    d.arr.reserve(d.arr.size() * v.size());
    for (std::size_t i = 1; i < v.size(); ++i) put(d.arr, v[i]);
    return d;
}
template <class T, class F> tdata encode_array(std::int32_t id, const std::vector<T>& v, F put) {
    return encode_array(id, std::span<const T>(v), put);
}

template <class T, size_t Size, class F> std::vector<T> decode_array(const tdata& d, F get) {
    std::vector<T> r(d.arr.size() / Size);
    for (size_t i = 0; i < r.size(); ++i) r[i] = get(d.arr.data() + i * Size);
    return r;
}

// Sequential reader over an open file that never reads, or allocates, past the file's end.
class treader {
  public:
    treader(std::istream& in, std::uint64_t size, const std::string& name)
        : fin(in), fsize(size), fname(name) {}

    std::uint64_t remaining() const { return fsize - fpos; }
    std::uint64_t pos() const { return fpos; }

    void bytes(void* dst, std::uint64_t n, const char* what) {
        if (n > remaining())
            fail("is truncated: " + std::string(what) + " at byte " + std::to_string(fpos) +
                 " needs " + std::to_string(n) + " bytes, only " + std::to_string(remaining()) +
                 " remain");
        if (n == 0) return;
        fin.read(static_cast<char*>(dst), static_cast<std::streamsize>(n));
        if (fin.gcount() != static_cast<std::streamsize>(n))
            fail("could not be read at byte " + std::to_string(fpos));
        fpos += n;
    }
    std::int32_t int32(const char* what) {
        std::uint8_t b[4];
        bytes(b, 4, what);
        return static_cast<std::int32_t>(get_u32(b));
    }
    // A length or count field: not negative, and not more than the rest of the file can hold
    // at unit bytes each.
    std::uint64_t count(const char* what, std::uint64_t unit) {
        const std::uint64_t at = fpos;
        const std::int32_t n = int32(what);
        if (n < 0)
            fail("is damaged: " + std::string(what) + " at byte " + std::to_string(at) +
                 " is negative (" + std::to_string(n) + ")");
        if (static_cast<std::uint64_t>(n) > remaining() / unit)
            fail("is truncated: " + std::string(what) + " at byte " + std::to_string(at) + " is " +
                 std::to_string(n) + ", more than the remaining " + std::to_string(remaining()) +
                 " bytes can hold");
        return static_cast<std::uint64_t>(n);
    }
    std::string text(const char* what) {
        std::string s(count(what, 1), '\0');
        bytes(s.data(), s.size(), what);
        return s;
    }
    [[noreturn]] void fail(const std::string& problem) const {
        throw EQUBfileError("Settings file " + fname + " " + problem);
    }

  private:
    std::istream& fin;
    std::uint64_t fsize;
    std::uint64_t fpos = 0;
    const std::string& fname;
};

void write_i32(std::ostream& out, std::int64_t v, const std::string& name) {
    if (v < 0 || v > std::numeric_limits<std::int32_t>::max())
        throw EQUBfileError("Cannot save settings file " + name + ": a length of " +
                            std::to_string(v) + " does not fit the file format");
    const auto u = static_cast<std::uint32_t>(v);
    const char b[4] = {static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16),
                       static_cast<char>(u >> 24)};
    out.write(b, 4);
}

void write_text(std::ostream& out, const std::string& ansi, const std::string& name) {
    write_i32(out, static_cast<std::int64_t>(ansi.size()), name);
    out.write(ansi.data(), static_cast<std::streamsize>(ansi.size()));
}

std::string wrong_size(const std::string& section, const std::string& key, size_t have,
                       size_t need) {
    return "Data has wrong size: " + section + "/" + key + " holds " + std::to_string(have) +
           " bytes, not " + std::to_string(need);
}

} // namespace

// ---- entries ---------------------------------------------------------------------------------

void TQUBFile::put(const std::string& section, const std::string& key, tdata data) {
    for (auto it = fnodes.rbegin(); it != fnodes.rend(); ++it) {
        if (same_text_nocase(it->section, section) && same_text_nocase(it->key, key)) {
            it->data = std::move(data);
            return;
        }
    }
    fnodes.push_back(tnode{section, key, std::move(data)});
}

const tdata* TQUBFile::find(const std::string& section, const std::string& key) const {
    for (auto it = fnodes.rbegin(); it != fnodes.rend(); ++it)
        if (same_text_nocase(it->section, section) && same_text_nocase(it->key, key))
            return &it->data;
    return nullptr;
}

const tdata* TQUBFile::find_typed(const std::string& section, const std::string& key,
                                  std::int32_t expected) const {
    const tdata* d = find(section, key);
    if (d && d->id != expected)
        throw EQUBfileError("Data has wrong type: " + std::to_string(d->id) + ", not" +
                            std::to_string(expected));
    return d;
}

const tnode& TQUBFile::get_nodeno(int index) const {
    if (index < 0 || index >= nnodes())
        throw EQUBfileError("Entry " + std::to_string(index) + " does not exist (" +
                            std::to_string(nnodes()) + " entries)");
    return fnodes[static_cast<size_t>(index)];
}

// ---- typed access ----------------------------------------------------------------------------

void TQUBFile::writebool(const std::string& section, const std::string& key, bool value) {
    put(section, key, tdata{qubbool, {static_cast<std::uint8_t>(value ? 1 : 0)}});
}

bool TQUBFile::readbool(const std::string& section, const std::string& key, bool def) const {
    const tdata* d = find_typed(section, key, qubbool);
    if (!d) return def;
    if (d->arr.empty()) throw EQUBfileError(wrong_size(section, key, 0, 1));
    return d->arr[0] != 0;
}

void TQUBFile::writeinteger(const std::string& section, const std::string& key,
                            std::int32_t value) {
    tdata d{qubinteger, {}};
    put_u32(d.arr, static_cast<std::uint32_t>(value));
    put(section, key, std::move(d));
}

std::int32_t TQUBFile::readinteger(const std::string& section, const std::string& key,
                                   std::int32_t def) const {
    const tdata* d = find_typed(section, key, qubinteger);
    if (!d) return def;
    if (d->arr.size() < 4) throw EQUBfileError(wrong_size(section, key, d->arr.size(), 4));
    return static_cast<std::int32_t>(get_u32(d->arr.data()));
}

void TQUBFile::writefloat(const std::string& section, const std::string& key, double value) {
    const textended x = double_to_extended(value);
    put(section, key, tdata{qubfloat, {x.begin(), x.end()}});
}

double TQUBFile::readfloat(const std::string& section, const std::string& key, double def) const {
    const tdata* d = find_typed(section, key, qubfloat);
    if (!d) return def;
    if (d->arr.size() < 10) throw EQUBfileError(wrong_size(section, key, d->arr.size(), 10));
    return extended_to_double(std::span<const std::uint8_t, 10>(d->arr.data(), 10));
}

void TQUBFile::writestring(const std::string& section, const std::string& key,
                           const std::string& value) {
    put(section, key, encoded_bytes(qubstring, utf8_to_ansi(value)));
}

std::string TQUBFile::readstring(const std::string& section, const std::string& key,
                                 const std::string& def) const {
    const tdata* d = find_typed(section, key, qubstring);
    // The default is handed back untouched: passing it through the 8-bit code page would lose
    // characters it cannot represent.
    if (!d) return def;
    return ansi_to_utf8(
        std::string_view(reinterpret_cast<const char*>(d->arr.data()), d->arr.size()));
}

void TQUBFile::writebytearr(const std::string& section, const std::string& key,
                            const tbytearr& value) {
    put(section, key, tdata{qubbytearr, value});
}

tbytearr TQUBFile::readbytearr(const std::string& section, const std::string& key,
                               const tbytearr& def) const {
    const tdata* d = find_typed(section, key, qubbytearr);
    return d ? d->arr : def;
}

void TQUBFile::writesmallintarr(const std::string& section, const std::string& key,
                                const tsmallintarr& value) {
    put(section, key, encode_array(qubsmallintarr, value, [](auto& out, std::int16_t x) {
            put_u16(out, static_cast<std::uint16_t>(x));
        }));
}

tsmallintarr TQUBFile::readsmallintarr(const std::string& section, const std::string& key,
                                       const tsmallintarr& def) const {
    const tdata* d = find_typed(section, key, qubsmallintarr);
    if (!d) return def;
    return decode_array<std::int16_t, 2>(
        *d, [](const std::uint8_t* p) { return static_cast<std::int16_t>(p[0] | (p[1] << 8)); });
}

void TQUBFile::writedoublearr(const std::string& section, const std::string& key,
                              const tdoublearr& value) {
    put(section, key, encode_array(qubdoublearr, value, put_f64));
}

void TQUBFile::writedoublearr(const std::string& section, const std::string& key,
                              const tsinglearr& value) {
    put(section, key, encode_array(qubdoublearr, value, [](auto& out, float x) {
            put_f64(out, static_cast<double>(x));
        }));
}

tdoublearr TQUBFile::readdoublearr(const std::string& section, const std::string& key,
                                   const tdoublearr& def) const {
    const tdata* d = find_typed(section, key, qubdoublearr);
    return d ? decode_array<double, 8>(*d, get_f64) : def;
}

void TQUBFile::writesinglearr(const std::string& section, const std::string& key,
                              std::span<const float> value) {
    put(section, key, encode_array(qubsinglearr, value, put_f32));
}

void TQUBFile::writesinglearr(const std::string& section, const std::string& key,
                              const tdoublearr& value) {
    put(section, key, encode_array(qubsinglearr, value, [](auto& out, double x) {
            put_f32(out, static_cast<float>(x));
        }));
}

tsinglearr TQUBFile::readsinglearr(const std::string& section, const std::string& key,
                                   const tsinglearr& def) const {
    const tdata* d = find_typed(section, key, qubsinglearr);
    return d ? decode_array<float, 4>(*d, get_f32) : def;
}

void TQUBFile::writecomplexarr(const std::string& section, const std::string& key,
                               const tcomplexarr& value) {
    put(section, key, encode_array(qubcomplexarr, value, [](auto& out, const tcomplex& c) {
            put_f64(out, c.re);
            put_f64(out, c.im);
        }));
}

void TQUBFile::writecomplexarr(const std::string& section, const std::string& key,
                               const tsinglecomplexarr& value) {
    put(section, key, encode_array(qubcomplexarr, value, [](auto& out, const tsinglecomplex& c) {
            put_f64(out, static_cast<double>(c.re));
            put_f64(out, static_cast<double>(c.im));
        }));
}

tcomplexarr TQUBFile::readcomplexarr(const std::string& section, const std::string& key,
                                     const tcomplexarr& def) const {
    const tdata* d = find(section, key);
    if (!d) return def;
    if (d->id == qubsinglecomplexarr)
        return decode_array<tcomplex, 8>(*d, [](const std::uint8_t* p) {
            return tcomplex{static_cast<double>(get_f32(p)), static_cast<double>(get_f32(p + 4))};
        });
    d = find_typed(section, key, qubcomplexarr);
    return decode_array<tcomplex, 16>(*d, [](const std::uint8_t* p) {
        return tcomplex{get_f64(p), get_f64(p + 8)};
    });
}

void TQUBFile::writesinglecomplexarr(const std::string& section, const std::string& key,
                                     const tsinglecomplexarr& value) {
    put(section, key,
        encode_array(qubsinglecomplexarr, value, [](auto& out, const tsinglecomplex& c) {
            put_f32(out, c.re);
            put_f32(out, c.im);
        }));
}

void TQUBFile::writesinglecomplexarr(const std::string& section, const std::string& key,
                                     const tcomplexarr& value) {
    put(section, key, encode_array(qubsinglecomplexarr, value, [](auto& out, const tcomplex& c) {
            put_f32(out, static_cast<float>(c.re));
            put_f32(out, static_cast<float>(c.im));
        }));
}

tsinglecomplexarr TQUBFile::readsinglecomplexarr(const std::string& section, const std::string& key,
                                                 const tsinglecomplexarr& def) const {
    const tdata* d = find_typed(section, key, qubsinglecomplexarr);
    if (!d) return def;
    return decode_array<tsinglecomplex, 8>(*d, [](const std::uint8_t* p) {
        return tsinglecomplex{get_f32(p), get_f32(p + 4)};
    });
}

// ---- files -----------------------------------------------------------------------------------

const TProgId& TQUBFile::progid() const {
    if (!fprogid) throw EQUBfileError("Nothing assigned to ProgId");
    return *fprogid;
}

std::string TQUBFile::settings_filename() const {
    const TProgId& id = progid();
    // A run that is given its own settings folder (the headless program's --settings-dir)
    // keeps every settings file there, directly.
    if (const char* own = std::getenv(settingsdirvariable); own && *own) {
        const fs::path folder(own);
        std::error_code ec;
        fs::create_directories(folder, ec);
        return (folder / fsettingsfilename).string();
    }
    const std::string base = app_data_folder(tappfolder::localappdata);
    if (base.empty()) // no per-user folder: the system folder, named after the product
        return (fs::path(system_folder()) / (id.ProductName() + ".qubfile")).string();
    const fs::path folder = fs::path(base) / id.Company() / id.ProductName() / id.Version();
    std::error_code ec;
    // A folder that cannot be created is reported by the save that needs it.
    fs::create_directories(folder, ec);
    return (folder / fsettingsfilename).string();
}

bool TQUBFile::isQUBfile(const std::string& filename) {
    std::ifstream in(filename, std::ios::binary);
    char b[4];
    if (!in.read(b, 4)) return false;
    return is_signature(b);
}

std::string TQUBFile::Idstr() const {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string r;
    for (char ch : fidbytes) {
        const auto b = static_cast<unsigned char>(ch);
        r += '#';
        r += hex[b >> 4];
        r += hex[b & 15];
    }
    return r;
}

void TQUBFile::read_all(const std::string& name) {
    std::error_code ec;
    if (fs::is_directory(name, ec)) throw EQUBfileError("Settings file " + name + " is a folder");
    std::ifstream in(name, std::ios::binary);
    if (!in) throw EQUBfileError("Cannot open settings file " + name + ": " + std::strerror(errno));
    in.seekg(0, std::ios::end);
    const std::streamoff end = in.tellg();
    in.seekg(0, std::ios::beg);
    if (end < 0 || !in) throw EQUBfileError("Cannot read settings file " + name);

    treader r(in, static_cast<std::uint64_t>(end), name);
    char sig[4] = {};
    const std::uint64_t nsig = r.remaining() < 4 ? r.remaining() : 4;
    r.bytes(sig, nsig, "the signature");
    fidbytes.assign(sig, nsig);
    if (nsig < 4 || !is_signature(sig))
        r.fail("is not a settings container (signature " + Idstr() + ")");

    ffileid = ansi_to_utf8(r.text("the file identity"));
    freadfileversion = ansi_to_utf8(r.text("the file version"));
    freadproductname = ansi_to_utf8(r.text("the product name"));
    freadproductversion = ansi_to_utf8(r.text("the product version"));
    // Every entry takes at least 16 bytes (two lengths, the type and the byte count).
    const std::uint64_t n = r.count("the entry count", 16);
    for (std::uint64_t i = 0; i < n; ++i) {
        tnode node;
        node.section = ansi_to_utf8(r.text("a section name"));
        node.key = ansi_to_utf8(r.text("a key"));
        node.data.id = r.int32("a type code");
        node.data.arr.resize(static_cast<size_t>(r.count("a byte count", 1)));
        r.bytes(node.data.arr.data(), node.data.arr.size(), "the value");
        fnodes.push_back(std::move(node));
    }
}

bool TQUBFile::open_file(const std::string& filename) {
    fnodes.clear();
    fidbytes.clear();
    freaderror.clear();
    const std::string name = filename.empty() ? settings_filename() : filename;
    try {
        read_all(name);
        return true;
    } catch (const EGravonError& e) {
        freaderror = e.what();
    } catch (const std::bad_alloc&) {
        freaderror = "Settings file " + name + " is too large to be read";
    }
    // A failed open must not look like a container of the expected kind without entries, so
    // the identity read (or left from an earlier file) goes too.
    fnodes.clear();
    fnodes.shrink_to_fit();
    ffileid.clear();
    freadfileversion.clear();
    freadproductname.clear();
    freadproductversion.clear();
    return false;
}

void TQUBFile::save_file(const std::string& filename) {
    const TProgId& id = progid();
    const std::string name = filename.empty() ? settings_filename() : filename;
    TSafeFile f(name, true);
    std::ostream& out = f.stream();
    out.write(signature8, 4);
    write_text(out, utf8_to_ansi(ffileid), name);
    write_text(out, utf8_to_ansi(ffileversion), name);
    write_text(out, utf8_to_ansi(id.ProductName()), name);
    write_text(out, utf8_to_ansi(id.Version()), name);
    write_i32(out, static_cast<std::int64_t>(fnodes.size()), name);
    for (const tnode& node : fnodes) {
        write_text(out, utf8_to_ansi(node.section), name);
        write_text(out, utf8_to_ansi(node.key), name);
        const auto idbits = static_cast<std::uint32_t>(node.data.id);
        const char b[4] = {static_cast<char>(idbits), static_cast<char>(idbits >> 8),
                           static_cast<char>(idbits >> 16), static_cast<char>(idbits >> 24)};
        out.write(b, 4);
        write_i32(out, static_cast<std::int64_t>(node.data.arr.size()), name);
        out.write(reinterpret_cast<const char*>(node.data.arr.data()),
                  static_cast<std::streamsize>(node.data.arr.size()));
    }
    f.commit();
}

} // namespace gravon
