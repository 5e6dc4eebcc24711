// Waiting on the event loop in window tests.
#include "support/processuntil.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace {
// Bounds on waiting for events to come; no test measures time.
constexpr int WakeUpMs = 20;
constexpr int MaxWakeUps = 250;
} // namespace

bool ProcessUntil(const std::function<bool()>& done) {
    QTimer wakeUp;
    wakeUp.start(WakeUpMs);
    for (int round = 0; round < MaxWakeUps && !done(); ++round)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}
