// The main window's live recording: the recorder and its intake, the journal that keeps a take
// safe from a crash, the recovery of an orphaned take, and the masking noise and keyboard tones.
#include "audio/mpc_error.h"
#include "base/app_folders.h"
#include "base/number_text.h"
#include "base/random.h"
#include "base/rounding.h"
#include "base/sample_conversion.h"
#include "calibration/calibration_model.h"
#include "core/device_choice.h"
#include "core/main_window.h"
#include "files/utf8_path.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <new>
#include <optional>
#include <unistd.h>

namespace gravon {

namespace {

double scale16(std::int16_t v) {
    return v / 32767.0;
}
double scale24(const tint24& v) {
    return int24toint(v) / 8388607.0;
}

std::string format_datestr(tdatetime t) {
    const std::time_t tt = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
    localtime_r(&tt, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M.%S", &tm);
    return buf;
}

} // namespace

void TForm1::attach_audio(taudiodevices& devices) {
    frecordservice = devices.make_wavein();
    MPCRecord1 = std::make_unique<TMPCRecord>(*frecordservice);
    TMPCRecord& r = *MPCRecord1;
    r.setnChans(2);
    r.setsfTot(88200);
    r.setnBuffers(64);
    r.setnChunkSamples(4096);
    r.setnBits(fuse24bits ? 24 : 16);
    r.OnFetch = [this](const TWaveChunk& a, std::int32_t used, bool& last) {
        MPCRecord1Fetch(a, used, last);
    };
    r.OnFetch24 = [this](const tint24arr& a, std::int32_t used, bool& last) {
        MPCRecord1Fetch24(a, used, last);
    };
    r.OnFailed = [this](const std::string& text) { MPCRecord1Failed(text); };
    fnoiseservice = devices.make_waveout();
    MPCnoiseplay = std::make_unique<tmaskingnoise>(*fnoiseservice, advanced.fs);
    MPCnoiseplay->readsettings = [this](tnoisesettings& s) { noise_settings(s); };
    MPCnoiseplay->player.OnFailed = [this](const std::string& text) { MPCnoiseplayFailed(text); };
    fkeyboardservice = devices.make_waveout();
    MPCkeyboardplay = std::make_unique<tkeyboardsound>(*fkeyboardservice);
    MPCkeyboardplay->OnFailed = [this](const std::string& text) { MPCkeyboardplayFailed(text); };
    flistenservice = devices.make_waveout();
    MPClistenplay = std::make_unique<theldsound>(*flistenservice);
    MPClistenplay->player.OnFailed = [this](const std::string& text) { MPClistenplayFailed(text); };
    // The selection played to its end: Stop goes off again.
    MPClistenplay->player.OnClosed = [this] { fix_things(); };
    // One input list and one output list serve every window that lists devices.
    r.OnDevicesChanged = [this] { read_audio_devicenames(); };
    MPCnoiseplay->player.OnDevicesChanged = [this] { read_audio_devicenames(); };
    read_audio_devicenames();
}

void TForm1::read_audio_devicenames() {
    if (!MPCRecord1) return;
    MPCRecord1->read_devicenames();
    MPCnoiseplay->player.read_devicenames();
    taudiodevicenames now{MPCnoiseplay->player.Devicenames(), MPCRecord1->Devicenames()};
    if (now.input == audiodevicenames.input && now.output == audiodevicenames.output) return;
    audiodevicenames = std::move(now);
    ui.refresh_device_lists();
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
            pg.distance = take_distance(c);
        }
        storefs = advanced.fs;
        takerecalculated = advanced.calibrationrecalculate;
        if (frecording) begin_take_session();
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
        if (MPCRecord1) start_recorder();
        fix_things();
    } else {
        frecording = false;
        stop_recorder();
        // A stopped take is still unsaved, and Record continues it: the journal stays.
        recordingendtime = std::chrono::system_clock::now();
        trim_stores();
        fix_things();
    }
}

