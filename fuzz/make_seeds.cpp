// gravon-fuzz-seeds <folder>: writes the seed corpora of the fuzz targets, one subfolder per
// target, each file a small valid file written by the program's own writers, so that the
// fuzzers start from what the readers really meet.
#include "base/sample_conversion.h"
#include "calibration/calibration_file.h"
#include "files/qub_file.h"
#include "files/recording_journal.h"
#include "files/smp_file.h"
#include "files/smp_labels.h"
#include "files/stdpg_file.h"
#include "files/wav_file.h"
#include "phonetogram/pg_param.h"
#include "settings/advanced_settings.h"
#include "settings/advanced_settings_file.h"
#include "settings/ini_file.h"
#include "settings/options_file.h"
#include "synth/sound_writer.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace gravon;
namespace fs = std::filesystem;

namespace {

constexpr double pi = 3.14159265358979323846;

std::string seed(const fs::path& out, const std::string& target, const std::string& name) {
    const fs::path dir = out / target;
    fs::create_directories(dir);
    return (dir / name).string();
}

// n samples of a decaying sine, full scale 1.
tsinglearr tone(std::size_t n, double cycles) {
    tsinglearr a(n);
    for (std::size_t i = 0; i < n; ++i)
        a[i] = float(0.9 * std::sin(2 * pi * cycles * double(i) / double(n)) *
                     std::exp(-double(i) / double(n)));
    return a;
}

void wav_seeds(const fs::path& out) {
    struct tkind {
        const char* name;
        std::int32_t nbits;
        tFormat format;
        int nchans;
    };
    const tkind kinds[] = {
        {"pcm8_mono.wav", 8, tFormat::pcm, 1},
        {"pcm16_stereo.wav", 16, tFormat::pcm, 2},
        {"pcm24_mono.wav", 24, tFormat::pcm, 1},
        {"pcm32_mono.wav", 32, tFormat::pcm, 1},
        {"float16_mono.wav", 16, tFormat::ieeefloat, 1},
        {"float32_stereo.wav", 32, tFormat::ieeefloat, 2},
        {"ulaw_mono.wav", 8, tFormat::ulaw, 1},
        {"alaw_mono.wav", 8, tFormat::alaw, 1},
        {"pcm16_3ch.wav", 16, tFormat::pcm, 3},
    };
    for (const tkind& k : kinds) {
        TWavFile w;
        w.setsampfreq(8000);
        w.setnbits(k.nbits);
        w.setformat(k.format);
        std::vector<tsinglearr> data;
        for (int ch = 0; ch < k.nchans; ++ch) {
            data.push_back(tone(48, 3 + ch));
            w.setfullscale(ch, 1.0);
        }
        w.save_file(seed(out, "wav_fuzz", k.name), data, false, false);
    }
    // Long enough for the analysis of the opened file to run (blocks of 2048 samples).
    {
        TWavFile w;
        w.setsampfreq(44100);
        w.setnbits(8);
        w.setformat(tFormat::pcm);
        w.setfullscale(0, 1.0);
        w.save_file(seed(out, "wav_fuzz", "pcm8_analysed.wav"), {tone(4100, 40)}, false, false);
        w.setnbits(32);
        w.setformat(tFormat::ieeefloat);
        w.save_file(seed(out, "wav_fuzz", "float32_analysed.wav"), {tone(2100, 20)}, false, false);
    }
    TWavFile w;
    w.setsampfreq(44100);
    w.setnbits(16);
    w.setformat(tFormat::pcm);
    w.save_file(seed(out, "wav_fuzz", "pcm16_int.wav"),
                std::vector<tsmallintarr>{{1, -2, 300, -32768}}, false, false);
    w.setnbits(24);
    w.save_file(seed(out, "wav_fuzz", "pcm24_int.wav"),
                std::vector<tint24arr>{{inttoint24(1), inttoint24(-8388608)}}, false, false);
}

// An SMP file with nchans channels of n samples; scan, msb and labels as given.
void smp_seed(const fs::path& out, const std::string& target, const std::string& name, int nchans,
              const std::string& scan, bool msbfirst, bool labels, int n = 24) {
    TSMPfile f;
    if (!f.new_file(seed(out, target, name))) throw EGravonError("Cannot write " + name);
    f.setnChans(nchans);
    f.setSfTot(16000.0 * nchans);
    if (!scan.empty()) f.setScanStr(scan);
    f.setMSBFirst(msbfirst);
    f.insert_nonpresent_defaults();
    f.setChannelView(0, {-20, 20});
    f.setChannelUnit(0, "Pa");
    f.setChannelName(0, "Voice");
    f.set_item("calib", "Calibrated,by AB 1");
    f.set_item("site", "Clinic");
    f.set_item("micdist0", "0.3");
    if (labels) {
        f.add_label(0.5, 1.25, "onset");
        f.add_label(2, 0, "a;b,c");
    }
    for (int ch = 0; ch < nchans; ++ch) {
        tsamplechunk c;
        c.used = n;
        for (int i = 0; i < c.used; ++i)
            c.data[std::size_t(i)] = std::int16_t(1000 * (ch + 1) * std::sin(0.7 * i));
        f.setChannelChunk(ch, c);
    }
    f.save_file();
    f.close_file();
}

void smp_seeds(const fs::path& out) {
    smp_seed(out, "smp_fuzz", "mono.smp", 1, "", false, false);
    smp_seed(out, "smp_fuzz", "stereo_msbfirst.smp", 2, "", true, true);
    smp_seed(out, "smp_fuzz", "split_rate.smp", 3, "0,1,0,2", false, false);
    // Long enough for the analysis of the opened file to run (blocks of 2048 samples).
    smp_seed(out, "smp_fuzz", "analysed.smp", 1, "", false, false, 2100);
}

void stdpg_seeds(const fs::path& out) {
    tpg pg = make_empty_pg();
    copy_pgparam_descriptions(default_recording_pgparams(), pg.param);
    pg.datestr = "2024-03-05 10:11.12";
    pg.calibstr = "Calibrated";
    pg.recordingsiteid = "Clinic";
    pg.distance = 0.3;
    pg.actualdistance = 0.15;
    const int cells[][2] = {{43, 60}, {44, 60}, {127, 139}};
    for (const auto& c : cells)
        for (std::size_t k = 1; k < pg.param.size(); ++k)
            pg.param[k].arr[c[0]][c[1]] = 0.5 + double(k);
    tstdpgwriteinfo info;
    info.procstamp = TProgId().processing_stamp();
    info.recordedtime = 12.5;
    TSMPfile f;
    write_stdpg(f, seed(out, "stdpg_fuzz", "three_cells.stdpg"), pg, info);
    clear_pg_cells(pg);
    info.recordedtime.reset();
    write_stdpg(f, seed(out, "stdpg_fuzz", "empty.stdpg"), pg, info);
}

void qub_seeds(const fs::path& out, const TProgId& progid) {
    TQUBFile q;
    q.setProgId(&progid);
    q.setFileId("Seed");
    q.writebool("General", "Flag", true);
    q.writeinteger("General", "Count", -7);
    q.writefloat("General", "Rate", 44100.5);
    q.writestring("General", "Name", "Gr\xc3\xa4von");
    q.writebytearr("Arrays", "Bytes", {1, 2, 255});
    q.writesmallintarr("Arrays", "Small", {-1, 2, 32767});
    q.writedoublearr("Arrays", "Doubles", tdoublearr{0.5, -1e300});
    q.writesinglearr("Arrays", "Singles", tsinglearr{1.5f, -2.0f});
    q.writecomplexarr("Arrays", "Complex", tcomplexarr{{1, 2}});
    q.writesinglecomplexarr("Arrays", "SingleComplex", tsinglecomplexarr{{3, 4}});
    q.save_file(seed(out, "qub_fuzz", "all_types.qubfile"));
    q.clear();
    q.save_file(seed(out, "qub_fuzz", "empty.qubfile"));
}

void settings_seeds(const fs::path& out, const TProgId& progid) {
    toptions o;
    tadvancedsettings a;
    set_advanced_to_default(a, o);
    set_options_to_default(o, std::int32_t(a.displayparams.size()));
    a.recorddevice = "In 1";

    TQUBFile q;
    q.setProgId(&progid);
    q.setFileId(optionsfileid);
    write_options(q, o, {true, false});
    q.save_file(seed(out, "settings_fuzz", "options.qubfile"));

    q.clear();
    q.setFileId(advancedfileid);
    write_advanced_settings(q, a);
    q.save_file(seed(out, "settings_fuzz", "advanced.qubfile"));

    q.clear();
    tcalibrationrecord r;
    r.soundcard = "In 1";
    r.ch[0] = {"AB", 45000.5, 14.1};
    r.ch[1] = {"", 0, 100};
    write_calibration(q, r);
    q.save_file(seed(out, "settings_fuzz", "calibration.qubfile"));
}

void ini_seeds(const fs::path& out) {
    const std::string p = seed(out, "ini_fuzz", "recent.ini");
    TIniFile ini(p);
    ini.write("RecentFiles", "nToUse", "9");
    ini.write("RecentFiles", "1", "/home/user/voice.wav");
    ini.write("RecentFiles", "2", " C:\\rec\\a b.smp ");
    ini.write("Window\\Main", "Top", "-12");
    ini.write("Window\\Main", "FontName", "\"Quoted\"");
    ini.write("Window\\Main", "Scale", "1.5e-3");
    ini.flush();
}

void label_seeds(const fs::path& out) {
    const std::vector<tsmplabel> labels = {{0.5, 1.25, "onset"}, {2, 0, "a;b,c"}, {-1e-3, 3e9, ""}};
    writelabelfile(seed(out, "label_fuzz", "labels.csv"), "C:\\rec\\voice.smp", labels);
}

// Journals as the recorder leaves them: a stereo 16-bit take with a pause, its full scales
// changed within the run, then the recorder started anew in 24 bits mono.
void journal_seeds(const fs::path& out) {
    const fs::path dir = out / "journal_fuzz";
    const fs::path work = out / "journal_fuzz.new";
    fs::create_directories(dir);
    std::string name;
    {
        TRecordingJournal j;
        tjournalheader h;
        h.calibration = {"Calibrated,by AB 1", ""};
        h.calstatus = {1, 0};
        h.device = "USB mic";
        h.started = 1700000000;
        h.seed = 12345;
        j.begin_segment(work.string(), h);
        std::vector<std::byte> block(4 * 64);
        for (std::size_t i = 0; i < block.size(); ++i) block[i] = std::byte(i * 37);
        j.append(block, {});
        j.append(block, {true, 0});
        h.factors = {20.0, 1.0};
        h.restart = false;
        j.begin_segment(work.string(), h);
        j.append(block, {false, 120});
        h.channels = 1;
        h.bits = 24;
        h.fs = 48000;
        h.restart = true;
        j.begin_segment(work.string(), h);
        j.append(std::span(block).first(3 * 50), {});
        name = j.filename();
        j.release();
    }
    fs::rename(name, dir / ("take" + std::string(journalextension)));
    fs::remove_all(work);
}

} // namespace

// One short file per container the libsndfile reader takes.
void sndfile_seeds(const fs::path& out) {
    std::vector<std::int16_t> stereo;
    for (int i = 0; i < 600; ++i) {
        const auto v = std::int16_t(12000 * std::sin(0.05 * i));
        stereo.push_back(v);
        stereo.push_back(std::int16_t(-v / 2));
    }
    for (const char* name :
         {"pcm16.flac", "vorbis.ogg", "pcm16.aiff", "pcm16.caf", "pcm16.w64", "pcm16.rf64"})
        synth::write_sound_file(seed(out, "sndfile_fuzz", name), 8000, 2, stereo, "");
    synth::write_sound_file(seed(out, "sndfile_fuzz", "float64.wav"), 8000, 2, stereo, "float64");
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: gravon-fuzz-seeds <folder>\n");
        return 2;
    }
    const fs::path out = argv[1];
    try {
        const TProgId progid;
        wav_seeds(out);
        smp_seeds(out);
        stdpg_seeds(out);
        qub_seeds(out, progid);
        settings_seeds(out, progid);
        ini_seeds(out);
        label_seeds(out);
        journal_seeds(out);
        sndfile_seeds(out);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "gravon-fuzz-seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
