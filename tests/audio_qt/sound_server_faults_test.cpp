// Faults of the real sound server (scripts/sound_server.sh, the sound_server of the tests): a
// server that stops and comes back, a microphone plugged in and pulled out while it records.
// The recorder and the player end closed with a message naming the failure, and open again
// once the device is back. Every test leaves the server running, as it found it.
#include "audio/mpc_error.h"
#include "audio/mpc_play.h"
#include "audio/mpc_record.h"
#include "audio/qt/qt_audio_factory.h"
#include "audio/qt/qt_wave_service.h"
#include "audio/wave_error_text.h"
#include "core/test_form.h"
#include "support/sound_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace gravon {
namespace {

// The script that stops and starts the server; GRAVON_SOUND_SERVER may name another one that
// takes the same arguments, for a server of one's own.
const std::string soundserver = std::getenv("GRAVON_SOUND_SERVER")
                                    ? std::getenv("GRAVON_SOUND_SERVER")
                                    : GRAVON_SOURCE_DIR "/scripts/sound_server.sh";

// Runs the event loop until `done` holds, for at most `ms`.
template <class F> bool run_until(F&& done, int ms = 20000) {
    QElapsedTimer guard;
    guard.start();
    while (!done() && guard.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

void wait_ms(int ms) {
    run_until([] { return false; }, ms);
}

std::string shell(const std::string& cmd) {
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[256];
        while (fgets(buf, sizeof buf, p)) out += buf;
        pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

bool has(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A stereo 16-bit recorder of the default input, counting its blocks and failures.
struct tlistener {
    tqtwavein in;
    TMPCRecord rec{in};
    int blocks = 0;
    std::vector<std::string> failures;
    tlistener() {
        rec.setnChans(2);
        rec.setsfTot(88200);
        rec.setnBits(16);
        rec.setnBuffers(16);
        rec.setnChunkSamples(2048);
        rec.OnFetch = [this](const TWaveChunk&, std::int32_t, bool&) { ++blocks; };
        rec.OnFailed = [this](const std::string& text) { failures.push_back(text); };
    }
    // Starts, as a user tries again and again while a sound server comes back; whether it
    // recorded blocks within `ms`.
    bool records_within(int ms) {
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            try {
                rec.Run();
                const int before = blocks;
                if (run_until([&] { return blocks > before + 2 || !rec.OwnBoard(); }, 3000) &&
                    rec.OwnBoard())
                    return true;
                rec.Stop();
            } catch (const EMPCError&) {
                EXPECT_FALSE(rec.OwnBoard());
            }
            wait_ms(250);
        }
        return false;
    }
};

// The server of the tests is running and Qt reaches it, also after a test that stopped it.
bool server_answers() {
    gravon::testing::use_test_sound_server();
    tqtwavein in;
    return has(in.device_names(), "Gravon_loopback_microphone");
}

// Starts the server again when a test ends, however it ends, and waits until Qt reaches it.
struct tserverback {
    ~tserverback() {
        std::system((soundserver + " start").c_str());
        tlistener probe;
        EXPECT_TRUE(probe.records_within(20000)) << "the sound server did not come back";
        probe.rec.Stop();
    }
};

TEST(SoundServerFaults, AServerThatStopsEndsRecordingAndPlayingAndOneThatComesBackServesAgain) {
    if (!server_answers()) GTEST_SKIP() << "no sound server: run scripts/sound_server.sh start";
    tlistener l;
    tqtwaveout out;
    TMPCPlay play(out);
    play.setnChans(2);
    play.setsfTot(88200);
    play.setnBuffers(4);
    play.setnChunkSamples(4096);
    int stashes = 0;
    std::vector<std::string> playfailures;
    play.OnStash = [&](TWaveChunk& a, std::int32_t& used, bool&) {
        std::fill_n(a.begin(), used, std::int16_t(100));
        ++stashes;
    };
    play.OnFailed = [&](const std::string& text) { playfailures.push_back(text); };
    l.rec.Run();
    play.Run();
    ASSERT_TRUE(run_until([&] { return l.blocks > 5 && stashes > 6; }));

    tserverback back;
    std::system((soundserver + " stop").c_str());
    ASSERT_TRUE(run_until([&] { return !l.failures.empty() && !playfailures.empty(); }))
        << "a server that stopped went unnoticed";
    const std::string nosystem = wave_error_text(wave_error_nosoundsystem);
    EXPECT_TRUE(contains(l.failures[0], nosystem)) << l.failures[0];
    EXPECT_TRUE(contains(playfailures[0], nosystem)) << playfailures[0];
    EXPECT_EQ(l.failures.size(), 1u);
    EXPECT_FALSE(l.rec.OwnBoard());
    EXPECT_FALSE(play.OwnBoard());
    l.rec.setnChans(2); // closed: the format may change

    // While it is away, a start fails with a message and leaves the recorder closed.
    try {
        l.rec.Run();
        ADD_FAILURE() << "a recorder started without a sound server";
    } catch (const EMPCError& e) {
        EXPECT_TRUE(contains(e.what(), nosystem)) << e.what();
    }
    EXPECT_FALSE(l.rec.OwnBoard());

    // Back: the device list still names the devices, and both open again.
    std::system((soundserver + " start").c_str());
    EXPECT_TRUE(l.records_within(20000));
    EXPECT_TRUE(has(l.in.device_names(), "Gravon_loopback_microphone"));
    l.rec.Stop();
    const int before = stashes;
    play.Run();
    EXPECT_TRUE(run_until([&] { return stashes > before + 6; }));
    play.Stop();
}

// A microphone plugged in while the window runs (a source the server gains) is listed and can
// be chosen; pulled out while it records, the take stops, keeps what it has, and says which
// device went; Record then says it is not connected instead of opening another device.
TEST(SoundServerFaults, AMicrophonePluggedInIsListedAndOnePulledOutStopsTheTake) {
    if (!server_answers()) GTEST_SKIP() << "no sound server: run scripts/sound_server.sh start";
    gravon::testing::ttempconfig config;
    gravon::testing::trecordinginterface ui;
    TForm1 form(ui);
    tqtaudiofactory devices;
    form.attach_audio(devices);
    form.FormActivate({});
    const std::string name = "Gravon_plugged_microphone";
    ASSERT_FALSE(has(form.audiodevicenames.input, name));

    const std::string module =
        shell("pactl load-module module-remap-source source_name=gravon_plugged "
              "master=gravon_sink.monitor source_properties=device.description=" +
              name);
    ASSERT_FALSE(module.empty()) << "pactl could not add a source";
    struct tunplug {
        std::string module;
        ~tunplug() {
            if (!module.empty()) std::system(("pactl unload-module " + module).c_str());
        }
    } unplug{module};
    ASSERT_TRUE(run_until([&] { return has(form.audiodevicenames.input, name); }, 5000))
        << "the new microphone was not listed";
    EXPECT_GT(ui.devicelistrefreshes, 0);

    form.advanced.recorddevice = name;
    form.RecordActionExecute(true);
    form.set_paused(false);
    ASSERT_TRUE(form.recording()) << (ui.messages.empty() ? "" : ui.messages.back().text);
    ASSERT_TRUE(run_until([&] { return form.audioarrpos > 44100; }));

    std::system(("pactl unload-module " + module).c_str());
    unplug.module.clear();
    ASSERT_TRUE(run_until([&] { return !form.recording(); }, 10000))
        << "a microphone pulled out went unnoticed";
    EXPECT_GT(form.audioarrpos, 44100);
    EXPECT_FALSE(form.MPCRecord1->OwnBoard());
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().caption, "Recording stopped");
    EXPECT_TRUE(contains(ui.messages.back().text, "\"" + name + "\"")) << ui.messages.back().text;
    EXPECT_TRUE(run_until([&] { return !has(form.audiodevicenames.input, name); }, 5000));

    ui.messages.clear();
    form.RecordActionExecute(true);
    EXPECT_FALSE(form.recording());
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_TRUE(contains(ui.messages[0].text, "\"" + name + "\" is not connected"))
        << ui.messages[0].text;
}

} // namespace
} // namespace gravon