void TForm1::start_recorder() {
    TMPCRecord& r = *MPCRecord1;
    bool hadjournal = true;
    try {
        r.setnChans(recorderchannels);
        r.setsfTot(roundint(double(recorderchannels) * advanced.fs));
        r.setnChunkSamples(recorderchunksize);
        r.setnBits(fuse24bits ? 24 : 16);
        choose_device(r, advanced.recorddevice);
        // The analysis was set up anew for this start: so is the journal's segment.
        hadjournal = journal.isopen();
        begin_journal_segment(true);
        // All the room a take may take, at once: the stores then never move while they grow
        // (a move of hundreds of megabytes would hold up the buffers), and untouched room
        // costs no memory.
        try {
            reserve_stores(std::size_t(std::max(maxaudioarrpos - audiosamples(), 0)));
            // Pages are then backed ahead of the buffers instead of inside their handler.
            if (storeaudio) start_prefaulting();
            // The first buffer finds its intake sized: the handler allocates nothing.
            fintakeblock.assign(2, tsinglearr(std::size_t(recorderchunksize)));
        } catch (const std::bad_alloc&) {
            // A system that does not promise memory ahead: the stores grow in steps instead.
        }
        r.Run();
    } catch (const EGravonError& e) {
        // Nothing records (the recorder has closed again): the window must not claim
        // otherwise.
        frecording = false;
        // A journal made for this start holds no sound, so it holds no take; one that was
        // there before (a recovered one) is the take's.
        if (!hadjournal && journal.isopen() && journal.bytes() == 0) retire_journal();
        ui.tell(message_fact("Cannot record",
                             "The recording device " + recording_device_text() +
                                 " cannot be used.\r" + e.what(),
                             tmessagekind::error));
    }
}

void TForm1::stop_recorder() {
    stop_prefaulting();
    if (!MPCRecord1) return;
    try {
        MPCRecord1->Stop();
    } catch (const EGravonError& e) {
        // Closed all the same, and the take is whole: only the device complained.
        ui.tell(posted_fact("Recording stopped",
                            "The recording device " + recording_device_text() +
                                " reported an error as it stopped.\r" + e.what(),
                            tmessagekind::warning));
    }
}

std::string TForm1::recording_device_text() const {
    return sound_device_text(advanced.recorddevice, true);
}

void TForm1::MPCRecord1Failed(const std::string& text) {
    // The recorder has closed itself; the take ends with the last block it delivered.
    if (frecording) StopActionExecute();
    ui.tell(posted_fact("Recording stopped",
                        "The recording device " + recording_device_text() + " failed: " + text +
                            "\rThe recording was stopped; everything recorded up to now is kept.",
                        tmessagekind::warning));
}

bool TForm1::keep_take_rate() {
    if (audioarrpos < 0 || fanalysisisfromsoundfile || storefs == advanced.fs) return true;
    // The analysis of the take and its saved files have one rate: a take continued at another
    // would be saved at the new rate throughout, its first part played too fast.
    const std::string text = "The take in memory was recorded at " + floattostrdot(storefs) +
                             " Hz; the sampling rate is now " + floattostrdot(advanced.fs) +
                             " Hz.\rA take keeps one rate: continuing at the new rate means "
                             "starting a new take.\rStart a new take at " +
                             floattostrdot(advanced.fs) + " Hz?";
    if (ui.tell(question_fact("Record", text, tbuttons::yes_no)) != tanswer::yes) return false;
    // Asks to save the take in memory first; Cancel there keeps it and records nothing.
    NewRecordingActionExecute();
    return audioarrpos < 0;
}

double TForm1::take_distance(int c) const {
    if (c < 0 || c > 1 || std::size_t(c) >= pgs.size()) return -1;
    const std::int32_t status = calibrationstatus[std::size_t(c)];
    if (!commandlinecalibration && status != calstatusunsigned && status != calstatussigned)
        return -1;
    return advanced.calibrationrecalculate ? advanced.standarddistance
                                           : pgs[std::size_t(c)].actualdistance;
}

bool TForm1::confirm_uncalibrated_take() {
    std::string names, texts;
    for (int c = 0; c < 2 && std::size_t(c) < pgs.size(); ++c) {
        if (!pgs[std::size_t(c)].visible || take_distance(c) > 0) continue;
        const std::string name = c == 0 ? "Left" : "Right";
        names += (names.empty() ? "" : " and ") + name;
        texts += "\r" + name + ": " + calibration_info(c);
    }
    if (names.empty()) return true;
    const bool both = names.find(" and ") != std::string::npos;
    return ui.confirm_uncalibrated_record(
        "The " + names + (both ? " channels are" : " channel is") +
        " not calibrated: the take's levels will not be sound pressure levels, and its "
        "phonetogram will state no microphone distance." +
        texts +
        "\rCalibrate... in the Recording menu calibrates the microphone.\r\rRecord all the "
        "same?");
}

