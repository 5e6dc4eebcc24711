// A far end for a simulated line that answers each command line as a test says.
#include "support/answeringpeer.h"

#include <algorithm>

namespace {

constexpr char XON = 0x11;
constexpr char XOFF = 0x13;
constexpr char ACK = 0x06;
constexpr char NAK = 0x15;

} // namespace

void AnsweringPeer::Receive(std::string_view bytes, SimTime now) {
    for (char c : bytes) {
        if (c != '\r' && c != '\n') {
            partial_ += c;
            continue;
        }
        const std::string line = std::move(partial_);
        partial_.clear();
        if (line.empty())
            continue;
        lines_.push_back(line);
        if (mute_ || line == "*")
            continue;
        const std::optional<std::string> reply = answer_(line);
        if (!reply) {
            Queue(std::string{XOFF, NAK, XON}, now);
            continue;
        }
        Queue(std::string{XOFF, ACK} + *reply + "\r\n" + XON, now);
    }
}

std::optional<TimedByte> AnsweringPeer::TakeByte(SimTime now, SimTime deadline) {
    if (mute_)
        return std::nullopt;
    if (output_.empty()) {
        if (!partial_.empty())
            return std::nullopt; // in the middle of a line: not ready
        return TimedByte{now, static_cast<std::uint8_t>(XON)};
    }
    if (output_.front().Time > deadline)
        return std::nullopt;
    TimedByte byte = output_.front();
    output_.pop_front();
    byte.Time = std::max(byte.Time, now);
    return byte;
}

void AnsweringPeer::Purge(SimTime now) {
    while (!output_.empty() && output_.front().Time <= now)
        output_.pop_front();
}

void AnsweringPeer::Queue(std::string_view bytes, SimTime at) {
    for (char c : bytes)
        output_.push_back(TimedByte{at, static_cast<std::uint8_t>(c)});
}
