// The main window's state and operations, independent of any toolkit. The Qt window and the
// headless program own one of these and give it their user interface; everything the program
// does to its data happens here.
#pragma once

#include "analysis/analysis_driver.h"
#include "analysis/analysis_tracks.h"
#include "audio/audio_devices.h"
#include "audio/held_sound.h"
#include "audio/keyboard_sound.h"
#include "audio/masking_noise.h"
#include "audio/mpc_record.h"
#include "audio/waveform_ring_buffer.h"
#include "base/prog_id.h"
#include "calibration/file_calibrations.h"
#include "calibration/reference_calibration.h"
#include "core/command_line.h"
#include "core/front_end_policy.h"
#include "core/user_interface.h"
#include "files/qub_file.h"
#include "files/recording_journal.h"
#include "files/smp_file.h"
#include "phonetogram/area_statistics.h"
#include "phonetogram/bin_visibility.h"
#include "phonetogram/pg_colors.h"
#include "phonetogram/pg_list.h"
#include "phonetogram/phonetogram_comparison.h"
#include "phonetogram/targets.h"
#include "settings/advanced_settings.h"
#include "settings/audio_device_names.h"
#include "settings/menu_model.h"
#include "settings/options.h"
#include "settings/recent_files.h"
#include "settings/window_table.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace gravon {

using tdatetime = std::chrono::system_clock::time_point;

// Receives a channel's samples (full scale +-1) piece by piece, in order.
using tsamplesink = std::function<void(std::span<const float>)>;

// What the header of a sound file that keeps it (an SMP file) says of its recording: it takes
// the place of a calibration by the command line, a reference or the calibrations kept for
// files, and the file's samples come in pascals already.
struct tsourceheader {
    tfilecalibration calibration; // its full scale: the pascals at digital full scale
    double actualdistance = -1;
    std::string site;
    tsessionrecord session;
    std::string channelname;
    // Channels of analysis tracks that this program saved beside the sound.
    std::int32_t trackchannels = 0;
};

// What the replay of a sound needs to know of it, and how to read one of its channels: a
// sound file through its reader, or samples held in memory.
struct tsoundsource {
    double fs = 0;
    std::int32_t nchans = 0;
    std::int64_t expected = 0;  // frames it holds by its header
    std::int64_t announced = 0; // frames its header announces for its data (0: not said)
    bool isfloat = false;
    std::int32_t bits = 0; // of its integer coding; 0 for float and lossy codings
    // The calibration text when /f gives the channel's full scale, and the text and status
    // when nothing does.
    std::string calibratedtext;
    std::string uncalibratedtext;
    std::int32_t uncalibratedstatus = 1;
    // Hands channel c to the sink and returns the number of samples delivered.
    std::function<std::size_t(int c, const tsamplesink& sink)> read;
    std::optional<tsourceheader> header;
};

// Whether the levels of a channel are calibrated, and how, as a report or a panel shows it.
struct tlevelcalibration {
    bool calibrated = false;
    std::int32_t status = 0; // the calibration status code of its phonetogram
    std::string text;        // the calibration text: how it was made
};

// The waveform of a file channel in display columns, for marking a reference in it.
struct tfilewaveform {
    std::vector<tminmax> columns; // 16-bit extremes per column
    double duration = 0;          // s
    double fs = 0;
    std::int32_t channel = 0;
};

class TForm1 : public tpglist, public TAnalysisDriver {
  public:
    explicit TForm1(tuserinterface& ui, tfrontendpolicy policy = window_policy());
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    tuserinterface& ui;
    tfrontendpolicy policy;
    TProgId progid;
    toptions options;
    tadvancedsettings advanced;
    ttracktables tracks = make_track_tables();

