// The unit's command protocol: handshake bytes, command texts and the readers of replies.
#include "link/protocol.h"

#include "profile/hexfields.h"
#include "profile/memorymap.h"

#include <cassert>
#include <cctype>
#include <charconv>
#include <cstdio>

namespace Protocol {

namespace {

std::string ChannelCommand(std::string_view prefix, int channel) {
    assert(channel >= 0 && channel < MemoryMap::ChannelCount && "the unit has channels 0 to 5");
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

RegisterReading ReadRegisterReply(std::string_view reply) {
    RegisterReading reading;
    reading.Active = Positions(reply, 7, 2) == "01";
    reading.Frequency = std::string(Positions(reply, 9, 9));
    return reading;
}

StatusMasks ReadStatusReply(std::string_view reply) {
    StatusMasks masks;
    masks.Active = static_cast<std::uint16_t>(HexFields::LeadingHexValue(Positions(reply, 7, 2)));
    masks.Alarm = static_cast<std::uint16_t>(HexFields::LeadingHexValue(Positions(reply, 9, 2)));
    masks.Warning = static_cast<std::uint16_t>(HexFields::LeadingHexValue(Positions(reply, 11, 2)));
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
    // Leading blanks and a sign are allowed. The number itself is plain digits: "inf",
    // "nan" or an exponent would give a power no unit can measure and no control can show.
    std::size_t at = number.find_first_not_of(" \t");
    if (at == std::string::npos)
        return std::nullopt;
    const bool negative = number[at] == '-';
    if (negative || number[at] == '+')
        ++at;
    if (at >= number.size() || !std::isdigit(static_cast<unsigned char>(number[at])))
        return std::nullopt;
    float value = 0.0f;
    const auto [end, error] = std::from_chars(number.data() + at, number.data() + number.size(),
                                              value, std::chars_format::fixed);
    if (error != std::errc())
        return std::nullopt;
    if (negative)
        value = -value;
    constexpr float HundredthsPerDb = 100.0f;
    return (value - MemoryMap::PowerOffsetDb * HundredthsPerDb) * 0.01;
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
