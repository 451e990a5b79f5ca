// Time passing in a test while Qt's events (a sound device's deliveries among them) are
// handled.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

namespace gravon::testing {

inline void wait_ms(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace gravon::testing
