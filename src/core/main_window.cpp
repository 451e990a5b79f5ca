#include "core/main_window.h"

#include "base/random.h"
#include "base/rounding.h"
#include "base/sample_conversion.h"
#include "base/system_utils.h"
#include "calibration/calibration_model.h"
#include "core/distance_note.h"
#include "phonetogram/area_selection.h"
#include "phonetogram/binning.h"
#include "phonetogram/pg_param.h"
#include "phonetogram/statistics_text.h"
#include "settings/statistics_settings.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace gravon {

TForm1::TForm1(tuserinterface& ui, tfrontendpolicy policy)
    : tpglist(), TAnalysisDriver(advanced, fbinningsink), ui(ui), policy(std::move(policy)),
      fbinningsink(*this) {
    onhopanalysed = [this] { this->ui.request_repaint(); };
}

void TForm1::tbinningsink::frame_accepted(int c, const tchannelmeasures& m, double duration) {
    if (std::size_t(c) >= form.pgs.size()) return;
    const tbinningframe f{.f0 = m.f0,
                          .level = m.level,
                          .h1h2 = m.h1h2,
                          .hnr = m.hnr,
                          .centroid = m.centroid,
                          .crestlevel = m.crestlevel,
                          .maxpartno = double(m.maxpartno),
                          .cpps = m.cpps,
                          .specbal = m.specbal,
                          .duration = duration,
                          .overloaded = m.overloaded};
    bin_frame(form.pgs[std::size_t(c)], form.advanced.binningmethod, f);
}

void TForm1::tbinningsink::frame_stored(double seconds) {
    for (std::size_t c = 0; c < 2 && c < form.pgs.size(); ++c) form.pgs[c].recordedtime = seconds;
}

void TForm1::FormActivate(const std::vector<std::string>& args) {
    activate(window_request(args));
}

void TForm1::activate(const twindowrequest& request) {
    if (activated) return;
    // Before the start-up sequence, which loads the settings from it.
    if (!request.settingsdir.empty()) progid.setSettingsDir(request.settingsdir);
    startup_sequence();
    execute_steps(request.steps);
    if (request.selectall) {
        select_all_recording_areas();
        fix_things();
    }
}

void TForm1::startup_sequence() {
    activated = true;
    // The view's bitmaps, the tone and noise channels, dropped files and opaque painting are
    // the window's and the audio layer's business; the core has nothing to set up for them.
    analyser.fft(0).setIgnoreInIm(true);
    analyser.fft(1).setIgnoreInIm(true);

    pgcolor = default_pgcolors();
    pgcolorname = default_pgcolornames();
    tracks = make_track_tables();
    selectioncolor = rgb(128, 128, 128);
    cursorcolor = rgb(192, 64, 0);
    targetcolors = {rgb(241, 216, 51),  rgb(186, 55, 69),   rgb(16, 144, 207), rgb(0, 0, 0),
                    rgb(251, 251, 251), rgb(220, 220, 220), rgb(64, 192, 0),   rgb(128, 128, 128)};
    options.percentile = default_percentiles();

    set_nchans(*this, 2);
    for (int c = 0; c < 2; ++c) set_pgcolor(*this, c, c);
    set_analysisisfromsoundfile(false);

    audioarrpos = -1;
    soundsavearrpos = -1;
    stdpgsavearrpos = -1;

    set_advanced_to_default();
    set_options_to_default();
    load_default_settings();

    set_use24bits(true);

    if (locationid.empty()) locationid = computername();
    for (int c = 0; c < 2; ++c) pgs[std::size_t(c)].recordingsiteid = locationid;

    apply_analysis_settings();
    setup_analysis();
    reset_audio_store();

    reset_recording();
    set_paused(false);
    startinpausedstate = true;

    signedpersonid = {"", ""};
    signedcalibrationdate = {0.0, 0.0};
    load_default_calibration();
    fix_things();
    if (policy.offersrecovery || recoverorphans || discardorphans) offer_recovery();
}