void TForm1::RecordActionExecute(bool checked) {
    // The microphones are not to hear the selection.
    if (checked) stop_listening();
    if (checked && !frecording && !keep_take_rate()) {
        ui.refresh_actions();
        return;
    }
    // The first Record of a take: whether it may go ahead uncalibrated, who is recorded,
    // doing what.
    if (checked && !frecording && audioarrpos < 0 &&
        (!confirm_uncalibrated_take() || !offer_take_session())) {
        ui.refresh_actions();
        return;
    }
    RandSeed(0);
    Set_recording(checked);
    if (frecording && startinpausedstate)
        set_paused(true);
    else if (!frecording)
        set_paused(false);
    fix_things();
}

void TForm1::StopActionExecute() {
    stop_listening();
    // Stop while only the selection played: the take's end stays where it was.
    if (!frecording) return;
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
    settle_journal();
    // The next take may be anyone's.
    drop_baseline();
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

std::array<double, 2> TForm1::intake_factors() const {
    std::array<double, 2> f = signedfactors;
    for (std::size_t c = 0; c < 2 && c < pgs.size(); ++c)
        f[c] = effective_calibration_factor(f[c], advanced.calibrationrecalculate,
                                            pgs[c].actualdistance, advanced.standarddistance);
    return f;
}

std::int32_t TForm1::keyboard_block_time() const {
    return MPCkeyboardplay ? MPCkeyboardplay->tone.keyboardblocktime : 0;
}

template <typename tsample, typename tscale>
void TForm1::intake(const std::vector<tsample>& arr, std::int32_t used, tscale scale,
                    const std::array<double, 2>& f, std::int32_t keyboardblock) {
    if (audioarrpos >= maxaudioarrpos) {
        // Said once for each Record that meets it: the blocks still on their way, or the
        // rest of a journal that runs on past the limit, find the take already full.
        const bool tell = frecording || !fmaxtimetold;
        if (frecording) Set_recording(false);
        if (tell)
            ui.tell(posted_fact("Max time reached", "Maximum recording time reached",
                                tmessagekind::information));
        fmaxtimetold = true;
        return;
    }
    keyboardblocktime = keyboardblock;
    const std::size_t n = std::min<std::size_t>(std::size_t(std::max(used, 0) / 2), arr.size() / 2);
    fintakeblock.resize(2);
    for (auto& ch : fintakeblock)
        if (ch.size() < n) ch.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        fintakeblock[0][i] = float(scale(arr[2 * i]) * f[0]);
        fintakeblock[1][i] = float(scale(arr[2 * i + 1]) * f[1]);
    }
    crunch_arr(fintakeblock, n, f);
    if (onblockanalysed) onblockanalysed();
}

void TForm1::MPCRecord1Fetch(const TWaveChunk& arr, std::int32_t used, bool& last) {
    // Read once, so that the journal keeps exactly what the analysis reads.
    const std::array<double, 2> f = intake_factors();
    const std::int32_t keyboardblock = keyboard_block_time();
    journal_block(arr, used, f, keyboardblock);
    intake(arr, used, scale16, f, keyboardblock);
}

void TForm1::MPCRecord1Fetch24(const tint24arr& arr, std::int32_t used, bool& last) {
    const std::array<double, 2> f = intake_factors();
    const std::int32_t keyboardblock = keyboard_block_time();
    journal_block(arr, used, f, keyboardblock);
    intake(arr, used, scale24, f, keyboardblock);
}

