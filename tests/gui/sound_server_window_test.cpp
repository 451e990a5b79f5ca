// The desktop window on the real sound server (scripts/sound_server.sh, the sound_server of the
// tests) as a user meets a server that stops during a take and comes back: the take stops and
// is kept, Record says why it cannot start while the server is away, and once it is back the
// next Record continues the take, which is then saved. The server is left running.
#include "audio/mpc_error.h"
#include "audio/mpc_record.h"
#include "audio/qt/qt_audio_factory.h"
#include "audio/qt/qt_wave_service.h"
#include "support/sound_server.h"
#include "support/temp_config.h"
#include "ui/main_actions.h"
#include "ui/qt_main_window.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace gravon {
namespace {

namespace fs = std::filesystem;
using enum tactionid;

// The script that stops and starts the server; GRAVON_SOUND_SERVER may name another one that
// takes the same arguments, for a server of one's own.
const std::string soundserver = std::getenv("GRAVON_SOUND_SERVER")
                                    ? std::getenv("GRAVON_SOUND_SERVER")
                                    : GRAVON_SOURCE_DIR "/scripts/sound_server.sh";

template <class F> bool run_until(F&& done, int ms = 20000) {
    QElapsedTimer guard;
    guard.start();
    while (!done() && guard.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

// Whether Qt records from the default input again: a sound server that has just come back is
// reached a few seconds later.
bool sound_system_back(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        tqtwavein in;
        TMPCRecord probe(in);
        int blocks = 0;
        probe.OnFetch = [&](const TWaveChunk&, std::int32_t, bool&) { ++blocks; };
        try {
            probe.Run();
            if (run_until([&] { return blocks > 2 || !probe.OwnBoard(); }, 3000) &&
                probe.OwnBoard())
                return true;
            probe.Stop();
        } catch (const EMPCError&) {
        }
        run_until([] { return false; }, 250);
    }
    return false;
}

struct tserverback {
    ~tserverback() {
        std::system((soundserver + " start").c_str());
        EXPECT_TRUE(sound_system_back(20000)) << "the sound server did not come back";
    }
};

TEST(SoundServerWindow, ATakeStoppedByTheServerIsKeptAndRecordingGoesOnOnceItIsBack) {
    gravon::testing::use_test_sound_server();
    testing::ttempconfig config;
    tqtaudiofactory audio;
    TMainWindow w;
    w.attach_audio(audio);
    std::vector<std::string> messages;
    w.userinterface().script.message = [&](const std::string& c, const std::string& t,
                                           tmessagekind) { messages.push_back(c + ": " + t); };
    w.userinterface().script.question = [](const std::string&, const std::string&, tbuttons) {
        return tanswer::no;
    };
    const fs::path saved = config.root / "take.smp";
    w.userinterface().script.session = [](tsessionrecord&, bool) { return true; };
    w.userinterface().script.filenames = [&](const std::string&, bool save) {
        return save ? QStringList{QString::fromStdString(saved.string())} : QStringList{};
    };
    w.activate({});
    w.show();
    const auto& inputs = w.form().audiodevicenames.input;
    if (std::find(inputs.begin(), inputs.end(), "Gravon_loopback_microphone") == inputs.end())
        GTEST_SKIP() << "no sound server: run scripts/sound_server.sh start";
    const auto last = [&] { return messages.empty() ? std::string() : messages.back(); };

    // A take, not paused.
    w.action(record)->trigger();
    ASSERT_TRUE(w.form().recording()) << last();
    w.action(pause)->trigger();
    ASSERT_FALSE(w.form().paused());
    ASSERT_TRUE(run_until([&] { return w.form().audioarrpos > 44100; })) << last();

    tserverback back;
    std::system((soundserver + " stop").c_str());
    ASSERT_TRUE(run_until([&] { return !w.form().recording() && !messages.empty(); }))
        << "a sound server that stopped went unnoticed";
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(last().rfind("Recording stopped: ", 0), 0u) << last();
    EXPECT_NE(last().find("does not answer"), std::string::npos) << last();
    EXPECT_FALSE(w.action(record)->isChecked());
    EXPECT_FALSE(w.action(pause)->isEnabled());
    const std::int32_t first = w.form().audioarrpos;
    EXPECT_GT(first, 44100);

    // F9 while the server is away: it says so, and nothing claims to record.
    w.action(record)->trigger();
    QApplication::processEvents();
    EXPECT_FALSE(w.form().recording());
    EXPECT_FALSE(w.action(record)->isChecked());
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(last().rfind("Cannot record: ", 0), 0u) << last();
    EXPECT_NE(last().find("does not answer"), std::string::npos) << last();

    // Back: F9 continues the take, which is saved whole.
    std::system((soundserver + " start").c_str());
    ASSERT_TRUE(sound_system_back(20000));
    w.action(record)->trigger();
    ASSERT_TRUE(w.form().recording()) << last();
    if (w.form().paused()) w.action(pause)->trigger();
    ASSERT_TRUE(run_until([&] { return w.form().audioarrpos > first + 44100; })) << last();
    w.action(stop)->trigger();
    EXPECT_FALSE(w.form().recording());
    ASSERT_TRUE(w.action(savesmp)->isEnabled());
    w.action(savesmp)->trigger();
    ASSERT_TRUE(fs::exists(saved)) << last();
    EXPECT_FALSE(w.form().soundmodified());
    // Both stretches of the take: at least two bytes a sample of a channel.
    EXPECT_GT(fs::file_size(saved), std::uintmax_t(first + 44100) * 2);
    EXPECT_EQ(messages.size(), 2u) << last();
}

} // namespace
} // namespace gravon
