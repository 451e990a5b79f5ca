// The main window's saving of sound and analysis: the SMP file with the audio and the chosen
// analysis tracks, the signal set for the sibling sound editor, and the normalised WAV for
// listening.
#include "analysis/filter_sections.h"
#include "analysis/hop_analysis.h"
#include "base/errors.h"
#include "base/number_text.h"
#include "base/rounding.h"
#include "base/sample_conversion.h"
#include "base/text_utils.h"
#include "core/main_window.h"
#include "files/analysis_saving.h"
#include "files/qub_file.h"
#include "files/safe_file.h"
#include "files/session_items.h"
#include "files/smp_file.h"
#include "files/stdpg_file.h"
#include "files/utf8_path.h"
#include "files/wav_file.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <span>

namespace gravon {

namespace fs = std::filesystem;

namespace {

// Collects up to maxchunksamples samples of one SMP channel and writes them as one block.
class tchannelwriter {
  public:
    tchannelwriter(TSMPfile& smp, int channo) : fsmp(smp), fchanno(channo) {}
    void add(std::int16_t s) {
        fchunk.data[std::size_t(fchunk.used++)] = s;
        if (fchunk.used == TSMPfile::maxchunksamples) flush();
    }
    void flush() {
        if (fchunk.used > 0) fsmp.setChannelChunk(fchanno, fchunk);
        fchunk.used = 0;
    }

