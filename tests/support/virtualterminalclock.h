// Time for the terminal that moves only when the test says: the time of day starts at
// 14:03:07.412 on 1 May 2024, and the retry timer fires as virtual time passes it.
#pragma once

#include "tools/terminal/terminalclock.h"

#include <cassert>
#include <functional>
#include <optional>
#include <utility>

class VirtualTerminalClock : public TerminalClock, public TerminalTimer {
public:
    static constexpr LocalTime Origin{2024, 5, 1, 14, 3, 7, 412};

    // Virtual milliseconds since Origin.
    long long ElapsedMs = 0;
    // How often the timer was started.
    int TimerStarts = 0;

    LocalTime Now() const override {
        long long ms = ((Origin.Hour * 60LL + Origin.Minute) * 60 + Origin.Second) * 1000 +
                       Origin.Millisecond + ElapsedMs;
        assert(ms < 24LL * 60 * 60 * 1000 && "tests stay within one day");
        LocalTime time = Origin;
        time.Millisecond = static_cast<int>(ms % 1000);
        ms /= 1000;
        time.Second = static_cast<int>(ms % 60);
        ms /= 60;
        time.Minute = static_cast<int>(ms % 60);
        time.Hour = static_cast<int>(ms / 60);
        return time;
    }

    void Start(int milliseconds, std::function<void()> due) override {
        ++TimerStarts;
        dueAt_ = ElapsedMs + milliseconds;
        due_ = std::move(due);
    }
    void Stop() override { dueAt_.reset(); }
    bool Active() const override { return dueAt_.has_value(); }

    // Lets `milliseconds` pass, firing the timer when its time comes.
    void Advance(long long milliseconds) {
        const long long end = ElapsedMs + milliseconds;
        while (dueAt_ && *dueAt_ <= end) {
            ElapsedMs = *dueAt_;
            dueAt_.reset();
            const std::function<void()> due = std::move(due_);
            due();
        }
        ElapsedMs = end;
    }

private:
    std::optional<long long> dueAt_;
    std::function<void()> due_;
};
