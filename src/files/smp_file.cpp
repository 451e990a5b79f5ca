#include "files/smp_file.h"

#include "base/number_text.h"
#include "base/text_utils.h"
#include "files/oem_codepage.h"
#include "files/utf8_path.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <set>

namespace gravon {

namespace {

bool isblankchar(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string trim(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && isblankchar(s[a])) ++a;
    while (b > a && isblankchar(s[b - 1])) --b;
    return s.substr(a, b - a);
}

bool sameignorecase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// CR, LF, 00, 04 and 1A end lines or the header; no stored text may contain them.
std::string sanitize(const std::string& s) {
    std::string r = s;
    for (char& c : r)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return r;
}

// At most n characters of UTF-8 text, never cutting a character in two.
std::string firstchars(const std::string& s, size_t n) {
    size_t chars = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) continue;
        if (chars == n) return s.substr(0, i);
        ++chars;
    }
    return s;
}

std::string keyof(const std::string& line) {
    return line.substr(0, line.find('='));
}
std::string valueof(const std::string& line) {
    size_t eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

// A decimal integer with optional blanks around it and an optional sign.
bool parseint32(const std::string& text, std::int32_t& out) {
    std::string t = trim(text);
    const char* b = t.data();
    const char* e = t.data() + t.size();
    if (b < e && *b == '+') ++b;
    auto r = std::from_chars(b, e, out);
    return r.ec == std::errc{} && r.ptr == e && b != e;
}

bool readpair(const std::string& text, tdoublepair& out) {
    try {
        out.lo = strtofloatdot(commafield(text, 1));
        out.hi = strtofloatdot(commafield(text, 2));
        return true;
    } catch (const EConvertError&) {
        return false;
    }
}

// Keys "L" + n (n >= 1) hold labels.
int labelnumber(const std::string& key) {
    if (key.size() < 2 || (key[0] != 'L' && key[0] != 'l') || key.size() > 10) return 0;
    int n = 0;
    for (size_t i = 1; i < key.size(); ++i) {
        if (key[i] < '0' || key[i] > '9') return 0;
        n = n * 10 + (key[i] - '0');
    }
    return n;
}

std::string nowtext() {
    std::time_t t = std::time(nullptr);
    char buf[64] = "";
    if (const std::tm* tm = std::localtime(&t))
        std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", tm);
    return buf;
}

void swapbytes(std::int16_t* p, std::int64_t n) {
    for (std::int64_t i = 0; i < n; ++i) {
        auto u = static_cast<std::uint16_t>(p[i]);
        p[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>((u >> 8) | (u << 8)));
    }
}

std::int64_t streamlength(std::fstream& f) {
    f.clear();
    f.seekg(0, std::ios::end);
    auto s = static_cast<std::int64_t>(f.tellg());
    f.clear();
    return s < 0 ? 0 : s;
}

std::int64_t readat(std::fstream& f, std::int64_t offset, char* dst, std::int64_t n) {
    f.clear();
    f.seekg(offset);
    if (!f) {
        f.clear();
        return 0;
    }
    f.read(dst, n);
    auto got = static_cast<std::int64_t>(f.gcount());
    f.clear();
    return got;
}

bool writeat(std::fstream& f, std::int64_t offset, const char* src, std::int64_t n) {
    f.clear();
    f.seekp(offset);
    if (!f) return false;
    f.write(src, n);
    return static_cast<bool>(f);
}

} // namespace

TSMPfile::TSMPfile() : headimage(headimagesize, 0), piece(maxchunksamples, 0) {}

TSMPfile::~TSMPfile() {
    close_file();
}

// ---------------------------------------------------------------------------------------
// Items

int TSMPfile::findexact(const std::string& key) const {
    for (size_t i = 0; i < items.size(); ++i)
        if (keyof(items[i]) == key) return static_cast<int>(i);
    return -1;
}

std::string TSMPfile::storedkey(const std::string& key) const {
    for (const auto& line : items)
        if (sameignorecase(keyof(line), key)) return keyof(line);
    return key;
}

