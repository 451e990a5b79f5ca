// Phonetogram text export: chosen parameters of one phonetogram as tables of text for
// spreadsheets, one table per parameter, rows from the loudest level bin down to the softest,
// columns from the lowest F0 bin up to the highest.
//
// The comment lines of the format come first. Each table is a line "---------", a line with the
// parameter's name, a heading line "dB\" + unit + sep followed by every F0 bin's label + sep, then
// one line per level bin: the level + sep, then every cell + sep. Every line of a table ends with a
// separator; lines end with CR LF; the text is in the 8-bit Windows-1252 code page.
#pragma once

#include "phonetogram/bin_visibility.h"
#include "phonetogram/pg_list.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

// Column separators.
inline constexpr std::int32_t colseptab = 0;
inline constexpr std::int32_t colsepsemicolon = 1;
inline constexpr std::int32_t colsepcomma = 2;
inline constexpr std::int32_t colsepspace = 3;
// Decimal separators.
inline constexpr std::int32_t decseplocale = 0; // as the platform writes numbers
inline constexpr std::int32_t decsepperiod = 1;
inline constexpr std::int32_t decsepcomma = 2;
// Frequency bin headings.
inline constexpr std::int32_t freqheadhz = 0;   // centre frequency in Hz
inline constexpr std::int32_t freqheadmidi = 1; // MIDI code
inline constexpr std::int32_t freqheadnote = 2; // musical note, e.g. "A4"
// Which cells hold values.
inline constexpr std::int32_t thresholdhide = 0;    // only bins above the display threshold
inline constexpr std::int32_t thresholdshowall = 1; // every bin with accumulated time

// The choices of the export dialog; a default-constructed value holds the dialog's defaults.
struct ttextexportchoices {
    std::int32_t pgno = -1;    // the phonetogram; none chosen by default
    std::vector<bool> checked; // per parameter of that phonetogram; missing entries: unchecked
    std::int32_t colsep = colseptab;
    std::int32_t decsep = decseplocale;
    std::int32_t freqhead = freqheadmidi;
    std::int32_t threshold = thresholdhide;
    // The range edits as typed, read with the platform's decimal separator and rounded.
    std::string loleveledit = "40";
    std::string hileveledit = "120";
    std::string lomidiedit = "24";
    std::string himidiedit = "95";
};

// What the export takes from the advanced settings.
struct ttextexportformat {
    std::int32_t nsigdig = 4;     // significant digits of cell values and frequencies
    std::string dbformat = "0.0"; // pattern of the level column
    tbinshowsettings binshow;     // the display threshold
    // Lines that open the text, each begun by "#": where the export came from.
    std::vector<std::string> comments;
};

// The bin ranges of the choices, clamped to the grid (low ends to 0, high ends to the last
// bin). A range whose low end lies above its high end is empty.
struct ttextexportranges {
    std::int32_t lof0 = 0, hif0 = 0;
    std::int32_t lolevel = 0, hilevel = 0;
};
// Raises EConvertError "'" + text + "' is not a valid floating point value" for an edit that
// is not a number.
ttextexportranges text_export_ranges(const ttextexportchoices& c);

// The names the dialog lists: phonetograms 0 ... nchans - 1, and the parameters of one.
std::vector<std::string> text_export_pgnames(const tpglist& list);
std::vector<std::string> text_export_paramnames(const tpglist& list, std::int32_t pgno);

// "Use visible range!": the keyboard's lowest and highest key, the level axis' ends rounded.
void use_visible_range(ttextexportchoices& c, std::int32_t lokey, std::int32_t hikey,
                       double levello, double levelhi);

// Checks / unchecks every parameter of the chosen phonetogram ("All" / "None").
void check_all_parameters(ttextexportchoices& c, const tpglist& list, bool on);

// The text of the export (program text, UTF-8). Refreshes the shown-bin mask of the list
// first. Raises EConvertError for an edit that is not a number and EGravonError when the
// chosen phonetogram does not exist.
std::string phonetogram_text(tpglist& list, const ttextexportchoices& c,
                             const ttextexportformat& f);

// Writes phonetogram_text to fname in the 8-bit code page. The file is replaced only once it
// is complete; nothing is written when the text cannot be made. Raises EOSError naming the
// file on input/output errors.
void export_phonetogram_text(tpglist& list, const ttextexportchoices& c, const ttextexportformat& f,
                             const std::string& fname);

// The texts of the export's save dialog.
inline constexpr const char* textexportdialogfilter = "Text files (*.txt)|*.txt";
inline constexpr const char* textexportdefaultext = ".txt";

} // namespace gravon
