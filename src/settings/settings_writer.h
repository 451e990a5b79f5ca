// Writing a settings file key by key: what the writers of the options and the advanced
// settings share, each adding the keys only its own file has.
#pragma once

#include "files/qub_file.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace gravon {

// A key of a numbered run: name followed by the number ("NoiseLo0", "ShowBins1").
inline std::string numbered_key(const char* name, std::size_t i) {
    return name + std::to_string(i);
}

// One overload per kind of value the containers store.
struct tsettingswriter {
    TQUBFile& f;

    void operator()(const std::string& section, const std::string& key, double v) {
        f.writefloat(section, key, v);
    }
    void operator()(const std::string& section, const std::string& key, std::int32_t v) {
        f.writeinteger(section, key, v);
    }
    void operator()(const std::string& section, const std::string& key, bool v) {
        f.writebool(section, key, v);
    }
    void operator()(const std::string& section, const std::string& key, const std::string& v) {
        f.writestring(section, key, v);
    }
};

} // namespace gravon