template <typename tsample>
void TForm1::journal_block(const std::vector<tsample>& arr, std::int32_t used,
                           const std::array<double, 2>& f, std::int32_t keyboardblock) {
    if (!journal.isopen() || journal.failed() || audioarrpos >= maxaudioarrpos) return;
    if (f != fjournalheader.factors) {
        // The full scales changed within the run (a microphone distance): the blocks from
        // here on are scaled with the new ones.
        fjournalheader.factors = f;
        begin_journal_segment(false);
    }
    const std::size_t n = std::min<std::size_t>(std::size_t(std::max(used, 0)), arr.size());
    try {
        journal.append(std::as_bytes(std::span(arr.data(), n)), {fpaused, keyboardblock});
    } catch (const EGravonError& e) {
        journal_failed(e);
    }
}

void TForm1::journal_failed(const EGravonError& e) {
    // Said once: the journal takes nothing more after a failed write. What it holds is what
    // the stores held before the block that failed.
    fjournalledsamples = std::max<std::int64_t>(audiosamples(), 0);
    char held[64];
    std::snprintf(held, sizeof held, "%.1f s", journalled_seconds());
    ui.tell(posted_fact("Recording not safe",
                        std::string(e.what()) + ".\rIt holds the first " + held +
                            " of the take; what is recorded from here on is kept only in memory "
                            "and is not safe from a crash.",
                        tmessagekind::warning));
}

double TForm1::journalled_seconds() const {
    const std::int64_t all = std::max<std::int64_t>(audiosamples(), 0);
    const std::int64_t held = !journal.isopen()        ? 0
                              : fjournalledsamples < 0 ? all
                                                       : std::min(fjournalledsamples, all);
    return storefs > 0 ? double(held) / storefs : 0.0;
}

// ---- Masking noise and keyboard tones ----

void TForm1::noise_settings(tnoisesettings& s) const {
    s.noisespectrum = options.noisespectrum;
    s.noiselevel = options.noiselevel;
    s.softnoiseonset = options.softnoiseonset;
    s.noiseplayleft = advanced.noiseplayleft;
    s.noiseplayright = advanced.noiseplayright;
}

void TForm1::PlayNoiseActionExecute(bool checked) {
    if (!MPCnoiseplay) return;
    const std::string device = sound_device_text(advanced.playdevice, false);
    if (!checked) {
        try {
            MPCnoiseplay->stop();
        } catch (const EGravonError& e) {
            ui.tell(message_fact("Noise stopped",
                                 "The headphone noise soundcard " + device +
                                     " reported an error as it stopped.\r" + e.what(),
                                 tmessagekind::warning));
        }
        fix_things();
        return;
    }
    noise_settings(MPCnoiseplay->generator.settings);
    try {
        choose_device(MPCnoiseplay->player, advanced.playdevice);
        MPCnoiseplay->start(advanced.fs);
    } catch (const EGravonError& e) {
        ui.tell(message_fact("Cannot play noise",
                             "The headphone noise soundcard " + device + " cannot be used.\r" +
                                 e.what(),
                             tmessagekind::error));
    }
    // "Play noise" shows whether the noise plays.
    fix_things();
}

void TForm1::MPCnoiseplayFailed(const std::string& text) {
    fix_things();
    ui.tell(posted_fact("Noise stopped",
                        "The headphone noise soundcard " +
                            sound_device_text(advanced.playdevice, false) + " failed: " + text +
                            "\rThe masking noise was stopped.",
                        tmessagekind::warning));
}

bool TForm1::noiseplaying() const {
    return MPCnoiseplay && MPCnoiseplay->playing();
}

void TForm1::KeyBoard1NoteOn(std::int32_t midicode) {
    if (!MPCkeyboardplay) return;
    tkeyboardsettings& s = MPCkeyboardplay->tone.settings;
    s.voicelike = options.voicelike;
    s.keyboardnpartials = options.keyboardnpartials;
    s.keyboardslope = options.keyboardslope;
    s.keyboardlevel = options.keyboardlevel;
    s.keyboardplayleft = advanced.keyboardplayleft;
    s.keyboardplayright = advanced.keyboardplayright;
    s.keyboardblock = advanced.keyboardblock;
    MPCkeyboardplay->tone.fs = advanced.fs;
    try {
        // Only a player that is about to open needs its device.
        if (!MPCkeyboardplay->tone.keyboarding)
            choose_device(MPCkeyboardplay->player, advanced.keyboarddevice);
        MPCkeyboardplay->note_on(midicode);
    } catch (const EGravonError& e) {
        ui.tell(message_fact("Cannot play the keyboard",
                             "The keyboard soundcard " +
                                 sound_device_text(advanced.keyboarddevice, false) +
                                 " cannot be used.\r" + e.what(),
                             tmessagekind::error));
    }
}

