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

std::string trimmed_lowercase(const std::string& s) {
    const std::size_t from = s.find_first_not_of(" \t");
    if (from == std::string::npos) return {};
    std::string r = s.substr(from, s.find_last_not_of(" \t") - from + 1);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return r;
}

// Whether text holds digits where pattern has '9' and the same character elsewhere.
bool fits(const std::string& text, std::size_t at, const char* pattern) {
    for (std::size_t i = 0; pattern[i]; ++i) {
        if (at + i >= text.size()) return false;
        const char c = text[at + i];
        if (pattern[i] == '9' ? !(c >= '0' && c <= '9') : c != pattern[i]) return false;
    }
    return true;
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

std::string shown_date(const std::string& text) {
    if (!fits(text, 0, "9999-99-99")) return text;
    if (text.size() == 10) return text;
    if (text.size() < 16 || (text[10] != ' ' && text[10] != 'T') || !fits(text, 11, "99:99"))
        return text;
    const bool seconds =
        text.size() == 19 && (text[16] == ':' || text[16] == '.') && fits(text, 17, "99");
    if (text.size() != 16 && !seconds) return text;
    return text.substr(0, 10) + " " + text.substr(11, 5);
}

bool different_patients(const tsessionrecord& a, const tsessionrecord& b) {
    const std::string x = trimmed_lowercase(a.patient), y = trimmed_lowercase(b.patient);
    return !x.empty() && !y.empty() && x != y;
}

} // namespace gravon
