// Where a result came from: the program and its version, and the settings that differ from the
// defaults, as every table and phonetogram file the program writes records them.
#pragma once

#include "core/main_window.h"
#include "files/stdpg_file.h"
#include "files/text_export.h"
#include "settings/settings_differences.h"

#include <string>
#include <vector>

namespace gravon {

// The settings of the form (options, the visible flags of the recording phonetograms and
// advanced settings) that differ from the defaults.
std::vector<tsettingvalue> form_settings_differences(const TForm1& form);

// The lines that open a table, before its header: always two, each begun by "# ", so that a
// reader skips them by count (pandas skiprows=2, R skip = 2) whatever the rows hold:
//   # Gravon 3.0
//   # settings differing from the defaults: General/MinSNR=10; Display/TimeThreshold=0.5
// ("none" when all are the defaults). Each is "Section/Key=value" as --set takes it; a value
// that is empty or holds ";", a double quote, a backslash, a control character or a leading or
// trailing space is written in double quotes with \", \\, \n, \r and \t.
std::vector<std::string> provenance_lines(const TForm1& form);

// What a phonetogram file takes from the form besides the phonetogram: the processing stamp,
// the high-pass frequency and the settings that differ from the defaults.
tstdpgwriteinfo stdpg_write_info(const TForm1& form);

// How the form's phonetograms are exported as text: its digits, level format and display
// threshold, opened by the provenance lines.
ttextexportformat text_export_format(const TForm1& form);

} // namespace gravon
