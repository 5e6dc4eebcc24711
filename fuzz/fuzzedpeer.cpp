// A far end for a simulated line that sends whatever the fuzz input says, when it says.
#include "fuzzedpeer.h"

#include <algorithm>
#include <chrono>

namespace {

constexpr std::uint8_t LongDelayBit = 0x80;
constexpr std::uint8_t DelayMask = 0x7F;
constexpr int DelayStepMs = 4;
constexpr int LongDelayFactor = 16;

std::uint8_t NextByte(FuzzedDataProvider& input) {
    const std::vector<std::uint8_t> byte = input.ConsumeBytes<std::uint8_t>(1);
    return byte.empty() ? 0 : byte.front();
}

} // namespace

void FuzzedPeer::ClearLog() {
    reads_.clear();
    writes_.clear();
}

void FuzzedPeer::Receive(std::string_view bytes, SimTime) {
    writes_.push_back(HostWrite{std::string(bytes), reads_.size()});
}

std::optional<TimedByte> FuzzedPeer::TakeByte(SimTime now, SimTime deadline) {
    if (output_.empty() && !hangUp_ && input_.remaining_bytes() > 0)
        QueueBurst(now);
    if (output_.empty() || output_.front().Time > deadline) {
        reads_.push_back(HostRead{true, 0});
        return std::nullopt;
    }
    TimedByte byte = output_.front();
    output_.pop_front();
    byte.Time = std::max(byte.Time, now);
    reads_.push_back(HostRead{false, byte.Byte});
    return byte;
}

void FuzzedPeer::Purge(SimTime now) {
    while (!output_.empty() && output_.front().Time <= now)
        output_.pop_front();
}

void FuzzedPeer::QueueBurst(SimTime now) {
    const std::uint8_t delay = NextByte(input_);
    const std::uint8_t length = NextByte(input_);
    if (length == HangUpLength) {
        hangUp_ = true;
        return;
    }
    int milliseconds = (delay & DelayMask) * DelayStepMs;
    if (delay & LongDelayBit)
        milliseconds *= LongDelayFactor;
    const SimTime at = now + std::chrono::milliseconds(milliseconds);
    for (const std::uint8_t byte : input_.ConsumeBytes<std::uint8_t>(length))
        output_.push_back(TimedByte{at, byte});
}
