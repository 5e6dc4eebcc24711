// A far end for a simulated line that sends what a test scripts, at the times it says.
#include "support/scriptedpeer.h"

#include <algorithm>

void ScriptedPeer::SendAt(SimTime at, std::string_view bytes) {
    for (char c : bytes)
        output_.push_back(TimedByte{at, static_cast<std::uint8_t>(c)});
}

void ScriptedPeer::Receive(std::string_view bytes, SimTime) {
    received_.append(bytes);
}

std::optional<TimedByte> ScriptedPeer::TakeByte(SimTime now, SimTime deadline) {
    if (output_.empty() || output_.front().Time > deadline)
        return std::nullopt;
    TimedByte byte = output_.front();
    output_.pop_front();
    byte.Time = std::max(byte.Time, now);
    return byte;
}

void ScriptedPeer::Purge(SimTime now) {
    while (!output_.empty() && output_.front().Time <= now)
        output_.pop_front();
}
