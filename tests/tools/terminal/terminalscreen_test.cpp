// Tests of the terminal's screens: every row, cell and attribute of the terminal screen,
// the help screen and the status rows.
#include "tools/terminal/consolebuffer.h"
#include "tools/terminal/terminalscreen.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

std::string Times(int count, char character) {
    return std::string(static_cast<std::size_t>(count), character);
}

// Expected attributes of a row as runs: {first column, last column, attribute}.
struct AttributeRun {
    int First;
    int Last;
    int Attribute;
};

void ExpectAttributes(const ConsoleBuffer& screen, int row, const std::vector<AttributeRun>& runs) {
    for (const AttributeRun& run : runs)
        for (int column = run.First; column <= run.Last; ++column)
            EXPECT_EQ(screen.At(column, row).Attribute, run.Attribute)
                << "row " << row << " column " << column;
}

struct Errors {
    std::vector<std::pair<std::string, int>> Reported;
    TerminalScreen::ErrorSink Sink() {
        return [this](const std::string& step, int number) { Reported.emplace_back(step, number); };
    }
};

class TerminalScreenTest : public ::testing::Test {
protected:
    Errors errors;
    TerminalScreen screen{errors.Sink()};
    ConsoleBuffer terminal{80, 25};
    ConsoleBuffer help{80, 25};
};

const std::string TopBorder =
    "\xC9" + Times(34, '\xCD') + "[ status ]" + Times(34, '\xCD') + "\xBB";
const std::string BoxRow = "\xBA" + Times(78, ' ') + "\xBA";

TEST_F(TerminalScreenTest, TerminalScreenFrameAndArea) {
    screen.DrawTerminalScreen(terminal, "COM1", {});

    EXPECT_EQ(terminal.Cursor(), (ConsolePosition{0, 6}));
    EXPECT_EQ(terminal.RowText(1), TopBorder);
    ExpectAttributes(terminal, 1, {{0, 35, 0x0F}, {36, 43, 0x3F}, {44, 79, 0x0F}});
    EXPECT_EQ(terminal.RowText(4), BoxRow);
    for (int row = 2; row <= 4; ++row)
        ExpectAttributes(terminal, row, {{0, 0, 0x0F}, {79, 79, 0x0F}});
    ExpectAttributes(terminal, 4, {{1, 78, 0x0A}});
    EXPECT_EQ(terminal.RowText(5),
              "\xC8" + Times(33, '\xCD') + "[ terminal ]" + Times(33, '\xCD') + "\xBC");
    ExpectAttributes(terminal, 5, {{0, 34, 0x0F}, {35, 44, 0x3F}, {45, 79, 0x0F}});
    for (int row = 6; row < 25; ++row) {
        EXPECT_EQ(terminal.RowText(row), Times(80, ' ')) << row;
        ExpectAttributes(terminal, row, {{0, 79, 0x03}});
    }
    EXPECT_TRUE(errors.Reported.empty());
}

TEST_F(TerminalScreenTest, TitleRowNamesTheProgramAndEndsWithTheVersionInTheLastColumn) {
    screen.DrawTerminalScreen(terminal, "COM1", {});

    EXPECT_EQ(terminal.RowText(0, 0, 24), "RIVAN: Terminal utility ");
    ExpectAttributes(terminal, 0, {{0, 5, 0x1F}, {6, 23, 0x0A}});
    EXPECT_EQ(terminal.RowText(0, 67), "[v2.00 - b00]");
    ExpectAttributes(terminal, 0, {{67, 79, 0x1F}});
    // The whole copyright line stands between them, in green, without running into the tag.
    EXPECT_EQ(terminal.RowText(0, 24, 43), " Copyright (c) 2026 Qelvar Instruments     ");
    ExpectAttributes(terminal, 0, {{24, 61, 0x02}});
    EXPECT_EQ(terminal.At(66, 0).Character, ' ');
    EXPECT_EQ(terminal.RowText(1), TopBorder);
}

TEST_F(TerminalScreenTest, PortRowHoldsSeventyThreeCharactersFromColumnTwo) {
    screen.DrawTerminalScreen(terminal, "COM1", {});

    const std::string portText =
        "COM1: 115200 - 8 bits - no parity - 1 stop bit   Exit: Alt+Q  Help: Alt+H";
    ASSERT_EQ(portText.size(), 73u);
    EXPECT_EQ(terminal.RowText(2), "\xBA " + portText + "    \xBA");
    ExpectAttributes(terminal, 2,
                     {{1, 1, 0x0A},
                      {2, 7, 0x0A},
                      {8, 48, 0x02},
                      {49, 56, 0x0A},
                      {57, 61, 0x02},
                      {62, 69, 0x0A},
                      {70, 74, 0x02},
                      {75, 78, 0x0A}});
}

