// The main window's recorder and players on simulated sound cards: whatever fails, the device
// ends closed, the user is told what failed on which device, and the next Record or "Play
// noise" works again; devices are chosen by name and follow the system's list; the masking
// noise follows its settings while it plays.
#include "audio/wave_error_text.h"
#include "core/action_states.h"
#include "core/advanced_settings_page.h"
#include "sim_devices.h"
#include "test_form.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace gravon {
namespace {

using testing::trecordinginterface;
using testing::tsimdevices;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

struct SoundDevices : ::testing::Test {
    gravon::testing::ttempconfig config;
    tsimdevices devices;
    trecordinginterface ui;
    TForm1 form{ui};
    // A service's error texts may end with advice far longer than the texts themselves; the
    // user gets every word.
    const std::string advice =
        " If the sound server has just been restarted, try again in a few seconds; if it was away"
        " for longer, the program must be restarted to reach it. The device list shows what the"
        " system offers now; a device that is missing there is not connected.";

    void SetUp() override {
        // A 440 Hz tone on both channels, 16-bit values scaled to 24 bits.
        devices.source = [](std::int64_t k) {
            return std::int32_t(2000.0 * 256 * std::sin(double(k / 2) * 0.0627));
        };
        form.attach_audio(devices);
        in().advice = advice;
        form.FormActivate({});
        form.advanced.recorddevice = "USB mic";
        form.advanced.playdevice = "Speakers";
        form.advanced.keyboarddevice = "Speakers";
    }
    tsimulatedwavein& in() { return *devices.in; }
    void record() {
        form.RecordActionExecute(true);
        form.set_paused(false);
    }
    bool record_checked() const { return action_states(form)[tactionid::record].checked; }
    bool noise_checked() const { return action_states(form)[tactionid::playnoise].checked; }
    const trecordinginterface::tmessage& last_message() const { return ui.messages.back(); }
};

// ---- A failure after the device opened: the recorder closes, and Record works again ----

TEST_F(SoundDevices, AFailingStartLeavesTheRecorderClosedAndTheNextRecordWorks) {
    record();
    in().run(30);
    form.StopActionExecute();
    ASSERT_GT(form.audioarrpos, 0);
    struct tcase {
        twaveop op;
        std::int32_t after;
        const char* prefix;
    };
    for (const tcase& c : {tcase{twaveop::start, 0, "waveinStart:"},
                           tcase{twaveop::prepare, 5, "waveinPrepareHeader:"},
                           tcase{twaveop::queue, 5, "waveinWrite:"}}) {
        SCOPED_TRACE(c.prefix);
        ui.messages.clear();
        const std::int32_t kept = form.audioarrpos;
        in().inject(c.op, wave_error_nomem, c.after);
        form.RecordActionExecute(true);
        EXPECT_FALSE(form.recording());
        EXPECT_FALSE(form.paused());
        EXPECT_FALSE(record_checked());
        EXPECT_FALSE(form.MPCRecord1->OwnBoard());
        EXPECT_FALSE(in().isopen());
        EXPECT_EQ(form.audioarrpos, kept); // the take so far is untouched
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(last_message().caption, "Cannot record");
        EXPECT_TRUE(contains(last_message().text, "\"USB mic\"")) << last_message().text;
        EXPECT_TRUE(
            contains(last_message().text, c.prefix + wave_error_text(wave_error_nomem) + advice))
            << last_message().text;

        // Mended: Record carries on with the same take, without a restart.
        in().inject(c.op, wave_noerror);
        const std::int32_t before = form.audioarrpos;
        record();
        ASSERT_TRUE(form.recording()) << last_message().text;
        in().run(20);
        EXPECT_GT(form.audioarrpos, before + 10000);
        form.StopActionExecute();
    }
}

// ---- A failure while recording: the take stops, what was recorded stays ----

TEST_F(SoundDevices, AFailureWhileRecordingStopsTheTakeAndTheNextRecordContinuesIt) {
    struct tcase {
        std::function<void()> inject;
        std::string text;
    };
    const std::vector<tcase> cases = {
        // A buffer comes back and cannot be given to the device again.
        {[&] { in().inject(twaveop::prepare, wave_error_nomem); },
         "waveinPrepareHeader:" + wave_error_text(wave_error_nomem)},
        {[&] { in().inject(twaveop::queue, wave_error_invalidparam); },
         "waveinWrite:" + wave_error_text(wave_error_invalidparam)},
        // The device or the sound server goes away; it comes back for the next take.
        {[&] { in().lose_device(); }, wave_error_text(wave_error_devicelost)},
    };
    for (const tcase& c : cases) {
        SCOPED_TRACE(c.text);
        ui.messages.clear();
        record();
        in().run(30);
        const std::int32_t kept = form.audioarrpos;
        c.inject();
        in().run(100);
        EXPECT_FALSE(form.recording());
        EXPECT_FALSE(form.paused());
        EXPECT_FALSE(record_checked());
        EXPECT_FALSE(form.MPCRecord1->OwnBoard());
        EXPECT_FALSE(in().isopen());
        EXPECT_GE(form.audioarrpos, kept - 2048); // trimmed to whole frames, nothing more
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_TRUE(last_message().posted); // inside the buffer's handler: no modal loop
        EXPECT_EQ(last_message().caption, "Recording stopped");
        EXPECT_TRUE(contains(last_message().text, "\"USB mic\"")) << last_message().text;
        EXPECT_TRUE(contains(last_message().text, c.text + advice)) << last_message().text;
        EXPECT_TRUE(form.journal.isopen()); // still unsaved

        for (twaveop op : {twaveop::prepare, twaveop::queue}) in().inject(op, wave_noerror);
        const std::int32_t stopped = form.audioarrpos;
        record();
        ASSERT_TRUE(form.recording());
        in().run(20);
        EXPECT_GT(form.audioarrpos, stopped + 10000);
        form.StopActionExecute();
    }
}

// ---- The players: a failure stops the sound, its action goes off, the user is told ----

TEST_F(SoundDevices, AMaskingNoiseThatFailsStopsAndPlayNoiseGoesOff) {
    tsimulatedwaveout& out = devices.noise();
    // Lost while playing (headphones unplugged, sound server gone).
    form.PlayNoiseActionExecute(true);
    ASSERT_TRUE(form.noiseplaying());
    EXPECT_TRUE(noise_checked());
    out.run(3);
    out.lose_device();
    out.run(10);
    EXPECT_FALSE(form.noiseplaying());
    EXPECT_FALSE(noise_checked());
    EXPECT_FALSE(out.isopen());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(last_message().posted);
    EXPECT_EQ(last_message().caption, "Noise stopped");
    EXPECT_TRUE(contains(last_message().text, "\"Speakers\"")) << last_message().text;
    EXPECT_TRUE(contains(last_message().text, wave_error_text(wave_error_devicelost)));

    // A played buffer that cannot be queued again.
    form.PlayNoiseActionExecute(true);
    ASSERT_TRUE(form.noiseplaying());
    out.inject(twaveop::queue, wave_error_nomem);
    out.run(10);
    EXPECT_FALSE(form.noiseplaying());
    EXPECT_FALSE(noise_checked());
    EXPECT_TRUE(contains(last_message().text, "WaveOutWrite:")) << last_message().text;
    out.inject(twaveop::queue, wave_noerror);

    // A start that fails once the device is open.
    out.inject(twaveop::restart, wave_error_nomem);
    form.PlayNoiseActionExecute(true);
    EXPECT_FALSE(form.noiseplaying());
    EXPECT_FALSE(noise_checked());
    EXPECT_FALSE(out.isopen());
    EXPECT_EQ(last_message().caption, "Cannot play noise");
    EXPECT_TRUE(contains(last_message().text, "\"Speakers\"")) << last_message().text;
    EXPECT_TRUE(contains(last_message().text, "WaveOutRestart:")) << last_message().text;

    out.inject(twaveop::restart, wave_noerror);
    form.PlayNoiseActionExecute(true);
    EXPECT_TRUE(form.noiseplaying());
    EXPECT_TRUE(noise_checked());
    out.run(4);
    form.PlayNoiseActionExecute(false);
    EXPECT_FALSE(noise_checked());
}

TEST_F(SoundDevices, AKeyboardToneThatFailsStopsAndTheNextKeyPlaysAgain) {
    tsimulatedwaveout& out = devices.keyboard();
    form.KeyBoard1NoteOn(69);
    ASSERT_TRUE(out.isopen());
    out.run(3);
    out.lose_device();
    out.run(10);
    EXPECT_FALSE(out.isopen());
    EXPECT_FALSE(form.MPCkeyboardplay->tone.keyboarding);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(last_message().posted);
    EXPECT_EQ(last_message().caption, "Keyboard tone stopped");
    EXPECT_TRUE(contains(last_message().text, "\"Speakers\"")) << last_message().text;

    form.KeyBoard1NoteOff(69);
    form.KeyBoard1NoteOn(71);
    EXPECT_TRUE(out.isopen());
    EXPECT_EQ(out.opens(), 2);
}

// ---- Devices by name, following the system's list ----

TEST_F(SoundDevices, ADevicePluggedInCanBeChosenAndOneUnpluggedIsNeverSwappedForAnother) {
    // Plugged in while the window runs: every list that shows devices hears of it.
    form.advanced.recorddevice = "Line in";
    const std::int32_t refreshes = ui.devicelistrefreshes;
    in().change_devices({"Headset mic", "USB mic", "Line in"});
    in().deliver();
    EXPECT_EQ(form.audiodevicenames.input,
              (std::vector<std::string>{"Headset mic", "USB mic", "Line in"}));
    EXPECT_GT(ui.devicelistrefreshes, refreshes);
    EXPECT_EQ(advanced_page_of(form).inputdevices, form.audiodevicenames.input);
    // The chosen device is found by its name, now at another place in the list.
    record();
    ASSERT_TRUE(form.recording());
    EXPECT_EQ(in().openeddevice(), 2);
    form.StopActionExecute();

    // Unplugged, and before the system's news of it has arrived: the place "Line in" had
    // now holds nothing, and would hold another device after a further plug-in.
    in().change_devices({"Line in 2", "Headset mic", "USB mic"});
    const std::int32_t opens = in().opens();
    ui.messages.clear();
    form.RecordActionExecute(true);
    EXPECT_FALSE(form.recording());
    EXPECT_FALSE(record_checked());
    EXPECT_EQ(in().opens(), opens);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(last_message().caption, "Cannot record");
    EXPECT_TRUE(contains(last_message().text, "\"Line in\" is not connected"))
        << last_message().text;

    // The choice stays, and works again when the device is back.
    EXPECT_EQ(form.advanced.recorddevice, "Line in");
    EXPECT_EQ(advanced_page_of(form).recorddevice, "Line in");
    in().change_devices({"Headset mic", "Line in"});
    record();
    EXPECT_TRUE(form.recording());
    EXPECT_EQ(in().openeddevice(), 1);
    form.StopActionExecute();

    // The same for the players.
    form.advanced.playdevice = "USB headphones";
    form.PlayNoiseActionExecute(true);
    EXPECT_FALSE(form.noiseplaying());
    EXPECT_FALSE(noise_checked());
    EXPECT_EQ(devices.noise().opens(), 0);
    EXPECT_EQ(last_message().caption, "Cannot play noise");
    EXPECT_TRUE(contains(last_message().text, "\"USB headphones\" is not connected"))
        << last_message().text;
    devices.noise().change_devices({"Speakers", "USB headphones"});
    devices.noise().deliver();
    EXPECT_EQ(form.audiodevicenames.output,
              (std::vector<std::string>{"Speakers", "USB headphones"}));
    form.PlayNoiseActionExecute(true);
    EXPECT_TRUE(form.noiseplaying());
    EXPECT_EQ(devices.noise().openeddevice(), 1);
    form.PlayNoiseActionExecute(false);

    form.advanced.keyboarddevice = "USB headphones";
    form.KeyBoard1NoteOn(69);
    EXPECT_FALSE(devices.keyboard().isopen());
    EXPECT_TRUE(contains(last_message().text, "\"USB headphones\" is not connected"));
    form.KeyBoard1NoteOff(69);
}

// ---- The masking noise reads its settings for every buffer ----

double rms_of(const std::vector<std::int16_t>& s, std::size_t from, std::size_t n,
              std::size_t channel) {
    double sum = 0;
    for (std::size_t i = from + channel; i < from + n; i += 2) sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(n / 2));
}

