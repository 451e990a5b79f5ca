#include "core/settings_override.h"

#include "base/errors.h"
#include "base/number_text.h"
#include "base/text_utils.h"
#include "core/usage_error.h"
#include "settings/settings_differences.h"

#include <charconv>
#include <set>

namespace gravon {

namespace {

struct tfound {
    const TQUBFile* file;
    const tnode* node;
};

bool bool_value(const std::string& text, bool& v) {
    const std::string t = lowercase(text);
    if (t == "true" || t == "yes" || t == "on" || t == "1") return v = true, true;
    if (t == "false" || t == "no" || t == "off" || t == "0") return v = false, true;
    return false;
}

} // namespace

std::vector<TForm1::tsettingsoverride> settings_overrides(const std::vector<std::string>& sets) {
    std::vector<TForm1::tsettingsoverride> out;
    if (sets.empty()) return out;
    // The keys both files hold, with the kind of value stored under each: written from the
    // defaults by the same writers that save the files, so there is no second key table.
    const tsettingskeys tables = default_settings_keys();
    for (const std::string& set : sets) {
        const std::size_t eq = set.find('=');
        std::string key = set.substr(0, eq), section;
        const std::string text = set.substr(eq + 1);
        if (const std::size_t slash = key.find('/'); slash != std::string::npos) {
            section = key.substr(0, slash);
            key = key.substr(slash + 1);
        }
        std::vector<tfound> found;
        std::set<std::string> sections;
        for (const TQUBFile* f : {&tables.advanced, &tables.options})
            for (int i = 0; i < f->nnodes(); ++i) {
                const tnode& n = f->get_nodeno(i);
                if (lowercase(n.key) != lowercase(key)) continue;
                if (!section.empty() && lowercase(n.section) != lowercase(section)) continue;
                found.push_back({f, &n});
                sections.insert(n.section);
            }
        if (found.empty())
            throw tusageerror("--set " + set + ": there is no setting \"" + key +
                              "\" (the keys are those of the options and advanced-settings "
                              "files, e.g. LofoLimit, NoiseLo0, BinningMethod, TimeThreshold)");
        if (found.size() > 1) {
            std::string list;
            for (const std::string& s : sections) list += (list.empty() ? "" : ", ") + s;
            throw tusageerror("--set " + set + ": \"" + key + "\" is in several sections (" + list +
                              "); name it as Section/" + key);
        }
        const tnode& n = *found.front().node;
        TForm1::tsettingsoverride o;
        o.name = "--set " + set;
        o.values.setFileId(found.front().file->FileId());
        const auto wrong = [&](const char* kind) {
            return tusageerror("--set " + set + ": " + n.key + " takes " + kind + ", not \"" +
                               text + "\"");
        };
        switch (n.data.id) {
        case qubbool: {
            bool v = false;
            if (!bool_value(text, v)) throw wrong("true or false");
            o.values.writebool(n.section, n.key, v);
            break;
        }
        case qubinteger: {
            std::int32_t v = 0;
            const char* end = text.data() + text.size();
            const auto r = std::from_chars(text.data(), end, v);
            if (text.empty() || r.ec != std::errc() || r.ptr != end) throw wrong("a whole number");
            o.values.writeinteger(n.section, n.key, v);
            break;
        }
        case qubfloat: {
            double v = 0;
            try {
                v = strtofloatdot(text);
            } catch (const EConvertError&) {
                throw wrong("a number (with \".\" as the decimal separator)");
            }
            o.values.writefloat(n.section, n.key, v);
            break;
        }
        case qubstring:
            o.values.writestring(n.section, n.key, text);
            break;
        default:
            throw tusageerror("--set " + set + ": " + n.key +
                              " holds a list and cannot be set on the command line");
        }
        // An options file without "nTargets" empties the target list; a setting of its own
        // keeps it, as a negative count does.
        if (found.front().file == &tables.options && lowercase(n.key) != "ntargets")
            o.values.writeinteger("Target", "nTargets", -1);
        out.push_back(std::move(o));
    }
    return out;
}

} // namespace gravon
