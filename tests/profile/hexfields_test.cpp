// Tests of the hexadecimal field helpers.
#include "profile/hexfields.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <utility>

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

TEST(HexFields, HexDigitValueIsTheDigitsValueInEitherCaseAndMinusOneForAnythingElse) {
    const std::pair<char, int> cases[] = {
        {'0', 0},  {'9', 9},  {'A', 10}, {'F', 15}, {'a', 10}, {'f', 15},  {'G', -1},   {'g', -1},
        {'/', -1}, {':', -1}, {'@', -1}, {'`', -1}, {' ', -1}, {'\0', -1}, {'\xC1', -1}};
    for (const auto& [digit, value] : cases)
        EXPECT_EQ(HexFields::HexDigitValue(digit), value) << "digit " << static_cast<int>(digit);
}

TEST(HexFields, LeadingHexValueReadsNoMoreThanItIsAllowed) {
    EXPECT_EQ(HexFields::LeadingHexValue("3F7", 2), 0x3Fu);
    EXPECT_EQ(HexFields::LeadingHexValue("123456", 4), 0x1234u);
    EXPECT_EQ(HexFields::LeadingHexValue("7", 2), 7u);
    EXPECT_EQ(HexFields::LeadingHexValue("FF", 0), 0u);
}

struct ParseHexRow {
    const char* Text;
    bool Ok;
    std::uint32_t Value;
};

TEST(HexFields, ParseHexTakesOnlyTextsThatAreAllHexDigits) {
    const ParseHexRow rows[] = {
        {"1F00", true, 0x1F00}, {"00c", true, 0x00C},    {"FFFFFFFF", true, 0xFFFFFFFF},
        {"", false, 0},         {"1F0G", false, 0},      {" 1", false, 0},
        {"+1", false, 0},       {"123456789", false, 0}, {"0x1", false, 0},
    };
    for (const ParseHexRow& row : rows) {
        std::uint32_t value = 0;
        EXPECT_EQ(HexFields::ParseHex(row.Text, value), row.Ok) << '"' << row.Text << '"';
        if (row.Ok) {
            EXPECT_EQ(value, row.Value) << '"' << row.Text << '"';
        }
    }
}

TEST(HexFields, WritingGivesUpperCaseDigitsMostSignificantFirst) {
    std::string text;
    HexFields::AppendHex(text, 0x1F00, 4);
    HexFields::AppendHex(text, 0x00C, 3);
    HexFields::AppendHex(text, 0xABCDEF12, 8);
    HexFields::AppendHex(text, 0x1234, 2); // only the lowest digits
    EXPECT_EQ(text, "1F0000CABCDEF1234");
    const std::array<std::uint8_t, 4> bytes = {0x00, 0x0A, 0xB0, 0xFF};
    std::string hex = "*";
    HexFields::AppendHexBytes(hex, bytes);
    EXPECT_EQ(hex, "*000AB0FF");
}
