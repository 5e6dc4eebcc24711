// A RIVAN unit in software, byte for byte as it behaves on its serial line.
#include "link/sim/simulatedunit.h"

#include "link/protocol.h"
#include "profile/hexfields.h"
#include "profile/memorycommands.h"
#include "profile/memorymap.h"

#include <algorithm>
#include <cassert>
#include <charconv>
#include <cmath>
#include <numbers>

namespace {

using namespace std::chrono_literals;

// A line longer than this is no command; the unit drops what comes beyond it.
constexpr std::size_t MaxLineLength = 600;

// The reply header of a block read; the host does not look at it.
constexpr std::string_view BlockReplyHeader = "*I22";
constexpr std::string_view NameReplyHeader = "*NAM ";
constexpr std::string_view VersionReplyHeader = "*VER ";
constexpr std::string_view StatusReplyHeader = "*STAT:";

constexpr std::array<const char*, 22> DefaultMessages = {
    " (C) QELVAR     ", "   MEVRAL-1+    ", "1> DETECT       ", "2> IDENTIFY     ",
    "3> ADJUST       ", "  CABLE SHORT   ", "  BATTERY LOW   ", "  SERVICE MODE  ",
    "Manual power OFF", "Auto power OFF  ", "No LNB?         ", "Elapsed time:   ",
    "User:           ", "Co:             ", "   TEST MODE    ", "----lock ber snr",
    " Please wait... ", " Li-ion Battery ", "  NiMH Battery  ", "   No Battery   ",
    "  Backlight ON  ", "  Backlight OFF ",
};

// What the unit leaves the factory with: five of six points measuring.
constexpr std::array<std::uint32_t, MemoryMap::PointCount> DefaultFrequenciesKHz = {
    474000, 522000, 650000, 746000, 858000, 1210000};
constexpr std::array<std::uint8_t, MemoryMap::PointCount> DefaultActive = {1, 1, 1, 1, 1, 0};

// Where each channel's readings sit, and how far and how fast they wander.
constexpr std::array<double, MemoryMap::PointCount> BasePower = {74.0, 71.0, 68.0,
                                                                 77.0, 57.0, 80.0};
constexpr std::array<double, MemoryMap::PointCount> BaseMer = {33.0, 30.0, 27.0, 35.0, 21.0, 36.0};
constexpr std::array<double, MemoryMap::PointCount> BaseBerExponent = {-7.5, -6.8, -5.2,
                                                                       -8.0, -3.8, -8.3};

void PutLittleEndian(std::span<std::uint8_t> memory, std::size_t at, std::uint32_t value,
                     int bytes) {
    for (int i = 0; i < bytes; ++i)
        memory[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetLittleEndian(std::span<const std::uint8_t> memory, std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | memory[at + i];
    return value;
}

// A number with a fixed count of decimals and a full stop, whatever the process locale.
std::string Fixed(double value, int decimals) {
    char text[64];
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    assert(error == std::errc());
    return std::string(text, end);
}

// "%1.2E" without the locale: "2.10E-07".
std::string Scientific(double value) {
    char text[64];
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, 2);
    assert(error == std::errc());
    std::string result(text, end);
    for (char& c : result) {
        if (c == 'e')
            c = 'E';
    }
    return result;
}

double Wave(SimTime now, double periodSeconds, double phase) {
    const double seconds = std::chrono::duration<double>(now).count();
    return std::sin(2.0 * std::numbers::pi * seconds / periodSeconds + phase);
}

} // namespace

SimulatedUnit::SimulatedUnit(UnitSettings settings) : settings_(std::move(settings)) {
    for (std::size_t slot = 0; slot < MemoryMap::MessageCount; ++slot) {
        const std::string_view text =
            slot < DefaultMessages.size() ? DefaultMessages[slot] : "                ";
        std::copy(text.begin(), text.end(),
                  memory_.begin() + MemoryMap::MessageAddress(static_cast<int>(slot)));
    }
    for (int point = 0; point < MemoryMap::PointCount; ++point) {
        const std::size_t at = MemoryMap::PointAddress(point);
        memory_[at] = static_cast<std::uint8_t>(point);
        memory_[at + 1] = DefaultActive[point];
        PutLittleEndian(memory_, at + 2, DefaultFrequenciesKHz[point] * 1000, 4);
        memory_[at + 6] = 70; // warning below -37 dBm
        memory_[at + 7] = 60; // alarm below -47 dBm
    }
    const std::size_t config = MemoryMap::ConfigurationAddress;
    PutLittleEndian(memory_, config, 28, 2);        // MER warning, dB
    PutLittleEndian(memory_, config + 2, 22, 2);    // MER alarm, dB
    PutLittleEndian(memory_, config + 4, 1000, 4);  // BER warning, 1.0E-05 in units of 1E-08
    PutLittleEndian(memory_, config + 8, 10000, 4); // BER alarm, 1.0E-04
    inUse_ = memory_;
}

void SimulatedUnit::Receive(std::string_view bytes, SimTime now) {
    quietSince_ = now;
    for (char c : bytes) {
        if (c != Protocol::CR && c != Protocol::LF) {
            if (partialLine_.size() < MaxLineLength)
                partialLine_ += c;
            continue;
        }
        // CR, LF and CR LF all end a line; the empty line between CR and LF is no command.
        const std::string line = std::move(partialLine_);
        partialLine_.clear();
        if (!line.empty())
            HandleLine(line, now);
    }
}

std::optional<TimedByte> SimulatedUnit::TakeByte(SimTime now, SimTime deadline) {
    if (!lineUp_)
        return std::nullopt;
    if (!output_.empty()) {
        TimedByte byte = output_.front();
        if (byte.Time > deadline)
            return std::nullopt;
        output_.pop_front();
        byte.Time = std::max(byte.Time, now);
        quietSince_ = byte.Time;
        if (hangingUp_ && output_.empty())
            lineUp_ = false;
        return byte;
    }
    const std::optional<SimTime> beat = NextByteTime(now);
    if (!beat || *beat > deadline)
        return std::nullopt;
    quietSince_ = *beat;
    return TimedByte{*beat, static_cast<std::uint8_t>(Protocol::XON)};
}

std::optional<SimTime> SimulatedUnit::NextByteTime(SimTime now) const {
    if (!lineUp_)
        return std::nullopt;
    if (!output_.empty())
        return std::max(output_.front().Time, now);
    if (Silenced() || hangingUp_ || !partialLine_.empty())
        return std::nullopt;
    return std::max(quietSince_ + settings_.Heartbeat, now);
}

void SimulatedUnit::Purge(SimTime now) {
    while (!output_.empty() && output_.front().Time <= now)
        output_.pop_front();
    quietSince_ = now;
}

void SimulatedUnit::HoldHeartbeat(SimTime now) {
    quietSince_ = std::max(quietSince_, now);
}

std::span<const std::uint8_t> SimulatedUnit::Block(std::uint16_t address,
                                                   std::size_t length) const {
    assert(address + length <= MemorySize && "a block lies inside the memory");
    return std::span<const std::uint8_t>(memory_).subspan(address, length);
}

void SimulatedUnit::HandleLine(const std::string& line, SimTime now) {
    commands_.push_back(line);
    if (Silenced() || hangingUp_ || !lineUp_)
        return;
    // A bare "*" only resynchronises the unit's line reader: no handshake, no reply.
    if (line == Protocol::ResyncLine)
        return;
    ++commandCount_;
    if (commandCount_ == settings_.HangUpOnCommand) {
        lineUp_ = false; // gone in the middle of the exchange
        output_.clear();
        return;
    }
    if (settings_.Silent && FaultsActive()) {
        silenced_ = true;
        return;
    }
    UnitExchange exchange;
    exchange.Command = line;
    if (!Refused())
        exchange.Accepted = Execute(line, now, exchange.Reply);
    if (!exchange.Accepted)
        exchange.Reply.clear();

    const bool faulty = FaultsActive();
    if (faulty)
        Send(settings_.Garbage, now);
    Send(std::string{Protocol::XOFF, exchange.Accepted ? Protocol::ACK : Protocol::NAK}, now);
    const bool query = line.size() > 1 && line[1] == '?';
    if (exchange.Accepted && query)
        Send(exchange.Reply + std::string(Protocol::LineEnd),
             faulty ? now + settings_.ReplyDelay : now);
    if (settings_.HangUpAfter > 0 && commandCount_ >= settings_.HangUpAfter)
        hangingUp_ = true; // the line drops once the host has taken this answer
    else
        Send(std::string{Protocol::XON}, now);

    exchanges_.push_back(exchange);
    if (trace_)
        trace_(exchange);
}

bool SimulatedUnit::FaultsActive() const {
    return commandCount_ >= settings_.FaultsFromCommand;
}

bool SimulatedUnit::Silenced() const {
    return settings_.Silent && (silenced_ || settings_.FaultsFromCommand <= 1);
}

bool SimulatedUnit::Refused() const {
    return settings_.NakOnCommand > 0 && commandCount_ >= settings_.NakOnCommand &&
           commandCount_ < settings_.NakOnCommand + settings_.NakCount;
}

bool SimulatedUnit::Execute(const std::string& command, SimTime now, std::string& reply) {
    int channel = 0;
    if (const auto odd = settings_.Replies.find(command); odd != settings_.Replies.end()) {
        reply = odd->second;
        return true;
    }
    if (command == Protocol::NameQuery) {
        reply = std::string(NameReplyHeader) + settings_.Name;
        return true;
    }
    if (command == Protocol::VersionQuery) {
        reply = std::string(VersionReplyHeader) + settings_.Version;
        return true;
    }
    if (command == Protocol::ResetCommand) {
        inUse_ = memory_;
        ++resetCount_;
        return true;
    }
    if (command.starts_with(MemoryCommands::ReadPrefix))
        return ReadMemory(command, reply);
    if (command.starts_with(MemoryCommands::WritePrefix))
        return WriteMemory(command);
    if (command == Protocol::StatusQuery) {
        reply = StatusReply(now);
        return true;
    }
    if (ChannelOf(command, Protocol::RegisterQueryPrefix, channel)) {
        reply = RegisterReply(channel);
        return true;
    }
    if (ChannelOf(command, Protocol::PowerQueryPrefix, channel)) {
        reply = "*POW" + Fixed(Power(channel, now), 2);
        return true;
    }
    if (ChannelOf(command, Protocol::MerQueryPrefix, channel)) {
        reply = "*MER" + Fixed(Mer(channel, now), 1);
        return true;
    }
    if (ChannelOf(command, Protocol::BerQueryPrefix, channel)) {
        reply = "*BER" + Scientific(Ber(channel, now));
        return true;
    }
    return false;
}

bool SimulatedUnit::ReadMemory(const std::string& command, std::string& reply) const {
    const std::string_view arguments =
        std::string_view(command).substr(MemoryCommands::ReadPrefix.size());
    constexpr std::size_t AddressDigits = MemoryCommands::AddressDigits;
    std::uint32_t address = 0;
    std::uint32_t length = 0;
    if (arguments.size() != AddressDigits + MemoryCommands::LengthDigits ||
        !HexFields::ParseHex(arguments.substr(0, AddressDigits), address) ||
        !HexFields::ParseHex(arguments.substr(AddressDigits), length))
        return false;
    if (address + length > MemorySize)
        return false;
    reply = BlockReplyHeader;
    HexFields::AppendHexBytes(reply, std::span(memory_).subspan(address, length));
    return true;
}

bool SimulatedUnit::WriteMemory(const std::string& command) {
    const std::string_view arguments =
        std::string_view(command).substr(MemoryCommands::WritePrefix.size());
    constexpr std::size_t AddressDigits = MemoryCommands::AddressDigits;
    std::uint32_t address = 0;
    if (arguments.size() < AddressDigits ||
        !HexFields::ParseHex(arguments.substr(0, AddressDigits), address))
        return false;
    const std::string_view data = arguments.substr(AddressDigits);
    if (data.empty() || data.size() % 2 != 0 || address + data.size() / 2 > MemorySize)
        return false;
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < data.size(); i += 2) {
        std::uint32_t byte = 0;
        if (!HexFields::ParseHex(data.substr(i, 2), byte))
            return false;
        bytes.push_back(static_cast<std::uint8_t>(byte));
    }
    std::copy(bytes.begin(), bytes.end(), memory_.begin() + address);
    return true;
}

