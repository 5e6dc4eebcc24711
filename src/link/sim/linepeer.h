// The far end of a simulated serial line: what a simulated port is wired to.
#pragma once

#include "link/sim/virtualclock.h"

#include <cstdint>
#include <optional>
#include <string_view>

// One byte for the host and the moment it reaches the host's input queue.
struct TimedByte {
    SimTime Time{0};
    std::uint8_t Byte = 0;
};

class LinePeer {
public:
    virtual ~LinePeer() = default;

    // Bytes the host wrote, arriving at `now`.
    virtual void Receive(std::string_view bytes, SimTime now) = 0;
    // Takes the next byte for the host if it arrives no later than `deadline`; a byte that
    // arrived before `now` is reported at `now`.
    virtual std::optional<TimedByte> TakeByte(SimTime now, SimTime deadline) = 0;
    // The host emptied its input queue at `now`: whatever has arrived by then is lost.
    virtual void Purge(SimTime now) = 0;
    // False once the line is gone (the far end hung up); reads and writes then fail.
    virtual bool LineUp() const = 0;
};
