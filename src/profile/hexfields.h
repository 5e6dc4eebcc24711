// The unit's hexadecimal texts, ASCII only: the one reader and the one writer of hex digits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace HexFields {

// A 32-bit value has eight hex digits; more could only overflow.
inline constexpr std::size_t MaxDigits = 8;

// The value of one hex digit in either case; -1 for every other byte, including those
// above 127.
constexpr int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

constexpr bool IsHexDigit(char c) {
    return HexDigitValue(c) >= 0;
}

// Upper-cases ASCII letters only, so the result never depends on the process locale.
constexpr char ToUpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The value of the leading hex digits of `text`, reading at most `maxDigits` of them (never
// more than eight); 0 when `text` does not begin with a hex digit.
std::uint32_t LeadingHexValue(std::string_view text, std::size_t maxDigits = MaxDigits);

// The value of `text` when all of it is one to eight hex digits; false otherwise.
bool ParseHex(std::string_view text, std::uint32_t& value);

// The value of the field of `digits` characters at `position` of `data`, read from its
// leading hex digits. Characters outside `data` count as non-hex, so a field that runs past
// the end gives the value of what is there.
std::uint32_t FieldValue(std::string_view data, std::size_t position, std::size_t digits);

// Appends the lowest `digits` hex digits of `value`, upper case, most significant first.
void AppendHex(std::string& text, std::uint32_t value, std::size_t digits);
// Appends two upper-case hex digits per byte, in order.
void AppendHexBytes(std::string& text, std::span<const std::uint8_t> bytes);

// The unit keeps numbers low byte first; these turn a field read as written into its value
// and back.
constexpr std::uint16_t SwapBytes16(std::uint32_t value) {
    return static_cast<std::uint16_t>(((value & 0x00FFu) << 8) | ((value >> 8) & 0x00FFu));
}
constexpr std::uint32_t ReverseBytes32(std::uint32_t value) {
    return ((value & 0x000000FFu) << 24) | ((value & 0x0000FF00u) << 8) |
           ((value & 0x00FF0000u) >> 8) | ((value & 0xFF000000u) >> 24);
}

} // namespace HexFields