std::string TSMPfile::get_item(const std::string& key, const std::string& def) const {
    if (trim(key).empty()) return def;
    for (const auto& line : items) {
        if (!sameignorecase(keyof(line), key)) continue;
        std::string value = valueof(line);
        if (trim(value).empty()) continue;
        return firstchars(value, maxvaluelength);
    }
    return def;
}

void TSMPfile::set_item(const std::string& key, const std::string& value) {
    const std::string k = sanitize(key);
    const std::string v = sanitize(value);
    if (trim(k).empty()) return;
    changed();
    if (v.empty()) {
        std::erase_if(items, [&k](const std::string& line) { return keyof(line) == k; });
        if (sameignorecase(k, "labels")) externallabels = false;
        return;
    }
    const std::string line = k + "=" + v;
    int idx = findexact(k);
    if (idx >= 0) {
        items[idx] = line;
        for (size_t i = items.size(); i-- > static_cast<size_t>(idx) + 1;)
            if (keyof(items[i]) == k) items.erase(items.begin() + static_cast<long>(i));
    } else {
        items.push_back(line);
        idx = static_cast<int>(items.size()) - 1;
    }
    if (sameignorecase(k, "head") && idx > 0) {
        items.erase(items.begin() + idx);
        items.insert(items.begin(), line);
    }
    if (sameignorecase(k, "labels")) {
        csvfilename = v;
        externallabels = true;
        loadlabelfile(v);
    }
}

void TSMPfile::setitemstored(const std::string& key, const std::string& value) {
    set_item(storedkey(key), value);
}

void TSMPfile::add_line(const std::string& line) {
    size_t eq = line.find('=');
    if (eq == std::string::npos)
        set_item(line, "");
    else
        set_item(line.substr(0, eq), line.substr(eq + 1));
}

void TSMPfile::set_nonpresent_item(const std::string& key, const std::string& value) {
    if (!hasitem(key)) set_item(key, value);
}

void TSMPfile::add_nonpresent_line(const std::string& line) {
    size_t eq = line.find('=');
    if (!hasitem(line.substr(0, eq))) add_line(line);
}

void TSMPfile::set_proc(const std::string& procstr) {
    int n = 0;
    while (hasitem("proc" + std::to_string(n))) ++n;
    set_item("proc" + std::to_string(n), procstr);
}

void TSMPfile::validate_items() {
    for (size_t i = 0; i < items.size(); ++i)
        if (sameignorecase(keyof(items[i]), "head")) {
            if (i > 0)
                std::rotate(items.begin(), items.begin() + static_cast<long>(i),
                            items.begin() + static_cast<long>(i) + 1);
            break;
        }
    std::erase_if(items, [](const std::string& line) {
        return trim(keyof(line)).empty() || trim(valueof(line)).empty();
    });
    std::set<std::string> seen;
    std::erase_if(items,
                  [&seen](const std::string& line) { return !seen.insert(keyof(line)).second; });
    externallabels = hasitem("labels");
    changed();
}

void TSMPfile::insert_nonpresent_defaults() {
    if (!hasitem("head")) set_item("head", std::to_string(defheadsize));
    if (!hasitem("file")) set_item("file", defFileType);
    if (!hasitem("sftot")) set_item("sftot", formatfloatdot("0.######", defSfTot));
    if (!hasitem("nchans")) set_item("nchans", std::to_string(defnChans));
    if (!hasitem("msb")) set_item("msb", defMSBFirst ? "first" : "last");
    if (!hasitem("view")) setChannelView(-1, {-1, 1});
    if (!hasitem("range")) setChannelRange(-1, {-32768, 32768});
    if (!hasitem("date")) set_item("date", nowtext());
}

void TSMPfile::clear() {
    items.clear();
    Comment.clear();
    labels.clear();
    std::fill(headimage.begin(), headimage.end(), 0);
    defheadsize = 1024;
    defFileType = "samp";
    defSfTot = 16000;
    defnChans = 1;
    defMSBFirst = false;
    defViewLo = -1;
    defViewHi = 1;
    defRangeLo = -32768;
    defRangeHi = 32768;
    Overwrite = true;
    externallabels = false;
    csvfilename.clear();
    EraseCSVFile = true;
    chunknsamples = maxchunksamples;
    changed();
}

// ---------------------------------------------------------------------------------------
// Header properties

