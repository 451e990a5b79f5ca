#include "core/main_window.h"

#include "base/random.h"
#include "base/rounding.h"
#include "base/sample_conversion.h"
#include "base/system_utils.h"
#include "calibration/calibration_model.h"
#include "phonetogram/area_selection.h"
#include "phonetogram/binning.h"
#include "phonetogram/pg_param.h"
#include "phonetogram/statistics_text.h"
#include "settings/statistics_settings.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace gravon {

namespace {

std::string format_datestr(tdatetime t) {
    const std::time_t tt = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
    localtime_r(&tt, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M.%S", &tm);
    return buf;
}

} // namespace

TForm1::TForm1(tuserinterface& ui)
    : tpglist(), TAnalysisDriver(advanced, fbinningsink), ui(ui), fbinningsink(*this) {
    onhopanalysed = [this] { this->ui.request_repaint(); };
}

void TForm1::tbinningsink::frame_accepted(int c, const tchannelmeasures& m, double duration) {
    if (std::size_t(c) >= form.pgs.size()) return;
    tbinningframe f;
    f.f0 = m.f0;
    f.level = m.level;
    f.h1h2 = m.h1h2;
    f.hnr = m.hnr;
    f.centroid = m.centroid;
    f.crestlevel = m.crestlevel;
    f.maxpartno = m.maxpartno;
    f.duration = duration;
    f.overloaded = m.overloaded;
    bin_frame(form.pgs[std::size_t(c)], form.advanced.binningmethod, f);
}

void TForm1::tbinningsink::frame_stored(double seconds) {
    for (std::size_t c = 0; c < 2 && c < form.pgs.size(); ++c) form.pgs[c].recordedtime = seconds;
}

void TForm1::FormActivate(const std::vector<std::string>& args) {
    if (activated) return;
    startup_sequence();
    execute_command_line(args);
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
        pg.distance = advanced.standarddistance;
        pg.actualdistance = advanced.standardactualdistance(c);
    }
}

void TForm1::Setup_recording_parameters() {
    if (audioarrpos <= 0) {
        recordingstarttime = std::chrono::system_clock::now();
        if (!pgs.empty()) pgs[0].pgname = "Left";
        for (int c = 0; c < 2 && std::size_t(c) < pgs.size(); ++c) {
            tpg& pg = pgs[std::size_t(c)];
            pg.datestr = format_datestr(recordingstarttime);
            pg.calibstr = calibration_info(c);
            pg.calstatus = calibrationstatus[std::size_t(c)];
            pg.distance =
                advanced.calibrationrecalculate ? advanced.standarddistance : pg.actualdistance;
        }
    }
    // The recorder takes buffers of about 20 ms: the power of two nearest in the logarithm.
    const std::int32_t sftot = roundint(double(recorderchannels) * advanced.fs);
    recorderchunksize = std::int32_t(1) << std::clamp(roundint(std::log2(sftot / 50.0)), 1, 20);
    apply_analysis_settings();
    setup_analysis();
    ui.refresh_control_panel();
}

void TForm1::Set_recording(bool on) {
    if (on) {
        frecording = true;
        Setup_recording_parameters();
        if (pgs.size() > 1 && !pgs[0].visible && !pgs[1].visible) pgs[0].visible = true;
        holdcount = 0;
        set_title("Untitled");
        fix_things();
    } else {
        frecording = false;
        recordingendtime = std::chrono::system_clock::now();
        trim_stores();
        fix_things();
    }
}

void TForm1::RecordActionExecute(bool checked) {
    RandSeed(0);
    Set_recording(checked);
    if (frecording && startinpausedstate)
        set_paused(true);
    else if (!frecording)
        set_paused(false);
    fix_things();
}

void TForm1::StopActionExecute() {
    Set_recording(false);
    set_paused(false);
}

void TForm1::NewRecordingActionExecute() {
    if (audioarrpos < 0 && pgs.size() > 2) {
        // Only loaded phonetograms: there is nothing to clear, they are managed in the
        // control panel.
        ui.show_control_panel();
        return;
    }
    if (!ask_to_save()) return;
    Set_recording(false);
    if (fanalysisisfromsoundfile) restore_temporary_settings();
    set_analysisisfromsoundfile(false);
    set_title("");
    audioarrpos = -1;
    soundsavearrpos = -1;
    stdpgsavearrpos = -1;
    reset_audio_store();
    reset_recording();
    fix_things();
    ui.request_repaint();
}

void TForm1::fix_things() {
    // The toolkit window derives its enabled states, captions and axes from this state when
    // it repaints.
    fix_area_statistics();
    ui.request_repaint();
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

std::array<double, 2> TForm1::intake_factors() const {
    std::array<double, 2> f = signedfactors;
    for (std::size_t c = 0; c < 2 && c < pgs.size(); ++c)
        f[c] = effective_calibration_factor(f[c], advanced.calibrationrecalculate,
                                            pgs[c].actualdistance, advanced.standarddistance);
    return f;
}

template <typename tsample, typename tscale>
void TForm1::intake(const std::vector<tsample>& arr, std::int32_t used, tscale scale) {
    if (audioarrpos >= maxaudioarrpos) {
        Set_recording(false);
        ui.message_box("Max time reached", "Maximum recording time reached",
                       tmessagekind::information);
        return;
    }
    const std::array<double, 2> f = intake_factors();
    const std::size_t n = std::min<std::size_t>(std::size_t(std::max(used, 0) / 2), arr.size() / 2);
    fintakeblock.resize(2);
    for (auto& ch : fintakeblock)
        if (ch.size() < n) ch.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        fintakeblock[0][i] = float(scale(arr[2 * i]) * f[0]);
        fintakeblock[1][i] = float(scale(arr[2 * i + 1]) * f[1]);
    }
    crunch_arr(fintakeblock, n, f);
}

void TForm1::MPCRecord1Fetch(const TWaveChunk& arr, std::int32_t used, bool& last) {
    intake(arr, used, [](std::int16_t v) { return v / 32767.0; });
}

void TForm1::MPCRecord1Fetch24(const tint24arr& arr, std::int32_t used, bool& last) {
    intake(arr, used, [](const tint24& v) { return int24toint(v) / 8388607.0; });
}

bool TForm1::FormCloseQuery() {
    if (!ask_to_save()) return false;
    Set_recording(false);
    return true;
}

} // namespace gravon
