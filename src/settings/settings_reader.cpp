#include "settings/settings_reader.h"

#include "base/text_utils.h"

namespace gravon {

namespace {

// A value of another type than asked for, or unreadable, is noted and the default kept.
template <typename T, typename tread>
T read_noted(tsettingsreader& r, const std::string& section, const std::string& key, const T& def,
             const tread& read) {
    try {
        return read();
    } catch (const EQUBfileError& e) {
        r.note(section, key, e.what());
        return def;
    }
}

} // namespace

bool tsettingsreader::has(const std::string& section, const std::string& key) const {
    const std::string s = lowercase(section);
    const std::string k = lowercase(key);
    for (int i = 0; i < ffile.nnodes(); ++i) {
        const tnode& n = ffile.get_nodeno(i);
        if (lowercase(n.key) == k && lowercase(n.section) == s) return true;
    }
    return false;
}

bool tsettingsreader::readbool(const std::string& section, const std::string& key, bool def) {
    return read_noted(*this, section, key, def, [&] { return ffile.readbool(section, key, def); });
}

std::int32_t tsettingsreader::readinteger(const std::string& section, const std::string& key,
                                          std::int32_t def) {
    return read_noted(*this, section, key, def,
                      [&] { return ffile.readinteger(section, key, def); });
}

double tsettingsreader::readfloat(const std::string& section, const std::string& key, double def) {
    return read_noted(*this, section, key, def, [&] { return ffile.readfloat(section, key, def); });
}

std::string tsettingsreader::readstring(const std::string& section, const std::string& key,
                                        const std::string& def) {
    return read_noted(*this, section, key, def,
                      [&] { return ffile.readstring(section, key, def); });
}

std::int32_t tsettingsreader::readcount(const std::string& section, const std::string& key,
                                        std::int32_t def, std::int32_t lo, std::int32_t hi) {
    if (!has(section, key)) return def;
    const std::int32_t n = readinteger(section, key, def);
    if (n < lo || n > hi) {
        note(section, key,
             std::to_string(n) + " is not a list length from " + std::to_string(lo) + " to " +
                 std::to_string(hi) + "; the list is kept");
        return def;
    }
    return n;
}

void tsettingsreader::note(const std::string& section, const std::string& key,
                           const std::string& problem) {
    fproblems.push_back("Section \"" + section + "\", key \"" + key + "\": " + problem);
}

std::string settings_problems_text(const std::string& fname,
                                   const std::vector<std::string>& problems) {
    constexpr std::size_t shown = 10;
    std::string t = fname;
    for (std::size_t i = 0; i < problems.size() && i < shown; ++i) t += "\r" + problems[i];
    if (problems.size() > shown)
        t += "\r... and " + std::to_string(problems.size() - shown) + " more";
    return t;
}

} // namespace gravon
