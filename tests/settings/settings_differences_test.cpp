#include "settings/settings_differences.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace gravon;

namespace {

struct tsettings {
    tadvancedsettings a;
    toptions o;
    std::array<bool, 2> showbins = defaultpgvisible;
};

std::vector<std::string> listed(const tsettings& s) {
    std::vector<std::string> v;
    for (const tsettingvalue& d : settings_differences(s.a, s.o, s.showbins))
        v.push_back(d.key + "=" + d.value);
    return v;
}

TEST(SettingsDifferences, ListTheKeysThatDifferInFileOrderWithTheirValues) {
    const struct {
        const char* what;
        std::function<void(tsettings&)> change;
        std::vector<std::string> expected;
    } cases[] = {
        {"the defaults", [](tsettings&) {}, {}},
        // Advanced settings come before the options, each file in its own order.
        {"one of each file",
         [](tsettings& s) {
             s.o.showlegend = false;
             s.a.minsnr = 12.5;
         },
         {"General/MinSNR=12.5", "Display/ShowLegend=false"}},
        // Resetting to the defaults keeps them: they are the machine's.
        {"the devices and the location",
         [](tsettings& s) {
             s.a.recorddevice = "USB microphone";
             s.a.locationid = "clinic";
         },
         {}},
        {"a whole number and a visible flag",
         [](tsettings& s) {
             s.a.nsigdig = 6;
             s.showbins[1] = true;
         },
         {"Display/nSignificantDigits=6", "Display/ShowBins1=true"}},
        // An entry the defaults do not have is listed with the count that made room for it.
        {"a target more",
         [](tsettings& s) { s.o.targets.push_back({.level = 90, .f0 = 300.5}); },
         {"Target/nTargets=5", "Targets/f0_4=300.5", "Targets/level_4=90"}},
        {"a value set back to the default",
         [](tsettings& s) { s.a.minsnr = tadvancedsettings().minsnr; },
         {}},
    };
    for (const auto& c : cases) {
        tsettings s;
        c.change(s);
        EXPECT_EQ(listed(s), c.expected) << c.what;
    }
}

} // namespace