TEST_F(TerminalScreenTest, ModesRowShowsEachModeAtItsColumn) {
    struct Case {
        const char* Name;
        TerminalModes Modes;
        std::string Text;
        std::vector<AttributeRun> Runs;
    };
    const Case cases[] = {
        {"all off",
         {false, false, false},
         " CR=CR     Echo=None   Mode=Text  Time=Off",
         {{2, 4, 0x0A},
          {5, 8, 0x02},
          {12, 16, 0x0A},
          {17, 22, 0x02},
          {24, 28, 0x0A},
          {29, 34, 0x02},
          {35, 39, 0x0A},
          {40, 44, 0x02}}},
        {"all on",
         {true, true, true, true},
         " CR=CR+LF  Echo=Local  Mode=Hex   Time=On",
         {{2, 4, 0x0A},
          {5, 11, 0x02},
          {12, 16, 0x0A},
          {17, 23, 0x02},
          {24, 28, 0x0A},
          {29, 33, 0x02},
          {35, 39, 0x0A},
          {40, 43, 0x02}}},
    };
    for (const Case& test : cases) {
        ConsoleBuffer buffer(80, 25);
        screen.DrawTerminalScreen(buffer, "COM1", test.Modes);
        const std::string expected =
            "\xBA" + test.Text + Times(78 - static_cast<int>(test.Text.size()), ' ') + "\xBA";
        EXPECT_EQ(buffer.RowText(3), expected) << test.Name;
        ExpectAttributes(buffer, 3, test.Runs);
    }
}

TEST_F(TerminalScreenTest, TogglingCrLfChangesOnlyTheCrValueAndKeepsTheCursor) {
    screen.DrawTerminalScreen(terminal, "COM1", {});
    terminal.SetCursor({17, 12});
    terminal.SetAttribute(0x03);
    const ConsoleBuffer before = terminal;

    screen.DrawModesRow(terminal, {false, true, false});

    EXPECT_EQ(terminal.Cursor(), (ConsolePosition{17, 12}));
    EXPECT_EQ(terminal.Attribute(), 0x03);
    EXPECT_EQ(before.RowText(3, 2, 10), "CR=CR     ");
    EXPECT_EQ(terminal.RowText(3, 2, 10), "CR=CR+LF  ");
    for (int row = 0; row < 25; ++row)
        for (int column = 0; column < 80; ++column) {
            if (row == 3 && column >= 5 && column <= 11)
                continue;
            EXPECT_EQ(terminal.At(column, row), before.At(column, row))
                << "row " << row << " column " << column;
        }
    ExpectAttributes(terminal, 3, {{5, 11, 0x02}});
}

TEST_F(TerminalScreenTest, PortRowRedrawLeavesNoRestOfALongerName) {
    screen.DrawTerminalScreen(terminal, "COM1", {});
    screen.DrawPortRow(terminal, "COM3");
    EXPECT_EQ(terminal.RowText(2, 2, 6), "COM3: ");
    EXPECT_EQ(terminal.RowText(2, 75), "    \xBA");
}

TEST_F(TerminalScreenTest, AnOverlongPortNameStaysInsideTheBox) {
    screen.DrawTerminalScreen(terminal, "COM123456789012", {});
    EXPECT_EQ(terminal.RowText(2, 2, 17), "COM123456789012: ");
    EXPECT_EQ(terminal.At(79, 2).Character, 0xBA);
    EXPECT_EQ(terminal.At(79, 2).Attribute, 0x0F);
    EXPECT_EQ(terminal.At(0, 3).Character, 0xBA);
    EXPECT_EQ(terminal.RowText(2, 73, 6), "  Help"); // cut where the frame begins
}

TEST_F(TerminalScreenTest, HelpScreenListsTheNineCommands) {
    screen.DrawHelpScreen(help);

    EXPECT_EQ(help.RowText(1), TopBorder);
    EXPECT_EQ(help.RowText(5),
              "\xC8" + Times(33, '\xCD') + "[   HELP   ]" + Times(33, '\xCD') + "\xBC");
    ExpectAttributes(help, 5, {{0, 34, 0x0F}, {35, 44, 0x3F}, {45, 79, 0x0F}});
    EXPECT_EQ(help.RowText(6, 0, 62),
              " Press the following key combinations to access each function:");
    ExpectAttributes(help, 6, {{1, 61, 0x0A}});
    EXPECT_EQ(help.RowText(7), Times(80, ' '));

    const std::pair<const char*, const char*> commands[] = {
        {"    Alt+1:", " use COM1 serial port"},
        {"    Alt+2:", " use COM2 serial port"},
        {"    Alt+3:", " use COM3 serial port"},
        {"    Alt+4:", " use COM4 serial port"},
        {"    Alt+C:", " switch between CR->CR or CR->CR+LF"},
        {"    Alt+L:", " switch local echo ON or OFF"},
        {"    Alt+X:", " switch between text mode and hexadecimal mode"},
        {"    Alt+Q:", " exit this terminal utility"},
        {"    Alt+H:", " show this help screen"},
    };
    int row = 8;
    for (const auto& [key, description] : commands) {
        const std::string text = std::string(key) + description;
        EXPECT_EQ(help.RowText(row), text + Times(80 - static_cast<int>(text.size()), ' '));
        ExpectAttributes(help, row, {{0, 9, 0x0F}});
        ExpectAttributes(help, row, {{10, static_cast<int>(text.size()) - 1, 0x07}});
        ++row;
    }
    EXPECT_EQ(help.Cursor(), (ConsolePosition{0, 17}));
    // No status rows until the help screen is shown.
    EXPECT_EQ(help.RowText(0), Times(80, ' '));
    EXPECT_EQ(help.RowText(2), BoxRow);
    EXPECT_TRUE(errors.Reported.empty());
}

