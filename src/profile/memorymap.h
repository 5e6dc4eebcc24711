// Where the unit keeps each block of a profile, how long each block is, and which address
// holds which block.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>

namespace MemoryMap {

inline constexpr int MessageCount = 32;
inline constexpr int PointCount = 6;
// The unit measures each detection point on a channel of its own, 0 to 5.
inline constexpr int ChannelCount = PointCount;
// A text message fills the unit's 16-character display.
inline constexpr int MessageLength = 16;

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

// A point's frequency travels in Hz in 32 bits: the highest frequency it can hold, in kHz.
inline constexpr std::uint32_t HzPerKHz = 1000;
inline constexpr std::uint32_t MaxFrequencyKHz =
    std::numeric_limits<std::uint32_t>::max() / HzPerKHz;

// Power thresholds are kept as one byte of dBm + 107 (dB above 1 microvolt); the unit
// reports powers on the same scale.
inline constexpr int PowerOffsetDb = 107;

constexpr std::uint16_t MessageAddress(int slot) {
    return static_cast<std::uint16_t>(MessageBase + MessageStride * slot);
}
constexpr std::uint16_t PointAddress(int point) {
    return static_cast<std::uint16_t>(PointBase + PointStride * point);
}

enum class BlockKind { Message, Point, Configuration };

// One block of the map: what it holds, which one (message slot or point; 0 for the
// configuration), the data digits a write or a read reply of it carries, and the bytes a
// read of it asks for.
struct Block {
    BlockKind Kind = BlockKind::Configuration;
    int Index = 0;
    int DataDigits = 0;
    int ReadLength = 0;
};

// The block that starts at `address`; nothing for an address where no block starts.
constexpr std::optional<Block> LocateBlock(std::uint16_t address) {
    if (address == ConfigurationAddress) {
        return Block{BlockKind::Configuration, 0, ConfigurationDataDigits, ConfigurationReadLength};
    }
    if (address < MessageEnd && (address - MessageBase) % MessageStride == 0) {
        return Block{BlockKind::Message, (address - MessageBase) / MessageStride, MessageDataDigits,
                     MessageReadLength};
    }
    if (address >= PointBase && address < PointAddress(PointCount) &&
        (address - PointBase) % PointStride == 0) {
        return Block{BlockKind::Point, (address - PointBase) / PointStride, PointDataDigits,
                     PointReadLength};
    }
    return std::nullopt;
}

} // namespace MemoryMap
