// Tests of the hexadecimal field helpers.
#include "profile/hexfields.h"

#include <gtest/gtest.h>

#include <string>

using namespace std::string_literals;

struct LeadingHexRow {
    const char* Text;
    std::uint32_t Value;
};

TEST(HexFields, LeadingHexValueReadsUpToTheFirstNonHexCharacter) {
    const LeadingHexRow rows[] = {
        {"", 0},
        {"G", 0},
        {"1C00", 0x1C00},
        {"1c0g", 0x1C0},
        {"fF", 0xFF},
        {" 1", 0},
        {"+1", 0},
        {"0x10", 0},
        {"E8030000", 0xE8030000},
        {"FFFFFFFFFF", 0xFFFFFFFF},
        {"9\xC0", 9},
    };
    for (const LeadingHexRow& row : rows) {
        EXPECT_EQ(HexFields::LeadingHexValue(row.Text), row.Value) << '"' << row.Text << '"';
    }
    EXPECT_EQ(HexFields::LeadingHexValue("4\0"
                                         "5"s),
              4u);
}

TEST(HexFields, FieldValueReadsOnlyItsPositions) {
    EXPECT_EQ(HexFields::FieldValue("1C001600", 0, 4), 0x1C00u);
    EXPECT_EQ(HexFields::FieldValue("1C001600", 4, 4), 0x1600u);
    EXPECT_EQ(HexFields::FieldValue("1C001600", 2, 2), 0x00u);
    EXPECT_EQ(HexFields::FieldValue("1C001600", 6, 4), 0x00u);
    EXPECT_EQ(HexFields::FieldValue("1C001600", 7, 4), 0x0u);
    EXPECT_EQ(HexFields::FieldValue("1C001601", 7, 4), 0x1u);
    EXPECT_EQ(HexFields::FieldValue("1C00", 8, 4), 0u);
}

TEST(HexFields, ByteOrderHelpersSwapLowByteFirst) {
    EXPECT_EQ(HexFields::SwapBytes16(0x1C00), 0x001C);
    EXPECT_EQ(HexFields::SwapBytes16(0x001C), 0x1C00);
    EXPECT_EQ(HexFields::SwapBytes16(0x1C0), 0xC001);
    EXPECT_EQ(HexFields::ReverseBytes32(0xE8030000u), 1000u);
    EXPECT_EQ(HexFields::ReverseBytes32(650000000u), 0x8036BE26u);
}

TEST(HexFields, UpperCasingTouchesOnlyAsciiLetters) {
    EXPECT_EQ(HexFields::ToUpperAscii('a'), 'A');
    EXPECT_EQ(HexFields::ToUpperAscii('z'), 'Z');
    EXPECT_EQ(HexFields::ToUpperAscii('A'), 'A');
    EXPECT_EQ(HexFields::ToUpperAscii('*'), '*');
    EXPECT_EQ(HexFields::ToUpperAscii('\xE9'), '\xE9');
    EXPECT_EQ(HexFields::ToUpperAscii('\0'), '\0');
}
