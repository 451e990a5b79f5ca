// A run asked for as a request: full scales as numbers analyse as /f does, what a source holds
// fails the result rather than raising, and a settings folder of the run's own is the one read.
#include "core/run_request.h"
#include "core/test_form.h"
#include "files/qub_file.h"
#include "synth/synth_params.h"
#include "synth/wav_writer.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>

namespace gravon {
namespace {

TEST(RunRequest, AnalysesAsTheCommandLineAndFailsWithValues) {
    testing::ttestform t;
    synth::tsynthparams p;
    p.phrases = {synth::glide_phrase(2.0, 200, 260, 76, 84)};
    p.fullscale_pa = 56.4;
    const synth::tsynthresult s = synth::synthesize(p);
    const std::string voice = (t.config.root / "files" / "voice.wav").string();
    synth::write_wav16(voice, s.rate, s.channels, s.samples);

    t.form.batchmode = true;
    ASSERT_TRUE(t.form.execute_command_line({"/f56.4", voice}));
    const trunresult r = run_request(
        {.sources = {{.path = voice, .fullscale = {56.4}}}, .want = trunwant::analysis});
    ASSERT_FALSE(r.failed()) << r.failure_text();
    EXPECT_EQ(r.analysedfile, voice);
    EXPECT_EQ(r.run->form.pgs[0].calibstr, t.form.pgs[0].calibstr);
    EXPECT_EQ(r.run->form.pgs[0].param[0].arr.cells, t.form.pgs[0].param[0].arr.cells);
    EXPECT_EQ(r.run->form.paramarr, t.form.paramarr);

    const std::string missing = (t.config.root / "files" / "missing.wav").string();
    const std::string own = (t.config.root / "own").string();
    std::filesystem::create_directories(own);
    std::ofstream(own + "/GravonAdvancedSettings.qubfile") << "no settings\n";
    struct tcase {
        trunrequest request;
        std::string failure; // the start of the first
    } cases[] = {
        {{.sources = {{.path = voice, .fullscale = {-5}}}},
         "Gravon: '-5' is not a valid full scale: it must be a positive number of Pa"},
        {{.sources = {{.path = missing}}, .want = trunwant::analysis},
         "Cannot analyse file: Wav file " + missing + " does not exist"},
        {{.sources = {{.path = voice}}, .want = trunwant::phonetogram},
         "Cannot read " + voice + ": it is not a stored phonetogram (a .stdpg file)"},
        {{.sources = {{.path = voice}}, .settingsdir = own},
         "Wrong file type: \"\": " + own + "/GravonAdvancedSettings.qubfile"},
    };
    for (const tcase& c : cases) {
        const trunresult bad = run_request(c.request);
        ASSERT_TRUE(bad.failed()) << c.failure;
        EXPECT_EQ(bad.failures[0].substr(0, c.failure.size()), c.failure) << bad.failure_text();
    }
    // The folder was the run's alone: nothing else is pointed at it.
    EXPECT_EQ(std::getenv(settingsdirvariable), nullptr);
}

} // namespace
} // namespace gravon