void TForm1::MPCkeyboardplayFailed(const std::string& text) {
    ui.tell(posted_fact("Keyboard tone stopped",
                        "The keyboard soundcard " +
                            sound_device_text(advanced.keyboarddevice, false) + " failed: " + text,
                        tmessagekind::warning));
}

void TForm1::KeyBoard1NoteOff(std::int32_t midicode) {
    if (MPCkeyboardplay) MPCkeyboardplay->note_off(midicode);
}

void TForm1::Timer1Timer(std::int32_t intervalms) {
    if (!MPCkeyboardplay) return;
    try {
        MPCkeyboardplay->timer_tick(intervalms);
    } catch (const EGravonError& e) {
        ui.tell(posted_fact("Keyboard tone stopped",
                            "The keyboard soundcard " +
                                sound_device_text(advanced.keyboarddevice, false) +
                                " reported an error as it stopped.\r" + e.what(),
                            tmessagekind::warning));
    }
}

// ---- The journal and the recovery of a take ----

std::string TForm1::journal_folder() const {
    std::string base = user_data_folder();
    if (base.empty()) base = system_folder();
    return (std::filesystem::path(base) / progid.ProductName() / "journal").string();
}

void TForm1::begin_journal_segment(bool restart) {
    tjournalheader& h = fjournalheader;
    if (restart) {
        h.fs = advanced.fs;
        h.channels = recorderchannels;
        h.bits = fuse24bits ? 24 : 16;
        h.factors = intake_factors();
        h.device = advanced.recorddevice;
        // What the Record action seeded: dithered binning draws from here on.
        h.seed = RandSeedValue();
    }
    journal_take_record(h);
    h.restart = restart;
    const auto now = std::chrono::system_clock::now();
    h.started = std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count();
    const bool continued = journal.isopen();
    if (!continued) fjournalledsamples = -1;
    try {
        journal.begin_segment(journal_folder(), h);
    } catch (const EGravonError& e) {
        // The take can still be recorded and saved; it is only not safe from a crash. Posted,
        // since a change of the full scales is noticed in a sound buffer's handler.
        if (continued)
            journal_failed(e);
        else
            ui.tell(
                posted_fact("Recording not safe",
                            std::string(e.what()) +
                                ".\rThe take is kept only in memory and is not safe from a crash.",
                            tmessagekind::warning));
    }
}

void TForm1::journal_take_record(tjournalheader& h) const {
    h.takestarted =
        std::chrono::duration_cast<std::chrono::seconds>(recordingstarttime.time_since_epoch())
            .count();
    h.session = session();
    h.recalculated = takerecalculated;
    for (std::size_t c = 0; c < 2 && c < pgs.size(); ++c) {
        h.calibration[c] = pgs[c].calibstr;
        h.calstatus[c] = pgs[c].calstatus;
        h.distance[c] = pgs[c].distance;
        h.actualdistance[c] = pgs[c].actualdistance;
    }
}

void TForm1::restore_take_record(const tjournalheader& h) {
    if (h.hasrecord()) {
        recordingstarttime = tdatetime(std::chrono::seconds(h.takestarted));
        takerecalculated = h.recalculated;
    } else {
        // An older journal: its first segment began with the take.
        recordingstarttime = tdatetime(std::chrono::seconds(h.started));
    }
    for (std::size_t c = 0; c < 2 && c < pgs.size(); ++c) {
        tpg& pg = pgs[c];
        pg.datestr = format_datestr(recordingstarttime);
        pg.calibstr = h.calibration[c];
        if (h.version >= 2) pg.calstatus = h.calstatus[c];
        if (h.hasrecord()) {
            pg.distance = h.distance[c];
            pg.actualdistance = h.actualdistance[c];
        }
    }
    // With the fields --session gives over it, as the live take had.
    if (h.hasrecord()) begin_session(h.session);
}

void TForm1::retire_journal() {
    journal.retire();
    frecoveredtake = false;
}

