// Time as a simulated line counts it: advanced by waits, never by the wall clock.
#pragma once

#include <cassert>
#include <chrono>

// Simulated time, from the start of a simulation.
using SimTime = std::chrono::microseconds;

class VirtualClock {
public:
    SimTime Now() const { return now_; }
    void Advance(SimTime duration) {
        assert(duration.count() >= 0 && "time does not run backwards");
        now_ += duration;
    }
    void AdvanceTo(SimTime time) {
        if (time > now_)
            now_ = time;
    }

private:
    SimTime now_{0};
};
