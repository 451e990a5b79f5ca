#include "settings/ini_file.h"

#include "base/same_text.h"
#include "files/safe_file.h"
#include "settings/setting_error.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

namespace gravon {

namespace fs = std::filesystem;

namespace {

// A carriage return counts as a blank: a file with doubled line ends ("\r\r\n") leaves one
// at the end of a line, and a value ending in it would lose it on the next save, which ends
// every line in "\n" alone.
bool isiniblank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string trim(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && isiniblank(s[a])) ++a;
    while (b > a && isiniblank(s[b - 1])) --b;
    return s.substr(a, b - a);
}

bool has_line_break(const std::string& s) {
    return s.find_first_of("\r\n") != std::string::npos;
}

// Values with surrounding blanks, or surrounded by quotes themselves, are written in quotes so
// that reading them back (which strips blanks and one pair of quotes) gives them unchanged.
std::string quoted_if_needed(const std::string& v) {
    if (v.empty()) return v;
    const bool blanks = isiniblank(v.front()) || isiniblank(v.back());
    const bool quotes = v.size() >= 2 && v.front() == '"' && v.back() == '"';
    return blanks || quotes ? "\"" + v + "\"" : v;
}

} // namespace

TIniFile::TIniFile(std::string filename) : ffilename(std::move(filename)) {
    fsections.push_back(tsection{});
    refresh();
}

void TIniFile::refresh() {
    if (fmodified) return;
    fsections.assign(1, tsection{});
    ferror.clear();
    if (ffilename.empty()) {
        ferror = "No settings file name is set";
        return;
    }
    std::error_code ec;
    const fs::file_status st = fs::status(ffilename, ec);
    if (!fs::exists(st)) return; // a file not yet written: empty
    if (fs::is_directory(st)) {
        ferror = "Settings file " + ffilename + " is a folder";
        return;
    }
    const std::uintmax_t size = fs::file_size(ffilename, ec);
    if (!ec && size > maxsize) {
        ferror =
            "Settings file " + ffilename + " is too large (" + std::to_string(size) + " bytes)";
        return;
    }
    std::ifstream in(ffilename, std::ios::binary);
    if (!in) {
        ferror = "Cannot read settings file " + ffilename;
        return;
    }
    // Read piece by piece: the file is re-read before every use, and a buffer of the largest
    // size allowed, zeroed each time, cost more than the reading of a small file itself.
    std::string text;
    char piece[16384];
    for (;;) {
        in.read(piece, sizeof piece);
        const auto got = static_cast<size_t>(in.gcount());
        if (got == 0) break;
        text.append(piece, got);
        if (text.size() > maxsize) {
            ferror = "Settings file " + ffilename + " is too large";
            return;
        }
    }
    parse(text);
}

void TIniFile::parse(const std::string& text) {
    size_t pos = 0;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3; // a UTF-8 byte-order mark
    tsection* cur = &fsections.front();
    while (pos < text.size()) {
        size_t eol = text.find('\n', pos);
        if (eol == std::string::npos) eol = text.size();
        std::string line = text.substr(pos, eol - pos);
        pos = eol + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string t = trim(line);
        if (!t.empty() && t.front() == '[') {
            const size_t close = t.find(']');
            if (close != std::string::npos) {
                fsections.push_back(tsection{trim(t.substr(1, close - 1)), {}});
                cur = &fsections.back();
                continue;
            }
        }
        const size_t eq = t.find('=');
        if (!t.empty() && t.front() != ';' && eq != std::string::npos && eq > 0) {
            std::string value = trim(t.substr(eq + 1));
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            cur->lines.push_back(tline{trim(t.substr(0, eq)), value, true});
        } else {
            cur->lines.push_back(tline{{}, line, false});
        }
    }
}

std::string TIniFile::format() const {
    std::string out;
    for (size_t i = 0; i < fsections.size(); ++i) {
        const tsection& s = fsections[i];
        if (i > 0) out += "[" + s.name + "]\n";
        for (const tline& l : s.lines)
            out += l.iskey ? l.key + "=" + quoted_if_needed(l.value) + "\n" : l.value + "\n";
    }
    return out;
}

TIniFile::tsection* TIniFile::find_section(const std::string& name) {
    for (size_t i = 1; i < fsections.size(); ++i)
        if (same_text_nocase(fsections[i].name, name)) return &fsections[i];
    return nullptr;
}

const TIniFile::tsection* TIniFile::find_section(const std::string& name) const {
    for (size_t i = 1; i < fsections.size(); ++i)
        if (same_text_nocase(fsections[i].name, name)) return &fsections[i];
    return nullptr;
}

