#include "core/provenance.h"

namespace gravon {

namespace {

bool needs_quotes(const std::string& v) {
    if (v.empty() || v.front() == ' ' || v.back() == ' ') return true;
    for (const char c : v)
        if (c == ';' || c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20) return true;
    return false;
}

std::string quoted(const std::string& v) {
    std::string out = "\"";
    for (const char c : v) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            // Other control characters would break the line no reader skips by count.
            out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
        }
    }
    return out + "\"";
}

} // namespace

std::vector<std::string> provenance_lines(const TForm1& form) {
    std::string settings;
    for (const tsettingvalue& s : form_settings_differences(form)) {
        if (!settings.empty()) settings += "; ";
        settings += s.key + "=" + (needs_quotes(s.value) ? quoted(s.value) : s.value);
    }
    return {"# " + form.progid.processing_stamp(),
            "# settings differing from the defaults: " + (settings.empty() ? "none" : settings)};
}

tstdpgwriteinfo stdpg_write_info(const TForm1& form) {
    tstdpgwriteinfo info;
    info.procstamp = form.progid.processing_stamp();
    info.hpfreq = form.advanced.hpfreq;
    for (tsettingvalue& s : form_settings_differences(form))
        info.settings.push_back({std::move(s.key), std::move(s.value)});
    return info;
}

ttextexportformat text_export_format(const TForm1& form) {
    ttextexportformat f;
    f.nsigdig = form.advanced.nsigdig;
    f.dbformat = form.advanced.dbformat;
    f.binshow = form.binshow_settings();
    f.comments = provenance_lines(form);
    return f;
}

} // namespace gravon
