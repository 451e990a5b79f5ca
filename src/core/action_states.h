// The main actions of the window and what the current state makes of them: which are enabled
// and checked, their hints and toolbar images. A pure function of the main window, so that a
// toolkit window only has to copy the result onto its buttons and menu items.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace gravon {

class TForm1;

enum class tactionid : std::int32_t {
    newrecording,
    opensoundfile,
    openstdpg,
    makereferencegroup,
    savestdpg,
    savesmp,
    savenormalized,
    saveall,
    exporttext,
    savereport,
    printreport,
    controlpanel,
    exit,
    record,
    pause,
    stop,
    playnoise,
    calibrate,
    calibratefromreference,
    sessiondetails,
    guidedprofile,
    copyimage,
    selectallarea,
    clearareaselection,
    hidecrosshair,
    showstatistics,
    showtarget,
    resettarget,
    setmeasuredtarget,
    options,
    advancedsettings,
    openoptions,
    saveoptions,
    cancelanalysis,
    commandlinesyntax,
    about,
    copyimageatsize,
    manual,
    exportvoicemap,
    listentoselection,
};
inline constexpr std::size_t nactionids = std::size_t(tactionid::listentoselection) + 1;

// The state an action takes from the window.
struct tactionstate {
    bool enabled = true;
    bool visible = true;
    bool checked = false;
    std::string hint;        // empty: the action's own hint
    std::int32_t image = -1; // toolbar image index; -1: the action's own
};

struct tactionstates {
    std::array<tactionstate, nactionids> a;
    // The Target menu is shown exactly when the target action is.
    bool targetmenuvisible = false;
    // Items of the recent-files list may be picked.
    bool recentfilesenabled = true;
    // "Apply and save!" of the advanced settings dialog: a sound file's settings are not to
    // become the user's.
    bool applyandsaveenabled = true;

    tactionstate& operator[](tactionid id) { return a[std::size_t(id)]; }
    const tactionstate& operator[](tactionid id) const { return a[std::size_t(id)]; }
};

// Toolbar image indexes that depend on the state.
inline constexpr std::int32_t recordimagehold = 0; // measuring the background noise
inline constexpr std::int32_t recordimagelive = 1; // the noise hold is over
inline constexpr std::int32_t noiseimageoff = 2;
inline constexpr std::int32_t noiseimageon = 3;
inline constexpr std::int32_t pauseimageoff = 10;
inline constexpr std::int32_t pauseimageon = 11;
inline constexpr std::int32_t targetimage = 5;

// The actions' state for the window. While a sound file is analysed, everything that would change
// the data or the settings the analysis reads (opening, recording, saving, the settings dialogs and
// the control panel) is disabled; only cancelling, the view and the help stay available. Exit stays
// enabled: the window cancels the analysis and closes when it has ended.
tactionstates action_states(const TForm1& f);

} // namespace gravon