std::int32_t TSMPfile::HeadSize() const {
    std::int32_t v = 0;
    if (parseint32(get_item("head"), v) && v >= 0) return v;
    return defheadsize;
}

void TSMPfile::setHeadSize(std::int32_t v) {
    setitemstored("head", std::to_string(v));
}

std::string TSMPfile::FileType() const {
    return get_item("file", defFileType);
}

void TSMPfile::setFileType(const std::string& v) {
    setitemstored("file", v);
}

double TSMPfile::SfTot() const {
    std::string v = get_item("sftot");
    if (v.empty()) return defSfTot;
    try {
        return strtofloatdot(v);
    } catch (const EConvertError&) {
        return defSfTot;
    }
}

void TSMPfile::setSfTot(double v) {
    setitemstored("sftot", formatfloatdot("0.######", v));
}

std::int32_t TSMPfile::nChans() const {
    std::int32_t v = 0;
    if (parseint32(get_item("nchans"), v)) return v;
    return defnChans;
}

void TSMPfile::setnChans(std::int32_t v) {
    setitemstored("nchans", std::to_string(v));
}

bool TSMPfile::MSBFirst() const {
    std::string v = lowercase(trim(get_item("msb")));
    if (v == "first") return true;
    if (v == "last") return false;
    return defMSBFirst;
}

void TSMPfile::setMSBFirst(bool v) {
    setitemstored("msb", v ? "first" : "last");
}

std::string TSMPfile::ScanStr() const {
    return get_item("scan");
}

void TSMPfile::setScanStr(const std::string& v) {
    setitemstored("scan", v);
    rewindall();
}

const tsmpscan& TSMPfile::scan() const {
    if (cache.version != version) {
        cache.scan = buildsmpscan(get_item("scan"), hasitem("scan"), nChans(), filename);
        cache.version = version;
    }
    return cache.scan;
}

std::int32_t TSMPfile::ScanCount() const {
    return scan().count();
}

bool TSMPfile::IsSplitRate() const {
    return ScanCount() != nChans();
}

std::int32_t TSMPfile::ChannelPitch(int n) const {
    const tsmpscan& s = scan();
    return (n >= 0 && n < static_cast<int>(s.pitch.size())) ? s.pitch[n] : 0;
}

std::int32_t TSMPfile::ChannelFirst(int n) const {
    const tsmpscan& s = scan();
    return (n >= 0 && n < static_cast<int>(s.first.size())) ? s.first[n] : -1;
}

double TSMPfile::ChannelSampFreq(int n) const {
    int pitch = ChannelPitch(n);
    if (pitch <= 0) return 0;
    double f = SfTot() / pitch;
    return (std::isfinite(f) && f >= 0) ? f : 0;
}

// ---------------------------------------------------------------------------------------
// Channel descriptions

tdoublepair TSMPfile::ChannelView(int n) const {
    std::string v =
        n >= 0 ? get_item("view" + std::to_string(n), get_item("view")) : get_item("view");
    tdoublepair p;
    if (readpair(v, p)) return p;
    return {defViewLo, defViewHi};
}

std::string TSMPfile::ChannelUnit(int n) const {
    std::string v =
        n >= 0 ? get_item("view" + std::to_string(n), get_item("view")) : get_item("view");
    return commafield(v, 3);
}

std::string TSMPfile::viewkey(int n) const {
    if (n < 0) return "view";
    if (n == 0 && nChans() == 1 && hasitem("view") && !hasitem("view0")) return "view";
    return "view" + std::to_string(n);
}

void TSMPfile::setChannelView(int n, const tdoublepair& v) {
    std::string unit = ChannelUnit(n);
    std::string value = roundsigdigits(nViewDigits, v.lo) + "," + roundsigdigits(nViewDigits, v.hi);
    if (!unit.empty()) value += "," + unit;
    setitemstored(viewkey(n), value);
}

void TSMPfile::setChannelUnit(int n, const std::string& unit) {
    tdoublepair v = ChannelView(n);
    std::string value = roundsigdigits(nViewDigits, v.lo) + "," + roundsigdigits(nViewDigits, v.hi);
    if (!unit.empty()) value += "," + unit;
    setitemstored(viewkey(n), value);
}

