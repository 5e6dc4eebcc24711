// Tests of the in-memory console buffer: writing, wrapping, fills, scrolling and cursor.
#include "tools/terminal/console.h"
#include "tools/terminal/consolebuffer.h"

#include <gtest/gtest.h>

namespace {

TEST(ConsoleBuffer, StartsBlankInGreyWithTheCursorHome) {
    ConsoleBuffer buffer(80, 25);
    EXPECT_EQ(buffer.Cursor(), (ConsolePosition{0, 0}));
    EXPECT_EQ(buffer.Attribute(), 0x07);
    EXPECT_EQ(buffer.At(79, 24), (ConsoleCell{' ', 0x07}));
}

TEST(ConsoleBuffer, WritesAtTheCursorInTheCurrentAttribute) {
    ConsoleBuffer buffer(10, 3);
    buffer.SetCursor({2, 1});
    buffer.SetAttribute(0x1F);
    buffer.Write("ab");
    EXPECT_EQ(buffer.At(2, 1), (ConsoleCell{'a', 0x1F}));
    EXPECT_EQ(buffer.At(3, 1), (ConsoleCell{'b', 0x1F}));
    EXPECT_EQ(buffer.At(4, 1), (ConsoleCell{' ', 0x07}));
    EXPECT_EQ(buffer.Cursor(), (ConsolePosition{4, 1}));
}

TEST(ConsoleBuffer, WrapsAfterTheLastColumn) {
    ConsoleBuffer buffer(4, 3);
    buffer.Write("abcd");
    EXPECT_EQ(buffer.Cursor(), (ConsolePosition{0, 1}));
    buffer.Write("e");
    EXPECT_EQ(buffer.RowText(0), "abcd");
    EXPECT_EQ(buffer.RowText(1), "e   ");
}

TEST(ConsoleBuffer, RowCellsHoldOneWholeRowLeftToRight) {
    ConsoleBuffer buffer(4, 3);
    buffer.SetCursor({2, 1});
    buffer.SetAttribute(0x0B);
    buffer.Write("xyz");
    const std::span<const ConsoleCell> middle = buffer.RowCells(1);
    ASSERT_EQ(middle.size(), 4u);
    EXPECT_EQ(middle[0], (ConsoleCell{' ', 0x07}));
    EXPECT_EQ(middle[2], (ConsoleCell{'x', 0x0B}));
    EXPECT_EQ(middle[3], (ConsoleCell{'y', 0x0B}));
    // "z" wrapped to the start of the last row.
    EXPECT_EQ(buffer.RowCells(2)[0], (ConsoleCell{'z', 0x0B}));
    EXPECT_EQ(buffer.RowCells(0)[3], (ConsoleCell{' ', 0x07}));
}

TEST(ConsoleBuffer, ScrollsTheWholeBufferWhenWritingPastTheLastRow) {
    ConsoleBuffer buffer(3, 2);
    buffer.Write("abcdef");
    EXPECT_EQ(buffer.RowText(0), "def");
    EXPECT_EQ(buffer.RowText(1), "   ");
    EXPECT_EQ(buffer.Cursor(), (ConsolePosition{0, 1}));
}

TEST(ConsoleBuffer, ControlBytesMoveTheCursor) {
    struct Case {
        const char* Name;
        std::string Bytes;
        std::string Row0;
        ConsolePosition Cursor;
    };
    const Case cases[] = {
        {"CR returns to column 0", "abc\rX", "Xbc         ", {1, 0}},
        {"LF starts the next row at column 0", "ab\n", "ab          ", {0, 1}},
        {"BS steps back and later bytes overwrite", "ab\bX", "aX          ", {2, 0}},
        {"BS stops at column 0", "\b\bX", "X           ", {1, 0}},
        {"TAB goes to the next multiple of eight", "a\tX", "a       X   ", {9, 0}},
        {"TAB stops in the last column", "a\t\t\tX", "a          X", {0, 1}},
        {"BEL writes nothing", "a\aX", "aX          ", {2, 0}},
        {"other control bytes are stored as glyphs",
         std::string("a\x02\x1B", 3),
         std::string("a\x02\x1B         ", 12),
         {3, 0}},
    };
    for (const Case& test : cases) {
        ConsoleBuffer buffer(12, 3);
        buffer.Write(test.Bytes);
        EXPECT_EQ(buffer.RowText(0), test.Row0) << test.Name;
        EXPECT_EQ(buffer.Cursor(), test.Cursor) << test.Name;
    }
}

TEST(ConsoleBuffer, FillsRunOnAcrossRowsAndStopAtTheEnd) {
    ConsoleBuffer buffer(4, 2);
    int written = 0;
    ASSERT_TRUE(buffer.FillCharacter('x', 3, {2, 0}, &written));
    EXPECT_EQ(written, 3);
    EXPECT_EQ(buffer.RowText(0), "  xx");
    EXPECT_EQ(buffer.RowText(1), "x   ");
    ASSERT_TRUE(buffer.FillAttribute(0x3F, 100, {3, 1}, &written));
    EXPECT_EQ(written, 1);
    EXPECT_EQ(buffer.At(3, 1).Attribute, 0x3F);
    EXPECT_EQ(buffer.At(3, 1).Character, ' ');
    EXPECT_EQ(buffer.At(2, 1).Attribute, 0x07);
    EXPECT_EQ(buffer.Cursor(), (ConsolePosition{0, 0}));
}

TEST(ConsoleBuffer, RefusesPositionsOutsideTheBuffer) {
    ConsoleBuffer buffer(4, 2);
    EXPECT_FALSE(buffer.FillCharacter('x', 1, {4, 0}));
    EXPECT_FALSE(buffer.FillAttribute(0x01, 1, {0, 2}));
    EXPECT_FALSE(buffer.SetCursor({0, 2}));
    EXPECT_FALSE(buffer.SetCursor({-1, 0}));
    EXPECT_EQ(buffer.Cursor(), (ConsolePosition{0, 0}));
    EXPECT_FALSE(buffer.Scroll({0, 0, 4, 1}, {0, 0, 3, 1}, {0, 0}, {}));
}

TEST(ConsoleBuffer, ScrollMovesARectangleAndFillsWhatItUncovers) {
    ConsoleBuffer buffer(3, 4);
    for (char row : std::string("abcd"))
        buffer.FillCharacter(static_cast<std::uint8_t>(row), 3, {0, row - 'a'});
    // The lower three rows move up one, clipped to themselves: row 0 stays as it was.
    const ConsoleRect area{0, 1, 2, 3};
    ASSERT_TRUE(buffer.Scroll(area, area, {0, 0}, {'.', 0x03}));
    EXPECT_EQ(buffer.RowText(0), "aaa");
    EXPECT_EQ(buffer.RowText(1), "ccc");
    EXPECT_EQ(buffer.RowText(2), "ddd");
    EXPECT_EQ(buffer.RowText(3), "...");
    EXPECT_EQ(buffer.At(0, 3).Attribute, 0x03);
    EXPECT_EQ(buffer.At(0, 2).Attribute, 0x07);
}

TEST(ConsoleBuffer, ScrollWithoutClippingMovesIntoRowsAbove) {
    ConsoleBuffer buffer(2, 3);
    buffer.Write("aabbc");
    buffer.FillCharacter('c', 1, {1, 2});
    ASSERT_TRUE(buffer.Scroll({0, 1, 1, 2}, {0, 0, 1, 2}, {0, 0}, {' ', 0x07}));
    EXPECT_EQ(buffer.RowText(0), "bb");
    EXPECT_EQ(buffer.RowText(1), "cc");
    EXPECT_EQ(buffer.RowText(2), "  ");
}

TEST(Console, HasTwoBuffersAndShowsOneOfThem) {
    Console console;
    ConsoleBuffer& help = console.CreateScreenBuffer();
    EXPECT_EQ(&console.ActiveBuffer(), &console.StandardOutput());
    console.SetActiveBuffer(help);
    EXPECT_EQ(&console.ActiveBuffer(), &help);
    EXPECT_NE(&help, &console.StandardOutput());
    EXPECT_EQ(help.Width(), 80);
    EXPECT_EQ(help.Height(), 25);
}

TEST(Console, InputQueueIsPeekedRemovedAndFlushed) {
    Console console;
    EXPECT_EQ(console.PeekInput(), nullptr);
    console.PostInput({ConsoleInputEvent::Kind::KeyDown, 'a', false, false});
    console.PostInput({ConsoleInputEvent::Kind::KeyDown, 'b', true, false});
    ASSERT_NE(console.PeekInput(), nullptr);
    EXPECT_EQ(console.PeekInput()->Character, 'a');
    console.RemoveInput();
    EXPECT_EQ(console.PeekInput()->Character, 'b');
    EXPECT_TRUE(console.PeekInput()->AltHeld());
    console.FlushInput();
    EXPECT_FALSE(console.InputPending());
}

} // namespace
