// What on the command line needs Qt: the sound card and the pictures. gravon-cli-qt has these
// parts; gravon-cli, which a corpus run starts once per file, has not, and hands a command
// line that asks for them to gravon-cli-qt, so that the others start without loading Qt.
#pragma once

#include "cli_options.h"
#include "core/main_window.h"
#include "record_events.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace gravon {

// The program that has the parts, next to gravon-cli.
inline constexpr const char* qtpartsprogram = "gravon-cli-qt";
// Runs that program, found next to this one, on the same arguments in place of this one (or,
// where a program cannot be replaced, waiting for it); returns only when it could not be
// started, with the reason in error.
int run_qt_parts_program(char** argv, std::string& error);

// Whether this program has them.
bool has_qt_parts();
// Whether the command line asks for them.
inline bool needs_qt_parts(const tclioptions& o) {
    return o.recordseconds > 0 || o.listdevices || !o.pngfile.empty() || !o.reportfile.empty();
}

// The application the sound card and the painting need, for as long as the result lives
// (nothing when the command line does not need one). Without the parts the functions below
// fail with a text saying so.
std::shared_ptr<void> start_qt_application(const tclioptions& o, int& argc, char** argv);
void print_audio_devices(std::FILE* out);
// started: called once the take records, before its first block is analysed.
bool record_take(TForm1& form, double seconds, const std::string& device,
                 const std::vector<trecordevent>& events, std::string& error,
                 const std::function<void()>& started = {});
// --png: the view of the current phonetograms, width x height pixels.
bool write_phonetogram_png(TForm1& form, const std::string& fname, std::int32_t width,
                           std::int32_t height, std::string& error);
// --report: the PDF report of the subjects.
bool write_report(TForm1& form, const std::vector<std::int32_t>& subjects, const std::string& fname,
                  std::string& error);

} // namespace gravon
