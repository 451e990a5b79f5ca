// --set KEY=VALUE: a setting given on the command line, applied as if read from a settings
// file of its kind (options or advanced settings), so that it passes the same checks.
#pragma once

#include "core/main_window.h"

#include <string>
#include <vector>

namespace gravon {

// One container per setting, in order. KEY is a key of the options or advanced-settings file
// (letter case ignored), or "Section/Key" when the key alone is in several sections; VALUE is
// converted to the kind stored under the key: true/false (also yes/no, on/off, 1/0), a whole
// number, a number with "." as the decimal separator, or text. Raises tusageerror for an
// unknown key, a key that holds a list, or a value of the wrong kind.
std::vector<TForm1::tsettingsoverride> settings_overrides(const std::vector<std::string>& sets);

} // namespace gravon
