// An INI file: sections in brackets, one "key=value" per line. Sections and keys are matched
// without regard to letter case; the first match counts, as with the platform's profile
// functions. Lines that are neither (comments, blank lines) are kept as they are.
//
// The object caches the file. Whenever it holds no unsaved changes it re-reads the file before
// use, so several objects (or programs) sharing one file do not overwrite each other's
// sections; changes are written by flush.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace gravon {

class TIniFile {
  public:
    explicit TIniFile(std::string filename);

    const std::string& FileName() const { return ffilename; }
    // True when there are changes not yet written.
    bool modified() const { return fmodified; }

    // Re-reads the file unless there are unsaved changes. A missing file is an empty one; a
    // file that cannot be read, or is implausibly large, is remembered as unreadable: reads
    // then find nothing and writes raise ESettingError (so it is never overwritten blindly).
    void refresh();

    std::optional<std::string> read(const std::string& section, const std::string& key) const;
    // Raises ESettingError for names or values the format cannot hold (line breaks, "]" in a
    // section name, "=" in a key, empty names) and for an unreadable file.
    void write(const std::string& section, const std::string& key, const std::string& value);
    void erase_section(const std::string& section);
    // Removes the section and the sections below it ("section\sub...").
    void erase_section_tree(const std::string& section);
    void erase_key(const std::string& section, const std::string& key);
    std::vector<std::string> sections() const;
    std::vector<std::string> keys(const std::string& section) const;

    // Writes the file when there are changes, creating missing folders and replacing the file
    // in one step. Raises ESettingError naming the file on failure; the changes stay pending.
    void flush();
    // Drops unsaved changes; the next refresh reads the file again.
    void discard() { fmodified = false; }

    // Files larger than this are not settings files.
    static constexpr std::uintmax_t maxsize = 4 * 1024 * 1024;

  private:
    struct tline {
        std::string key;   // empty for a kept line
        std::string value; // the value, or the whole kept line
        bool iskey = false;
    };
    struct tsection {
        std::string name;
        std::vector<tline> lines;
    };

    tsection* find_section(const std::string& name);
    const tsection* find_section(const std::string& name) const;
    void parse(const std::string& text);
    std::string format() const;
    void check_writable() const;
    // Removes the sections (but never the first, unnamed one) whose name matches.
    void erase_sections_where(const std::function<bool(const std::string&)>& match);

    std::string ffilename;
    std::vector<tsection> fsections; // the first holds the lines before any section, name ""
    std::string ferror;              // why the file is unreadable; empty when it is fine
    bool fmodified = false;
};

} // namespace gravon
