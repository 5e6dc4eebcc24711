// The offline check of a PRO file, line by line.
#include "profile/scriptcheck.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct CheckCase {
    const char* Name;
    const char* Line;
    LineVerdict Verdict;
    const char* Text;
};

class CheckScriptTest : public ::testing::TestWithParam<CheckCase> {};

TEST_P(CheckScriptTest, SaysWhatALineDoes) {
    const std::vector<LineCheck> checks = CheckScript({GetParam().Line});
    ASSERT_EQ(checks.size(), 1u);
    EXPECT_EQ(checks[0].Number, 1);
    EXPECT_EQ(checks[0].Verdict, GetParam().Verdict);
    EXPECT_EQ(checks[0].Text, GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CheckScriptTest,
    ::testing::Values(
        CheckCase{"Blank", " \t", LineVerdict::Blank, "blank"},
        CheckCase{"IndentedComment", "\t# Configuration data:", LineVerdict::Comment, "comment"},
        CheckCase{"OtherCommand", "wait 100", LineVerdict::Ignored, "ignored"},
        CheckCase{"SendFoo", "SEND FOO", LineVerdict::Ignored, "ignored"},
        CheckCase{"Configuration", "send *I22A01F001C001600E803000010270000", LineVerdict::Applied,
                  "data block applied to configuration"},
        CheckCase{"PointInParentheses", "send(*i22a004a005008036be26463c)", LineVerdict::Applied,
                  "data block applied to point 6"},
        CheckCase{"MessageSlot21", "send *I22A0015048454C4C4F2020202020202020202020",
                  LineVerdict::Applied, "data block applied to message 21"},
        CheckCase{"MisalignedPoint", "send *I22A0041000008036BE26463C", LineVerdict::Skipped,
                  "data block skipped: address 0410 is no block of the unit's memory"},
        CheckCase{"ShortConfiguration", "send *I22A01F001C001600E80300001027000",
                  LineVerdict::Skipped,
                  "data block skipped: configuration needs 24 data digits, the line has 23"},
        CheckCase{"LoneSend", "send", LineVerdict::Malformed,
                  "malformed: \"send\" without a data block, reading stops here"},
        CheckCase{"SendOfAComment", "send #1", LineVerdict::Malformed,
                  "malformed: \"send\" without a data block, reading stops here"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(CheckScript, LinesAfterAMalformedOneAreNotRead) {
    const std::vector<LineCheck> checks =
        CheckScript({"# x", "send", "send *I22A01F001C001600E803000010270000", ""});
    ASSERT_EQ(checks.size(), 4u);
    EXPECT_TRUE(checks[1].Problem());
    EXPECT_EQ(checks[2].Verdict, LineVerdict::NotRead);
    EXPECT_EQ(checks[3].Verdict, LineVerdict::NotRead);
    EXPECT_EQ(checks[3].Number, 4);
    EXPECT_FALSE(checks[2].Problem());
}

} // namespace
