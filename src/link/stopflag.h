// A request to end the conversation in progress, set from outside it (the window when the
// program is asked to end, a signal handler in rivanctl) and read between exchanges.
#pragma once

#include <atomic>

class StopFlag {
public:
    // Safe to call from a signal handler: one lock-free store.
    void Request() { requested_.store(true, std::memory_order_relaxed); }
    void Clear() { requested_.store(false, std::memory_order_relaxed); }
    bool Requested() const { return requested_.load(std::memory_order_relaxed); }

private:
    static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler sets the flag");
    std::atomic<bool> requested_{false};
};