  private:
    TSMPfile& fsmp;
    int fchanno;
    tsamplechunk fchunk;
};

void describe_channel(TSMPfile& smp, int k, const tsmpitemlayout& l) {
    smp.setChannelName(k, l.name);
    smp.setChannelView(k, l.view);
    smp.setChannelUnit(k, l.unit);
    smp.setChannelRange(k, l.range);
}

constexpr const char* unkepttext =
    "The samples of this analysis were not kept, so its recording cannot be saved";

// Whether the audio channels that sel saves can be saved: a run that kept no samples has none.
bool audio_saveable(const TForm1& f, const tsavetable& sel) {
    return !(sel[smAudio][0] || sel[smAudio][1]) || f.audiokept();
}

// What a saved analysis holds: its sampling rate, samples, frames and samples per block.
struct tsavedsizes {
    double fs;
    std::int32_t nsamples, nframes, blocklength;
};

tsavedsizes saved_sizes(const TForm1& f) {
    const std::int32_t nsamples = std::max<std::int32_t>(f.audioarrpos + 1, 0);
    const std::int32_t nframes = std::max<std::int32_t>(f.arrpos + 1, 0);
    return {f.storefs, nsamples, nframes,
            analysis_block_length(nframes, nsamples, f.downsamplingfactor)};
}

} // namespace

bool TForm1::save_smp(const std::string& fname) {
    const std::int32_t savedpos = audioarrpos;
    const tsavetable& sel = advanced.savesmpchannel;
    const std::int32_t nchannels = selected_count(sel);
    auto fail = [&](const std::string& why) {
        ui.tell(message_fact("Cannot save file", "Cannot save file \r" + fname + "\r" + why,
                             tmessagekind::error));
        return false;
    };
    if (fname.empty()) return fail("No file name given");
    if (nchannels == 0)
        return fail("No audio or analysis channel is selected for SMP files in the advanced "
                    "settings");
    if (!audio_saveable(*this, sel)) return fail(unkepttext);

    const auto [fs, nsamples, nframes, blocklength] = saved_sizes(*this);

    try {
        TSafeFile out(fname);
        TSMPfile smp;
        if (!smp.new_file(out.name())) return fail("The file cannot be created");
        smp.set_proc(progid.processing_stamp());
        if (!pgs.empty()) {
            smp.set_item("site", pgs[0].recordingsiteid);
            smp.set_item("date", pgs[0].datestr);
        }
        write_session_items(smp, session());
        smp.setnChans(nchannels);
        smp.setSfTot(nchannels * fs);
        smp.insert_nonpresent_defaults();

        int k = 0;
        for (int ch = 0; ch < 2; ++ch) {
            const tpg* pg = std::size_t(ch) < pgs.size() ? &pgs[std::size_t(ch)] : nullptr;
            for (int item = 0; item < nsavemeasures; ++item) {
                if (!sel[std::size_t(item)][std::size_t(ch)]) continue;
                const std::string c = std::to_string(ch);
                tchannelwriter w(smp, k);
                if (item == 0) {
                    // A take carries the calibration it was recorded with.
                    smp.set_item("calib" + c, fanalysisisfromsoundfile || !pg ? calibration_info(ch)
                                                                              : pg->calibstr);
                    if (pg) {
                        smp.set_item("micdist" + c, floattostrdot(pg->distance));
                        smp.set_item("actmicdist" + c, floattostrdot(pg->actualdistance));
                    }
                    const std::string name =
                        fanalysisisfromsoundfile
                            ? soundfilechname
                            : smp_audio_channel_name(ch, pg ? pg->actualdistance : 0,
                                                     // An uncalibrated take refers to no
                                                     // distance, so none is named.
                                                     takerecalculated && pg && pg->distance > 0,
                                                     pg ? pg->distance : 0);
                    const double f =
                        saved_audio_fullscale(audiopeak[std::size_t(ch)], audiofsd[std::size_t(ch)],
                                              advanced.amplifysmpaudio);
                    describe_channel(smp, k, smp_audio_layout(name, f));
                    // Scaled with the view as stored, so that a reader gets the pressures
                    // back as exactly as 16 bits allow.
                    const tdoublepair view = smp.ChannelView(k);
                    const tdoublepair range = smp.ChannelRange(k);
                    const tsamplestore& a = audioarr[std::size_t(ch)];
                    const std::int32_t n = std::min<std::int32_t>(nsamples, std::int32_t(a.size()));
                    for (std::int32_t i = 0; i < nsamples; ++i)
                        w.add(maprangetosample(view, range, true,
                                               i < n ? double(a[std::size_t(i)]) : 0.0));
                } else {
                    const tsmpitemlayout l = smp_item_layout(item, ch, analysisparams.hif0limit);
                    describe_channel(smp, k, l);
                    const tsinglearr& v = paramarr[std::size_t(item)][std::size_t(ch)];
                    const tsinglearr& debug = paramarr[trackdebug][std::size_t(ch)];
                    const std::int32_t frames = std::min<std::int32_t>(
                        {nframes, std::int32_t(v.size()), std::int32_t(debug.size())});
                    // Every frame's value stands for the L audio samples of its block, so
                    // the track has as many samples as the audio.
                    for (std::int32_t i = 0; i < nsamples; ++i) {
                        const std::int32_t f = std::min(i / blocklength, frames - 1);
                        const double x =
                            f < 0 ? 0.0
                                  : smp_item_value(item, v[std::size_t(f)], debug[std::size_t(f)]);
                        w.add(maprangetosample(l.view, l.range, false, x));
                    }
                }
                w.flush();
                ++k;
            }
        }
        if (!smp.save_file("")) return fail("The header cannot be written");
        if (!smp.close_file()) return fail("The file cannot be closed");

        // The samples go out without a report of their own; a full disk shows as a short
        // file.
        TSMPfile check;
        if (!check.open_file(out.name(), true) ||
            check.nSamples() != std::int64_t(nchannels) * nsamples)
            return fail("Not all samples could be written");
        check.close_file();
        out.commit();
    } catch (const EGravonError& e) {
        return fail(e.what());
    }
    // Only a complete file counts as saved; after a failure the user is asked again.
    soundsavearrpos = savedpos;
    // The take is safe in the file; a journal of it would only be offered again.
    if (!frecording) retire_journal();
    return true;
}

bool TForm1::save_kavell(const std::string& fname) {
    const std::int32_t savedpos = audioarrpos;
    auto fail = [&](const std::string& why) {
        ui.tell(message_fact("Cannot save file", "Cannot save file \r" + fname + "\r" + why,
                             tmessagekind::error));
        return false;
    };
    if (fname.empty()) return fail("No file name given");

    const tsavetable& sel = advanced.savekavellchannel;
    if (!audio_saveable(*this, sel)) return fail(unkepttext);
    const auto [fs, nsamples, nframes, blocklength] = saved_sizes(*this);

    TQUBFile q;
    q.setProgId(&progid);
    q.clear();
    q.setFileId("KavellSignals");
    q.setFileVersion("1.0");
    q.writeinteger("Common", "nChans", selected_count(sel));

    int j = 0;
    auto write_signal = [&](const std::string& unit, const std::string& name, double fsd,
                            bool needsdither, double dbref, double sampfreq,
                            std::span<const float> store, std::int32_t n) {
        const std::string s = "Ch" + std::to_string(j++);
        q.writestring(s, "YUnit", unit);
        q.writebool(s, "Visible", true);
        q.writestring(s, "Name", name);
        q.writestring(s, "FileName", "");
        q.writefloat(s, "FSD", fsd);
        q.writeinteger(s, "nBits", 32);
        q.writebool(s, "NeedsDither", needsdither);
        q.writeinteger(s, "Format", 1);
        q.writefloat(s, "dBReference", dbref);
        q.writefloat(s, "SampFreq", sampfreq);
        q.writefloat(s, "OrgSampFreq", sampfreq);
        q.writeinteger(s, "StereoChanno", -1);
        q.writeinteger(s, "xShift", 0);
        // Only the stored part: the stores keep room for growth beyond it.
        const std::size_t m = std::min(std::size_t(std::max(n, 0)), store.size());
        q.writesinglearr(s, "Sig", store.first(m));
    };

    try {
        for (int ch = 0; ch < 2; ++ch)
            if (sel[smAudio][std::size_t(ch)])
                write_signal("Pa", "Audio",
                             saved_audio_fullscale(audiopeak[std::size_t(ch)],
                                                   audiofsd[std::size_t(ch)],
                                                   advanced.amplifykavellaudio),
                             true, 2e-05, fs, audioarr[std::size_t(ch)], nsamples);
        for (int ch = 0; ch < 2; ++ch)
            for (int k = 1; k < nsavemeasures; ++k) {
                if (!sel[std::size_t(k)][std::size_t(ch)]) continue;
                const tsinglearr& v = paramarr[std::size_t(k)][std::size_t(ch)];
                const std::size_t m = std::min(std::size_t(nframes), v.size());
                const tsinglearr stored(v.begin(), v.begin() + std::ptrdiff_t(m));
                write_signal(tracks.paramunit[std::size_t(k)], tracks.paramname[std::size_t(k)],
                             peakabs(stored), false, tracks.paramref[std::size_t(k)],
                             fs / blocklength, stored, nframes);
            }
        q.save_file(fname);
        q.clear();
    } catch (const EGravonError& e) {
        return fail(e.what());
    }
    // A file that was not written has no place among the recent files.
    add_recent_file(fname);
    soundsavearrpos = savedpos;
    return true;
}

bool TForm1::save_normalized_wav(const std::string& fname) {
    auto fail = [&](const std::string& why) {
        ui.tell(message_fact("Cannot save file", why, tmessagekind::error));
        return false;
    };
    if (!audiokept())
        return fail("Cannot save " + fname + ": " +
                    "the samples of this analysis were not kept, so its recording cannot be saved");
    const double fs = storefs;
    TWavFile wav;
    wav.setnchans(1);
    wav.setsampfreq(roundint(fs));
    wav.setformat(tFormat::pcm);
    wav.setnbits(16);

    // The two high-pass sections of the analysis, fresh, so that the listener hears what the
    // analysis heard and the running analysis keeps its own filter state.
    std::array<THPFilterSection, 2> hp;
    for (int s = 0; s < 2; ++s) {
        THPFilterSection& h = hp[std::size_t(s)];
        h.setSampFreq(fs);
        h.setF0(analysisparams.hpfreq);
        h.setQ(s == 0 ? thopanalyser::hpq0 : thopanalyser::hpq1);
        h.setGain(1.0);
        h.reset();
    }
    const tsamplestore& a = audioarr[0];
    const std::size_t n = std::min(std::size_t(std::max(audioarrpos + 1, 0)), a.size());
    std::vector<tsinglearr> y(1, tsinglearr(n, 0.0f));
    float peak = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const float v = float(hp[1].filter(hp[0].filter(a[i])));
        y[0][i] = v;
        peak = std::fmax(peak, std::fabs(v));
    }
    // A silent recording gives full scale 0, which the writer refuses with its message.
    wav.setfullscale(0, peak);
    try {
        wav.save_file(fname, y, true, false);
    } catch (const EGravonError& e) {
        return fail(e.what());
    }
    return true;
}

