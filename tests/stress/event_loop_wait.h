// Waiting on a real event loop with a deadline, instead of sleeping.
#pragma once

#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace vemtora::test {

// Runs the event loop until the condition holds or the deadline passes.
inline bool waitFor(const std::function<bool()>& condition, int milliseconds) {
    if (condition()) return true;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition()) loop.quit();
    });
    check.start(10);
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
    return condition();
}

inline void runEventLoopFor(int milliseconds) {
    waitFor([] { return false; }, milliseconds);
}

}  // namespace vemtora::test