bool SimulatedUnit::ChannelOf(const std::string& command, std::string_view prefix,
                              int& channel) const {
    if (command.size() != prefix.size() + 2 || !command.starts_with(prefix))
        return false;
    const char tens = command[prefix.size()];
    const char units = command[prefix.size() + 1];
    if (tens != '0' || units < '0' || units >= '0' + MemoryMap::ChannelCount)
        return false;
    channel = units - '0';
    return true;
}

bool SimulatedUnit::ChannelActive(int channel) const {
    return inUse_[MemoryMap::PointAddress(channel) + 1] != 0;
}

std::string SimulatedUnit::RegisterReply(int channel) const {
    const std::size_t at = MemoryMap::PointAddress(channel);
    const double megahertz = GetLittleEndian(inUse_, at + 2, 4) / 1e6;
    // Nine characters: "650.00MHz", or "1210.0MHz" above 1 GHz.
    std::string frequency = Fixed(megahertz, megahertz < 1000.0 ? 2 : 1) + "MHz";
    if (frequency.size() < 9)
        frequency.insert(0, 9 - frequency.size(), ' ');
    std::string reply = "*REG0";
    reply += static_cast<char>('0' + channel);
    reply += ChannelActive(channel) ? "01" : "00";
    return reply + frequency;
}

