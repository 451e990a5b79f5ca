// The settings that differ from the defaults, as results record where they came from. Both
// sides are laid out by the writers of the settings files and compared key by key, so that a
// key the files gain is recorded without a list of its own here.
#pragma once

#include "files/qub_file.h"
#include "settings/advanced_settings.h"
#include "settings/options.h"

#include <array>
#include <string>
#include <vector>

namespace gravon {

// The keys of both settings files with their values, as the files would hold them.
struct tsettingskeys {
    TQUBFile advanced, options;
};
// Of a, o and showbins (the visible flags of phonetograms 0 and 1, which are options).
tsettingskeys settings_keys(const tadvancedsettings& a, const toptions& o,
                            const std::array<bool, 2>& showbins);
// Of the defaults every start begins with.
tsettingskeys default_settings_keys();

// One setting: key "Section/Key" (as --set takes it) and its value as text.
struct tsettingvalue {
    std::string key;
    std::string value;
};

// The value under n as text: true or false, a whole number, a number with "." as the decimal
// separator, the text itself; a list as its values joined by ",".
std::string setting_value_text(const TQUBFile& f, const tnode& n);

// Every key whose value differs from the defaults, or that the defaults lack, in file order:
// the advanced settings, then the options. The defaults are what resetting both gives, so the
// settings that a reset keeps (the audio devices, output channels, sample width and location:
// the machine's, not the analysis') never differ.
std::vector<tsettingvalue> settings_differences(const tadvancedsettings& a, const toptions& o,
                                                const std::array<bool, 2>& showbins);

} // namespace gravon
