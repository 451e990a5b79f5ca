#include "ui/main_actions.h"

namespace gravon {

namespace {

using enum tactionid;

// Indexes 0 to 3, 5, 10 and 11 are those the recording control, the noise and the target
// switch between.
constexpr std::array<const char*, 19> imagepaths = {
    ":/icons/record_hold.svg",      // 0 Record, while the background noise is measured
    ":/icons/record.svg",           // 1 Record, live
    ":/icons/noise.svg",            // 2 Play noise
    ":/icons/noise_playing.svg",    // 3 Play noise, playing
    ":/icons/stop.svg",             // 4
    ":/icons/target.svg",           // 5 Show target
    ":/icons/new_recording.svg",    // 6
    ":/icons/open_sound.svg",       // 7
    ":/icons/open_phonetogram.svg", // 8
    ":/icons/save.svg",             // 9
    ":/icons/pause.svg",            // 10 Pause
    ":/icons/paused.svg",           // 11 Pause, checked
    ":/icons/copy_image.svg",       // 12
    ":/icons/calibrate.svg",        // 13
    ":/icons/cancel.svg",           // 14
    ":/icons/options.svg",          // 15
    ":/icons/gravon.svg",           // 16
    ":/icons/control_panel.svg",    // 17
    ":/icons/statistics.svg",       // 18
};

constexpr std::array<tactiondef, nactionids> defs = {{
    {newrecording, "New recording", "Ctrl+N",
     "Discard the current recording and start afresh (asks to save first)", 6, false, "New"},
    {opensoundfile, "Analyze s&oundfile...", "Ctrl+O",
     "Analyse a recorded sound file (.wav, .smp) into the phonetogram", 7, false, "Analyse file"},
    {openstdpg, "Open phonetogram...", "Ctrl+Shift+O",
     "Load stored phonetograms (.stdpg) to show them with the current one", 8, false, "Open"},
    {makereferencegroup, "Make reference group…", "",
     "Merge stored phonetograms of a group of people into one, to compare a profile with", -1},
    {savestdpg, "Save phonetogram as...", "", "Save the phonetogram of the recording", -1},
    {savesmp, "Save sound and analysis &as...", "",
     "Save the recorded sound with its analysis tracks (.smp, .kavell)", -1},
    {savenormalized, "Save &normalized soundfile for listening as...", "",
     "Save the left channel, peak-normalised, as a WAV file for listening", -1},
    {saveall, "Save all...", "Ctrl+S",
     "Save the phonetogram, the sound and analysis and the sound for listening", 9, false,
     "Save all"},
    {exporttext, "&Export phonetogram as text...", "",
     "Write a phonetogram as tab-separated text tables", -1},
    {savereport, "Save report as PDF…", "",
     "One A4 page for the patient's file: session, calibration, phonetogram, statistics", -1},
    {printreport, "Print report…", "Ctrl+P", "Print the one-page report", -1},
    {controlpanel, "Phonetogram control panel", "F3",
     "Show, hide, colour and remove the phonetograms", 17, false, "Control panel"},
    {exit, "E&xit", "Ctrl+Q", "Close Gravon", -1},
    {record, "Record", "F9", "Record", 0, true},
    {pause, "Pause", "Space", "Pause", 10, true},
    {stop, "Stop", "", "Stop the recording", 4},
    {playnoise, "Play &noise", "", "Play noise", 2, true, "Noise"},
    {calibrate, "&Calibrate...", "", "Calibrate the microphones", 13},
    {calibratefromreference, "Calibrate from &reference...", "",
     "Set the full scale of the analysed sound file from a reference tone or vowel in it", -1},
    {sessiondetails, "&Session details…", "",
     "Who is recorded, by whom, doing what: saved with the files and printed on the report", -1},
    {guidedprofile, "&Guided profile…", "",
     "Prompt tones from low to high, each asking for the softest and the loudest /a/", -1},
    {copyimage, "&Copy image", "Ctrl+C", "Copy the phonetogram picture to the clipboard", 12, false,
     "Copy"},
    {selectallarea, "Select entire &area ", "Ctrl+A",
     "Select everything the current phonetogram shows and show its statistics", -1},
    {clearareaselection, "Cl&ear area selection(s)", "",
     "Clear the selected areas of all phonetograms", -1},
    {hidecrosshair, "&Hide crosshair", "", "Hide the crosshair in the phonetogram", -1},
    {showstatistics, "Show area statistics", "F4", "Show the statistics of the selected area", 18,
     false, "Statistics"},
    {showtarget, "Show target", "", "Show the target the voice is asked to hit", 5, true, "Target"},
    {resettarget, "Reset target", "", "Move the target back to its default position", -1},
    {setmeasuredtarget, "Set target from area measurement", "",
     "Move the target to the fo mode and Leq of the selected area", -1},
    {options, "Options...", "", "What the view shows, statistics, targets, keyboard, noise", 15},
    {advancedsettings, "&Advanced settings...", "",
     "Analysis, devices, calibration and parameter settings", -1},
    {openoptions, "&Open options...", "", "Load options from a settings file", -1},
    {saveoptions, "&Save options...", "", "Save the options to a settings file", -1},
    {cancelanalysis, "Cancel analysis", "Esc",
     "Stop analysing the sound file; what was analysed stays", 14, false, "Cancel"},
    {commandlinesyntax, "Command line syntax", "",
     "How to run Gravon from a command line or a script", -1},
    {about, "&About Gravon", "", "Version and copyright", 16},
    {copyimageatsize, "Copy image at si&ze...", "Ctrl+Shift+C",
     "Copy the phonetogram picture to the clipboard at a size of your choice", -1},
    {manual, "Gravon &manual", "F1", "How to record, calibrate, analyse and compare", -1},
    {exportvoicemap, "Export &voice map…", "",
     "Write the phonetogram as the voice-map CSV (_VRP.csv) that other voice-map tools read", -1},
    {listentoselection, "&Listen to selection", "Ctrl+L",
     "Play, in time order, the frames of the take or sound file whose cells are selected", -1},
}};

} // namespace

const std::array<tactiondef, nactionids>& main_action_defs() {
    return defs;
}

const char* action_image_path(std::int32_t image) {
    if (image < 0 || std::size_t(image) >= imagepaths.size()) return "";
    return imagepaths[std::size_t(image)];
}

} // namespace gravon

namespace gravon {
namespace {
constexpr bool defs_in_enum_order() {
    for (std::size_t i = 0; i < defs.size(); ++i)
        if (std::size_t(defs[i].id) != i) return false;
    return true;
}
static_assert(defs_in_enum_order(), "one action definition per tactionid, in its order");
} // namespace
} // namespace gravon
