// What every fuzz target needs: a folder of its own for the input file, and a headless main
// window that opens files the way the program does.
//
// Each target hands its input to a reader as a file on disk, since that is all the readers
// take. The library's own exceptions (EGravonError and its subclasses) are the readers' way
// of refusing a file and are caught; anything else (a crash, a sanitizer report, another
// exception, a hang) is a fault the fuzzer reports.
#pragma once

#include "core/main_window.h"
#include "files/qub_file.h"
#include "settings/advanced_settings.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>

namespace gravon::fuzz {

namespace fs = std::filesystem;

// A folder below the temporary folder, unique to this process (fuzzers may run side by side),
// removed when the process ends normally.
class tfuzzfolder {
  public:
    tfuzzfolder() {
        std::random_device rd;
        root = fs::temp_directory_path() /
               ("gravon_fuzz_" + std::to_string(::getpid()) + "_" + std::to_string(rd()));
        fs::create_directories(root / "settings");
        fs::create_directories(root / "config");
        // Everything the main window reads or writes stays in this folder.
        ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
        ::setenv("XDG_CONFIG_DIRS", (root / "common").c_str(), 1);
        ::setenv(settingsdirvariable, (root / "settings").c_str(), 1);
    }
    ~tfuzzfolder() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    tfuzzfolder(const tfuzzfolder&) = delete;
    tfuzzfolder& operator=(const tfuzzfolder&) = delete;

    fs::path root;
};

inline tfuzzfolder& folder() {
    static tfuzzfolder f;
    return f;
}

// Writes the input as a file of the given name in the process's folder; returns its path.
inline std::string write_input(const std::uint8_t* data, std::size_t size,
                               const std::string& name) {
    const fs::path p = folder().root / name;
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (!out) std::abort(); // the fuzzer cannot work without its input file
    return p.string();
}

// A user interface without a user: messages are dropped, questions answered No.
class tsilentinterface : public tuserinterface {
  public:
    tanswer tell(const tfact& fact) override {
        if (fact.kind == tmessagekind::question) return tanswer::no;
        ++messages;
        return tanswer::ok;
    }
    long messages = 0;
};

// A headless main window, started as the headless program starts it (a batch run, which
// writes no settings), with its settings folder in the process's folder.
class tfuzzform {
  public:
    tfuzzform() {
        form.batchmode = true;
        form.FormActivate({});
    }
    // Back to the two recording phonetograms and the parameter list of the start, which a
    // loaded phonetogram file extends, so that memory does not grow from input to input.
    void reset() {
        set_nchans(form, 2);
        form.advanced.stdpgparams = default_stdpgparams();
    }
    // Also every option and advanced setting to its default (for inputs that change them).
    void reset_settings() {
        form.set_advanced_to_default();
        form.set_options_to_default();
        reset();
    }

    // First, so that the environment points into the folder before the window exists.
    tfuzzfolder& ffolder = folder();
    tsilentinterface ui;
    TForm1 form{ui};
};

inline tfuzzform& fuzzform() {
    static tfuzzform f;
    return f;
}

} // namespace gravon::fuzz

// Every target that opens sound files reaches libsndfile (a WAV file the own reader refuses
// goes there too). libvorbis leaks the stream info of some damaged Ogg files that libsndfile
// then refuses; the leak is the system library's and no fault of ours to report. Each target
// is one file that includes this header once.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libvorbis.so\nleak:libvorbisenc.so\nleak:libogg.so\n";
}
