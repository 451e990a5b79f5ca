#include "files/stdpg_file.h"

#include "base/number_text.h"
#include "base/rounding.h"
#include "base/text_utils.h"
#include "files/group_items.h"
#include "files/safe_file.h"
#include "files/session_items.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace gravon {

namespace {

constexpr std::int32_t columnsize = 4; // bytes of one IEEE binary32 column
constexpr std::int32_t maxrecords = nf0bins * nlevelbins;

std::string trimmed(const std::string& s) {
    std::size_t a = 0, b = s.size();
    while (a < b && static_cast<unsigned char>(s[a]) <= ' ') ++a;
    while (b > a && static_cast<unsigned char>(s[b - 1]) <= ' ') --b;
    return s.substr(a, b - a);
}

// Field n (from 1) of a comma-separated value, without surrounding blanks and lower-cased,
// for the comparisons of the layout checks.
std::string keyfield(const std::string& value, int n) {
    return lowercase(trimmed(commafield(value, n)));
}

bool beginswith(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// A decimal integer with optional blanks around it and an optional sign.
std::optional<std::int64_t> parseinteger(const std::string& text) {
    const std::string t = trimmed(text);
    const char* b = t.data();
    const char* e = b + t.size();
    if (b < e && *b == '+') ++b;
    std::int64_t v = 0;
    const auto r = std::from_chars(b, e, v);
    if (r.ec != std::errc() || r.ptr != e || b == e) return std::nullopt;
    return v;
}

std::optional<double> parsenumber(const std::string& text) {
    try {
        return strtofloatdot(text);
    } catch (const EConvertError&) {
        return std::nullopt;
    }
}

std::string key(int k, const char* what) {
    std::string s(1, 'p');
    s += std::to_string(k);
    s += '.';
    s += what;
    return s;
}

// The 16-bit words of a record as the container stores them: the little-endian bytes of
// each binary32 value, two bytes to a word (low byte first).
void putcolumn(tsamplechunk& block, int column, float value) {
    const std::uint32_t bits = std::bit_cast<std::uint32_t>(value);
    block.data[std::size_t(2 * column)] = std::int16_t(std::uint16_t(bits & 0xFFFFu));
    block.data[std::size_t(2 * column + 1)] = std::int16_t(std::uint16_t(bits >> 16));
}

// The binary32 value at a byte offset of a record held as 16-bit words.
float getcolumn(const tsamplechunk& block, std::int32_t offset) {
    std::uint32_t bits = 0;
    for (int b = 0; b < columnsize; ++b) {
        const std::int32_t at = offset + b;
        const auto word = std::uint16_t(block.data[std::size_t(at / 2)]);
        const std::uint32_t byte = (at % 2 == 0) ? (word & 0xFFu) : (word >> 8);
        bits |= byte << (8 * b);
    }
    return std::bit_cast<float>(bits);
}

// Deletes every item of the key, in whatever letter case the file spells it.
void eraseitem(TSMPfile& file, const std::string& k) {
    for (;;) {
        std::string found;
        for (const std::string& line : file.Items()) {
            const std::string linekey = line.substr(0, line.find('='));
            if (lowercase(trimmed(linekey)) == k) {
                found = linekey;
                break;
            }
        }
        if (found.empty()) return;
        const std::size_t before = file.Items().size();
        file.set_item(found, "");
        if (file.Items().size() == before) return; // nothing more it can delete
    }
}

// One check of the reader's layout table: the item, the test and the message that, followed
// by the item's whole value, refuses the file.
enum class ttest { equals, atleast3, beginswith, fieldis, fieldint, fieldnear1 };

struct tlayoutcheck {
    const char* item;
    ttest test;
    int field;
    const char* ref;
    double num;
    const char* message;
};

constexpr std::array<tlayoutcheck, 23> layoutchecks = {{
    {"file", ttest::equals, 0, "phonetogram", 0, "This is not a stdpg phonetogram: "},
    {"fileversion", ttest::equals, 0, "1", 0, "File has the wrong version: "},
    {"nparams", ttest::atleast3, 0, "", 0, "Too few parameters: "},
    {"p0.entity", ttest::beginswith, 1, "f0", 0, "Parameter 0 is not F0: "},
    {"p0.entity", ttest::fieldis, 2, "bins", 0, "Parameter 0 is not bins: "},
    {"p0.class", ttest::fieldis, 1, "ieeefloat32", 0, "Parameter 0 is not IEEEfloat32: "},
    {"p0.class", ttest::fieldint, 2, "", 0, "Parameter 0 is not at offset 0: "},
    {"p0.class", ttest::fieldint, 3, "", 4, "Parameter 0 is not of size 4: "},
    {"p0.bins", ttest::fieldnear1, 2, "", 0, "Parameter 0 bin size not 1: "},
    {"p0.view", ttest::fieldis, 3, "stm", 0, "Parameter 0 bin unit not STM: "},
    {"p1.entity", ttest::beginswith, 1, "spl", 0, "Parameter 1 is not SPL: "},
    {"p1.entity", ttest::fieldis, 2, "bins", 0, "Parameter 1 is not bins: "},
    {"p1.class", ttest::fieldis, 1, "ieeefloat32", 0, "Parameter 1 is not IEEEfloat32: "},
    {"p1.class", ttest::fieldint, 2, "", 4, "Parameter 1 is not at offset 4: "},
    {"p1.class", ttest::fieldint, 3, "", 4, "Parameter 1 is not of size 4: "},
    {"p1.bins", ttest::fieldnear1, 2, "", 0, "Parameter 1 bin size not 1: "},
    {"p1.view", ttest::beginswith, 3, "db", 0, "Parameter 1 bin unit not dB: "},
    {"p2.entity", ttest::beginswith, 1, "acctime", 0, "Parameter 2 is not AccTime: "},
    // The message names parameter 1 although the item is p2; users know it in this wording.
    {"p2.entity", ttest::fieldis, 2, "sum", 0, "Parameter 1 is not sum: "},
    {"p2.class", ttest::fieldis, 1, "ieeefloat32", 0, "Parameter 2 is not IEEEfloat32: "},
    {"p2.class", ttest::fieldint, 2, "", 8, "Parameter 2 is not at offset 8: "},
    {"p2.class", ttest::fieldint, 3, "", 4, "Parameter 2 is not of size 4: "},
    {"p2.view", ttest::fieldis, 3, "s", 0, "Parameter 2 unit not s: "},
}};

bool passes(const tlayoutcheck& c, const std::string& value) {
    switch (c.test) {
    case ttest::equals:
        return lowercase(trimmed(value)) == c.ref;
    case ttest::atleast3: {
        const auto n = parseinteger(value);
        return n && *n >= 3;
    }
    case ttest::beginswith:
        return beginswith(keyfield(value, c.field), c.ref);
    case ttest::fieldis:
        return keyfield(value, c.field) == c.ref;
    case ttest::fieldint: {
        const auto n = parseinteger(commafield(value, c.field));
        return n && double(*n) == c.num;
    }
    case ttest::fieldnear1: {
        const auto x = parsenumber(commafield(value, c.field));
        return x && std::fabs(*x - 1.0) <= 0.0001;
    }
    }
    return false;
}

// The layout of the records as the header describes it.
struct tlayout {
    std::int64_t nparams = 0;          // columns per record
    std::int32_t recordsize = 0;       // bytes
    std::vector<std::int32_t> offsets; // byte offset of each column
    std::string error;                 // pending refusal
};

// The record size: "precsizeinbytes" when it is a positive number, else the end of the last
// column's class, else four bytes per column.
std::int64_t recordsize_of(const TSMPfile& file, std::int64_t nparams) {
    if (const auto rs = parseinteger(file.get_item("precsizeinbytes")); rs && *rs > 0) return *rs;
    if (nparams >= 1 && nparams <= maxstdpgcolumns) {
        const std::int64_t last = nparams - 1;
        std::string cls = file.get_item(key(int(last), "class"));
        if (cls.empty()) {
            // The two-digit spelling of the key, as some files carry it.
            const std::string two = last < 10 ? "0" + std::to_string(last) : std::to_string(last);
            cls = file.get_item("p" + two + ".class");
        }
        const auto offset = parseinteger(commafield(cls, 2));
        const auto size = parseinteger(commafield(cls, 3));
        if (offset && size && *offset >= 0 && *size > 0 && *offset <= maxstdpgrecordsize &&
            *size <= maxstdpgrecordsize)
            return *offset + *size;
    }
    return columnsize * nparams;
}

tlayout read_layout(const TSMPfile& file) {
    tlayout l;
    const std::string nparamsvalue = file.get_item("nparams");
    l.nparams = parseinteger(nparamsvalue).value_or(0);
    const bool countok = l.nparams >= 3 && l.nparams <= maxstdpgcolumns;
    const std::int64_t rs = recordsize_of(file, l.nparams);

    // Checks that keep the reader inside the records it reads. They come before the table,
    // so that a failing table check still gives its own message.
    if (l.nparams > maxstdpgcolumns) l.error = "Too many parameters: " + nparamsvalue;
    if (countok) {
        l.offsets.assign(std::size_t(l.nparams), 0);
        if (rs < columnsize * 3 || rs > maxstdpgrecordsize || rs % 2 != 0) {
            l.error = "Invalid record size: " + std::to_string(rs);
        } else {
            l.recordsize = std::int32_t(rs);
            for (int k = 0; k < int(l.nparams); ++k) {
                const std::string cls = file.get_item(key(k, "class"));
                const std::string p = "Parameter " + std::to_string(k);
                std::int64_t offset = columnsize * k; // where the writer puts a column
                if (k < 3 || !cls.empty()) {
                    if (k >= 3) {
                        if (keyfield(cls, 1) != "ieeefloat32")
                            l.error = p + " is not IEEEfloat32: " + cls;
                        const auto size = parseinteger(commafield(cls, 3));
                        if (!size || *size != columnsize) l.error = p + " is not of size 4: " + cls;
                    }
                    offset = parseinteger(commafield(cls, 2)).value_or(-1);
                }
                if (offset < 0 || offset + columnsize > rs)
                    l.error = p + " is not within the record: " + cls;
                else
                    l.offsets[std::size_t(k)] = std::int32_t(offset);
            }
        }
    }

    for (const tlayoutcheck& c : layoutchecks) {
        const std::string value = file.get_item(c.item);
        if (!passes(c, value)) l.error = c.message + value;
    }
    return l;
}

double distance_item(const TSMPfile& file, const std::string& k, const std::string& fname) {
    const std::string value = file.get_item(k, "-1");
    try {
        return strtofloatdot(value);
    } catch (const EConvertError& e) {
        throw EConvertError(std::string(e.what()) + " (item \"" + k + "\" of " + fname + ")");
    }
}

// Name, aggregation, range and unit of a layer from its "entity" and "view" items. A range
// that is not a number keeps the layer's default.
void set_layer_description(tpgparam& p, const std::string& entity, const std::string& view) {
    p.name = commafield(entity, 1);
    p.entitystr = p.name;
    p.entitytype = aggregation_code(trimmed(commafield(entity, 2)));
    if (const auto lo = parsenumber(commafield(view, 1))) p.min = *lo;
    if (const auto hi = parsenumber(commafield(view, 2))) p.max = *hi;
    p.axisunit = commafield(view, 3);
}

} // namespace

std::int32_t aggregation_code(const std::string& name) {
    const std::string n = lowercase(name);
    if (n == "bins" || n == "last") return entitybins;
    if (n == "sum") return entitysum;
    if (n == "avg" || n == "average") return entityavg;
    if (n == "min") return entitymin;
    if (n == "max") return entitymax;
    return entitynone;
}

std::string aggregation_name(std::int32_t code) {
    switch (code) {
    case entitybins:
        return "bins";
    case entitysum:
        return "sum";
    case entityavg:
        return "avg";
    case entitymin:
        return "min";
    case entitymax:
        return "max";
    default:
        return "";
    }
}

std::string stdpg_channel_file_name(const std::string& fname, char letter) {
    const std::size_t slash = fname.find_last_of("/\\");
    const std::size_t dot = fname.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return fname + letter;
    return fname.substr(0, dot) + letter + fname.substr(dot);
}

std::string format_recorded_time(double seconds) {
    const std::int64_t ms = std::isfinite(seconds) ? roundint64(std::max(seconds, 0.0) * 1000) : 0;
    const std::int64_t s = ms / 1000;
    const std::int64_t h = (s / 3600) % 24, n = (s / 60) % 60, sec = s % 60;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", int(h), int(n), int(sec));
    return buf;
}

std::optional<double> recorded_seconds(const std::string& text) {
    if (text.empty()) return std::nullopt;
    try {
        const double v = strtofloatdot(text);
        if (std::isfinite(v) && v >= 0) return v;
    } catch (const EConvertError&) {
    }
    return std::nullopt;
}

std::optional<double> parse_recorded_time(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = text.find(':', start);
        parts.push_back(trimmed(
            text.substr(start, colon == std::string::npos ? std::string::npos : colon - start)));
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    if (parts.size() < 2 || parts.size() > 3) return std::nullopt;
    const auto digitsonly = [](const std::string& s) {
        return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
    };
    if (!digitsonly(parts[0]) || !digitsonly(parts[1]) || parts[0].size() > 2 ||
        parts[1].size() > 2)
        return std::nullopt;
    const auto h = parseinteger(parts[0]), n = parseinteger(parts[1]);
    if (!h || !n || *h > 23 || *n > 59) return std::nullopt;
    double s = 0;
    if (parts.size() == 3) {
        const std::string& sec = parts[2];
        const std::size_t dot = sec.find('.');
        const std::string whole = sec.substr(0, dot);
        const std::string frac = dot == std::string::npos ? "" : sec.substr(dot + 1);
        if (!digitsonly(whole) || whole.size() > 2 ||
            (dot != std::string::npos && !digitsonly(frac)))
            return std::nullopt;
        const auto v = parsenumber(sec);
        if (!v || *v >= 60) return std::nullopt;
        s = *v;
    }
    return double(*h) * 3600 + double(*n) * 60 + s;
}

void write_stdpg(TSMPfile& file, const std::string& fname, const tpg& pg,
                 const tstdpgwriteinfo& info) {
    const auto nlayers = std::int64_t(pg.param.size());
    if (nlayers < 2)
        throw EStdpgError("Cannot save the phonetogram " + fname + ": it has no time layer");
    // The layers stored, from the time layer on. An unnamed layer (the recording's spare one)
    // is no measure: stored, it would read back as a nameless choice and an untitled table.
    std::vector<std::size_t> stored{pglayeracctime};
    for (std::size_t l = pglayeracctime + 1; l < pg.param.size(); ++l)
        if (!pg.param[l].name.empty()) stored.push_back(l);
    const auto nparams = std::int64_t(stored.size()) + 2;
    if (nparams > maxstdpgcolumns)
        throw EStdpgError("Cannot save the phonetogram " + fname + ": it has " +
                          std::to_string(nlayers) + " parameters, more than a file can hold");
    for (const tpgparam& p : pg.param)
        if (!p.arr.inside(nf0bins - 1, nlevelbins - 1))
            throw EStdpgError("Cannot save the phonetogram " + fname +
                              ": a parameter layer does not cover the grid");

    // Written next to the target and renamed over it when complete: a save that fails part
    // way leaves the file that was there.
    const auto safefile = [&] {
        try {
            return std::make_unique<TSafeFile>(fname);
        } catch (const EOSError& e) {
            throw EStdpgError(e.what());
        }
    };
    const std::unique_ptr<TSafeFile> out = safefile();
    if (!file.new_file(out->name())) {
        file.close_file();
        throw EStdpgError("Cannot create file " + fname);
    }
    file.setChunknSamples(TSMPfile::maxchunksamples);

    file.set_proc(info.procstamp);
    file.set_item("file", stdpgfiletype);
    file.set_item("fileversion", stdpgfileversion);
    file.set_item("nparams", std::to_string(nparams));
    file.set_item("weighting", "HP@" + floattostrdot(info.hpfreq) + "Hz");
    if (info.recordedtime) {
        file.set_item("recordedtime", format_recorded_time(*info.recordedtime));
        // The clock form keeps whole seconds only; a report made from the file must give the
        // time the take gave. Readers that do not know the item pass it by.
        file.set_item(recordedsecondsitem, floattostrdot(*info.recordedtime));
    }
    file.set_item("precsizeinbytes", std::to_string(columnsize * nparams));
    file.set_item("date", pg.datestr);
    file.set_item("site", pg.recordingsiteid);
    file.set_item("calib", pg.calibstr);
    file.set_item("micdist", floattostrdot(pg.distance));
    file.set_item("actmicdist", floattostrdot(pg.actualdistance));
    write_session_items(file, pg.session);
    write_group_items(file, pg.group);
    file.set_item("p0.entity", "F0To01,bins");
    file.set_item("p0.class", "IEEEfloat32,0,4");
    file.set_item("p0.bins", "-0.5,1,96");
    file.set_item("p0.view", "0,95,STM");
    file.set_item("p1.entity", "SPLTo01,bins");
    file.set_item("p1.class", "IEEEfloat32,4,4");
    file.set_item("p1.bins", "39.5,1,80");
    file.set_item("p1.view", "40,120,dB");
    for (int k = 2; k < int(nparams); ++k) {
        const tpgparam& p = pg.param[stored[std::size_t(k - 2)]];
        file.set_item(key(k, "entity"), p.entitystr + "," + aggregation_name(p.entitytype));
        file.set_item(key(k, "class"), "IEEEfloat32," + std::to_string(columnsize * k) + ",4");
        file.set_item(key(k, "view"),
                      floattostrdot(p.min) + "," + floattostrdot(p.max) + "," + p.axisunit);
    }

    tsamplechunk block;
    block.used = std::int32_t(2 * nparams);
    const tpgarr& time = pg.param[pglayeracctime].arr;
    for (std::int32_t i = 0; i < nlevelbins; ++i)
        for (std::int32_t j = 0; j < nf0bins; ++j) {
            if (!(time[j][i] > 0)) continue;
            putcolumn(block, 0, float(j));
            putcolumn(block, 1, float(i));
            for (std::size_t k = 0; k < stored.size(); ++k)
                putcolumn(block, int(k) + 2, float(pg.param[stored[k]].arr[j][i]));
            const std::int64_t before = file.Position();
            file.setChunk(block);
            if (file.Position() != before + block.used) {
                file.close_file();
                throw EStdpgError("Cannot write file " + fname);
            }
        }

    const bool saved = file.save_file();
    const bool closed = file.close_file();
    if (!saved) throw EStdpgError("Cannot write the header of file " + fname);
    if (!closed) throw EStdpgError("Cannot write file " + fname);
    try {
        out->commit();
    } catch (const EOSError& e) {
        throw EStdpgError(e.what());
    }
}

bool open_stdpg_file(TSMPfile& file, const std::string& fname) {
    return file.open_file(fname, true);
}

tstdpgreadresult read_stdpg(TSMPfile& file, const std::string& fname, tpg& pg,
                            tstdpgparamarr& stdpgparams) {
    tstdpgreadresult result;
    tlayout layout = read_layout(file);

    // A refused count still leaves the two layers every phonetogram has.
    const bool countok = layout.nparams >= 3 && layout.nparams <= maxstdpgcolumns;
    const std::size_t ncolumns = countok ? std::size_t(layout.nparams) : 3;
    pg.param.assign(2, tpgparam{});
    pg.param.reserve(ncolumns - 1);
    // The file column of each layer (layer 0 is not stored).
    std::vector<std::size_t> columnof{0, 2};

    pg.pgname = without_directory(fname);
    pg.datestr = file.get_item("date", "-");
    pg.calibstr = file.get_item("calib", "-");
    pg.recordingsiteid = file.get_item("site", "-");
    pg.distance = distance_item(file, "micdist", fname);
    pg.actualdistance = distance_item(file, "actmicdist", fname);
    pg.visible = true;
    const std::optional<double> seconds = recorded_seconds(file.get_item(recordedsecondsitem, ""));
    pg.recordedtime =
        seconds ? *seconds
                : parse_recorded_time(file.get_item("recordedtime", "0:0:0")).value_or(0.0);
    pg.session = read_session_items(file);
    pg.group = read_group_items(file);

    // Each block read is one record.
    file.setChunknSamples(std::max(layout.recordsize / 2, 1));
    result.layouterror = layout.error;

    pg.param[pglayersolidcolor].name = "SolidColor";
    set_layer_description(pg.param[pglayeracctime], file.get_item("p2.entity"),
                          file.get_item("p2.view"));
    for (std::size_t k = 3; k < ncolumns; ++k) {
        tpgparam p;
        set_layer_description(p, file.get_item(key(int(k), "entity")),
                              file.get_item(key(int(k), "view")));
        // A column without a name is no layer: files of earlier versions carry an unnamed
        // spare one, which would show as a nameless choice and an untitled table.
        if (p.name.empty()) continue;
        bool known = false;
        for (const tstdpgparam& s : stdpgparams)
            if (s.name == p.name) known = true;
        if (!known) stdpgparams.push_back({p.name, 0});
        pg.param.push_back(std::move(p));
        columnof.push_back(k);
    }

    if (!result.layouterror.empty()) return result;

    // The records are binary32 values in little-endian 16-bit words whatever the header says
    // about channels, interleave or byte order.
    eraseitem(file, "nchans");
    eraseitem(file, "scan");
    eraseitem(file, "msb");
    file.setPosition(0);
    clear_pg_cells(pg);

    const std::int32_t words = layout.recordsize / 2;
    tsamplechunk block;
    for (std::int32_t n = 0;; ++n) {
        file.Chunk(block);
        if (block.used <= 0) break;
        if (block.used < words) {
            result.recorderror =
                "The phonetogram file " + fname + " ends inside record " + std::to_string(n + 1);
            break;
        }
        if (n >= maxrecords) {
            result.recorderror =
                "The phonetogram file " + fname + " holds more records than the grid has cells";
            break;
        }
        const float fx = getcolumn(block, layout.offsets[0]);
        const float fy = getcolumn(block, layout.offsets[1]);
        const std::int32_t x = std::isfinite(fx) ? roundint(fx) : -1;
        const std::int32_t y = std::isfinite(fy) ? roundint(fy) : -1;
        if (!bin_in_grid(x, y)) {
            result.recorderror = "The phonetogram file " + fname + " has a cell outside the grid" +
                                 " in record " + std::to_string(n + 1) + ": F0 bin " +
                                 floattostr(fx) + ", level bin " + floattostr(fy);
            break;
        }
        for (std::size_t l = pglayeracctime; l < pg.param.size(); ++l)
            pg.param[l].arr[x][y] = getcolumn(block, layout.offsets[columnof[l]]);
    }
    return result;
}

} // namespace gravon