tdoublepair TSMPfile::ChannelRange(int n) const {
    std::string v =
        n >= 0 ? get_item("range" + std::to_string(n), get_item("range")) : get_item("range");
    tdoublepair p;
    // An empty span would make every sample infinite; it counts as unreadable.
    if (readpair(v, p) && p.lo != p.hi) return p;
    return {defRangeLo, defRangeHi};
}

void TSMPfile::setChannelRange(int n, const tdoublepair& r) {
    setitemstored(n < 0 ? "range" : "range" + std::to_string(n),
                  floattostrdot(r.lo) + "," + floattostrdot(r.hi));
}

std::string TSMPfile::ChannelName(int n) const {
    std::string ch = "ch" + std::to_string(n);
    return get_item("channel" + std::to_string(n), get_item(ch));
}

void TSMPfile::setChannelName(int n, const std::string& name) {
    std::string channel = "channel" + std::to_string(n);
    std::string ch = "ch" + std::to_string(n);
    setitemstored(!hasitem(channel) && hasitem(ch) ? ch : channel, name);
}

// ---------------------------------------------------------------------------------------
// Labels

std::string TSMPfile::labelfilepath(const std::string& name) const {
    std::filesystem::path p = utf8path(name);
    if (p.is_relative() && !filename.empty()) p = utf8path(filename).parent_path() / p;
    return pathtoutf8(p);
}

void TSMPfile::loadlabelfile(const std::string& name) {
    // A label file that does not exist yet leaves the labels as they are, so that they are
    // written to it with the next save.
    readlabelfile(labelfilepath(name), filename, labels);
}

void TSMPfile::labelsfromitems() {
    std::vector<std::pair<int, std::string>> found;
    for (const auto& line : items)
        if (int n = labelnumber(keyof(line)); n > 0) found.emplace_back(n, valueof(line));
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    labels.clear();
    for (const auto& [n, value] : found) labels.push_back(parselabel(value));
}

void TSMPfile::removelabelitems() {
    std::erase_if(items, [](const std::string& line) { return labelnumber(keyof(line)) > 0; });
    changed();
}

void TSMPfile::labelstoitems() {
    removelabelitems();
    for (size_t i = 0; i < labels.size(); ++i) {
        std::string key = "L";
        key += std::to_string(i + 1);
        set_item(key, labelline(labels[i]));
    }
}

void TSMPfile::setExternalLabels(bool on) {
    if (on) {
        if (csvfilename.empty() && !filename.empty())
            csvfilename = pathtoutf8(utf8path(filename).replace_extension(".csv"));
        if (!csvfilename.empty()) {
            for (auto& line : items)
                if (sameignorecase(keyof(line), "labels"))
                    line = keyof(line) + "=" + sanitize(csvfilename);
            if (!hasitem("labels")) items.push_back("labels=" + sanitize(csvfilename));
            changed();
        }
        externallabels = true;
    } else {
        std::erase_if(
            items, [](const std::string& line) { return sameignorecase(keyof(line), "labels"); });
        changed();
        externallabels = false;
    }
}

void TSMPfile::add_label(double start, double length, const std::string& text) {
    labels.push_back({start, length, sanitize(text)});
}

void TSMPfile::ScaleLabelsBy(double factor) {
    for (auto& l : labels) {
        l.start *= factor;
        l.length *= factor;
    }
}

// ---------------------------------------------------------------------------------------
// Header image

