// Reading and writing the unit's hexadecimal memory-block fields, ASCII only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace HexFields {

// True for 0-9, A-F and a-f; every other byte, including those above 127, is no hex digit.
constexpr bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// The value of one hex digit; the caller has checked it with IsHexDigit.
constexpr std::uint32_t HexDigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<std::uint32_t>(c - '0');
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<std::uint32_t>(c - 'a' + 10);
    }
    return static_cast<std::uint32_t>(c - 'A' + 10);
}

// Upper-cases ASCII letters only, so the result never depends on the process locale.
constexpr char ToUpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The value of the leading hex digits of `text` (at most eight are read); 0 when `text`
// does not begin with a hex digit.
std::uint32_t LeadingHexValue(std::string_view text);

// The value of the field of `digits` characters at `position` of `data`, read from its
// leading hex digits. Characters outside `data` count as non-hex, so a field that runs past
// the end gives the value of what is there.
std::uint32_t FieldValue(std::string_view data, std::size_t position, std::size_t digits);

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
