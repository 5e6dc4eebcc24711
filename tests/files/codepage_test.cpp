// The single-byte code page of PRO files, RIVAN.LOG and the unit's replies.
#include "files/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct CodePageCase {
    const char* Name;
    std::string Bytes;
    QString Text;
};

class CodePageTest : public ::testing::TestWithParam<CodePageCase> {};

TEST_P(CodePageTest, DecodesAndEncodesByteForByte) {
    const CodePageCase& c = GetParam();
    EXPECT_EQ(FromCodePage(c.Bytes), c.Text);
    EXPECT_EQ(ToCodePage(c.Text), c.Bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, CodePageTest,
    ::testing::Values(
        CodePageCase{"PlainAscii", "send *I22A01F0", QStringLiteral("send *I22A01F0")},
        CodePageCase{"LatinSmallEWithAcute", "# caf\xE9", QStringLiteral(u"# caf\u00E9")},
        CodePageCase{"DegreeSign", "45\xB0", QStringLiteral(u"45\u00B0")},
        CodePageCase{"EuroSign", "\x80", QStringLiteral(u"\u20AC")},
        CodePageCase{"QuotesAndDashes", "\x93x\x94\x96\x97\x85",
                     QStringLiteral(u"\u201Cx\u201D\u2013\u2014\u2026")},
        CodePageCase{"TradeMarkAndYDiaeresis", "\x99\x9F", QStringLiteral(u"\u2122\u0178")},
        // Five bytes have no character of their own: they stand for the control character
        // of the same number, so that they come back unchanged.
        CodePageCase{"BytesWithoutACharacter", "\x81\x8D\x8F\x90\x9D",
                     QStringLiteral(u"\u0081\u008D\u008F\u0090\u009D")},
        CodePageCase{"NoBreakSpaceAndYDiaeresisSmall", "\xA0\xFF",
                     QStringLiteral(u"\u00A0\u00FF")}),
    [](const ::testing::TestParamInfo<CodePageCase>& info) {
        return std::string(info.param.Name);
    });

TEST(CodePage, EveryByteComesBackUnchanged) {
    std::string all;
    for (int byte = 0; byte < 256; ++byte)
        all += static_cast<char>(byte);
    const QString text = FromCodePage(all);
    EXPECT_EQ(text.size(), 256);
    EXPECT_FALSE(text.contains(QChar(0xFFFD)));
    EXPECT_EQ(ToCodePage(text), all);
}

TEST(CodePage, CharactersWithoutAByteBecomeQuestionMarks) {
    // U+0080 has no byte: 0x80 is the euro sign. A character beyond the BMP counts once.
    EXPECT_EQ(ToCodePage(QStringLiteral(u"\u0080|\u0141|\u4E2D|\U0001F600|ok")), "?|?|?|?|ok");
}

} // namespace