std::string SimulatedUnit::StatusReply(SimTime now) const {
    const std::size_t config = MemoryMap::ConfigurationAddress;
    const double warningMer = GetLittleEndian(inUse_, config, 2);
    const double alarmMer = GetLittleEndian(inUse_, config + 2, 2);
    const double warningBer = GetLittleEndian(inUse_, config + 4, 4) * 1e-8;
    const double alarmBer = GetLittleEndian(inUse_, config + 8, 4) * 1e-8;
    unsigned active = 0;
    unsigned alarm = 0;
    unsigned warning = 0;
    for (int channel = 0; channel < MemoryMap::ChannelCount; ++channel) {
        if (!ChannelActive(channel))
            continue;
        const std::size_t at = MemoryMap::PointAddress(channel);
        const double power = Power(channel, now);
        const double mer = Mer(channel, now);
        const double ber = Ber(channel, now);
        const unsigned bit = 1u << channel;
        active |= bit;
        if (power < inUse_[at + 7] || mer < alarmMer || ber > alarmBer)
            alarm |= bit;
        else if (power < inUse_[at + 6] || mer < warningMer || ber > warningBer)
            warning |= bit;
    }
    std::string reply(StatusReplyHeader);
    for (unsigned mask : {active, alarm, warning})
        HexFields::AppendHex(reply, mask, 2);
    return reply;
}

double SimulatedUnit::Power(int channel, SimTime now) const {
    if (!ChannelActive(channel))
        return 0.0;
    return BasePower[channel] + 1.5 * Wave(now, 23.0 + 4 * channel, channel);
}

double SimulatedUnit::Mer(int channel, SimTime now) const {
    if (!ChannelActive(channel))
        return 0.0;
    return BaseMer[channel] + 1.0 * Wave(now, 31.0 + 3 * channel, 2.0 * channel);
}

double SimulatedUnit::Ber(int channel, SimTime now) const {
    if (!ChannelActive(channel))
        return 0.0;
    return std::pow(10.0, BaseBerExponent[channel] + 0.3 * Wave(now, 17.0 + 5 * channel, 0.5));
}

void SimulatedUnit::Send(std::string_view bytes, SimTime at) {
    SimTime time = at;
    if (!output_.empty())
        time = std::max(time, output_.back().Time);
    for (char c : bytes) {
        time += settings_.ByteTime;
        output_.push_back(TimedByte{time, static_cast<std::uint8_t>(c)});
    }
}
