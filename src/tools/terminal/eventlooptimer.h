// The terminal's timer on the Qt event loop.
#pragma once

#include "tools/terminal/terminalclock.h"

#include <QTimer>

class EventLoopTimer : public TerminalTimer {
public:
    EventLoopTimer();

    void Start(int milliseconds, std::function<void()> due) override;
    void Stop() override { timer_.stop(); }
    bool Active() const override { return timer_.isActive(); }

private:
    QTimer timer_;
    std::function<void()> due_;
};
