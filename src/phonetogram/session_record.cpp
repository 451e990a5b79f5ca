#include "phonetogram/session_record.h"

namespace gravon {

namespace {

constexpr std::size_t shortfield = 100;
constexpr std::size_t notesfield = 1000;

const std::array<tsessionfield, nsessionfields> fields = {{
    {"patient", "Patient ID", &tsessionrecord::patient, shortfield},
    {"name", "Name", &tsessionrecord::name, shortfield},
    {"born", "Date of birth", &tsessionrecord::born, shortfield},
    {"sex", "Sex", &tsessionrecord::sex, shortfield},
    {"clinician", "Clinician", &tsessionrecord::clinician, shortfield},
    {"date", "Date and time", &tsessionrecord::date, shortfield},
    {"task", "Task", &tsessionrecord::task, shortfield},
    {"notes", "Notes", &tsessionrecord::notes, notesfield},
}};

bool samekey(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        if (c != b[i]) return false;
    }
    return i == a.size() && !b[i];
}

} // namespace

bool tsessionrecord::empty() const {
    for (const tsessionfield& f : fields)
        if (!(this->*f.member).empty()) return false;
    return true;
}

const std::array<tsessionfield, nsessionfields>& session_fields() {
    return fields;
}

const tsessionfield* session_field(const std::string& key) {
    for (const tsessionfield& f : fields)
        if (samekey(key, f.key)) return &f;
    return nullptr;
}

std::size_t utf8_length(const std::string& s) {
    std::size_t n = 0;
    for (char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

std::string session_problem(const tsessionrecord& r) {
    for (const tsessionfield& f : fields)
        if (utf8_length(r.*f.member) > f.maxchars)
            return std::string(f.label) + " may hold at most " + std::to_string(f.maxchars) +
                   " characters; it has " + std::to_string(utf8_length(r.*f.member));
    return "";
}

} // namespace gravon