std::optional<std::string> TIniFile::read(const std::string& section,
                                          const std::string& key) const {
    const tsection* s = find_section(section);
    if (!s) return std::nullopt;
    for (const tline& l : s->lines)
        if (l.iskey && same_text_nocase(l.key, key)) return l.value;
    return std::nullopt;
}

void TIniFile::check_writable() const {
    if (!ferror.empty()) throw ESettingError(ferror);
}

void TIniFile::write(const std::string& section, const std::string& key, const std::string& value) {
    check_writable();
    const auto refuse = [&](const std::string& why) {
        throw ESettingError("Cannot store " + section + "/" + key + " in settings file " +
                            ffilename + ": " + why);
    };
    if (section.empty() || trim(section) != section || has_line_break(section) ||
        section.find(']') != std::string::npos)
        refuse("the section name cannot be stored");
    if (key.empty() || trim(key) != key || has_line_break(key) ||
        key.find('=') != std::string::npos || key.front() == '[' || key.front() == ';')
        refuse("the key cannot be stored");
    if (has_line_break(value)) refuse("the value holds a line break");

    tsection* s = find_section(section);
    if (!s) {
        fsections.push_back(tsection{section, {}});
        s = &fsections.back();
    }
    for (tline& l : s->lines) {
        if (l.iskey && same_text_nocase(l.key, key)) {
            if (l.value != value) {
                l.value = value;
                fmodified = true;
            }
            return;
        }
    }
    // New keys go after the section's last key, before trailing blank lines.
    size_t at = s->lines.size();
    while (at > 0 && !s->lines[at - 1].iskey && trim(s->lines[at - 1].value).empty()) --at;
    s->lines.insert(s->lines.begin() + static_cast<std::ptrdiff_t>(at), tline{key, value, true});
    fmodified = true;
}

void TIniFile::erase_sections_where(const std::function<bool(const std::string&)>& match) {
    // One pass (never one erase per section, which took half a minute for a file of 140,000
    // matching sections between others); the unnamed first section always stays.
    const auto from = fsections.begin() + 1;
    const auto end = std::stable_partition(from, fsections.end(),
                                           [&](const tsection& s) { return !match(s.name); });
    if (end == fsections.end()) return;
    fsections.erase(end, fsections.end());
    fmodified = true;
}

void TIniFile::erase_section(const std::string& section) {
    erase_sections_where([&](const std::string& n) { return same_text_nocase(n, section); });
}

void TIniFile::erase_section_tree(const std::string& section) {
    const std::string prefix = section + "\\";
    erase_sections_where([&](const std::string& n) {
        return same_text_nocase(n, section) ||
               (n.size() > prefix.size() && same_text_nocase(n.substr(0, prefix.size()), prefix));
    });
}

void TIniFile::erase_key(const std::string& section, const std::string& key) {
    tsection* s = find_section(section);
    if (!s) return;
    for (size_t i = 0; i < s->lines.size(); ++i) {
        if (s->lines[i].iskey && same_text_nocase(s->lines[i].key, key)) {
            s->lines.erase(s->lines.begin() + static_cast<std::ptrdiff_t>(i));
            fmodified = true;
            return;
        }
    }
}

std::vector<std::string> TIniFile::sections() const {
    // The names seen, in ASCII lower case as same_text_nocase compares them, so that a file
    // of many sections is listed in one pass.
    std::set<std::string> seen;
    std::vector<std::string> r;
    for (size_t i = 1; i < fsections.size(); ++i) {
        std::string key = fsections[i].name;
        for (char& c : key)
            if (c >= 'A' && c <= 'Z') c = char(c + 32);
        if (seen.insert(std::move(key)).second) r.push_back(fsections[i].name);
    }
    return r;
}

std::vector<std::string> TIniFile::keys(const std::string& section) const {
    std::vector<std::string> r;
    if (const tsection* s = find_section(section))
        for (const tline& l : s->lines)
            if (l.iskey) r.push_back(l.key);
    return r;
}

void TIniFile::flush() {
    if (!fmodified) return;
    check_writable();
    try {
        TSafeFile f(ffilename, true);
        const std::string text = format();
        f.stream().write(text.data(), static_cast<std::streamsize>(text.size()));
        f.commit();
    } catch (const EGravonError& e) {
        throw ESettingError(std::string("Cannot write settings file ") + ffilename + ": " +
                            e.what());
    }
    fmodified = false;
}

} // namespace gravon
