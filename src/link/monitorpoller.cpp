// What the remote control monitor asks the unit, and what it makes of the answers.
#include "link/monitorpoller.h"

#include "link/serialport.h"

#include <cassert>

namespace {

// The resync line carries its own CR; WriteLine adds CR LF, so the unit gets "*", CR, CR,
// LF, and its line reader starts afresh whatever it held.
const std::string ResyncText = std::string(Protocol::ResyncLine) + Protocol::CR;

bool Bit(std::uint16_t mask, int channel) {
    return (mask >> channel & 1) != 0;
}

} // namespace

void MonitorPoller::Start() {
    assert(port_ != nullptr && "a monitoring run needs a port");
    channels_ = {};
    pollChannel_ = 0;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        if (!Ask(Protocol::RegisterQuery(channel)))
            continue;
        const Protocol::RegisterReading reading = Protocol::ReadRegisterReply(Reply());
        channels_[channel].Active = reading.Active;
        channels_[channel].Frequency = reading.Frequency;
    }
}

TickOutcome MonitorPoller::Tick(const std::function<void()>& statusLost) {
    assert(port_ != nullptr && "a monitoring run needs a port");
    TickOutcome outcome;
    outcome.StatusLost = !ReadStatus();
    if (outcome.StatusLost && statusLost)
        statusLost();
    outcome.PolledChannel = pollChannel_;
    ReadMeasurements(pollChannel_, outcome);
    pollChannel_ = pollChannel_ < ChannelCount - 1 ? pollChannel_ + 1 : 0;
    return outcome;
}

bool MonitorPoller::Ask(std::string_view command) {
    PutText(exchange_, command);
    return port_->Query(exchange_, ReplyCapacity) && !Reply().empty();
}

bool MonitorPoller::ReadStatus() {
    if (!Ask(Protocol::StatusQuery)) {
        // A unit that lost track of the line takes up again after a bare "*" line.
        PutText(exchange_, ResyncText);
        port_->WriteLine(TextOf(exchange_));
        if (!Ask(Protocol::StatusQuery))
            return false;
    }
    const Protocol::StatusMasks masks = Protocol::ReadStatusReply(Reply());
    for (int channel = 0; channel < ChannelCount; ++channel) {
        channels_[channel].Active = Bit(masks.Active, channel);
        channels_[channel].Alarm = Bit(masks.Alarm, channel);
        channels_[channel].Warning = Bit(masks.Warning, channel);
    }
    return true;
}

void MonitorPoller::ReadMeasurements(int channel, TickOutcome& outcome) {
    ChannelReadings& readings = channels_[channel];
    // Each query stands alone: one that fails leaves its reading and the next one is asked.
    if (Ask(Protocol::PowerQuery(channel))) {
        outcome.PowerDbm = Protocol::ReadPowerReply(Reply());
        if (outcome.PowerDbm)
            readings.Power = Protocol::FormatPower(*outcome.PowerDbm);
    }
    if (Ask(Protocol::MerQuery(channel))) {
        outcome.Mer = std::string(Protocol::ReadMeasurementText(Reply()));
        readings.Mer = *outcome.Mer;
    }
    if (Ask(Protocol::BerQuery(channel))) {
        outcome.Ber = std::string(Protocol::ReadMeasurementText(Reply()));
        readings.Ber = *outcome.Ber;
    }
}