void TForm1::settle_journal() {
    if (fsounddiscarded || !soundmodified() || (discardorphans && frecoveredtake))
        retire_journal();
    else
        journal.release();
    frecoveredtake = false;
}

std::vector<std::string> TForm1::orphaned_takes() const {
    return orphaned_journals(journal_folder());
}

void TForm1::offer_recovery() {
    // Held while they are offered: another program neither offers nor discards them.
    std::vector<tjournalclaim> orphans = claim_orphaned_journals(journal_folder());
    for (tjournalclaim& claim : orphans) {
        const std::string name = claim.filename();
        if (discardorphans && !recoverorphans) {
            claim.discard();
            continue;
        }
        std::error_code ec;
        const auto size = std::filesystem::file_size(utf8path(name), ec);
        // The take as the user knows it: when it began and about how long it is.
        std::string take = "(" + floattostrdot(double(ec ? 0 : size) / 1e6) + " MB)";
        try {
            const tjournalheader h = read_journal_header(name);
            const std::time_t t = std::time_t(h.takestarted > 0 ? h.takestarted : h.started);
            std::tm tm{};
            localtime_r(&t, &tm);
            char when[32];
            std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", &tm);
            const double seconds = double(ec ? 0 : size) / (h.fs * h.bytesperframe());
            take = "of " + std::string(when) + ", about " +
                   (seconds < 90 ? formatfloat("0", seconds) + " s"
                                 : formatfloat("0", seconds / 60) + " min") +
                   " long,";
            // Whose take it is, as far as the journal knows.
            const tsessionrecord& who = h.session;
            const std::string patient =
                who.patient.empty() ? who.name
                                    : who.patient + (who.name.empty() ? "" : ", " + who.name);
            if (!patient.empty())
                take.insert(take.size() - 1, " (patient " + patient +
                                                 (who.task.empty() ? "" : "; " + who.task) + ")");
        } catch (const EGravonError&) {
        }
        const std::string what = "Gravon was stopped while it recorded. The take " + take +
                                 " is kept in\r" + name + "\rRecover it now?";
        const tanswer a = recoverorphans
                              ? tanswer::yes
                              : ui.tell(question_fact("Recover recording", what, tbuttons::yes_no));
        if (a == tanswer::yes) {
            if (recover_take(claim)) return;
            // Nothing of it can be recovered: it would only come back at every start.
            if (discardorphans ||
                ui.tell(question_fact("Recover recording",
                                      "Discard the journal that cannot be recovered?\r" + name,
                                      tbuttons::yes_no)) == tanswer::yes)
                claim.discard();
            continue;
        }
        if (!recoverorphans &&
            ui.tell(question_fact("Recover recording",
                                  "Discard the take? It cannot be recovered afterwards.\r" + name,
                                  tbuttons::yes_no)) == tanswer::yes)
            claim.discard();
    }
}