    // ---- Start-up and command line ----
    bool activated = false;
    std::vector<float> commandlinefsd;
    // The factors of the live channels came from /f: a calibration the user stated, with no
    // signing and no date.
    bool commandlinecalibration = false;
    // The full scales /f gave, when it gave any, as the calibration of the live channels.
    void calibrate_live_from_command_line();
    std::string locationid;
    bool startinpausedstate = false;
    // Runs the start-up sequence on the first activation, then the command line.
    void FormActivate(const std::vector<std::string>& args);
    // The same for a request: in its settings folder, if it names one, then its steps.
    void activate(const twindowrequest& request);
    // Processes the arguments strictly from left to right. Returns false when an argument
    // ended the processing with an error.
    bool execute_command_line(const std::vector<std::string>& args);
    // Takes the steps in order. Returns false when a step ended the processing with an error.
    bool execute_steps(const std::vector<tcommandstep>& steps);
    // Closing: FormCloseQuery then FormClose. Returns whether the window may close.
    bool FormCloseQuery();
    void FormClose();
    // `batchmode = true` gives the main window the headless program's policy.
    struct tbatchswitch {
        TForm1& form;
        tbatchswitch& operator=(bool on) {
            form.policy = on ? headless_policy() : window_policy();
            return *this;
        }
    } batchmode{*this};
    // Set when something on the command line asked the window to close (/c).
    bool closerequested = false;
    // /f: the comma-separated full-scale list; raises EConvertError on an item that is not a
    // number.
    void set_commandlinefsd(const std::string& list);
    // The same from numbers, each named in a refusal by the shortest text that reads back as
    // it.
    void set_full_scales(const std::vector<double>& fullscale);
    // The name /s saves under before any file is named: a take recorded from the command
    // line.
    std::string takebasename;
    // The program name that the /? text gives; empty for the desktop program's.
    std::string syntaxprogramname;
    // /s: the three result files under the base name. A batch run refuses when the last
    // sound file opened was not analysed.
    void batch_save(const std::string& base);

    // ---- Files ----
    // Opens a file by its extension: sound files are analysed, phonetogram files added,
    // settings containers loaded; anything else is refused with a message.
    void open_any_file(const std::string& fname);
    void Open_soundfile(const std::string& fname, std::int32_t pgno, std::int32_t pgno2);
    void Open_wavfile(const std::string& fname, std::int32_t pgno, std::int32_t pgno2);
    void Open_smpfile(const std::string& fname, std::int32_t pgno, std::int32_t pgno2);
    // Analyses samples held in memory like a sound file, into the left phonetogram: frames of
    // nchans interleaved values (full scale +-1) at fs Hz, the channel chosen and the full
    // scale set as for a WAV file (soundfilechannel, /f). name stands for the file in the
    // phonetogram and in messages.
    void Open_samples(const std::string& name, std::span<const float> samples, std::int32_t nchans,
                      double fs);
    // Says why a sound file is not analysed, as an error in the window and in a batch run.
    void refuse_soundfile(const std::string& fname, const std::string& why);
    // The file can be analysed: asks to save what the window holds (false: the user
    // cancelled), then leaves it for the file's replay.
    bool begin_soundfile_replay(const std::string& fname);
    // What makes the analysis of fname doubtful, said through the user interface's notes,
    // with the advice of the front end's policy.
    void show_replay_notes(const std::string& fname);
    // A take recorded (or recovered from its journal) by a run without a window stands for
    // the analysed sound file: /s saves it and its tracks are written. What makes it doubtful
    // is noted as for a file; what names it in the notes.
    void take_as_analysis(const std::string& what, bool recorded);
    bool fcalibrationnoted = false;
    // The file channel that a sound file's replay analyses when above 0 (the headless
    // program's --channel); otherwise the channel numbered like the receiving phonetogram,
    // which the window always makes 0. /f entry k calibrates file channel k.
    std::int32_t soundfilechannel = 0;
    // The file channel that a replay into phonetogram pgno analyses, by the rule above.
    std::int32_t file_channel(std::int32_t pgno) const {
        return soundfilechannel > 0 ? soundfilechannel : pgno;
    }
    // Channels of the sound file last opened, and whether its replay analysed any frame.
    std::int32_t soundfilechannels = 0;
    // Of these, the analysis tracks that this program saved beside the audio of its own SMP
    // files: they are no sound.
    std::int32_t soundfiletrackchannels = 0;
    // Bits per sample of its integer coding; 0 for float, lossy and SMP files.
    std::int32_t soundfilebits = 0;
    bool soundfileanalysed = false;
    // What made the last replay doubtful (a file shorter than its header says), for the
    // notes on its analysis.
    std::vector<std::string> replaynotes;
    // The last sound file whose replay analysed frames.
    std::string analysedfilename;
    // Appends the phonetogram file as phonetogram pgno; false when it was refused.
    bool open_stdpg(const std::string& fname, std::int32_t pgno);
    // The same for a voice-map CSV of other voice-map tools.
    bool open_voicemap(const std::string& fname, std::int32_t pgno);
    // Either of them by the name's extension (".csv": a voice map), as the open dialog's.
    bool open_phonetogram(const std::string& fname, std::int32_t pgno);
    // "Export voice map...": the phonetograms the report describes as voice-map CSV, under
    // fname or, when it is empty, the name the dialog gives; two channels go to two files
    // ("L" and "R" before the "_VRP.csv" ending). The first failure is shown in a message box
    // naming the file and ends the export. Returns whether every file was written.
    bool export_voicemap_action(const std::string& fname);
    bool voicemap_export_possible() const;
    std::string voicemapdialogfilename;
    // "Make reference group...": reads the member files, makes their group by the display
    // rule of the advanced settings, saves it as fname and opens it as the next loaded
    // phonetogram. A member that cannot be read or is itself a group, fewer than two
    // members, or a failed save is shown in a message box naming the file; returns whether
    // the group was saved and opened.
    bool make_reference_group(const std::vector<std::string>& members, const std::string& fname);
    // A settings container: options or advanced settings by its file id.
    void open_qubfile(const std::string& fname);
    // Keeps the user's settings while a sound file's analysis is shown.
    void save_temporary_settings();
    // Brings back the settings kept while a sound file's analysis was shown.
    void restore_temporary_settings();
    void add_recent_file(const std::string& fname);
    // Asks about unsaved results; false when the user cancelled.
    bool ask_to_save();
    // The save actions. Each returns whether the file was written.
    // "Save phonetogram as...": with an empty fname the user is asked for a name and the
    // channels of savestdpgchannos are saved under it (both: "L" and "R" inserted before the
    // extension); with a name (batch save) phonetogram pgno is saved under it. A recording
    // phonetogram then counts as saved.
    bool save_stdpg_action(const std::string& fname, std::int32_t pgno);
    // The channels of savestdpgchannos under name, as the dialog of the action saves them.
    bool save_stdpg_channels(const std::string& name);
    // Writes phonetogram pgno as a phonetogram file; a failure is shown in a message box.
    bool save_stdpg(const std::string& fname, std::int32_t pgno);
    // fname empty: the sound-and-analysis dialog; otherwise save_smp(fname).
    bool save_smp_action(const std::string& fname);
    // fname empty: a dialog for a signal set; otherwise save_kavell(fname).
    bool save_kavell_action(const std::string& fname);