void TSMPfile::parseheader(std::int64_t nread) {
    std::string line;
    bool incomments = false;
    std::int64_t textend = -1;
    for (std::int64_t i = 0; i < nread; ++i) {
        const std::uint8_t b = headimage[static_cast<size_t>(i)];
        if (b == 0x04 || b == '\r') continue;
        if (b != '\n' && b != 0x00 && b != 0x1A) {
            line += static_cast<char>(b);
            continue;
        }
        if (!line.empty()) {
            std::string text = oemtotext(line);
            if (incomments) {
                Comment.push_back(text);
            } else if (text == "=") {
                incomments = true;
            } else {
                size_t eq = text.find('=');
                if (eq == std::string::npos)
                    set_item(text, "");
                else
                    set_item(text.substr(0, eq), firstchars(text.substr(eq + 1), maxvaluelength));
            }
        }
        line.clear();
        if (b == 0x00 || b == 0x1A) {
            textend = i + 1;
            break;
        }
    }
    if (textend < 0)
        throw EInvalidSMPHeader("File header in " + filename + "\rHas no end within its first " +
                                std::to_string(nread) +
                                " bytes: the file is truncated or not an SMP file");
    if (!externallabels) labelsfromitems();
    validate_items();
    dataoffset = baseheadsize = HeadSize();
    if (dataoffset < textend)
        throw EInvalidSMPHeader(
            "File header in " + filename +
            "\rHas an invalid \"head\" item:\rhead=" + std::to_string(dataoffset) +
            "\rThe header text is " + std::to_string(textend) + " bytes long");
    std::int64_t size = streamlength(file);
    if (size < dataoffset)
        throw EInvalidSMPHeader("File header in " + filename + "\rSays the samples start at byte " +
                                std::to_string(dataoffset) + ", but the file has only " +
                                std::to_string(size) + " bytes: the file is truncated");
}

std::string TSMPfile::buildimage() const {
    std::string img;
    for (const auto& line : items) img += texttooem(line) + "\r\n";
    img += "=\r\n";
    for (const auto& c : Comment) img += texttooem(sanitize(c)) + "\r\n";
    img += '\0';
    img += '\x04';
    img += '\x1A';
    return img;
}

// ---------------------------------------------------------------------------------------
// File operations

void TSMPfile::rewindall() {
    position = 0;
    chanpos.fill(0);
    chanprevpos.fill(0);
}

bool TSMPfile::new_file(const std::string& fname) {
    close_file();
    readonly = false;
    const auto p = utf8path(fname);
    std::error_code ec;
    if (std::filesystem::exists(p, ec) && !std::filesystem::is_directory(p, ec))
        std::filesystem::remove(p, ec);
    {
        std::ofstream create(p, std::ios::binary | std::ios::trunc);
        if (!create) return false;
    }
    clear();
    filename = fname;
    dataoffset = baseheadsize = HeadSize();
    file.open(p, std::ios::in | std::ios::out | std::ios::binary);
    if (!file.is_open()) return false;
    rewindall();
    return save_file("");
}

bool TSMPfile::open_file(const std::string& fname, bool rdonly) {
    close_file();
    const auto p = utf8path(fname);
    std::error_code ec;
    // Only regular files: a device or a pipe could be read without end.
    if (!std::filesystem::is_regular_file(p, ec)) return false;
    filename = fname;
    clear();
    readonly = rdonly;
    file.open(p, rdonly ? (std::ios::in | std::ios::binary)
                        : (std::ios::in | std::ios::out | std::ios::binary));
    if (!file.is_open()) {
        file.clear();
        return false;
    }
    std::int64_t nread = readat(file, 0, reinterpret_cast<char*>(headimage.data()), headimagesize);
    if (nread <= 0) {
        close_file();
        return false;
    }
    try {
        parseheader(nread);
    } catch (...) {
        close_file();
        throw;
    }
    rewindall();
    return true;
}

bool TSMPfile::close_file() {
    if (!file.is_open()) return true;
    file.close();
    bool ok = !file.fail();
    file.clear();
    return ok;
}

bool TSMPfile::writeheader(std::fstream& f, std::int32_t h, const std::string& image) {
    std::int64_t size = streamlength(f);
    if (h > dataoffset && size > dataoffset) {
        // The header grew past the samples: move them up, from the end down, so that the
        // header text never overwrites a sample.
        const std::int64_t shift = h - dataoffset;
        std::vector<char> buf(1 << 16);
        std::int64_t end = size;
        while (end > dataoffset) {
            std::int64_t n =
                std::min<std::int64_t>(static_cast<std::int64_t>(buf.size()), end - dataoffset);
            std::int64_t from = end - n;
            if (readat(f, from, buf.data(), n) != n) return false;
            if (!writeat(f, from + shift, buf.data(), n)) return false;
            end = from;
        }
    }
    std::string region = image;
    region.resize(static_cast<size_t>(h), '\0');
    if (!writeat(f, 0, region.data(), h)) return false;
    f.flush();
    if (!f) return false;
    dataoffset = h;
    std::copy(image.begin(), image.end(), headimage.begin());
    std::fill(headimage.begin() + static_cast<long>(image.size()), headimage.end(), 0);
    return true;
}

