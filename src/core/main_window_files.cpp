// Opening files for analysis: a sound file is replayed through the same driver that a live
// recording uses, inside the open call, so that a command line can save the finished result.
#include "analysis/hop_analysis.h"
#include "analysis/simd_clones.h"
#include "base/number_text.h"
#include "base/random.h"
#include "base/text_utils.h"
#include "core/main_window.h"
#include "core/replay_notes.h"
#include "core/sound_file_source.h"
#include "files/analysis_saving.h"
#include "files/smp_file.h"
#include "files/sndfile_reader.h"
#include "files/voicemap_file.h"
#include "files/wav_file.h"

#include <chrono>
#include <cmath>
#include <span>

namespace gravon {

namespace {

constexpr std::size_t replayblock = 2048;
// The blocks are handed over many at a time, so that nearly every hop lies whole inside a
// delivery and is analysed where it lies.
constexpr std::size_t replaybuffer = 32 * replayblock;
constexpr auto refreshperiod = std::chrono::milliseconds(50);

// out[k] = float(double(in[k]) * factor), in the widest vectors the processor has.
GRAVON_SIMD_CLONES
void scale_samples(float* __restrict out, const float* __restrict in, std::size_t n,
                   double factor) {
    for (std::size_t k = 0; k < n; ++k) out[k] = float(double(in[k]) * factor);
}

// Why a file whose sampling rate the analysis cannot take (only a damaged header gives one:
// it would size the analysis window to nothing or to gigabytes) is not analysed.
std::string unusable_rate_text(const std::string& fname, double fs, double fftbw, TFFTWindow kind) {
    const double k = windowsizefactor(kind);
    const double lo = 1.5 / k * fftbw, hi = (maxanalysiswindowsize + 0.5) / k * fftbw;
    return "Cannot analyse " + fname + "\rIts sample rate of " + floattostrdot(fs) +
           " Hz is outside the rates the analysis takes (" + floattostrdot(lo) + " to " +
           floattostrdot(hi) + " Hz at the analysis bandwidth of " + floattostrdot(fftbw) + " Hz)";
}

// Hands the samples of one channel to the driver in whole blocks of 2048 frames, the second
// channel silent, with the 50 ms refresh of the window in between. The frames after the last
// whole block are not analysed.
class treplay {
  public:
    treplay(TForm1& form, double fullscale, double total)
        : fform(form), ftotal(total), flast(std::chrono::steady_clock::now()) {
        fblock.assign(2, tsinglearr(replaybuffer, 0.0f));
        ffactors = {fullscale, 1.0};
    }

    // The user cancelled: further samples are not analysed.
    bool cancelled() const { return fform.cancelreplay; }

    void add(float v) {
        if (cancelled()) return;
        fblock[0][fn++] = v;
        if (fn == replaybuffer) deliver(fn);
    }
    // The same as add(float(double(s) * factor)) for each sample s in turn.
    void add_scaled(std::span<const float> samples, double factor) {
        std::size_t i = 0;
        while (i < samples.size() && !cancelled()) {
            const std::size_t take = std::min(replaybuffer - fn, samples.size() - i);
            float* out = fblock[0].data() + fn;
            const float* in = samples.data() + i;
            scale_samples(out, in, take, factor);
            fn += take;
            i += take;
            if (fn == replaybuffer) deliver(fn);
        }
    }
    // The end of the samples: the whole blocks still held go to the driver.
    void finish() {
        const std::size_t whole = fn / replayblock * replayblock;
        if (whole > 0 && !cancelled()) deliver(whole);
    }

  private:
    void deliver(std::size_t n) {
        fform.crunch_arr(fblock, n, ffactors);
        fn = 0;
        fdone += double(n);
        const auto now = std::chrono::steady_clock::now();
        if (now - flast > refreshperiod) {
            flast = now;
            fform.ui.request_repaint();
            if (ftotal > 0) fform.ui.progress("Analysing", double(fdone) / ftotal);
            fform.ui.process_events();
        }
    }

