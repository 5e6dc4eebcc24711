// A RIVAN unit in software, byte for byte as it behaves on its serial line.
#pragma once

#include "link/sim/linepeer.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <vector>

// How the unit behaves, faults included.
struct UnitSettings {
    std::string Name = "RIVAN";   // the model name in the "*?NAM" reply
    std::string Version = "1.05"; // the version in the "*?VER" reply
    // While idle with nothing left unread, the unit repeats XON this often, so a host that
    // has just opened and purged the port still finds it ready.
    SimTime Heartbeat = std::chrono::milliseconds(250);
    // Wire time of each byte the unit sends; 87 us is 115200 bit/s with 8N1. Zero: at once.
    SimTime ByteTime{0};

    bool Silent = false;   // fault: sends nothing at all
    int NakOnCommand = 0;  // fault: refuses the k-th command (counted from 1); 0: never
    int NakCount = 1;      // with NakOnCommand: how many commands in a row it refuses
    SimTime ReplyDelay{0}; // fault when above 105 ms: reply lines start this late
    std::string Garbage;   // fault: these bytes go out before every answer to a command
    int HangUpAfter = 0;   // fault: the line is gone once k commands are answered
    // Fault: the line drops as the k-th command arrives, before the unit answers it; 0: never.
    int HangUpOnCommand = 0;
    // Silent, ReplyDelay and Garbage hold from the k-th command on (counted from 1): the
    // commands before it are answered well. 0 or 1: from the start. A unit that falls
    // silent this way takes the k-th command and answers nothing from then on.
    int FaultsFromCommand = 0;
    // Odd answers: a query listed here is accepted and answered with this reply line
    // instead of the unit's own (a short block, a name with a typo, ...).
    std::map<std::string, std::string, std::less<>> Replies;
};

// One command line the unit took, and what it answered.
struct UnitExchange {
    std::string Command;
    bool Accepted = false;
    std::string Reply; // the reply line without its CR LF; empty for a plain command
};

class SimulatedUnit : public LinePeer {
public:
    static constexpr std::size_t MemorySize = 0x2000;

    explicit SimulatedUnit(UnitSettings settings = {});

    // The settings can be changed between exchanges (for instance to fall silent later).
    UnitSettings& Settings() { return settings_; }

    void Receive(std::string_view bytes, SimTime now) override;
    std::optional<TimedByte> TakeByte(SimTime now, SimTime deadline) override;
    void Purge(SimTime now) override;
    bool LineUp() const override { return lineUp_; }

    // When the next byte for the host is due, if any is: for a loop that serves the unit
    // in real time.
    std::optional<SimTime> NextByteTime(SimTime now) const;
    // The host has not yet read what was sent: the next heartbeat waits a full period.
    void HoldHeartbeat(SimTime now);
    // Called with every command line the unit takes.
    void SetTrace(std::function<void(const UnitExchange&)> trace) { trace_ = std::move(trace); }

    // What the unit holds and took, for tests.
    std::span<std::uint8_t, MemorySize> Memory() { return memory_; }
    std::span<const std::uint8_t> Block(std::uint16_t address, std::size_t length) const;
    // Every non-empty line received, in order ("*" lines and refused commands included).
    const std::vector<std::string>& Commands() const { return commands_; }
    const std::vector<UnitExchange>& Exchanges() const { return exchanges_; }
    // How often "*RST" took the stored settings into use.
    int ResetCount() const { return resetCount_; }

    // The readings of a channel at a moment, as the unit measures them: power in dB above
    // 1 microvolt, MER in dB, BER as a ratio. An inactive channel reads 0.
    double Power(int channel, SimTime now) const;
    double Mer(int channel, SimTime now) const;
    double Ber(int channel, SimTime now) const;

private:
    void HandleLine(const std::string& line, SimTime now);
    bool Execute(const std::string& command, SimTime now, std::string& reply);
    bool ReadMemory(const std::string& command, std::string& reply) const;
    bool WriteMemory(const std::string& command);
    bool ChannelOf(const std::string& command, std::string_view prefix, int& channel) const;
    std::string RegisterReply(int channel) const;
    std::string StatusReply(SimTime now) const;
    bool ChannelActive(int channel) const;
    void Send(std::string_view bytes, SimTime at);
    // The faults that start late hold for the command being answered.
    bool FaultsActive() const;
    bool Silenced() const;
    bool Refused() const;

    UnitSettings settings_;
    std::array<std::uint8_t, MemorySize> memory_{};
    std::array<std::uint8_t, MemorySize> inUse_{}; // the settings taken into use by "*RST"
    std::deque<TimedByte> output_;
    std::string partialLine_;
    SimTime quietSince_{0};
    bool lineUp_ = true;
    bool hangingUp_ = false;
    bool silenced_ = false; // fell silent at the command FaultsFromCommand
    int commandCount_ = 0;
    int resetCount_ = 0;
    std::vector<std::string> commands_;
    std::vector<UnitExchange> exchanges_;
    std::function<void(const UnitExchange&)> trace_;
};