bool TSMPfile::save_file(const std::string& fname) {
    if (!fname.empty() && fname != filename) {
        close_file();
        filename = fname;
    }
    validate_items();
    // The labels become items before the image is built, so that they reach the file now.
    if (externallabels)
        removelabelitems();
    else
        labelstoitems();

    const std::int64_t oldhead = HeadSize();
    // The header never shrinks below the samples already in place.
    std::int64_t h = std::max<std::int64_t>(oldhead, dataoffset);
    const std::int64_t scanbytes = 2 * static_cast<std::int64_t>(ScanCount());
    std::string image;
    for (;;) {
        if (scanbytes > 0) {
            // Whole scans above the base keep the samples of every channel in step.
            std::int64_t d = h - baseheadsize;
            std::int64_t q = d / scanbytes;
            if (d > q * scanbytes) ++q;
            h = baseheadsize + q * scanbytes;
        }
        if (h > maxsavedheadsize) return false;
        setHeadSize(static_cast<std::int32_t>(h));
        image = buildimage();
        if (static_cast<std::int64_t>(image.size()) > headimagesize) return false;
        if (static_cast<std::int64_t>(image.size()) <= h) break;
        h = (static_cast<std::int64_t>(image.size()) + 1) / 2 * 2;
    }
    if (!Overwrite && h != oldhead) baseheadsize = h;

    bool ok = false;
    if (file.is_open()) {
        if (readonly) return false;
        ok = writeheader(file, static_cast<std::int32_t>(h), image);
    } else {
        const auto p = utf8path(filename);
        std::error_code ec;
        if (!std::filesystem::exists(p, ec)) std::ofstream create(p, std::ios::binary);
        std::fstream f(p, std::ios::in | std::ios::out | std::ios::binary);
        if (!f.is_open()) return false;
        ok = writeheader(f, static_cast<std::int32_t>(h), image);
        f.close();
        ok = ok && !f.fail();
    }

    if (externallabels) {
        if (!labels.empty()) writelabelfile(labelfilepath(csvfilename), filename, labels);
    } else {
        if (EraseCSVFile && !csvfilename.empty() && islabelfilename(csvfilename)) {
            std::error_code ec;
            std::filesystem::remove(utf8path(labelfilepath(csvfilename)), ec);
        }
        csvfilename.clear();
    }
    return ok;
}

// ---------------------------------------------------------------------------------------
// Samples

bool TSMPfile::swapneeded() const {
    return MSBFirst() != (std::endian::native == std::endian::big);
}

std::int64_t TSMPfile::filesize() const {
    return file.is_open() ? streamlength(file) : 0;
}

std::int64_t TSMPfile::readsamples(std::int64_t sampleindex, std::int16_t* dst,
                                   std::int64_t count) const {
    std::int64_t got =
        readat(file, dataoffset + 2 * sampleindex, reinterpret_cast<char*>(dst), 2 * count);
    std::int64_t n = got / 2;
    if (swapneeded()) swapbytes(dst, n);
    return n;
}

bool TSMPfile::writesamples(std::int64_t sampleindex, const std::int16_t* src, std::int64_t count) {
    bool ok =
        writeat(file, dataoffset + 2 * sampleindex, reinterpret_cast<const char*>(src), 2 * count);
    if (ok && WriteThroughCache) {
        file.flush();
        ok = static_cast<bool>(file);
    }
    return ok;
}

std::int64_t TSMPfile::nSamples() const {
    if (!file.is_open()) return 0;
    const std::int64_t s = ScanCount();
    std::int64_t bytes = filesize() - dataoffset;
    if (bytes <= 0 || s <= 0) return 0;
    return bytes / 2 / s * s;
}

void TSMPfile::setChunknSamples(std::int32_t n) {
    chunknsamples = std::clamp(n, 1, maxchunksamples);
}