bool TForm1::save_smp_action(const std::string& fname) {
    if (fname.empty()) return SaveSmpActionExecute();
    return save_smp(fname);
}

bool TForm1::save_kavell_action(const std::string& fname) {
    if (!fname.empty()) return save_kavell(fname);
    const std::string name =
        ui.save_file_name_from(smpdialogcaption, kavelldialogfilter, ".kavell", smpdialogfilename);
    if (name.empty()) return false;
    smpdialogfilename = name;
    return save_kavell(name);
}

bool TForm1::SaveSmpActionExecute() {
    const std::string name =
        ui.save_file_name_from(smpdialogcaption, smpdialogfilter, ".smp", smpdialogfilename);
    if (name.empty()) return false;
    smpdialogfilename = name;
    const std::string ext = lowercase_extension(name);
    if (ext == ".smp") return save_smp(name);
    if (ext == ".kavell") return save_kavell(name);
    ui.tell(message_fact("Unknown file type", "Cannot save file \r" + name, tmessagekind::warning));
    return false;
}

bool TForm1::savenormalizedactionExecute() {
    const std::string name =
        ui.save_file_name_from(wavdialogcaption, wavdialogfilter, ".wav", wavdialogfilename);
    if (name.empty()) return false;
    wavdialogfilename = name;
    return save_normalized_wav(name);
}