bool TForm1::recover_take(tjournalclaim& claim) {
    const std::string fname = claim.filename();
    const auto refuse = [&](const std::string& why) {
        ui.tell(message_fact("Cannot recover recording", why, tmessagekind::error));
        return false;
    };
    try {
        read_journal_header(fname);
    } catch (const EGravonError& e) {
        return refuse(e.what());
    }
    if (frecording) Set_recording(false);
    // A take in memory that nobody decided about stays recoverable.
    journal.release();
    frecoveredtake = false;
    set_analysisisfromsoundfile(false);
    audioarrpos = -1;
    soundsavearrpos = -1;
    stdpgsavearrpos = -1;
    reset_audio_store();
    reset_recording();
    set_paused(false);
    analyzing = true;
    fmaxtimetold = false;
    fjournalledsamples = -1;
    std::array<double, 2> factors{1.0, 1.0};
    std::int32_t bits = 16;
    std::uint64_t samplebytes = 0;
    std::string damage;
    // Where the journal goes on at another rate: what follows is not this take's.
    std::uint64_t splitat = 0;
    std::string ratechange;
    // The record of the take: the first header's, or the latest that holds one.
    std::optional<tjournalheader> record;
    TWaveChunk block16;
    tint24arr block24;
    try {
        read_journal(
            fname,
            [&](const tjournalheader& h) {
                if (h.channels != 2)
                    throw EGravonError(fname + " holds " + std::to_string(h.channels) +
                                       " channels; the recorder journals two");
                if (h.restart && audioarrpos >= 0 && h.fs != storefs) {
                    // Written before a take kept one rate: its samples at two rates cannot
                    // be saved as one sound. The reading ends here.
                    splitat = h.offset;
                    char after[32];
                    std::snprintf(after, sizeof after, "%.1f s", audiosamples() / storefs);
                    ratechange = fname + " goes on at " + floattostrdot(h.fs) + " Hz after " +
                                 after + " at " + floattostrdot(storefs) +
                                 " Hz. A take keeps one rate: the take is recovered up to there";
                    throw EGravonError(ratechange);
                }
                if (!record || h.hasrecord()) record = h;
                // A segment this program adds continues from here.
                fjournalheader = h;
                factors = h.factors;
                bits = h.bits;
                if (!h.restart) return;
                // What the recorder's start did: the Record action's seed, the set-up of
                // the analysis (the filters, the hop, the partial hop dropped) and the hold
                // of the noise measurement.
                RandSeed(h.seed);
                set_fs(h.fs);
                Setup_recording_parameters();
                if (pgs.size() > 1 && !pgs[0].visible && !pgs[1].visible) pgs[0].visible = true;
                holdcount = 0;
            },
            [&](std::span<const std::byte> s, const tjournalblockstate& state) {
                // As the take was analysed: paused stretches measure the noise only, and
                // hops under a keyboard tone are rejected.
                fpaused = state.paused;
                samplebytes += s.size();
                if (bits == 16) {
                    block16.resize(s.size() / sizeof(std::int16_t));
                    std::memcpy(block16.data(), s.data(), block16.size() * sizeof(std::int16_t));
                    intake(block16, std::int32_t(block16.size()), scale16, factors,
                           state.keyboardblocktime);
                } else {
                    block24.resize(s.size() / sizeof(tint24));
                    std::memcpy(block24.data(), s.data(), block24.size() * sizeof(tint24));
                    intake(block24, std::int32_t(block24.size()), scale24, factors,
                           state.keyboardblocktime);
                }
                ui.process_events();
            });
    } catch (const EGravonError& e) {
        if (splitat == 0) damage = e.what();
    }
    analyzing = false;
    set_paused(false);
    keyboardblocktime = keyboard_block_time();
    trim_stores();
    if (frames() == 0) {
        const std::string why =
            !damage.empty() ? damage
            : samplebytes == 0
                ? fname + " holds no recorded sound"
                : fname + " holds no sound that was recorded unpaused: there is no take in it";
        audioarrpos = -1;
        reset_audio_store();
        reset_recording();
        fix_things();
        return refuse(why);
    }
    // Dated, calibrated, referred and recorded as the live take was.
    if (record) restore_take_record(*record);
    if (!damage.empty())
        ui.tell(message_fact("Cannot recover recording",
                             damage + "\rThe take is recovered up to there.", tmessagekind::error));
    recordingendtime = std::chrono::system_clock::now();
    set_title("Recovered recording");
    // The take owns its journal from here: locked while it is in memory, continued by Record,
    // and gone when the take is saved or discarded.
    try {
        const std::string rest = journal.adopt(std::move(claim), splitat);
        if (splitat > 0)
            ui.tell(message_fact("Recover recording",
                                 ratechange + ", and what follows is a take of its own in\r" +
                                     rest + "\rwhich is offered for recovery at the next start.",
                                 tmessagekind::information));
    } catch (const EGravonError& e) {
        // Let go, so that saving the take does not delete the rest with it.
        journal.release();
        ui.tell(message_fact("Recover recording",
                             ratechange +
                                 ". What follows stays in the journal, which could not be "
                                 "split and is offered again at the next start: " +
                                 e.what(),
                             tmessagekind::warning));
    }
    // A journal that takes nothing more holds the take as it was recovered.
    if (journal.failed()) fjournalledsamples = std::max<std::int64_t>(audiosamples(), 0);
    frecoveredtake = true;
    // An analysis made here, which a batch run's /s may save.
    soundfileanalysed = true;
    fix_things();
    return true;
}

} // namespace gravon
