#include "settings/settings_differences.h"

#include "base/number_text.h"
#include "settings/advanced_settings_file.h"
#include "settings/options_file.h"

namespace gravon {

namespace {

template <typename tarr> std::string joined(const tarr& values) {
    std::string out;
    for (const auto& v : values) {
        if (!out.empty()) out += ',';
        out += floattostrdot(double(v));
    }
    return out;
}

const tnode* find_node(const TQUBFile& f, const tnode& like) {
    for (int i = 0; i < f.nnodes(); ++i) {
        const tnode& n = f.get_nodeno(i);
        if (n.section == like.section && n.key == like.key) return &n;
    }
    return nullptr;
}

} // namespace

tsettingskeys settings_keys(const tadvancedsettings& a, const toptions& o,
                            const std::array<bool, 2>& showbins) {
    tsettingskeys k;
    k.advanced.setFileId(advancedfileid);
    write_advanced_settings(k.advanced, a);
    k.options.setFileId(optionsfileid);
    write_options(k.options, o, showbins);
    return k;
}

tsettingskeys default_settings_keys() {
    tadvancedsettings a;
    toptions o;
    set_advanced_to_default(a, o);
    set_options_to_default(o, std::int32_t(a.displayparams.size()));
    return settings_keys(a, o, defaultpgvisible);
}

std::string setting_value_text(const TQUBFile& f, const tnode& n) {
    switch (n.data.id) {
    case qubbool:
        return f.readbool(n.section, n.key, false) ? "true" : "false";
    case qubinteger:
        return std::to_string(f.readinteger(n.section, n.key, 0));
    case qubfloat:
        return floattostrdot(f.readfloat(n.section, n.key, 0));
    case qubstring:
        return f.readstring(n.section, n.key, "");
    case qubdoublearr:
        return joined(f.readdoublearr(n.section, n.key, {}));
    case qubsinglearr:
        return joined(f.readsinglearr(n.section, n.key, {}));
    case qubsmallintarr:
        return joined(f.readsmallintarr(n.section, n.key, {}));
    default:
        return joined(n.data.arr);
    }
}

std::vector<tsettingvalue> settings_differences(const tadvancedsettings& a, const toptions& o,
                                                const std::array<bool, 2>& showbins) {
    // What resetting to the defaults would give: the machine's devices, output channels,
    // sample width and location stay, being no choice about the analysis.
    tadvancedsettings da = a;
    toptions dop = o;
    set_advanced_to_default(da, dop);
    set_options_to_default(dop, std::int32_t(da.displayparams.size()));
    const tsettingskeys now = settings_keys(a, o, showbins);
    const tsettingskeys defaults = settings_keys(da, dop, defaultpgvisible);
    std::vector<tsettingvalue> out;
    const auto compare = [&](const TQUBFile& f, const TQUBFile& d) {
        for (int i = 0; i < f.nnodes(); ++i) {
            const tnode& n = f.get_nodeno(i);
            const tnode* def = find_node(d, n);
            if (def && def->data.id == n.data.id && def->data.arr == n.data.arr) continue;
            out.push_back({n.section + "/" + n.key, setting_value_text(f, n)});
        }
    };
    compare(now.advanced, defaults.advanced);
    compare(now.options, defaults.options);
    return out;
}

} // namespace gravon
