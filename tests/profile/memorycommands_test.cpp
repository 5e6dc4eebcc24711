// Tests of the unit's memory commands: the read and write texts, and splitting a write
// command back into its block.
#include "profile/memorycommands.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

namespace {

struct ReadCommandCase {
    const char* Behaviour;
    std::uint16_t Address;
    int Length;
    const char* Command;
};

class MemoryReadCommands : public ::testing::TestWithParam<ReadCommandCase> {};

TEST_P(MemoryReadCommands, FormatAddressAndLength) {
    EXPECT_EQ(MemoryCommands::Read(GetParam().Address, GetParam().Length), GetParam().Command);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, MemoryReadCommands,
    ::testing::Values(ReadCommandCase{"Configuration", 0x1F00, 12, "*?I22A01F0000C"},
                      ReadCommandCase{"FirstDetectionPoint", 0x0400, 32, "*?I22A00400020"},
                      ReadCommandCase{"LastTextMessage", 0x01F0, 16, "*?I22A001F0010"},
                      ReadCommandCase{"FirstTextMessage", 0x0000, 16, "*?I22A00000010"}),
    [](const auto& info) { return std::string(info.param.Behaviour); });

TEST(MemoryWriteCommands, WritesAddressThenBytesInUpperCaseHex) {
    // MER 28 and 22 dB, BER 1000 and 10000 units of 1E-08, each low byte first.
    const std::array<std::uint8_t, 12> configuration = {0x1C, 0x00, 0x16, 0x00, 0xE8, 0x03,
                                                        0x00, 0x00, 0x10, 0x27, 0x00, 0x00};
    EXPECT_EQ(MemoryCommands::Write(0x1F00, configuration), "*I22A01F001C001600E803000010270000");
    const std::array<std::uint8_t, 8> point = {0x02, 0x01, 0x80, 0x36, 0xBE, 0x26, 0x46, 0x3C};
    EXPECT_EQ(MemoryCommands::Write(0x0440, point), "*I22A004400201"
                                                    "8036BE26"
                                                    "463C");
}

// ---- Write commands as PRO files carry them
// ---------------------------------------------------------------------------

struct TokenRow {
    const char* Behaviour;
    const char* Token;
    std::uint16_t Address;
    const char* Data;
};

class DecodeWriteTable : public testing::TestWithParam<TokenRow> {};

TEST_P(DecodeWriteTable, SplitsAddressAndData) {
    const MemoryCommands::WrittenBlock block = MemoryCommands::DecodeWrite(GetParam().Token);
    EXPECT_EQ(block.Address, GetParam().Address);
    EXPECT_EQ(block.Data, GetParam().Data);
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, DecodeWriteTable,
    testing::Values(TokenRow{"FullToken", "*I22A01F00ABCD", 0x1F00, "ABCD"},
                    TokenRow{"LowerCaseHexDigits", "*I22A004a0ff", 0x04A0, "ff"},
                    TokenRow{"PrefixOnly", "*I22A0", 0, ""},
                    TokenRow{"ShortAddressWithoutData", "*I22A004", 0x04, ""},
                    TokenRow{"AddressEndsAtNonHex", "*I22A01F0G12", 0x01F0, "12"},
                    TokenRow{"NonHexAddressIsZero", "*I22A0ZZZZ41", 0, "41"}),
    [](const testing::TestParamInfo<TokenRow>& info) { return info.param.Behaviour; });

} // namespace
