#include "core/csv_text.h"

#include <cmath>
#include <cstdio>

namespace gravon {

std::string csv_field(const std::string& s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string q = "\"";
    for (char ch : s) {
        if (ch == '"') q += '"';
        q += ch;
    }
    return q + "\"";
}

std::string csv_number(double v) {
    if (!std::isfinite(v)) return "";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.9g", v);
    return buf;
}

} // namespace gravon
