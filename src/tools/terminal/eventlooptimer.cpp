// The terminal's timer on the Qt event loop.
#include "tools/terminal/eventlooptimer.h"

EventLoopTimer::EventLoopTimer() {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
        // The call may start the timer again, which replaces `due_`.
        const std::function<void()> due = std::move(due_);
        due_ = nullptr;
        if (due)
            due();
    });
}

void EventLoopTimer::Start(int milliseconds, std::function<void()> due) {
    due_ = std::move(due);
    timer_.start(milliseconds);
}
