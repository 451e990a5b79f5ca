#include "core/action_states.h"

#include "core/main_window.h"
#include "phonetogram/targets.h"

namespace gravon {

namespace {

// The background-noise hold of a recording is over once more than fs x hold time samples
// have been analysed; holdcount counts samples of one channel.
bool noise_hold_over(const TForm1& f) {
    return double(f.holdcount) > f.advanced.fs * f.advanced.holdnoisemeasurementtime;
}

} // namespace

tactionstates action_states(const TForm1& f) {
    using enum tactionid;
    tactionstates s;
    const bool rec = f.recording();
    const bool busy = f.analyzing;
    const bool hasdata = f.audioarrpos >= 1;

    s[newrecording].enabled = (hasdata || f.pgs.size() > 2) && !rec && !busy;
    for (tactionid id : {savestdpg, savesmp, savenormalized, saveall})
        s[id].enabled = hasdata && !rec && !busy;
    s[calibrate].enabled = !hasdata && !rec && !busy;
    s[calibratefromreference].enabled = f.reference_calibration_possible();

    s[record].enabled = !f.analysisisfromsoundfile() && !busy;
    s[record].checked = rec;
    s[record].image = rec && noise_hold_over(f) ? recordimagelive : recordimagehold;
    s[pause].enabled = rec;
    s[pause].checked = f.paused();
    s[pause].image = f.paused() ? pauseimageon : pauseimageoff;
    s[stop].enabled = rec || f.listening();
    if (!rec && f.listening()) s[stop].hint = "Stop playing the selection";
    s[exportvoicemap].enabled = f.voicemap_export_possible();
    s[listentoselection].enabled = f.listen_possible();
    // The record may be completed during a take, not while a file is being analysed.
    s[sessiondetails].enabled = !busy;
    // A guided profile is a take of its own: it starts the recording.
    s[guidedprofile].enabled = !f.analysisisfromsoundfile() && !busy && !rec;
    s[playnoise].checked = f.noiseplaying();
    s[playnoise].image = f.noiseplaying() ? noiseimageon : noiseimageoff;
    if (rec && f.paused()) {
        s[record].hint = "Recording is paused";
        s[pause].hint = "Click to un-pause";
    } else {
        s[record].hint = "Record";
        s[pause].hint = "Pause";
    }

    for (tactionid id :
         {opensoundfile, openstdpg, makereferencegroup, exporttext, controlpanel, options,
          advancedsettings, openoptions, saveoptions, savereport, printreport})
        s[id].enabled = !busy;
    s[selectallarea].enabled = !busy;
    s[clearareaselection].enabled = !busy;
    s[hidecrosshair].enabled = f.fshowcursor;
    s[cancelanalysis].enabled = busy;
    s.recentfilesenabled = !busy;
    s.applyandsaveenabled = !f.analysisisfromsoundfile();

    s.targetmenuvisible = f.options.showtarget;
    s[showtarget].visible = f.options.showtarget;
    s[showtarget].checked = f.targetticked;
    s[showtarget].image = targetimage;
    s[setmeasuredtarget].visible = false;
    s[setmeasuredtarget].enabled = measured_target_enabled(f.statistics);
    return s;
}

} // namespace gravon
