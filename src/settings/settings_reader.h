// Reading a settings container field by field. Every read passes the field's current value as
// the default, so a key that is absent leaves its field alone. A value stored under another
// type (or unreadable) also leaves the field alone and is noted, so that one bad entry of a
// hand-edited file does not stop the rest of the file from loading.
#pragma once

#include "files/qub_file.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

class tsettingsreader {
  public:
    explicit tsettingsreader(const TQUBFile& file) : ffile(file) {}

    // Whether the container holds the key (letter case ignored).
    bool has(const std::string& section, const std::string& key) const;

    bool readbool(const std::string& section, const std::string& key, bool def);
    std::int32_t readinteger(const std::string& section, const std::string& key, std::int32_t def);
    double readfloat(const std::string& section, const std::string& key, double def);
    std::string readstring(const std::string& section, const std::string& key,
                           const std::string& def);

    // The same, assigning to the field.
    void get(const std::string& section, const std::string& key, bool& v) {
        v = readbool(section, key, v);
    }
    void get(const std::string& section, const std::string& key, std::int32_t& v) {
        v = readinteger(section, key, v);
    }
    void get(const std::string& section, const std::string& key, double& v) {
        v = readfloat(section, key, v);
    }
    void get(const std::string& section, const std::string& key, std::string& v) {
        v = readstring(section, key, v);
    }

    // A list length: the stored count when the key is present and the count lies in
    // lo .. hi; otherwise def. A count outside the range is noted.
    std::int32_t readcount(const std::string& section, const std::string& key, std::int32_t def,
                           std::int32_t lo, std::int32_t hi);

    // Records a problem of the file (shown to the user after loading).
    void note(const std::string& section, const std::string& key, const std::string& problem);
    const std::vector<std::string>& problems() const { return fproblems; }

  private:
    const TQUBFile& ffile;
    std::vector<std::string> fproblems;
};

// The text of the warning shown after a file was loaded with problems: the file name, then
// one line per problem (at most 10, then a count of the rest).
std::string settings_problems_text(const std::string& fname,
                                   const std::vector<std::string>& problems);

// Caption of that warning.
inline constexpr const char* settingsproblemscaption = "Some settings were not read";

} // namespace gravon
