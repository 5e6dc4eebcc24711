// Tests of the memory map: which address holds which block, with how many data digits.
#include "profile/memorymap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

namespace {

using MemoryMap::BlockKind;

struct LocationRow {
    const char* Behaviour;
    std::uint16_t Address;
    std::optional<BlockKind> Kind; // none: no block starts there
    int Index;
    int DataDigits;
    int ReadLength;
};

class BlockLocations : public ::testing::TestWithParam<LocationRow> {};

TEST_P(BlockLocations, FollowTheMap) {
    const LocationRow& row = GetParam();
    const std::optional<MemoryMap::Block> block = MemoryMap::LocateBlock(row.Address);
    ASSERT_EQ(block.has_value(), row.Kind.has_value());
    if (!block)
        return;
    EXPECT_EQ(block->Kind, *row.Kind);
    EXPECT_EQ(block->Index, row.Index);
    EXPECT_EQ(block->DataDigits, row.DataDigits);
    EXPECT_EQ(block->ReadLength, row.ReadLength);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, BlockLocations,
    ::testing::Values(LocationRow{"Configuration", 0x1F00, BlockKind::Configuration, 0, 24, 12},
                      LocationRow{"FirstMessage", 0x0000, BlockKind::Message, 0, 32, 16},
                      LocationRow{"LastMessage", 0x01F0, BlockKind::Message, 31, 32, 16},
                      LocationRow{"FirstPoint", 0x0400, BlockKind::Point, 0, 16, 32},
                      LocationRow{"LastPoint", 0x04A0, BlockKind::Point, 5, 16, 32},
                      LocationRow{"NotOnAMessageBoundary", 0x0008, std::nullopt, 0, 0, 0},
                      LocationRow{"PastTheThirtyTwoMessages", 0x0200, std::nullopt, 0, 0, 0},
                      LocationRow{"NotOnAPointBoundary", 0x0410, std::nullopt, 0, 0, 0},
                      LocationRow{"PastTheSixPoints", 0x04C0, std::nullopt, 0, 0, 0},
                      LocationRow{"JustAfterTheConfiguration", 0x1F01, std::nullopt, 0, 0, 0},
                      LocationRow{"HighestAddress", 0xFFFF, std::nullopt, 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.Behaviour); });

TEST(MemoryMap, TheFrequencyLimitIsTheLargestWholeKilohertzOfThirtyTwoBitsOfHertz) {
    // 4 294 967 295 Hz is the largest 32-bit value.
    EXPECT_EQ(MemoryMap::MaxFrequencyKHz, 4294967u);
}

} // namespace
