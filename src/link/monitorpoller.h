// What the remote control monitor asks the unit, and what it makes of the answers.
#pragma once

#include "link/exchangebuffer.h"
#include "link/protocol.h"
#include "profile/memorymap.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class SerialPort;

// What one channel's controls show. A reading the unit did not give keeps what it was.
struct ChannelReadings {
    bool Active = false;
    std::string Frequency;
    std::string Power; // dBm, "%5.2f"
    std::string Mer;   // as the unit wrote it
    std::string Ber;   // as the unit wrote it
    bool Alarm = false;
    bool Warning = false;
};

// How one polling tick went.
struct TickOutcome {
    // The status query failed, was retried after a resync line, and failed again: the user
    // hears a beep.
    bool StatusLost = false;
    // The unit's channel (0 to 5) whose power, MER and BER the tick asked for.
    int PolledChannel = 0;
    // What the tick read of that channel; none where the query failed, or where a power
    // reply held no number.
    std::optional<double> PowerDbm;
    std::optional<std::string> Mer; // as the unit wrote it
    std::optional<std::string> Ber; // as the unit wrote it
};

// Reads the unit's six channels over an open port: the registers once at the start, then
// per tick the status of all channels and the measurements of one, in turn. Only replies
// that came change a reading: after a failed query the exchange buffer holds the command
// and bytes of earlier replies, which say nothing about the unit.
class MonitorPoller {
public:
    static constexpr int ChannelCount = MemoryMap::ChannelCount;
    using Channels = std::array<ChannelReadings, ChannelCount>;

    // The port of the current monitoring run; it must stay open while the poller uses it.
    void SetPort(SerialPort& port) { port_ = &port; }
    bool HasPort() const { return port_ != nullptr; }

    // Clears every reading, starts polling at the unit's channel 0 and reads the six
    // channel registers (active flag and frequency).
    void Start();
    // One status query (retried once after a resync line) and the power, MER and BER of
    // PollChannel(), which then moves on to the next channel. `statusLost` is called as
    // soon as the retried status query has failed, before the measurements are asked.
    TickOutcome Tick(const std::function<void()>& statusLost = {});

    // The channel whose measurements the next tick reads, 0 to 5.
    int PollChannel() const { return pollChannel_; }
    // Index 0 is the unit's channel 0, shown as "Channel 1".
    const Channels& Readings() const { return channels_; }

private:
    // Sends `command` as a query; true when the unit took it and a reply line came.
    bool Ask(std::string_view command);
    // The reply line of the last query that succeeded.
    std::string_view Reply() const { return TextOf(exchange_); }
    bool ReadStatus();
    void ReadMeasurements(int channel, TickOutcome& outcome);

    SerialPort* port_ = nullptr;
    ExchangeBuffer exchange_{};
    int pollChannel_ = 0;
    Channels channels_;
};
