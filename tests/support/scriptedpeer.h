// A far end for a simulated line that sends what a test scripts, at the times it says.
#pragma once

#include "link/sim/linepeer.h"

#include <deque>
#include <string>

class ScriptedPeer : public LinePeer {
public:
    // Queues bytes that reach the host at `at` (all at once, in order).
    void SendAt(SimTime at, std::string_view bytes);
    void Send(std::string_view bytes) { SendAt(SimTime{0}, bytes); }
    // The line drops once the host has taken every scripted byte.
    void HangUpWhenDrained() { hangUp_ = true; }
    // Everything the host wrote.
    const std::string& Received() const { return received_; }

    void Receive(std::string_view bytes, SimTime now) override;
    std::optional<TimedByte> TakeByte(SimTime now, SimTime deadline) override;
    void Purge(SimTime now) override;
    bool LineUp() const override { return !(hangUp_ && output_.empty()); }

private:
    std::deque<TimedByte> output_;
    std::string received_;
    bool hangUp_ = false;
};
