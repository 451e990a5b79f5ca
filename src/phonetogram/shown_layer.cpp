#include "phonetogram/shown_layer.h"

#include "base/same_text.h"

namespace gravon {

std::size_t shown_layer(const tpg& pg, const tstdpgparamarr& stdpgparams, std::int32_t zparam,
                        std::size_t ndisplayparams) {
    if (zparam < 0 || std::size_t(zparam) >= ndisplayparams) return 0;
    for (std::size_t l = 0; l < pg.param.size(); ++l)
        for (const tstdpgparam& s : stdpgparams)
            if (s.displaymapping == zparam && same_text_nocase(s.name, pg.param[l].name)) return l;
    return 0;
}

} // namespace gravon