TEST_F(SoundDevices, TheMaskingNoiseFollowsItsSettingsWhileItPlays) {
    tsimulatedwaveout& out = devices.noise();
    form.options.noisespectrum = 2; // white: the level shows in the samples as they are
    form.options.noiselevel = -20;
    form.options.softnoiseonset = false;
    form.PlayNoiseActionExecute(true);
    out.run(2);
    const std::size_t buffer = std::size_t(form.MPCnoiseplay->player.nChunkSamples());
    const double full = 32768 / std::sqrt(6.0); // triangular noise over the whole range
    EXPECT_NEAR(rms_of(out.played, out.played.size() - buffer, buffer, 1), full, 0.1 * full);

    // Changed while it plays: the buffers filled after the change have them. Four buffers
    // were filled ahead, so the sixth from here on is new.
    form.options.noiselevel = -40;
    form.advanced.noiseplayright = false;
    out.run(6);
    const std::size_t last = out.played.size() - buffer;
    EXPECT_NEAR(rms_of(out.played, last, buffer, 0), full / 10, 0.1 * full / 10);
    EXPECT_EQ(rms_of(out.played, last, buffer, 1), 0.0);

    form.options.noisespectrum = 1; // low-passed: far less than the white noise
    form.advanced.noiseplayright = true;
    out.run(6);
    EXPECT_LT(rms_of(out.played, out.played.size() - buffer, buffer, 1), 0.5 * full / 10);
    form.PlayNoiseActionExecute(false);
}

} // namespace
} // namespace gravon
