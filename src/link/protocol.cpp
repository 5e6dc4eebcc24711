// The unit's command protocol: handshake bytes, command texts and the readers of replies.
#include "link/protocol.h"

#include "profile/memorymap.h"

#include <cassert>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace Protocol {

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

std::string ChannelCommand(std::string_view prefix, int channel) {
    assert(channel >= 0 && channel < ChannelCount && "the unit has channels 0 to 5");
    char digits[8];
    std::snprintf(digits, sizeof digits, "%02d", channel);
    return std::string(prefix) + digits;
}

// Characters of `reply` from 1-based position `first`, at most `count` of them.
std::string_view Positions(std::string_view reply, std::size_t first, std::size_t count) {
    if (reply.size() < first)
        return {};
    return reply.substr(first - 1, count);
}

} // namespace

std::string MemoryReadCommand(std::uint16_t address, int length) {
    assert(length >= 0 && length <= 0xFFF && "a length has three hex digits");
    char text[32];
    std::snprintf(text, sizeof text, "*?I22A0%04X%03X", static_cast<unsigned>(address),
                  static_cast<unsigned>(length));
    return text;
}

std::string MemoryWriteCommand(std::uint16_t address, std::span<const std::uint8_t> bytes) {
    char head[16];
    std::snprintf(head, sizeof head, "%04X", static_cast<unsigned>(address));
    std::string command = std::string(MemoryWritePrefix) + head;
    for (std::uint8_t byte : bytes) {
        command += HexDigits[byte >> 4];
        command += HexDigits[byte & 0x0F];
    }
    return command;
}

std::string RegisterQuery(int channel) {
    return ChannelCommand(RegisterQueryPrefix, channel);
}
std::string PowerQuery(int channel) {
    return ChannelCommand(PowerQueryPrefix, channel);
}
std::string MerQuery(int channel) {
    return ChannelCommand(MerQueryPrefix, channel);
}
std::string BerQuery(int channel) {
    return ChannelCommand(BerQueryPrefix, channel);
}

std::optional<std::string> ReadModelName(std::string_view reply) {
    const std::size_t star = reply.find('*');
    if (star == std::string_view::npos)
        return std::nullopt;
    // The "*" and the character after it (the "N" of "*NAM") are not part of the name.
    std::size_t at = star + 2;
    if (at >= reply.size())
        return std::string();
    if (reply[at] == 'A')
        ++at;
    if (at < reply.size() && reply[at] == 'M')
        ++at;
    while (at < reply.size() && reply[at] == ' ')
        ++at;
    std::string name;
    while (at < reply.size() && reply[at] != ' ' && name.size() < ModelNameLength)
        name += static_cast<char>(std::toupper(static_cast<unsigned char>(reply[at++])));
    return name;
}

std::optional<float> ReadVersion(std::string_view reply) {
    const std::size_t digit = reply.find_first_of("0123456789");
    if (digit == std::string_view::npos)
        return std::nullopt;
    float version = 0.0f;
    // from_chars ignores the locale: a version is written with a full stop everywhere.
    std::from_chars(reply.data() + digit, reply.data() + reply.size(), version,
                    std::chars_format::fixed);
    return version;
}

int BlockDataDigits(std::uint16_t address) {
    if (address == MemoryMap::ConfigurationAddress)
        return MemoryMap::ConfigurationDataDigits;
    if (address < MemoryMap::MessageEnd && address % MemoryMap::MessageStride == 0)
        return MemoryMap::MessageDataDigits;
    if (address >= MemoryMap::PointBase &&
        address < MemoryMap::PointAddress(MemoryMap::PointCount) &&
        (address - MemoryMap::PointBase) % MemoryMap::PointStride == 0)
        return MemoryMap::PointDataDigits;
    return 0;
}

std::optional<std::string_view> ReadBlockData(std::uint16_t address, std::string_view reply) {
    const int needed = BlockDataDigits(address);
    if (needed == 0 || reply.size() < BlockReplyHeaderLength)
        return std::nullopt;
    std::string_view data = reply.substr(BlockReplyHeaderLength);
    if (data.size() < static_cast<std::size_t>(needed))
        return std::nullopt;
    return data;
}

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::uint16_t HexDigitsValue(std::string_view text, int count) {
    if (count > 4)
        count = 4;
    std::uint16_t value = 0;
    for (int i = 0; i < count && i < static_cast<int>(text.size()); ++i) {
        const int digit = HexDigitValue(text[i]);
        if (digit < 0)
            break;
        value = static_cast<std::uint16_t>(value * 16 + digit);
    }
    return value;
}

RegisterReading ReadRegisterReply(std::string_view reply) {
    RegisterReading reading;
    reading.Active = Positions(reply, 7, 2) == "01";
    reading.Frequency = std::string(Positions(reply, 9, 9));
    return reading;
}

StatusMasks ReadStatusReply(std::string_view reply) {
    StatusMasks masks;
    masks.Active = HexDigitsValue(Positions(reply, 7, 2), 2);
    masks.Alarm = HexDigitsValue(Positions(reply, 9, 2), 2);
    masks.Warning = HexDigitsValue(Positions(reply, 11, 2), 2);
    return masks;
}

std::optional<double> ReadPowerReply(std::string_view reply) {
    std::string number;
    for (char c : Positions(reply, 5, 8)) {
        if (c == CR || c == LF)
            break;
        if (c != '.')
            number += c;
    }
    // Read as scanf's "%f" would: leading blanks and a sign are allowed.
    std::size_t at = number.find_first_not_of(" \t");
    if (at == std::string::npos)
        return std::nullopt;
    if (number[at] == '+')
        ++at;
    float value = 0.0f;
    const auto [end, error] = std::from_chars(number.data() + at, number.data() + number.size(),
                                              value, std::chars_format::general);
    if (error != std::errc())
        return std::nullopt;
    return (value - 10700) * 0.01;
}

std::string FormatPower(double dBm) {
    char text[32];
    const auto [end, error] =
        std::to_chars(text, text + sizeof text, dBm, std::chars_format::fixed, 2);
    if (error != std::errc())
        return {};
    std::string formatted(text, end);
    if (formatted.size() < 5)
        formatted.insert(0, 5 - formatted.size(), ' ');
    return formatted;
}

std::string_view ReadMeasurementText(std::string_view reply) {
    if (reply.size() < 5)
        return {};
    return reply.substr(4);
}

} // namespace Protocol
