// How long opening a network port may wait: the connection, and on a Telnet port the
// server's answer to the COM-port option, together within one limit.
#pragma once

#include <chrono>
#include <cstdint>

// A silent or unreachable host makes opening fail after this long, like a missing device.
inline constexpr std::chrono::milliseconds NetworkOpenLimit{3000};

// One thing opening waits for, as the network backend sees it.
class ConnectionWaiter {
public:
    enum class Progress : std::uint8_t { Waiting, Done, Failed };

    virtual ~ConnectionWaiter() = default;
    virtual Progress State() = 0;
    // Time since opening began.
    virtual std::chrono::milliseconds Elapsed() const = 0;
    // Blocks at most `limit`, returning early when something happened (which need not be
    // the awaited thing: a Telnet server may negotiate other options first).
    virtual void WaitFor(std::chrono::milliseconds limit) = 0;
};

enum class WaitOutcome : std::uint8_t { Done, Failed, TimedOut };

// Waits until the waiter is done or failed, or until `limit` after opening began.
WaitOutcome AwaitWithin(ConnectionWaiter& waiter, std::chrono::milliseconds limit);