    // ---- Saving sound and analysis ----
    // The SMP file with the audio and the analysis tracks that savesmpchannel selects.
    bool save_smp(const std::string& fname);
    // The signal set for the sibling sound editor, with the signals savekavellchannel selects.
    bool save_kavell(const std::string& fname);
    // The left channel, high-passed as the analysis hears it and peak-normalised, as a mono
    // 16-bit WAV file.
    bool save_normalized_wav(const std::string& fname);
    // "Save sound and analysis as...": the dialog, then save_smp or save_kavell by the chosen
    // name's extension. Returns whether a file was written.
    bool SaveSmpActionExecute();
    // "Save normalized soundfile for listening as...": the dialog, then the WAV save.
    bool savenormalizedactionExecute();
    // "Save all...": the phonetogram, the sound and analysis, and the normalised WAV, each
    // with its own dialog that may be cancelled on its own.
    void SaveAllActionExecute();
    // The file names the save dialogs propose: each dialog keeps the name last chosen in it.
    // The phonetogram dialogs' name is kept by the phonetogram save and open.
    std::string stdpgdialogfilename;
    // The names Save all proposes leave off here: the sound file's or the take's, in the
    // folder last saved to, without the endings.
    std::string results_base_name() const;
    // The sound file whose analysis the window holds.
    std::string soundfilename;
    std::string smpdialogfilename;
    std::string wavdialogfilename;

    // ---- The session record ----
    // The record of the take or sound file the recording phonetograms hold; both carry it, so
    // that either one saved carries it too.
    tsessionrecord session() const;
    void set_session(const tsessionrecord& r);
    // "Session details...": the dialog on the record of the take or file. Returns whether the
    // user accepted it.
    bool SessionDetailsActionExecute();
    // The headless program's --session KEY=VALUE, in order: given over the record of every
    // take and sound file analysed after it is set (a file's own record keeps its other
    // fields).
    std::vector<std::pair<std::string, std::string>> commandlinesession;

