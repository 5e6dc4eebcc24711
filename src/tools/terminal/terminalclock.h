// Where the terminal takes the time of day from: the time stamps of received lines and the
// names of session log files, and the timer that spaces the tries at a lost port. Tests
// hand in their own.
#pragma once

#include <functional>
#include <string>

// A moment of the local calendar, to the millisecond.
struct LocalTime {
    int Year = 2000;
    int Month = 1;
    int Day = 1;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
};

class TerminalClock {
public:
    virtual ~TerminalClock() = default;
    virtual LocalTime Now() const = 0;
};

// The computer's local time.
class SystemClock : public TerminalClock {
public:
    LocalTime Now() const override;
    // One clock serves every terminal that is not handed another.
    static SystemClock& Instance();
};

// "[14:03:07.412] ", the stamp in front of a received line.
std::string TimeStamp(const LocalTime& time);

// Calls back once after a delay, from the owner's event loop: the wait between tries at a
// lost port. Tests hand in one that runs on virtual time.
class TerminalTimer {
public:
    virtual ~TerminalTimer() = default;
    // Replaces a call that is still waiting.
    virtual void Start(int milliseconds, std::function<void()> due) = 0;
    virtual void Stop() = 0;
    virtual bool Active() const = 0;
};
