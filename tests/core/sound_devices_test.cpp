// The main window's recorder and players on simulated sound cards: devices are chosen by name
// and follow the system's list.
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

    void SetUp() override {
        // A 440 Hz tone on both channels, 16-bit values scaled to 24 bits.
        devices.source = [](std::int64_t k) {
            return std::int32_t(2000.0 * 256 * std::sin(double(k / 2) * 0.0627));
        };
        form.attach_audio(devices);
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

} // namespace
} // namespace gravon