    // ---- Recording state ----
    // Channels the recorder delivers and the size of its buffers in samples (both channels),
    // set up for each start.
    std::int32_t recorderchannels = 2;
    std::int32_t recorderchunksize = 2048;
    bool frecording = false;
    bool analyzing = false;
    std::int32_t soundsavearrpos = -1;
    std::int32_t stdpgsavearrpos = -1;
    tdatetime recordingstarttime{};
    tdatetime recordingendtime{};
    // The sampling rate of the audio in the stores, fixed when they begin (a take's first
    // start, a sound file's replay): what is saved is at this rate whatever the setting says
    // later. A take keeps one rate; Record at another rate offers a new take.
    double storefs = 44100.0;
    // The take's levels were recalculated to the standard distance, as its start set them.
    bool takerecalculated = false;
    bool recording() const { return frecording; }
    bool paused() const { return fpaused; }
    void set_paused(bool v);
    const std::string& title() const { return ftitle; }
    void set_title(const std::string& v);
    // The window caption the title gives.
    std::string caption() const;
    bool soundmodified() const { return soundsavearrpos != audioarrpos; }
    bool stdpgmodified() const { return stdpgsavearrpos != audioarrpos; }

    // The current phonetogram comes from a sound file. Setting it names phonetogram 1
    // ("" for a file, "Right" for a recording).
    bool analysisisfromsoundfile() const { return fanalysisisfromsoundfile; }
    void set_analysisisfromsoundfile(bool v);

    // Settings the host imposes over every settings file (the headless program's --set):
    // containers of the options or advanced-settings kind, by their FileId, read like a file
    // of that kind, with the same checks and messages, after each such file is read or found
    // missing.
    struct tsettingsoverride {
        std::string name; // names it in messages
        TQUBFile values;
    };
    std::vector<tsettingsoverride> settingsoverrides;

    // ---- Settings with side effects ----
    void set_fs(double v);
    void set_fftbw(double v);
    void set_use24bits(bool v);
    // Sizes the analysis window for the sampling rate, window kind and bandwidth of the
    // advanced settings (which the driver reads directly).
    void apply_analysis_settings();

    // ---- Settings files: options, advanced settings, their temporary copies, recent files ----
    // (set_options_to_default and set_advanced_to_default, below, also reach the recording
    // phonetograms: visibility and layer descriptions, distances; both end with fix_things.)
    // "" is the default file of the settings folder, "temp" its temporary copy, any other name
    // a file of the user's. Failures are shown in a message box.
    void save_settings(const std::string& fname);
    // Windows are restored only from the default file and only when windows is true.
    void open_settings(const std::string& fname, bool windows);
    void save_advanced_settings(const std::string& fname);
    void open_advanced_settings(const std::string& fname);
    // Setters with side effects.
    void set_standardactualdistance(std::int32_t ch, double v);
    void set_zparam(std::int32_t v);
    void set_f0target(double v);
    void set_leveltarget(double v);
    // The recent-files menu picked a file.
    void RecentFiles1Click(TMenuItem& sender, std::int32_t itemno, const std::string& filename);
    // Device names of the audio layer, by which settings files name devices.
    taudiodevicenames audiodevicenames;
    // Placements of the windows as last read or written; the user interface, when it has the
    // window, is asked for the current one.
    std::array<std::optional<twindowplace>, nwindowids> windowplaces;
    // The File menu's model, which holds the recent-files items.
    TMenu filemenu;
    TRecentFiles RecentFiles1;

    // ---- Calibration (src/calibration/calibration_actions.cpp) ----
    // Per channel: Pa at full scale, status code, signer (empty: unsigned) and moment of
    // signing (days since 30 December 1899, local time).
    std::array<double, 2> signedfactors{100.0, 100.0};
    std::array<std::int32_t, 2> calibrationstatus{0, 0};
    std::array<std::string, 2> signedpersonid;
    std::array<double, 2> signedcalibrationdate{0.0, 0.0};
    // The recording device the stored calibration belongs to.
    std::string calibrationsoundcard;
    // Calibration text of the opened sound file.
    std::string filecalibrationinfo;
    // The calibration text of channel c.
    std::string calibration_info(int c) const;
    // Whether channel c's calibration text is to be shown as a warning (expired or not
    // calibrated).
    bool calibration_warning(int c) const;
    // The calibration file; an empty name is the default file in the settings folder.
    void save_calibration(const std::string& fname);
    // Loads it and sets status and text of both channels and their phonetograms.
    void open_calibration(const std::string& fname);
    // A new calibration of channel chno (0 or 1), or its removal with method -1: saved,
    // logged, and the window refreshed. Raises ERangeError for another channel and
    // EGravonError for a factor that is not a positive number, changing nothing; the log's
    // EOSError after the file was saved.
    void sign_calibration(std::int32_t chno, const std::string& personid, std::int32_t method,
                          double factor);
    // Appends the log line of channel chno's signing or removal.
    void log_calibration(std::int32_t chno, const std::string& personid, std::int32_t method,
                         double factor);
    // The default calibration file and the log, in the settings folder.
    std::string calibration_filename() const;
    std::string calibration_log_filename() const;
    // The main recorder uses a specific device rather than the system default.
    bool recording_device_selected() const;
    // Its name; empty for the system default.
    std::string recording_device_name() const;

