// Tests of the program's version resource on Windows: this executable carries
// resources/rivan.rc, and reads its own version block back through the system's version
// block source, as the about box does with the program's.
#include "profile/programidentity.h"
#include "tools/about/versionblocksource.h"
#include "tools/about/versioninfo.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string OwnFileName() {
    std::array<char, MAX_PATH> path{};
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), path.size());
    return std::string(path.data(), length);
}

class VersionResourceTest : public testing::Test {
protected:
    std::string fileName_ = OwnFileName();
    std::unique_ptr<VersionBlockSource> source_ = MakeSystemVersionBlockSource();
};

TEST_F(VersionResourceTest, TheAboutBoxReaderFindsProductVersionNameAndCopyright) {
    ASSERT_FALSE(fileName_.empty());
    VersionInfo info(*source_, fileName_);

    ASSERT_TRUE(info.HasData());
    EXPECT_EQ(info.Translation(), 0x040904E4u); // US English, Western code page
    EXPECT_EQ(info.ProductName(), "RIVAN");
    EXPECT_EQ(info.ProductVersion(), "1.0.7.1");
    // The resource carries the same line as the log and the PRO file header.
    EXPECT_EQ(info.LegalCopyright(), std::string_view(CopyrightLine));
}

TEST_F(VersionResourceTest, TheFileVersionIsOneZeroSevenTen) {
    const std::uint32_t size = source_->InfoSize(fileName_);
    ASSERT_GT(size, 0u);
    std::vector<std::byte> block(size);
    ASSERT_TRUE(source_->ReadInfo(fileName_, block));

    const auto text = source_->Query(block, "\\StringFileInfo\\040904e4\\FileVersion");
    ASSERT_TRUE(text);
    EXPECT_STREQ(reinterpret_cast<const char*>(text->data()), "1.0.7.10");

    // The fixed part: file and product version both 1.0.7.10, two 16-bit numbers per
    // 32-bit half, the higher first.
    const auto fixed = source_->Query(block, "\\");
    ASSERT_TRUE(fixed);
    ASSERT_GE(fixed->size(), sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO info;
    std::memcpy(&info, fixed->data(), sizeof info);
    EXPECT_EQ(info.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(info.dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(info.dwFileVersionLS, 0x0007000Au);
    EXPECT_EQ(info.dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(info.dwProductVersionLS, 0x0007000Au);
}

TEST_F(VersionResourceTest, AFileWithoutResourceLeavesTheBuiltInTexts) {
    VersionInfo info(*source_, fileName_ + ".missing");

    EXPECT_FALSE(info.HasData());
    EXPECT_FALSE(info.ProductVersion());
}

// The about box names the program by its title, which the version API alone never finds.
TEST(SystemVersionBlockSource, TheProgramTitleReadsTheRunningProgramsOwnBlock) {
    const auto source = MakeSystemVersionBlockSource("RIVAN");
    VersionInfo info(*source, "RIVAN");

    ASSERT_TRUE(info.HasData());
    EXPECT_EQ(info.ProductName(), "RIVAN");
    EXPECT_EQ(info.ProductVersion(), "1.0.7.1");
}

TEST(SystemVersionBlockSource, OtherNamesAndAnUnnamedProgramAreLookedUpAsGiven) {
    const auto titled = MakeSystemVersionBlockSource("RIVAN");
    EXPECT_EQ(titled->InfoSize("RIVAN control"), 0u);
    EXPECT_EQ(titled->InfoSize("rivan"), 0u);
    EXPECT_GT(titled->InfoSize(OwnFileName()), 0u);

    const auto untitled = MakeSystemVersionBlockSource();
    EXPECT_EQ(untitled->InfoSize("RIVAN"), 0u);
    EXPECT_FALSE(VersionInfo(*untitled, "RIVAN").HasData());
}

} // namespace