std::string TForm1::results_base_name() const {
    namespace fs = std::filesystem;
    // The folder last saved to; else the sound file's.
    std::string folder;
    for (const std::string* n : {&stdpgdialogfilename, &smpdialogfilename, &wavdialogfilename})
        if (!n->empty()) {
            folder = fs::path(utf8path(*n)).parent_path().string();
            break;
        }
    std::string stem;
    if (fanalysisisfromsoundfile && !soundfilename.empty()) {
        const fs::path p = utf8path(soundfilename);
        stem = p.stem().string();
        if (folder.empty()) folder = p.parent_path().string();
    } else if (!takebasename.empty()) {
        stem = takebasename;
    } else {
        const std::time_t t = std::chrono::system_clock::to_time_t(recordingstarttime);
        std::tm tm{};
        localtime_r(&t, &tm);
        char buf[32];
        std::strftime(buf, sizeof buf, "take-%Y%m%d-%H%M%S", &tm);
        stem = buf;
    }
    return folder.empty() ? stem : (fs::path(folder) / stem).string();
}

void TForm1::SaveAllActionExecute() {
    // One dialog for the three files: it asks for their common name, proposed as /s would
    // give it in the folder last used, and its caption says what is written.
    const std::string pgending = "_pg.stdpg", anending = "_an.smp", wavending = "_listen.wav";
    const std::string chosen = ui.save_file_name_from(
        "Save all as: the phonetogram (name" + pgending + "), the sound and analysis (name" +
            anending + ") and the sound to listen to (name" + wavending + ")",
        "Phonetogram, sound and analysis, sound to listen to (*" + pgending + ")|*" + pgending,
        stdpgdefaultext, results_base_name() + pgending);
    if (chosen.empty()) return;
    const bool pgnamed =
        chosen.size() > pgending.size() &&
        chosen.compare(chosen.size() - pgending.size(), pgending.size(), pgending) == 0;
    const std::string base =
        pgnamed ? chosen.substr(0, chosen.size() - pgending.size()) : change_extension(chosen, "");
    const std::array<std::string, 3> names = {base + pgending, base + anending, base + wavending};
    // The dialog asked about the name typed; the other two may be there as well.
    std::string existing;
    for (std::size_t i = 1; i < names.size(); ++i)
        if (std::error_code ec; std::filesystem::exists(utf8path(names[i]), ec))
            existing += "\r" + names[i];
    if (!existing.empty() &&
        ui.tell(question_fact("Save all",
                              "These files exist already:" + existing + "\rReplace them?",
                              tbuttons::yes_no)) != tanswer::yes)
        return;
    stdpgdialogfilename = names[0];
    smpdialogfilename = names[1];
    wavdialogfilename = names[2];
    if (save_stdpg_channels(names[0])) set_title(names[0]);
    save_smp(names[1]);
    save_normalized_wav(names[2]);
}

} // namespace gravon