    // ---- The calibration of a sound file (main_window_file_calibration.cpp) ----
    // Levels of the file's replay are calibrated: its header carries a calibration, or a full
    // scale was given (/f, typed in, measured from a reference).
    bool soundfilecalibrated = false;
    // --reference: the full scale of every sound file opened is measured from this reference
    // in the channel analysed, before /f.
    std::optional<treference> commandlinereference;
    // Whether channel c's levels are calibrated, with its status and calibration text.
    tlevelcalibration channel_calibration(int c) const;
    // "Analyze soundfile..." once the file is chosen: the full scales of its channels (kept
    // per file) are shown and may be changed, then the file is analysed.
    void opensoundfileactionExecute(const std::string& fname);
    // "Calibrate from reference...": the full scale of the analysed file's channel from the
    // level of the reference in its stretch, signed by signer (empty: unsigned); kept for the
    // file, and the file analysed again with it. False, with a message naming the problem and
    // nothing changed, when the reference does not give one.
    bool calibrate_from_reference(const treference& ref, const std::string& signer);
    // Whether the window's file can be calibrated from a reference; why not otherwise.
    bool reference_calibration_possible(std::string* why = nullptr) const;
    // The analysed file channel's waveform over width columns; raises EGravonError when the
    // file cannot be read.
    tfilewaveform soundfile_waveform(std::int32_t width);
    // The file channel a replay analyses.
    std::int32_t replay_channel() const { return soundfilechannel > 0 ? soundfilechannel : 0; }
    // The calibrations the user gave to sound files, in the settings folder.
    std::string file_calibrations_filename() const;
    tfilecalibrations file_calibrations() const {
        return tfilecalibrations(file_calibrations_filename());
    }

    // ---- Phonetogram files ----
    // The container of phonetogram files, for reading and writing.
    TSMPfile stdpgfile1;
    // The current name of both phonetogram file dialogs: the file last opened or saved.
    std::string stdpgfilename;

    // ---- Sound file replay ----
    // Set by the window (Esc) while a sound file is replayed: the replay stops at the next
    // block and what was analysed so far stays. Cleared when a replay starts.
    bool cancelreplay = false;
    std::string soundfilechname;
    TSMPfile SMPfile2;

    // ---- Colours set at start-up ----
    TColor selectioncolor{};
    TColor cursorcolor{};
    std::array<TColor, 8> targetcolors{};

    // ---- Bin visibility, selection and area statistics ----
    tstatisticsarr statistics;
    const tbinshowsettings& binshow_settings() const;
    // Recomputes which bins are shown and which are outside every shown area.
    void fix_binshow();
    void fix_area_statistics();
    // Selects the entire area of each recording phonetogram that holds any time.
    void select_all_recording_areas();
    // The statistics text (full, or condensed with the options' show flags) as lines.
    std::vector<std::string> statistics_text_lines(bool condensed, char decimalseparator = '.');

