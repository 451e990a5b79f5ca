// What the options dialog edits: a working copy of the option fields as the controls hold
// them (edits as text), filled from the main window when the dialog is shown and copied back,
// in a fixed order, when it is applied. Cancelling simply drops the copy.
#pragma once

#include "core/dialog_fields.h"
#include "core/target_grid.h"
#include "phonetogram/statistics_rows.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace gravon {

class TForm1;

struct toptionspage {
    // "Display"
    std::vector<std::string> zparamnames; // "Show darkness as"
    std::int32_t zparam = 0;
    std::array<bool, 2> showphonetogram{}, showspectrum{}, shownoise{}, showblob{};
    bool lockaspectratio = false, showlegend = false, showblackborder = false;
    bool showoutline = false;
    // The statistics switches and the ticks of the three check lists.
    tstatisticsrows stats;
    std::vector<std::string> percentilenames; // "5%", "10%", ...
    std::vector<std::string> paramavgnames;   // display parameters from index 2 on
    // "Target"
    std::string f0targetedit, leveltargetedit;
    bool showtargetcheck = false;
    ttargetgrid targetsgrid;
    // "Headphone noise"
    std::string noiseleveledit;
    std::int32_t noisespectrum = 0;
    bool softnoiseonset = false;
    // "Keyboard"
    std::string npartialsedit, slopeedit, keyboardleveledit;
    bool voicelike = false;
};

// The controls' contents for the main window's current fields (the dialog's FormShow).
toptionspage options_page_of(const TForm1& form);

// Copies the page into the main window in the dialog's order and ends with its refresh. The
// axis font belongs to the user interface; applyfont is called at its place in the order.
// A text that is not a number stops the apply at its field: what came before is kept, the
// refresh does not run.
tapplyresult apply_options_page(TForm1& form, const toptionspage& page,
                                const std::function<void()>& applyfont = {});

// "Reset all options...": asks, and on OK sets every option to its default at once. Returns
// whether the options were reset (the dialog then shows them again).
bool reset_all_options(TForm1& form);

} // namespace gravon