void TSMPfile::Chunk(tsamplechunk& out) {
    out.used = 0;
    if (!file.is_open()) return;
    const std::int64_t s = ScanCount();
    if (s <= 0) return;
    std::int64_t scans = std::max<std::int64_t>(1, chunknsamples / s);
    std::int64_t available = (nSamples() - position) / s;
    scans = std::min(scans, available);
    if (scans <= 0) return;
    std::int64_t n = readsamples(position, out.data.data(), scans * s);
    std::int64_t whole = n / s * s;
    out.used = static_cast<std::int32_t>(whole);
    position += whole;
}

void TSMPfile::setChunk(const tsamplechunk& in) {
    if (!file.is_open() || readonly) return;
    const std::int32_t used = std::min<std::int32_t>(in.used, maxchunksamples);
    if (used <= 0) return;
    std::copy(in.data.begin(), in.data.begin() + used, piece.begin());
    if (swapneeded()) swapbytes(piece.data(), used);
    if (writesamples(position, piece.data(), used)) position += used;
}

void TSMPfile::ChannelChunk(int n, tsamplechunk& out) {
    out.used = 0;
    if (!file.is_open() || nChans() <= 0) {
        out.data.fill(0);
        return;
    }
    const tsmpscan& sc = scan();
    if (n < 0 || n >= static_cast<int>(sc.occurrences.size())) return;
    const std::int64_t s = sc.count();
    const int c = sc.occurrences[n], first = sc.first[n], pitch = sc.pitch[n];
    const std::int64_t total = nSamples();
    const std::int64_t piecescans = maxchunksamples / s;
    std::int64_t pos = chanpos[n];
    chanprevpos[n] = pos;
    // Whole scans only, so that no sample of the channel is skipped; at least one scan.
    std::int64_t scansleft = std::max<std::int64_t>(1, chunknsamples / c);
    while (scansleft > 0 && pos < total) {
        std::int64_t scans = std::min({scansleft, piecescans, (total - pos) / s});
        if (scans <= 0) break;
        std::int64_t got = readsamples(pos, piece.data(), scans * s) / s;
        for (std::int64_t k = 0; k < got; ++k) {
            const std::int16_t* scanp = piece.data() + k * s;
            for (int j = 0; j < c; ++j) out.data[out.used++] = scanp[first + j * pitch];
        }
        pos += got * s;
        scansleft -= got;
        if (got < scans) break;
    }
    chanpos[n] = pos;
}

void TSMPfile::setChannelChunk(int n, const tsamplechunk& in) {
    if (!file.is_open() || readonly || in.used <= 0 || nChans() <= 0) return;
    const tsmpscan& sc = scan();
    if (n < 0 || n >= static_cast<int>(sc.occurrences.size())) return;
    const std::int64_t s = sc.count();
    const int c = sc.occurrences[n], first = sc.first[n], pitch = sc.pitch[n];
    const std::int32_t used = std::min<std::int32_t>(in.used, maxchunksamples);
    const bool swap = swapneeded();
    const std::int64_t piecescans = maxchunksamples / s;
    std::int64_t pos = chanpos[n];
    chanprevpos[n] = pos;
    std::int32_t placed = 0;
    while (placed < used) {
        std::int64_t scans = std::min<std::int64_t>((used - placed + c - 1) / c, piecescans);
        const std::int64_t count = scans * s;
        // The existing samples, in the file's byte order; zeros past the end of the file.
        std::int64_t got =
            readat(file, dataoffset + 2 * pos, reinterpret_cast<char*>(piece.data()), 2 * count) /
            2;
        std::fill(piece.begin() + got, piece.begin() + count, 0);
        for (std::int64_t k = 0; k < scans; ++k)
            for (int j = 0; j < c && placed < used; ++j) {
                std::int16_t v = in.data[placed++];
                if (swap) swapbytes(&v, 1);
                piece[k * s + first + j * pitch] = v;
            }
        if (!writesamples(pos, piece.data(), count)) break;
        pos += count;
    }
    chanpos[n] = pos;
}

void TSMPfile::ChannelRewind(int n) {
    if (n >= 0 && n < smpmaxchannels) chanpos[n] = chanprevpos[n];
}

} // namespace gravon