    // ---- Change since a baseline (main_window_comparison.cpp) ----
    // The loaded phonetogram marked as the baseline; -1 for none.
    std::int32_t baseline_pg() const;
    // Marks loaded phonetogram k as the baseline (the one marked before is no longer) or, with
    // on false, unmarks it; then fix_things. A phonetogram of another patient than the current
    // one is marked only when the user answers Yes to the question why. False, changing
    // nothing, for a recording phonetogram, an index outside the list or that No.
    bool set_baseline_pg(std::int32_t k, bool on);
    // Why loaded phonetogram k is known to be another patient's than the current phonetogram
    // (or, before a take, than the session record's); empty when it is not.
    std::string other_patient_text(std::int32_t k) const;
    // The baseline belongs to its patient: New recording, and a record of another patient for
    // what the window holds, unmark it.
    void drop_baseline();
    // The phonetogram the headless program's --pg names as the current one; -1: the default.
    std::int32_t comparedpgoption = -1;
    // The current phonetogram the baseline is compared with: comparedpgoption when it names
    // another one that is no reference group, else the first recording phonetogram that holds
    // time, else the first other loaded one that does, is no reference group and is not known
    // to be another patient's; -1 when there is none or no baseline.
    std::int32_t compared_pg() const;
    // The baseline and the current phonetogram measured over their entire areas; empty
    // (baselinepg -1) when there is no baseline or nothing to compare it with.
    tbaselinecomparison comparison() const;
    // The two entire areas alone, for the difference view; empty masks without a comparison.
    tcomparedareas compared_areas() const;
    // Its rows and the statistics window's lines of it; none without a comparison.
    std::vector<tcomparisonrow> comparison_table(char decimalseparator = '.') const;
    std::vector<std::string> comparison_text_lines(char decimalseparator = '.') const;
    // The view colours the cells of the baseline only, of the current one only and of both,
    // in place of the two phonetograms, while there is a comparison.
    bool differenceview = false;
    bool difference_view_shown() const;
    // Turns it on or off with the whole window's refresh: the legend of the colour parameter
    // goes or comes back.
    void set_differenceview(bool on);
    // Empty when the phonetograms shown with data (and the baseline with the current one)
    // have their levels referred to one distance; otherwise what differs and what it means.
    std::string distance_note() const;
    // The last such note the window showed, so that a refresh does not repeat it.
    std::string distancenoted;

    // ---- The phonetogram view: crosshair, target drag, selection by mouse ----
    // (src/core/main_window_view.cpp)
    tbincursor cursor;
    bool fshowcursor = false;
    // Set while a left-button drag moves the target.
    bool movetargetwithmouse = false;
    // The tick of "Show target"; the action's visibility is options.showtarget.
    bool targetticked = false;
    ttargetaction target_action() const { return {options.showtarget, targetticked}; }
    void Setshowcursor(bool b);
    void set_cursor_bin(std::int32_t x, std::int32_t y);
    // The right click on bin (x, y): the crosshair hides, the area is toggled (a refused gap
    // fill shows its message), the statistics are recomputed. Returns whether any
    // phonetogram's statistics now count a bin, so that the statistics window opens.
    bool toggle_area_at(std::int32_t x, std::int32_t y);
    // Selects the shown bins of every visible phonetogram inside the bin rectangle with the
    // corners (x0, y0) and (x1, y1), exactly those; returns whether any bin is now selected.
    bool select_bins(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1);
    // "Select entire area" on phonetogram c; "Clear area selection(s)".
    void select_all_area_action(std::int32_t c);
    void clear_area_selection_action();

    // ---- What the window's controls change (a repaint is the caller's) ----
    // The level axis' range, lo < hi in dB.
    void set_level_range(double lo, double hi);
    // The colour range of the shown display parameter, written into the matching layer of
    // every phonetogram too, so that their files keep it.
    void set_colour_range(double lo, double hi, bool logarithmic);
    // Phonetogram pgno drawn opaque over those below it, or blended.
    void set_opaque(std::int32_t pgno, bool opaque);
    // A reference group's cells show where at least percent (1 ... 100) of its members reach.
    void set_group_share(std::int32_t percent);
    // The statistics window shows the condensed version.
    void set_short_statistics(bool shortversion);
    void set_target_ticked(bool ticked);
    // The Target menu: the target back to its default; the target from the area measurement
    // (false, changing nothing, while there is none); one of the listed targets (false for a
    // tag outside the list). The latter two tick it.
    void reset_target();
    bool target_from_measurement();
    bool choose_target(std::int32_t tag);
    // A left-button drag moves the target from now until the button is released.
    void set_target_drag(bool on);
    // While a drag moves the shown target, it follows the crosshair bin; returns whether it did.
    bool move_dragged_target();
    // Esc during a replay.
    void cancel_replay();
    // The input device the next take records from, by name; "" for the default.
    void set_record_device(const std::string& name);

    // ---- Defaults ----
    // Every option to its default, with the parameter table of the recording phonetograms.
    void set_options_to_default();
    void set_advanced_to_default();