TEST_F(TerminalScreenTest, HelpScreenListsTheLaterKeysBelowTheNine) {
    screen.DrawHelpScreen(help);
    const std::pair<const char*, const char*> commands[] = {
        {"    Alt+T:", " switch time stamps on received lines ON or OFF"},
        {"    Alt+G:", " start or stop logging the session to a file"},
    };
    int row = 17;
    for (const auto& [key, description] : commands) {
        const std::string text = std::string(key) + description;
        EXPECT_EQ(help.RowText(row), text + Times(80 - static_cast<int>(text.size()), ' '));
        ExpectAttributes(help, row, {{0, 9, 0x0F}});
        ExpectAttributes(help, row, {{10, static_cast<int>(text.size()) - 1, 0x07}});
        ++row;
    }
    EXPECT_EQ(help.RowText(16, 0, 10), "    Alt+H:");
    EXPECT_EQ(help.RowText(19), Times(80, ' '));
}

TEST_F(TerminalScreenTest, AHelpScreenShorterThanItsKeysShowsWhatFitsWithoutAFailedStep) {
    // The nine keys have always run on in a short console; the later keys stand at fixed rows
    // below them and are left out where the console ends.
    ConsoleBuffer shortHelp(80, 18);
    screen.DrawHelpScreen(shortHelp);
    EXPECT_TRUE(errors.Reported.empty());
    EXPECT_EQ(shortHelp.RowText(17, 0, 10), "    Alt+T:");
}

TEST_F(TerminalScreenTest, ModesRowShowsTheLogFileAndDropsItsEndingWhenShort) {
    struct Case {
        const char* Name;
        std::string File;
        std::string Shown;
    };
    const Case cases[] = {
        {"a COMn log loses its ending", "terminal-COM1-20240501-140307.log",
         "Log=terminal-COM1-20240501-140307 \xBA"},
        {"a short name is shown whole", "x.log", "Log=x.log" + Times(25, ' ') + "\xBA"},
        {"a longer port name is cut at the frame", "terminal-COM123456789-20240501-140307.log",
         "Log=terminal-COM123456789-20240501\xBA"},
    };
    for (const Case& test : cases) {
        ConsoleBuffer buffer(80, 25);
        screen.DrawTerminalScreen(buffer, "COM1", {});
        screen.DrawModesRow(buffer, {}, test.File);
        EXPECT_EQ(buffer.RowText(3, 45), test.Shown) << test.Name;
        EXPECT_EQ(buffer.RowText(3, 2, 43), "CR=CR     Echo=None   Mode=Text  Time=Off  ")
            << test.Name;
        ExpectAttributes(buffer, 3, {{45, 48, 0x0A}, {49, 49, 0x02}});
    }
}

TEST_F(TerminalScreenTest, StatusRowsOnTheHelpScreen) {
    screen.DrawHelpScreen(help);
    screen.DrawStatusRows(help, "COM2", {true, false, true});
    EXPECT_EQ(help.RowText(0, 0, 6), "RIVAN:");
    EXPECT_EQ(help.RowText(2, 2, 6), "COM2: ");
    EXPECT_EQ(help.RowText(3, 1, 31), " CR=CR     Echo=Local  Mode=Hex");
    EXPECT_EQ(help.Cursor(), (ConsolePosition{0, 17}));
}

TEST_F(TerminalScreenTest, WriteAtPutsCursorAndAttributeBack) {
    terminal.SetCursor({3, 9});
    terminal.SetAttribute(0x03);
    EXPECT_TRUE(screen.WriteAt(terminal, {10, 2}, "abc", 0x1F));
    EXPECT_EQ(terminal.RowText(2, 10, 3), "abc");
    EXPECT_EQ(terminal.At(11, 2).Attribute, 0x1F);
    EXPECT_EQ(terminal.Cursor(), (ConsolePosition{3, 9}));
    EXPECT_EQ(terminal.Attribute(), 0x03);
}

TEST_F(TerminalScreenTest, FailedStepsAreReportedByName) {
    // A buffer of five rows has no terminal area: the area fills start outside it.
    ConsoleBuffer small(80, 5);
    screen.DrawTerminalScreen(small, "COM1", {});
    ASSERT_GE(errors.Reported.size(), 2u);
    EXPECT_EQ(errors.Reported[0],
              (std::pair<std::string, int>{"In FillConsoleOutputCharacter", 22}));
    EXPECT_EQ(errors.Reported[1],
              (std::pair<std::string, int>{"In FillConsoleOutputAttribute", 22}));

    errors.Reported.clear();
    EXPECT_FALSE(screen.WriteAt(terminal, {80, 0}, "x", 0x07));
    ASSERT_EQ(errors.Reported.size(), 1u);
    EXPECT_EQ(errors.Reported[0].first, "In SetConsoleCursorPosition");
}

} // namespace
