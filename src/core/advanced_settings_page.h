// What the advanced settings dialog edits: the controls' contents (edits as text), the
// working copies of the two parameter lists, the rules of the digit edits, the derived texts
// the dialog shows, and the apply that writes everything back in a fixed order.
#pragma once

#include "core/dialog_fields.h"
#include "phonetogram/display_params.h"
#include "settings/advanced_settings.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace gravon {

class TForm1;

// The four calibration methods the dialog offers (the fifth is not implemented).
inline constexpr std::int32_t nofferedcalibrationmethods = 4;

struct tadvancedpage {
    // "Display"
    std::string hileveledit, loleveledit; // "0.00"
    std::string lokeyedit, hikeyedit;
    std::string sigdigitsedit, secdecimalsedit, dbdecimalsedit;
    std::int32_t ndig = 4, ndecsec = 1, ndecdb = 1;
    std::string secstr = "0.0", dbstr = "0.0";
    bool hideisolatedbins = false;
    std::string timethresholdedit; // ms
    bool includeadjacentbins = false;
    std::string adjacentfactoredit;
    // "Save"
    std::string locationidedit;
    bool saveoptionsonexit = false, saveadvancedsettingsonexit = false;
    std::int32_t savestdpgchannos = 0;
    tsavetable savekavellchannel{}, savesmpchannel{}, savewavchannel{};
    bool amplifykavellaudio = false, amplifysmpaudio = false, amplifywavaudio = false;
    // "Soundcards": the devices connected now (without the default entry) and the chosen
    // ones by name, empty for the system's default device. A chosen device need not be
    // connected.
    std::string fsedit;
    std::vector<std::string> outputdevices, inputdevices;
    std::string noisedevice, keyboarddevice, calibrationdevice, recorddevice;
    bool noiseplayleft = false, noiseplayright = false, keyboardplayleft = false;
    bool keyboardplayright = false, calibrationtoneplayleft = false;
    bool calibrationtoneplayright = false, use24bits = false;
    // "Calibration routine"
    std::array<std::int32_t, 2> calibrationmethod{};
    std::string calibratorspledit, overloadlimitedit;
    std::array<std::string, 2> distanceedit; // mm
    bool calibrationrecalculate = false;
    std::string expirationdaysedit;
    // "fo/level extraction"
    std::string hpfreqedit, fftbwedit;
    std::string cppsmaxf0edit;
    std::int32_t fftwindow = 0;
    std::string minsnredit, minhnredit, maxf0speededit, maxneglevelspeededit, maxposlevelspeededit,
        minrelpartialleveledit, lfblockthresholdedit, hfblockthresholdedit, maxhfblockleveledit,
        lof0limitedit, hif0limitedit, minsubharmonicratioedit;
    bool leftblockright = false, rightblockleft = false, keyboardblock = false;
    bool subharmonicguard = false;
    std::string leftblockrightthresholdedit, rightblockleftthresholdedit;
    std::string noisequantileedit; // %
    std::array<std::string, 2> noiseloedit, noisehiedit;
    std::string holdnoiseedit;
    std::int32_t binningmethod = 0;
    // "Parameter mapping": the working copies and the selected lines (-1: none).
    tstdpgparamarr stdpgparams;
    tdisplayparamarr displayparams;
    std::int32_t selectedmapping = -1, selecteddisplay = -1;
    // Shown with the dialog.
    std::int32_t nsigdig = 4; // in force when the dialog was shown
    std::array<double, 2> signedfactors{100.0, 100.0};
    std::string calibrationsoundcard;
    bool applyandsaveenabled = true;
};

// The controls for the main window's current settings (FormShow).
tadvancedpage advanced_page_of(const TForm1& form);

// Writes the page into the main window in the dialog's order, then re-reads the calibration
// and refreshes. A text that is not a number stops it at its field.
tapplyresult apply_advanced_page(TForm1& form, const tadvancedpage& page);

// The digit edits, on every change of their text: an integer clamped to 0 ... 20 is taken
// over and the sample returned; other text leaves the values and gives " ".
std::string set_significant_digits(tadvancedpage& p, const std::string& text);
std::string set_time_decimals(tadvancedpage& p, const std::string& text);
std::string set_level_decimals(tadvancedpage& p, const std::string& text);
// "0." followed by n "0".
std::string decimals_pattern(std::int32_t n);

// The texts, visibility and enabled states the dialog derives from its controls.
struct tadvancedderived {
    std::string windowlength;
    bool calibratorgroupvisible = false, loudspeakergroupvisible = false;
    bool editmappingenabled = false, removemappingenabled = false;
    bool editdisplayenabled = false, removedisplayenabled = false;
    std::string editmappingcaption, removemappingcaption;
    std::string editdisplaycaption, removedisplaycaption;
    std::string lokeynote, hikeynote;
    std::array<std::string, 2> distancerange;
    std::array<std::string, 2> maxlevelat300, maxlevelatmic;
    std::string calibrationsoundcard;
};
tadvancedderived advanced_derived(const tadvancedpage& p);

// The lines of the two lists of the "Parameter mapping" tab.
std::vector<std::string> mapping_lines(const tadvancedpage& p);
std::vector<std::string> display_lines(const tadvancedpage& p);

// Removing entries of the working copies; nothing happens without a valid selection, and the
// first display parameter stays. Mappings to a removed display parameter go to the first one.
void remove_selected_mapping(tadvancedpage& p);
void remove_selected_display(tadvancedpage& p);

// The two editors' OK: false (nothing changes) while the name is empty or, for a mapping, no
// valid display parameter is chosen. index -1 appends a new entry.
bool store_mapping(tadvancedpage& p, std::int32_t index, const std::string& name,
                   std::int32_t displayindex);
bool store_display(tadvancedpage& p, std::int32_t index, const std::string& name,
                   const std::string& unit);

// "Remove all calibrations now!": both channels unsigned, at once.
void remove_all_calibrations(TForm1& form);
// "Reset all advanced settings...": asks; on OK resets at once. Returns whether it did.
bool reset_all_advanced_settings(TForm1& form);
// The calibration log's text; raises EOSError with the platform's file-open message when it
// cannot be read.
std::string read_calibration_log(const TForm1& form);

} // namespace gravon