    // ---- Operations ----
    void reset_recording();
    void Setup_recording_parameters();
    void Set_recording(bool on);
    void RecordActionExecute(bool checked);
    // The distance channel c's levels of a take are referred to: the standard distance when
    // they are recalculated to it, else the microphone's; none (-1) for a channel without a
    // calibration, whose levels are no sound pressure at any distance.
    double take_distance(int c) const;
    // Before the first Record of a take: whether it may go ahead when a shown channel is not
    // calibrated (asked once per take; the headless program notes it instead).
    bool confirm_uncalibrated_take();
    void StopActionExecute();
    void NewRecordingActionExecute();
    void fix_things();

    // Recorder intake: 16-bit and 24-bit interleaved two-channel blocks.
    void MPCRecord1Fetch(const TWaveChunk& arr, std::int32_t used, bool& last);
    void MPCRecord1Fetch24(const tint24arr& arr, std::int32_t used, bool& last);
    // Full-scale factors of the recorder intake, after the distance correction.
    std::array<double, 2> intake_factors() const;

    // ---- Sound devices (main_window_recording.cpp) ----
    // Gives the window its recorder and players, each with a service of its own, and reads
    // the device names. Without it Record starts no device: a headless run, or a test that
    // hands blocks to the intake itself.
    void attach_audio(taudiodevices& devices);
    // Reads the device lists again; when they changed (a device was plugged in or out), the
    // windows that list devices hear of it. The components call it whenever their service
    // reports a change.
    void read_audio_devicenames();
    // The services come first: the components detach from them when they go.
    std::unique_ptr<twaveinservice> frecordservice;
    std::unique_ptr<twaveoutservice> fnoiseservice;
    std::unique_ptr<twaveoutservice> fkeyboardservice;
    std::unique_ptr<twaveoutservice> flistenservice;
    std::unique_ptr<TMPCRecord> MPCRecord1;
    std::unique_ptr<tmaskingnoise> MPCnoiseplay;
    std::unique_ptr<tkeyboardsound> MPCkeyboardplay;
    std::unique_ptr<theldsound> MPClistenplay;
    // A recorder or player failed while it ran (its device went away, a buffer could not be
    // queued again) and has closed itself; these run inside its notification. The take stops
    // and keeps what was recorded; the noise stops and "Play noise" goes off.
    void MPCRecord1Failed(const std::string& text);
    void MPCnoiseplayFailed(const std::string& text);
    void MPCkeyboardplayFailed(const std::string& text);
    // "Listen to selection" (main_window_listening.cpp): the frames of the take or sound file
    // in memory whose cells are selected, in time order, on the keyboard's soundcard; when
    // nothing can play (no sound in memory, no frame in the selected cells) a message says
    // why. It plays on while the window works; Stop, Record or another Listen end it.
    void ListenToSelectionActionExecute();
    // There is a selection, and neither a take nor a file's analysis runs.
    bool listen_possible() const;
    bool listening() const;
    void stop_listening();
    void MPClistenplayFailed(const std::string& text);
    // "Play noise".
    void PlayNoiseActionExecute(bool checked);
    bool noiseplaying() const;
    // The settings of the masking noise now: read for every buffer it plays.
    void noise_settings(tnoisesettings& s) const;
    // The keyboard control's key events.
    void KeyBoard1NoteOn(std::int32_t midicode);
    void KeyBoard1NoteOff(std::int32_t midicode);
    // The 200 ms timer, after the status panel is repainted: the keyboard tone's time-out.
    void Timer1Timer(std::int32_t intervalms = 200);

    // ---- The journal of a take ----
    // The take in memory, on disk as it arrives; locked while the take is in memory.
    TRecordingJournal journal;
    // Where journals are kept: the user's data folder.
    std::string journal_folder() const;
    // Takes that a crashed or killed run left behind and no running program holds.
    std::vector<std::string> orphaned_takes() const;
    // At start-up: offers each orphaned take for recovery (or to be discarded).
    void offer_recovery();
    // Set by a batch run that asked for it: orphaned takes are recovered without a question.
    bool recoverorphans = false;
    // Set by a batch run that asked for it: the orphaned takes it meets are discarded without
    // a question (a recovered one when the run lets it go, one that cannot be recovered at
    // once, and without recoverorphans every one).
    bool discardorphans = false;
    // Replays a journal through the analysis as the live take was analysed, segment by
    // segment, with its calibration; the take then owns the journal, which a further Record
    // continues. False, with a message naming the file, when nothing of it can be recovered;
    // the claim is then still held.
    bool recover_take(tjournalclaim& claim);
    // The take is saved or discarded: its journal goes.
    void retire_journal();
    // The take leaves memory after ask_to_save: its journal goes when the take was saved or
    // a person discarded it, and otherwise stays for a later recovery.
    void settle_journal();
    // Called after each block of the recorder (or of a recovered journal) is analysed.
    std::function<void()> onblockanalysed;
    // Seconds of the take in memory that its journal holds: all of it, unless a write failed
    // or the journal could not be continued.
    double journalled_seconds() const;