    TForm1& fform;
    trecarr fblock;
    std::array<double, 2> ffactors{};
    std::size_t fn = 0;
    double fdone = 0;
    double ftotal;
    std::chrono::steady_clock::time_point flast;
};

} // namespace

namespace {

// Whatever way a replay ends, the window no longer counts as analysing and the progress
// display is closed.
struct tanalyzingguard {
    TForm1& f;
    ~tanalyzingguard() {
        f.analyzing = false;
        f.ui.progress_done();
    }
};

} // namespace

void TForm1::open_any_file(const std::string& fname) {
    const std::string ext = lowercase_extension(fname);
    if (ext == ".smp" || ext == ".wav" || is_sndfile_extension(ext)) {
        Open_soundfile(fname, 0, -1);
    } else if (ext == ".stdpg") {
        open_stdpg(fname, std::int32_t(pgs.size()));
    } else if (ext == ".csv" && is_voicemap_file(fname)) {
        open_voicemap(fname, std::int32_t(pgs.size()));
    } else if (ext == ".qubfile") {
        open_qubfile(fname);
    } else {
        ui.tell(
            message_fact("Cannot open file", "Cannot open file " + fname, tmessagekind::warning));
    }
    fix_things();
}

void TForm1::Open_soundfile(const std::string& fname, std::int32_t pgno, std::int32_t pgno2) {
    start_soundfile();
    const std::string ext = lowercase_extension(fname);
    // The readers look at the file before anything changes: a file that gives no analysis
    // leaves the window's data, its title and the recent files as they were.
    if (ext == ".smp")
        Open_smpfile(fname, pgno, pgno2);
    else if (ext == ".wav" || is_sndfile_extension(ext))
        Open_wavfile(fname, pgno, pgno2);
    else
        refuse_soundfile(fname, "Cannot analyse " + fname + ": it is not a sound file");
    finish_soundfile(fname);
}

void TForm1::Open_samples(const std::string& name, std::span<const float> samples,
                          std::int32_t nchans, double fs) {
    start_soundfile();
    const std::size_t n = nchans > 0 ? samples.size() / std::size_t(nchans) : 0;
    tsoundsource source;
    source.fs = fs;
    source.nchans = nchans;
    source.expected = std::int64_t(n);
    source.isfloat = true;
    source.calibratedtext = "Samples are calibrated by the full scale given with them";
    source.uncalibratedtext = "Samples may be calibrated, but calibration is not signed";
    source.uncalibratedstatus = 2;
    source.read = [&](int channel, const tsamplesink& sink) {
        // Handed over in pieces, as the file readers do, so that no copy of the channel is
        // made.
        std::vector<float> piece;
        piece.reserve(std::min<std::size_t>(n, 16384));
        for (std::size_t i = 0; i < n;) {
            piece.clear();
            for (; i < n && piece.size() < 16384; ++i)
                piece.push_back(samples[i * std::size_t(nchans) + std::size_t(channel)]);
            sink(piece);
        }
        return n;
    };
    replay_source(name, 0, -1, source);
    finish_soundfile(name);
}

void TForm1::start_soundfile() {
    soundfileanalysed = false;
    soundfilecalibrated = false;
    soundfilechannels = 0;
    soundfiletrackchannels = 0;
    soundfilebits = 0;
    replaynotes.clear();
}

void TForm1::finish_soundfile(const std::string& fname) {
    // A replay that ended before its first frame has nothing to show or save.
    const bool replayed = soundfilechannels > 0;
    soundfileanalysed = soundfileanalysed && frames() > 0;
    if (soundfileanalysed) {
        // An SMP file is itself the sound with its analysis: closing asks about the
        // phonetogram only. Analysed again with another calibration, it is not the file.
        if (!freanalysis && lowercase_extension(fname) == ".smp") soundsavearrpos = audioarrpos;
        add_recent_file(fname);
        analysedfilename = fname;
        show_replay_notes(fname);
    } else if (replayed && !cancelreplay) {
        refuse_soundfile(fname, "Cannot analyse " + fname +
                                    ": it is too short to analyse (it holds less than one "
                                    "block of 2048 samples)");
    }
}

bool TForm1::begin_soundfile_replay(const std::string& fname) {
    if (!freanalysis && !ask_to_save()) return false;
    set_paused(false);
    if (!fanalysisisfromsoundfile) save_temporary_settings();
    RandSeed(0);
    if (frecording) Set_recording(false);
    // The file's analysis takes the take's place.
    settle_journal();
    analyzing = true;
    cancelreplay = false;
    set_analysisisfromsoundfile(true);
    set_title(fname);
    soundfilename = fname;
    return true;
}

void TForm1::show_replay_notes(const std::string& fname) {
    tnoteadvice advice = policy.advice;
    if (policy.calibrationnotedonce) {
        advice.calibration = !fcalibrationnoted;
        fcalibrationnoted = fcalibrationnoted || (!pgs.empty() && pgs[0].calstatus == 1);
    }
    const std::vector<std::string> notes = replay_notes(*this, fname, advice);
    if (!notes.empty()) ui.tell(notes_fact(doubtfulcaption, notes));
}

void TForm1::take_as_analysis(const std::string& what, bool recorded) {
    soundfileanalysed = true;
    const std::vector<std::string> notes = take_notes(*this, what, policy.advice, recorded);
    if (!notes.empty()) ui.tell(notes_fact(doubtfulcaption, notes));
}

void TForm1::refuse_soundfile(const std::string& fname, const std::string& why) {
    // Neither a batch run's result nor the window may look like an analysis of a file that
    // gave none.
    ui.tell(message_fact(policy.refusalcaption, why, tmessagekind::error));
}

void TForm1::reset_replay_state() {
    holdcount = 0;
    arrpos = -1;
    audioarrpos = -1;
    soundsavearrpos = -1;
    stdpgsavearrpos = -1;
}

void TForm1::Open_wavfile(const std::string& fname, std::int32_t pgno, std::int32_t pgno2) {
    const tanalyzingguard guard{*this};
    tsoundfilesource file;
    const std::string why = file.open(fname);
    if (!why.empty()) {
        refuse_soundfile(fname, why);
        fix_things();
        return;
    }
    replay_source(fname, pgno, pgno2, file.source);
}

void TForm1::replay_source(const std::string& fname, std::int32_t pgno, std::int32_t pgno2,
                           const tsoundsource& source) {
    const tanalyzingguard guard{*this};
    const double filefs = source.fs;
    const std::int32_t nfilechans = source.nchans;
    const std::int32_t channel = file_channel(pgno);
    if (channel < 0 || channel >= nfilechans) {
        refuse_soundfile(fname, "Cannot analyse channel " + std::to_string(channel) + " of " +
                                    fname + ": it has " + std::to_string(nfilechans) +
                                    (nfilechans == 1 ? " channel" : " channels") +
                                    ", numbered from 0");
        fix_things();
        return;
    }
    const TFFTWindow kind = TFFTWindow(advanced.fftwindow);
    if (!analysis_window_fits(filefs, advanced.fftbw, kind)) {
        refuse_soundfile(fname, unusable_rate_text(fname, filefs, advanced.fftbw, kind));
        fix_things();
        return;
    }
    const std::int64_t expected = source.expected;
    if (expected <= 0) {
        refuse_soundfile(fname, "Cannot analyse " + fname + ": it holds no samples");
        fix_things();
        return;
    }
    // A file whose header keeps its calibration is calibrated by it alone. A calibration that
    // cannot be had (a reference that does not fit the file) leaves the window as it was.
    const tsourceheader* header = source.header ? &*source.header : nullptr;
    std::optional<tfilecalibration> calibration;
    if (header) {
        calibration = header->calibration;
    } else {
        try {
            calibration = replay_calibration(fname, channel, source);
        } catch (const EGravonError& e) {
            refuse_soundfile(fname, e.what());
            fix_things();
            return;
        }
    }
    if (!begin_soundfile_replay(fname)) return;
    soundfilechannels = nfilechans;
    soundfilebits = source.bits;
    soundfiletrackchannels = header ? header->trackchannels : 0;
    set_fs(filefs);
    reset_recording();
    // Nothing of the previous analysis is kept, so that the new one is set up (and dated) as
    // a new take.
    reset_replay_state();
    Setup_recording_parameters();
    // A file without a header of its own says nothing of who was recorded: the record is
    // entered for it.
    begin_session(header ? header->session : tsessionrecord{});

    tpg& pg = pgs[std::size_t(pgno)];
    pg.pgname = without_directory(fname);
    pg.visible = true;
    if (pgno2 >= 0) pgs[std::size_t(pgno2)].visible = true;

    filecalibrationinfo = source.uncalibratedtext;
    pg.calstatus = source.uncalibratedstatus;
    double fullscale = 1.0;
    pg.distance = -1;
    pg.actualdistance = -1;
    soundfilecalibrated = bool(calibration);
    if (calibration) {
        fullscale = calibration->fullscale;
        filecalibrationinfo = calibration->text;
        pg.calstatus = calibration->status;
        pg.distance = calibration->distance;
    }
    pg.calibstr = filecalibrationinfo;
    pg.recordingsiteid.clear();
    soundfilechname = std::string("Wav channel # ").append(std::to_string(channel));
    if (header) {
        soundfilecalibrated = calibration->status >= 2;
        pg.actualdistance = header->actualdistance;
        pg.recordingsiteid = header->site;
        soundfilechname = header->channelname;
        if (commandlinereference)
            replaynotes.push_back("the reference was not measured in " + fname +
                                  ": an SMP file keeps the calibration of its header (" +
                                  filecalibrationinfo + ")");
    }

    pgs[1].calibstr.assign(1, '-');
    pgs[1].visible = false;
    options.showblob[1] = false;
    options.showspectrum[1] = false;
    options.shownoise[1] = false;
    fix_things();

    // The reference that calibrated the file is a tone or a vowel read on a meter, not the
    // voice: it is analysed, but never binned.
    if (calibration && calibration->referenceend > calibration->referencestart)
        novoicestretches.push_back(
            {std::int64_t(std::llround(calibration->referencestart * filefs)),
             std::int64_t(std::llround(calibration->referenceend * filefs))});

    // The channel goes to the analysis piece by piece as it is read.
    const double total = double(std::max<std::int64_t>(expected, 0));
    // A header may also announce more than the stores ever take.
    reserve_stores(std::size_t(std::min(total, double(maxaudioarrpos))));
    treplay replay(*this, fullscale, total);
    // The samples of a file with a header of its own are in pascals already.
    const double samplefactor = header ? 1.0 : fullscale;
    std::size_t got = 0;
    try {
        got = source.read(channel,
                          [&](std::span<const float> s) { replay.add_scaled(s, samplefactor); });
    } catch (...) {
        // What was read before the failure is analysed, as it was block by block.
        replay.finish();
        throw;
    }
    replay.finish();
    const std::int64_t announced = source.announced;
    if (announced > 0 && std::int64_t(got) < announced)
        replaynotes.push_back(fname + " is truncated: its header announces " +
                              formatfloatdot("0.00", double(announced) / filefs) +
                              " s, the file holds " + formatfloatdot("0.00", double(got) / filefs) +
                              " s (what is there was analysed)");
    soundfileanalysed = true;
    analyzing = false;
    fix_things();
}

void TForm1::Open_smpfile(const std::string& fname, std::int32_t pgno, std::int32_t pgno2) {
    const tanalyzingguard guard{*this};
    tsoundfilesource file(SMPfile2);
    const std::string why = file.open(fname, file_channel(pgno));
    if (!why.empty()) {
        refuse_soundfile(fname, why);
        fix_things();
        return;
    }
    const TSMPfile& smp = SMPfile2;
    if (smp.get_item("dBgain", "-") == "0.00") {
        const std::string field = commafield(smp.get_item("calib", ""), 2);
        const std::string proc = smp.get_item("proc0", "");
        if (!field.empty() && field.back() == '1' && proc.compare(0, 4, "Drel") == 0) {
            const tanswer a = ui.tell(question_fact(
                "SPL cannot be trusted",
                "This soundfile seems to have been created with a version of Drel\rthat has "
                "a known audio level calibration bug.\rTherefore, the SPL in this phonetogram "
                "cannot be trusted.\r" +
                    fname,
                tbuttons::ok_cancel));
            if (a != tanswer::ok) {
                if (!policy.personanswers)
                    refuse_soundfile(fname, "Not analysed: the SPL of " + fname +
                                                " cannot be trusted (made by a Drel version "
                                                "with a known calibration bug)");
                return;
            }
        }
    }
    // The analysis tracks this program saved beside the sound.
    const std::int32_t channel = file_channel(pgno);
    if (file.source.header && smp.get_item("proc0", "").starts_with(progid.ProductName() + " "))
        for (int k = 0; k < smp.nChans(); ++k)
            if (k != channel && is_analysis_track_channel(smp.ChannelName(k), smp.ChannelUnit(k)))
                ++file.source.header->trackchannels;
    replay_source(fname, pgno, pgno2, file.source);
}

bool TForm1::ask_to_save() {
    fsounddiscarded = false;
    tanswer a = tanswer::no;
    if (stdpgmodified()) {
        a = ui.tell(question_fact("Recording is not saved", "Do you want to save the phonetogram?",
                                  tbuttons::yes_no_cancel));
        if (a == tanswer::yes) save_stdpg_action("", 0);
    }
    if (a != tanswer::cancel && soundmodified()) {
        a = ui.tell(question_fact("Recording is not saved",
                                  "Do you want to save the sound and analysis?",
                                  tbuttons::yes_no_cancel));
        if (a == tanswer::yes) save_smp_action("");
        // A No that nobody gave is no decision: the take stays recoverable.
        fsounddiscarded = a == tanswer::no && policy.personanswers;
    }
    return a != tanswer::cancel;
}

} // namespace gravon
