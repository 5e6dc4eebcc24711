// Where the unit keeps each block of a profile, and how long each block is.
#pragma once

#include <cstdint>

namespace MemoryMap {

inline constexpr int MessageCount = 32;
inline constexpr int PointCount = 6;

// Text message k lives at 16 x k; the unit reads and writes it as 16 bytes.
inline constexpr std::uint16_t MessageBase = 0x0000;
inline constexpr std::uint16_t MessageStride = 16;
inline constexpr std::uint16_t MessageEnd = 0x0200;
inline constexpr int MessageReadLength = 16;
inline constexpr int MessageDataDigits = 32;

// Detection point d lives at 0400 + 32 x d; only its first 8 of 32 bytes are used.
inline constexpr std::uint16_t PointBase = 0x0400;
inline constexpr std::uint16_t PointStride = 32;
inline constexpr int PointReadLength = 32;
inline constexpr int PointDataDigits = 16;

// The configuration thresholds: 12 bytes at 1F00.
inline constexpr std::uint16_t ConfigurationAddress = 0x1F00;
inline constexpr int ConfigurationReadLength = 12;
inline constexpr int ConfigurationDataDigits = 24;

constexpr std::uint16_t MessageAddress(int slot) {
    return static_cast<std::uint16_t>(MessageBase + MessageStride * slot);
}
constexpr std::uint16_t PointAddress(int point) {
    return static_cast<std::uint16_t>(PointBase + PointStride * point);
}

} // namespace MemoryMap