  private:
    // Bins the accepted frames of the driver into the recording phonetograms.
    struct tbinningsink : tframesink {
        explicit tbinningsink(TForm1& f) : form(f) {}
        void frame_accepted(int c, const tchannelmeasures& m, double duration) override;
        void frame_stored(double seconds) override;
        TForm1& form;
    };
    tbinningsink fbinningsink;
    void startup_sequence();
    // Start-up steps that read the settings folder.
    void load_default_settings();
    void load_default_calibration();
    trecarr fintakeblock;
    // Scales an interleaved two-channel block to Pa with the full scales f and hands it to the
    // driver.
    // keyboardblock: the keyboard player's blocking time when the block came.
    template <typename tsample, typename tscale>
    void intake(const std::vector<tsample>& arr, std::int32_t used, tscale scale,
                const std::array<double, 2>& f, std::int32_t keyboardblock);
    template <typename tsample>
    void journal_block(const std::vector<tsample>& arr, std::int32_t used,
                       const std::array<double, 2>& f, std::int32_t keyboardblock);
    // The keyboard player's blocking time now.
    std::int32_t keyboard_block_time() const;
    void start_recorder();
    // A start of the recorder (restart) or a change of the full scales within a run.
    void begin_journal_segment(bool restart);
    // The header of the journal's current segment.
    tjournalheader fjournalheader;
    // "Max time reached" was told since the last recovery began.
    bool fmaxtimetold = false;
    // Samples of the take that the journal holds since a write failed; -1 while it holds all.
    std::int64_t fjournalledsamples = -1;
    // A write of the journal failed: told at once, with how much of the take it holds.
    void journal_failed(const EGravonError& e);
    // The record of the take as its journal keeps it, and the take given its record back.
    void journal_take_record(tjournalheader& h) const;
    void restore_take_record(const tjournalheader& h);
    // Record would continue the take at another rate than it has: asks to begin a new take
    // instead. False when nothing is to be recorded.
    bool keep_take_rate();
    // The sound question of the last ask_to_save was answered No by a person.
    bool fsounddiscarded = false;
    // The take in memory came from an orphaned journal.
    bool frecoveredtake = false;
    // Stops the recorder; an error it reports as it closes is told, once the current event
    // is handled.
    void stop_recorder();
    // The recording device as messages name it.
    std::string recording_device_text() const;
    // The record of a take or sound file that begins: r with the command line's fields over it.
    void begin_session(tsessionrecord r);
    // A new take begins: its record with the date and time of its start.
    void begin_take_session();
    // The first Record of a take offers the session details; false when the user cancelled.
    bool offer_take_session();
    void reset_replay_state();
    // Before and after the replay of a sound file or of samples.
    void start_soundfile();
    void finish_soundfile(const std::string& fname);
    // Checks the source and replays its channel into phonetogram pgno.
    void replay_source(const std::string& fname, std::int32_t pgno, std::int32_t pgno2,
                       const tsoundsource& source);
    // The calibration a replay of channel of fname gets: the one just given in the window,
    // the command line's reference or /f, or the one kept for the file; raises EGravonError
    // when the reference does not fit the file.
    std::optional<tfilecalibration>
    replay_calibration(const std::string& fname, std::int32_t channel, const tsoundsource& source);
    // Given by a window's dialog for the next replay only.
    std::optional<tfilecalibration> fgivencalibration;
    // The replay analyses the same file again with a new calibration: nothing is lost, so
    // nothing is asked.
    bool freanalysis = false;
    bool fanalysisisfromsoundfile = false;
    std::string ftitle;
    bool fuse24bits = false;
};

} // namespace gravon

namespace gravon {
// The name of a batch result: suffix inserted before the last "." of base (or appended),
// then the extension of the file name replaced by ext.
std::string batch_save_name(const std::string& base, const std::string& suffix,
                            const std::string& ext);
} // namespace gravon
