// The channel of an SMP file that is replayed is the one asked for, read from its start.
#include "core/test_form.h"
#include "synth/synth_params.h"
#include "synth/wav_writer.h"

#include <gtest/gtest.h>

namespace gravon {
namespace {

using testing::ttestform;

TEST(ReplayChannel, AnSmpFileIsReadFromTheChannelAskedFor) {
    ttestform first;
    synth::tsynthparams p;
    p.phrases = {synth::glide_phrase(1.0, 200, 260, 76, 84)};
    const synth::tsynthresult r = synth::synthesize(p);
    const std::string wav = (first.config.root / "files" / "voice.wav").string();
    synth::write_wav16(wav, r.rate, r.channels, r.samples);
    // Channel 0 of the result: the sound; channel 1: the SPL track, one value per frame.
    first.form.execute_command_line({"/f100", wav, "/s"});
    const std::string smp = (first.config.root / "files" / "voice_an.smp").string();

    ttestform second;
    second.form.soundfilechannel = 1;
    second.form.open_any_file(smp);
    const auto& replayed = second.form.audioarr[0];
    const std::int32_t n = second.form.audiosamples();
    ASSERT_GT(n, 10000);
    // A level track holds its value over each frame; a sound never does.
    std::int32_t repeats = 0;
    for (std::int32_t i = 1; i < n; ++i)
        repeats += replayed[std::size_t(i)] == replayed[std::size_t(i - 1)];
    EXPECT_GT(repeats, n * 9 / 10);
}

} // namespace
} // namespace gravon