// ---- Calibration ----
void TForm1::load_default_calibration() {
    open_calibration("");
}
// ---- end of calibration ----

void TForm1::set_paused(bool v) {
    fpaused = v;
    fix_things();
}

void TForm1::set_title(const std::string& v) {
    ftitle = v;
    ui.request_repaint();
}

std::string TForm1::caption() const {
    return ftitle.empty() ? progid.ProductName() : ftitle + " - " + progid.ProductName();
}

void TForm1::set_analysisisfromsoundfile(bool v) {
    fanalysisisfromsoundfile = v;
    if (pgs.size() > 1) pgs[1].pgname = v ? "" : "Right";
}

void TForm1::apply_analysis_settings() {
    TAnalysisDriver::set_fftbw(advanced.fftbw);
}

void TForm1::set_fs(double v) {
    advanced.fs = v;
    apply_analysis_settings();
}

void TForm1::set_fftbw(double v) {
    advanced.fftbw = v;
    apply_analysis_settings();
}

void TForm1::set_use24bits(bool v) {
    // The recorders take the sample width from here when the audio layer creates them.
    fuse24bits = v;
    advanced.use24bits = v;
}

void TForm1::reset_recording() {
    for (int c = 0; c < 2 && std::size_t(c) < pgs.size(); ++c) clear_pg_cells(pgs[std::size_t(c)]);
    clear_area_selection(*this);
    fix_area_statistics();
    reset_analysis();
    if (!pgs.empty()) pgs[0].pgname = "Left";
    for (int c = 0; c < 2 && std::size_t(c) < pgs.size(); ++c) {
        tpg& pg = pgs[std::size_t(c)];
        pg.recordingsiteid = locationid;
        pg.datestr.clear();
        pg.calstatus = calibrationstatus[std::size_t(c)];
        pg.calibstr = calibration_info(c);
        pg.actualdistance = advanced.standardactualdistance(c);
        pg.distance = take_distance(c);
    }
}

void TForm1::fix_things() {
    // The toolkit window brings its actions, captions, axes and menus in line with this state
    // when told to refresh.
    fix_area_statistics();
    ui.request_repaint();
    ui.refresh_actions();
    // Laying phonetograms over one another at different distances is said once, when it
    // happens.
    if (policy.notesdistances) {
        const std::string note = distance_note();
        if (note != distancenoted) tell_distance_note(*this, note, true);
        distancenoted = note;
    }
}

const tbinshowsettings& TForm1::binshow_settings() const {
    return advanced;
}

void TForm1::fix_binshow() {
    gravon::fix_binshow(*this, binshow_settings());
    gravon::fix_binexcluded(*this);
}

void TForm1::fix_area_statistics() {
    gravon::fix_area_statistics(*this, statistics, statistics_settings(options, advanced));
}

void TForm1::select_all_recording_areas() {
    fix_binshow();
    for (std::int32_t c = 0; c < 2 && std::size_t(c) < pgs.size(); ++c) {
        const tpg& pg = pgs[std::size_t(c)];
        bool hasdata = false;
        if (pg.param.size() > pglayeracctime)
            for (double v : pg.param[pglayeracctime].arr.cells)
                if (v > 0) {
                    hasdata = true;
                    break;
                }
        if (hasdata) select_all_area(*this, binshow_settings(), c);
    }
    fix_area_statistics();
}

std::vector<std::string> TForm1::statistics_text_lines(bool condensed, char decimalseparator) {
    fix_area_statistics();
    tstatisticsrows rows = statistics_rows(options);
    rows.shortversion = condensed;
    return statistics_text(*this, statistics, options.percentile, advanced.displayparams, rows,
                           statistics_format(advanced, decimalseparator));
}

bool TForm1::FormCloseQuery() {
    if (!ask_to_save()) return false;
    Set_recording(false);
    settle_journal();
    return true;
}

} // namespace gravon
