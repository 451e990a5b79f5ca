#include "audio/qt/qt_wave_dispatch.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace gravon;

namespace {

struct tclient : twaveclient {
    std::vector<twavemsgkind> log;
    std::vector<twaveheader*> done;
    bool offthread = false;
    bool throwonopen = false;
    void note(twavemsgkind k) {
        log.push_back(k);
        if (QThread::currentThread() != QCoreApplication::instance()->thread()) offthread = true;
    }
    void wave_opened() override {
        note(twavemsgkind::opened);
        if (throwonopen) throw std::runtime_error("handler failed");
    }
    void wave_closed() override { note(twavemsgkind::closed); }
    void wave_failed(twaveresult) override { note(twavemsgkind::failed); }
    void wave_done(twaveheader& h) override {
        note(twavemsgkind::done);
        done.push_back(&h);
    }
};

struct QtWaveDispatch : ::testing::Test {
    twavebufferstream stream;
    tqtwavedispatch dispatch{stream};
    tclient client;
    QtWaveDispatch() {
        dispatch.setclient(&client);
        stream.onfinished = [this] { dispatch.wake(); };
    }
};

TEST_F(QtWaveDispatch, DeliversOnlyFromTheEventLoopInOrder) {
    twaveheader h;
    dispatch.post(twavemsgkind::opened);
    dispatch.post(twavemsgkind::done, &h);
    dispatch.post(twavemsgkind::closed);
    EXPECT_TRUE(client.log.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(client.log, (std::vector<twavemsgkind>{twavemsgkind::opened, twavemsgkind::done,
                                                     twavemsgkind::closed}));
    // Buffers and failures can be forgotten (a close does that) without losing the other
    // notifications.
    dispatch.post(twavemsgkind::done, &h);
    dispatch.post(twavemsgkind::failed, nullptr, wave_error_devicelost);
    dispatch.post(twavemsgkind::closed);
    dispatch.drop_reports();
    QCoreApplication::processEvents();
    EXPECT_EQ(client.log.size(), 4u);
    EXPECT_EQ(client.log.back(), twavemsgkind::closed);

    // Nothing is delivered while the service holds the delivery, even from an event loop run
    // inside (as Qt's audio classes may run one); it follows once the hold ends.
    {
        tqtwavedispatch::thold hold(dispatch);
        dispatch.post(twavemsgkind::opened);
        QCoreApplication::processEvents();
        EXPECT_EQ(client.log.size(), 4u);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(client.log.size(), 5u);
    EXPECT_EQ(client.log.back(), twavemsgkind::opened);
}

TEST_F(QtWaveDispatch, BuffersFilledOnAnotherThreadArriveOnTheInterfaceThread) {
    constexpr int n = 200;
    std::vector<std::vector<std::byte>> memory(n, std::vector<std::byte>(8));
    std::vector<twaveheader> headers(n);
    for (int i = 0; i < n; ++i) {
        headers[i].data = memory[i].data();
        headers[i].bufferlength = 8;
        stream.queue(headers[i]);
    }
    std::thread backend([&] {
        std::byte block[5];
        for (int k = 0; k < 8 * n; k += 5) {
            const int len = std::min(5, 8 * n - k);
            for (int j = 0; j < len; ++j) block[j] = static_cast<std::byte>((k + j) & 0xFF);
            stream.capture(block, static_cast<std::size_t>(len));
        }
    });
    backend.join();
    QCoreApplication::processEvents();
    ASSERT_EQ(client.done.size(), static_cast<std::size_t>(n));
    EXPECT_FALSE(client.offthread);
    for (int i = 0; i < n; ++i) {
        ASSERT_EQ(client.done[i], &headers[i]);
        EXPECT_EQ(headers[i].flags & whdr_done, whdr_done);
        EXPECT_EQ(memory[i][0], static_cast<std::byte>((8 * i) & 0xFF));
    }
}

TEST_F(QtWaveDispatch, AFailingHandlerIsReportedAndDeliveryGoesOn) {
    client.throwonopen = true;
    std::vector<std::string> reported;
    dispatch.onexception = [&](const std::exception& e) { reported.push_back(e.what()); };
    dispatch.post(twavemsgkind::opened);
    dispatch.post(twavemsgkind::closed);
    QCoreApplication::processEvents();
    EXPECT_EQ(reported, std::vector<std::string>{"handler failed"});
    EXPECT_EQ(client.log.back(), twavemsgkind::closed);
}

} // namespace
