// Tests of the code page 437 tables against the published code page.
#include "tools/terminal/cp437.h"

#include <gtest/gtest.h>

namespace {

TEST(Cp437, FrameCharactersAreTheDoubleLineBoxDrawings) {
    struct Case {
        std::uint8_t Byte;
        char32_t Unicode;
    };
    const Case cases[] = {
        {0xC9, U'\u2554'}, {0xCD, U'\u2550'}, {0xBB, U'\u2557'}, {0xBA, U'\u2551'},
        {0xC8, U'\u255A'}, {0xBC, U'\u255D'}, {0xC4, U'\u2500'}, {0xB3, U'\u2502'},
        {0xDA, U'\u250C'}, {0xDB, U'\u2588'}, {0xB0, U'\u2591'}, {0x82, U'\u00E9'},
        {0xE1, U'\u00DF'}, {0xFE, U'\u25A0'}, {0xFF, U'\u00A0'}, {0x9C, U'\u00A3'},
        {0x01, U'\u263A'}, {0x7F, U'\u2302'}, {0x41, U'A'},      {0x00, U' '},
    };
    for (const Case& test : cases)
        EXPECT_EQ(Cp437ToUnicode(test.Byte), test.Unicode) << int(test.Byte);
}

TEST(Cp437, TypedCharactersMapBackToTheirBytes) {
    EXPECT_EQ(UnicodeToCp437(U'a'), 0x61);
    EXPECT_EQ(UnicodeToCp437(U'\r'), 0x0D);
    EXPECT_EQ(UnicodeToCp437(U'\x03'), 0x03);
    EXPECT_EQ(UnicodeToCp437(U'\u00E9'), 0x82);         // e acute
    EXPECT_EQ(UnicodeToCp437(U'\u00FC'), 0x81);         // u umlaut
    EXPECT_EQ(UnicodeToCp437(U'\u00A3'), 0x9C);         // pound sign
    EXPECT_EQ(UnicodeToCp437(U'\u20AC'), std::nullopt); // euro sign: not in the code page
}

} // namespace
