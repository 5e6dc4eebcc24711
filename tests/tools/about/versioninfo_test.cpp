// Tests of the version block reader: the translation swap, the string-table path and every
// way the lookup finds nothing.
#include "memoryversionblocksource.h"
#include "tools/about/versioninfo.h"

#include <gtest/gtest.h>

namespace {

const std::string UsEnglishWestern = "\\StringFileInfo\\040904e4\\";

TEST(VersionInfoTest, StringPathIsEightLowerCaseHexDigitsThenTheKey) {
    EXPECT_EQ(VersionInfo::StringPath(0x040904E4, "ProductName"),
              "\\StringFileInfo\\040904e4\\ProductName");
    EXPECT_EQ(VersionInfo::StringPath(0x000004B0, "LegalCopyright"),
              "\\StringFileInfo\\000004b0\\LegalCopyright");
}

TEST(VersionInfoTest, TranslationIsSwappedInPlaceSoLanguageComesFirst) {
    MemoryVersionBlockSource source;
    source.AddTranslation(0x0409, 0x04E4);
    source.AddString(UsEnglishWestern + "ProductName", "RIVAN control");
    source.AddString(UsEnglishWestern + "ProductVersion", "1.0.7.1");
    source.AddString(UsEnglishWestern + "LegalCopyright", "(c) Qelvar");

    VersionInfo info(source, "RIVAN");

    ASSERT_TRUE(info.HasData());
    EXPECT_EQ(info.Translation(), 0x040904E4u);
    EXPECT_EQ(info.ProductName(), "RIVAN control");
    EXPECT_EQ(info.ProductVersion(), "1.0.7.1");
    EXPECT_EQ(info.LegalCopyright(), "(c) Qelvar");
    EXPECT_EQ(source.FileNames, std::vector<std::string>{"RIVAN"});
    EXPECT_EQ(source.Queries, (std::vector<std::string>{
                                  "\\VarFileInfo\\Translation",
                                  "\\StringFileInfo\\040904e4\\ProductName",
                                  "\\StringFileInfo\\040904e4\\ProductVersion",
                                  "\\StringFileInfo\\040904e4\\LegalCopyright",
                              }));
}

TEST(VersionInfoTest, OtherTranslationLooksInItsOwnStringTable) {
    MemoryVersionBlockSource source;
    source.AddTranslation(0x0407, 0x04B0); // German, Unicode
    source.AddString(UsEnglishWestern + "ProductName", "wrong table");
    source.AddString("\\StringFileInfo\\040704b0\\ProductName", "RIVAN Steuerung");

    VersionInfo info(source, "RIVAN");

    EXPECT_EQ(info.ProductName(), "RIVAN Steuerung");
    EXPECT_FALSE(info.ProductVersion());
}

TEST(VersionInfoTest, MissingStringIsNotFound) {
    MemoryVersionBlockSource source;
    source.AddTranslation(0x0409, 0x04E4);
    source.AddString(UsEnglishWestern + "ProductVersion", "1.0.7.1");

    VersionInfo info(source, "RIVAN");

    EXPECT_FALSE(info.ProductName());
    EXPECT_EQ(info.ProductVersion(), "1.0.7.1");
    EXPECT_FALSE(info.LegalCopyright());
}

TEST(VersionInfoTest, StringWithoutTerminatorEndsWithItsValue) {
    MemoryVersionBlockSource source;
    source.AddTranslation(0x0409, 0x04E4);
    source.AddBytes(UsEnglishWestern + "ProductName",
                    {std::byte{'R'}, std::byte{'V'}, std::byte{'N'}});
    source.AddString(UsEnglishWestern + "ProductVersion", "next");

    VersionInfo info(source, "RIVAN");

    EXPECT_EQ(info.ProductName(), "RVN");
}

struct NoDataCase {
    const char* Name;
    void (*Fill)(MemoryVersionBlockSource&);
    bool FailRead;
};

void StringsWithoutTranslation(MemoryVersionBlockSource& source) {
    source.AddString(UsEnglishWestern + "ProductName", "RIVAN control");
    source.AddString(UsEnglishWestern + "ProductVersion", "1.0.7.1");
}

void TranslationAndStrings(MemoryVersionBlockSource& source) {
    source.AddTranslation(0x0409, 0x04E4);
    StringsWithoutTranslation(source);
}

void ShortTranslation(MemoryVersionBlockSource& source) {
    source.AddBytes("\\VarFileInfo\\Translation", {std::byte{0x09}, std::byte{0x04}});
    StringsWithoutTranslation(source);
}

void Nothing(MemoryVersionBlockSource&) {}

class VersionInfoNoDataTest : public ::testing::TestWithParam<NoDataCase> {};

TEST_P(VersionInfoNoDataTest, EveryQueryFindsNothing) {
    MemoryVersionBlockSource source;
    GetParam().Fill(source);
    source.FailRead = GetParam().FailRead;

    VersionInfo info(source, "RIVAN");

    EXPECT_FALSE(info.HasData());
    EXPECT_FALSE(info.ProductName());
    EXPECT_FALSE(info.ProductVersion());
    EXPECT_FALSE(info.LegalCopyright());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VersionInfoNoDataTest,
    ::testing::Values(NoDataCase{"EmptyBlock", Nothing, false},
                      NoDataCase{"ReadFails", TranslationAndStrings, true},
                      NoDataCase{"NoTranslationTable", StringsWithoutTranslation, false},
                      NoDataCase{"TranslationTooShort", ShortTranslation, false}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(VersionInfoTest, NoVersionSourceFindsNothing) {
    NoVersionBlockSource source;
    VersionInfo info(source, "RIVAN");
    EXPECT_FALSE(info.HasData());
    EXPECT_FALSE(info.ProductName());
}

TEST(VersionInfoTest, LongFileNameIsCutTo255Characters) {
    MemoryVersionBlockSource source;
    VersionInfo info(source, std::string(300, 'x'));
    ASSERT_EQ(source.FileNames.size(), 1u);
    EXPECT_EQ(source.FileNames.front(), std::string(255, 'x'));
}

} // namespace
