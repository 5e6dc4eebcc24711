// The unit's memory commands: reading a block and writing one, as they go on the wire and
// as PRO files carry them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace MemoryCommands {

inline constexpr std::string_view ReadPrefix = "*?I22A0";
inline constexpr std::string_view WritePrefix = "*I22A0";
// The block address follows either prefix as four hex digits.
inline constexpr std::size_t AddressDigits = 4;
// The read length follows the address as three hex digits.
inline constexpr std::size_t LengthDigits = 3;
inline constexpr int MaxReadLength = 0xFFF;

// "*?I22A0" with the address as four and the length as three upper-case hex digits.
std::string Read(std::uint16_t address, int length);
// "*I22A0" with the address as four hex digits, then two upper-case hex digits per byte.
std::string Write(std::uint16_t address, std::span<const std::uint8_t> bytes);

// One memory block carried by a write command.
struct WrittenBlock {
    std::uint16_t Address = 0;
    std::string_view Data; // a view into the command
};

// Splits a write command ("*I22A0" + address + data) into its block address and data. The
// address is read from the leading hex digits of the four characters after the prefix (none
// gives 0); the data is everything after those four characters.
WrittenBlock DecodeWrite(std::string_view command);

} // namespace MemoryCommands
