// Tests of the printout's arithmetic: line height, last slot, lines per page, page breaks.
#include "tools/editor/printpagination.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct LineHeightCase {
    const char* Name;
    double Points;
    int DotsPerInch;
    int Expected;
};

class LineHeightTest : public ::testing::TestWithParam<LineHeightCase> {};

TEST_P(LineHeightTest, RoundsTheFontHeightThenCutsOneAndAHalfTimesIt) {
    EXPECT_EQ(PrintPagination::LineHeight(GetParam().Points, GetParam().DotsPerInch),
              GetParam().Expected);
}

// 8 pt at 1200 dpi: 133.33 -> 133, x 1.4 = 186.2 -> 186.
// 8 pt at 600 dpi: 66.67 -> 67, x 1.4 = 93.8 -> 93.
// 8 pt at 300 dpi: 33.33 -> 33, x 1.4 = 46.2 -> 46.
// 10 pt at 72 dpi: 10, x 1.4 = 14.
// 9 pt at 96 dpi: 12, x 1.4 = 16.8 -> 16.
INSTANTIATE_TEST_SUITE_P(Cases, LineHeightTest,
                         ::testing::Values(LineHeightCase{"EightPointAt1200", 8, 1200, 186},
                                           LineHeightCase{"EightPointAt600RoundsUp", 8, 600, 93},
                                           LineHeightCase{"EightPointAt300", 8, 300, 46},
                                           LineHeightCase{"TenPointAt72", 10, 72, 14},
                                           LineHeightCase{"NinePointAt96", 9, 96, 16}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(PrintPaginationTest, LastSlotLeavesFourSlotsForTheFooter) {
    // Letter at 1200 dpi: 13200 units high; 13200 / 186 = 70, minus 4.
    const PrintPagination letter(13200, 186);
    EXPECT_EQ(letter.LastSlot(), 66);
    EXPECT_EQ(letter.FirstPageLines(), 62);
    EXPECT_EQ(letter.LaterPageLines(), 63);

    // 1000 / 46 = 21, minus 4.
    const PrintPagination small(1000, 46);
    EXPECT_EQ(small.LastSlot(), 17);
    EXPECT_EQ(small.FirstPageLines(), 13);
    EXPECT_EQ(small.LaterPageLines(), 14);
}

TEST(PrintPaginationTest, PageCountFillsTheFirstPageThenLaterOnes) {
    const PrintPagination pages(1000, 46); // 13 lines, then 14 per page
    EXPECT_EQ(pages.PageCount(0), 1);
    EXPECT_EQ(pages.PageCount(1), 1);
    EXPECT_EQ(pages.PageCount(13), 1);
    EXPECT_EQ(pages.PageCount(14), 2);
    EXPECT_EQ(pages.PageCount(27), 2);
    EXPECT_EQ(pages.PageCount(28), 3);
    const PrintPagination letter(13200, 186); // 62, then 63 per page
    EXPECT_EQ(letter.PageCount(200), 4);
}

TEST(PrintPaginationTest, AdvanceWalksSlotsFiveToLastOnPageOneThenFourToLast) {
    const PrintPagination pages(1000, 46); // last slot 17
    int slot = PrintPagination::FirstSlot;
    std::vector<int> slots;
    std::vector<std::size_t> breaks;
    for (std::size_t line = 0; line < 30; ++line) {
        if (pages.Advance(slot))
            breaks.push_back(line);
        slots.push_back(slot);
    }
    EXPECT_EQ(slots.front(), 5);
    EXPECT_EQ(slots[12], 17);
    EXPECT_EQ(slots[13], 4);
    EXPECT_EQ(slots[26], 17);
    EXPECT_EQ(slots[27], 4);
    EXPECT_EQ(breaks, (std::vector<std::size_t>{13, 27}));
}

TEST(PrintPaginationTest, PageTooShortForHeaderAndFooterStillTakesOneLine) {
    // 300 / 46 = 6, minus 4 leaves slot 2, above the first line's slot.
    const PrintPagination pages(300, 46);
    EXPECT_EQ(pages.LastSlot(), 5);
    EXPECT_EQ(pages.FirstPageLines(), 1);
    EXPECT_EQ(pages.PageCount(3), 2);
}

} // namespace
