#include "core/user_interface.h"

namespace gravon {

std::string notes_text(const std::vector<std::string>& notes) {
    std::string text;
    for (const std::string& n : notes) {
        if (!text.empty()) text += "\r\r";
        std::string line = n;
        if (!line.empty() && line[0] >= 'a' && line[0] <= 'z') line[0] = char(line[0] - 'a' + 'A');
        text += line;
    }
    return text;
}

} // namespace gravon
