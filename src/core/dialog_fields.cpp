#include "core/dialog_fields.h"

#include "base/number_text.h"
#include "base/shown_number_text.h"

#include <cctype>
#include <limits>

namespace gravon {

double read_number(const std::string& text) {
    return strtofloatsep(text, localedecimalseparator());
}

std::int32_t read_integer(const std::string& text) {
    const auto fail = [&] { return EConvertError("'" + text + "' is not a valid integer value"); };
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const std::size_t digits = i;
    std::int64_t v = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1) throw fail();
    }
    if (i == digits) throw fail();
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    if (i != text.size()) throw fail();
    if (negative) v = -v;
    if (v > std::numeric_limits<std::int32_t>::max()) throw fail();
    return std::int32_t(v);
}

std::string number_text(double x) {
    return floattostr(x);
}

} // namespace gravon
