// Tests of the terminal's byte handling, commands, port connections and settings, driven
// event by event with a port and a settings store held in memory.
#include "support/memorysettingsstore.h"
#include "support/memoryterminalport.h"
#include "support/virtualterminalclock.h"

#include "tools/terminal/console.h"
#include "tools/terminal/terminalutility.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

std::string Blanks(int count) {
    return std::string(static_cast<std::size_t>(count), ' ');
}

// The device the terminal opens for COMn: "\\.\COMn" on Windows, "/dev/ttyS<n-1>" elsewhere.
std::string Device(int number) {
#ifdef _WIN32
    return "\\\\.\\COM" + std::to_string(number);
#else
    return "/dev/ttyS" + std::to_string(number - 1);
#endif
}

// Points COMn at `device` through its RIVAN_COMn variable and answers the device COMn then
// opens; Windows takes no such variable, so there it stays "\\.\COMn".
std::string OverridePort(int number, const std::string& device) {
#ifdef _WIN32
    (void)device;
    return Device(number);
#else
    setenv(("RIVAN_COM" + std::to_string(number)).c_str(), device.c_str(), 1);
    return device;
#endif
}

void ClearOverride(int number) {
#ifndef _WIN32
    unsetenv(("RIVAN_COM" + std::to_string(number)).c_str());
#else
    (void)number;
#endif
}

class TerminalUtilityTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int number = 1; number <= 4; ++number)
            ClearOverride(number);
    }

    TerminalUtility& Start(std::optional<std::string> detected = std::nullopt) {
        utility = std::make_unique<TerminalUtility>(
            console, port, store, [this](const std::string& line) { log.push_back(line); },
            [this](const std::string& text) { notices.push_back(text); }, std::move(detected),
            clock);
        utility->Start();
        return *utility;
    }
    // Ends the run and saves the settings, as destroying the terminal does.
    void Destroy() { utility.reset(); }

    void Receive(const std::vector<std::uint8_t>& bytes) {
        utility->QueueReceived(bytes);
        while (utility->ServePending()) {
        }
    }
    void ReceiveText(const std::string& text) {
        Receive(std::vector<std::uint8_t>(text.begin(), text.end()));
    }
    void Key(std::uint8_t character, bool leftAlt = false, bool rightAlt = false) {
        console.PostInput({ConsoleInputEvent::Kind::KeyDown, character, leftAlt, rightAlt});
        while (utility->ServePending()) {
        }
    }
    void Alt(char character) { Key(static_cast<std::uint8_t>(character), true); }

    ConsoleBuffer& Screen() { return console.StandardOutput(); }
    void StoreKey(const std::string& portName, bool echo, bool crlf, bool hex) {
        store.KeyExists = true;
        store.Values = {{"ComPort", portName}, {"bLocal", echo}, {"bCRLF", crlf}, {"bHex", hex}};
    }

    Console console;
    MemoryTerminalPort port;
    MemorySettingsStore store;
    VirtualTerminalClock clock;
    std::vector<std::string> log;
    std::vector<std::string> notices;
    std::unique_ptr<TerminalUtility> utility;
};

// ---- Byte display ----

TEST_F(TerminalUtilityTest, HexModeShowsLettersBrightAndCodesAndNamesInCyan) {
    StoreKey("COM1", false, false, true);
    Start();
    Receive({0x41, 0x42, 0x0D, 0x0A, 0x02});

    EXPECT_EQ(Screen().RowText(6, 0, 9), "A41.B42. ");
    EXPECT_EQ(Screen().RowText(7, 0, 4), "0D. ");
    EXPECT_EQ(Screen().RowText(8, 0, 12), "0A.(STX)02. ");
    const int expected6[] = {0x0B, 0x03, 0x03, 0x03, 0x0B, 0x03, 0x03, 0x03};
    for (int column = 0; column < 8; ++column)
        EXPECT_EQ(Screen().At(column, 6).Attribute, expected6[column]) << column;
    for (int column = 0; column < 3; ++column)
        EXPECT_EQ(Screen().At(column, 7).Attribute, 0x03);
    for (int column = 0; column < 11; ++column)
        EXPECT_EQ(Screen().At(column, 8).Attribute, 0x03);
    EXPECT_EQ(Screen().Cursor(), (ConsolePosition{11, 8}));
}

TEST_F(TerminalUtilityTest, HexModeShowsAHighByteAsItsCharacterAndCode) {
    StoreKey("COM1", false, false, true);
    Start();
    Receive({0xC8});
    EXPECT_EQ(Screen().At(0, 6), (ConsoleCell{0xC8, 0x0B}));
    EXPECT_EQ(Screen().RowText(6, 1, 4), "C8. ");
    EXPECT_EQ(Screen().At(1, 6).Attribute, 0x03);
}

TEST_F(TerminalUtilityTest, HexModeNamesTheControlBytes) {
    struct Case {
        std::uint8_t Byte;
        const char* Shown;
    };
    const Case cases[] = {
        {0x00, "(NUL)00."}, {0x02, "(STX)02."}, {0x03, "(ETX)03."},  {0x05, "(ENQ)05."},
        {0x06, "(ACK)06."}, {0x11, "(XON)11."}, {0x13, "(XOFF)13."}, {0x15, "(NAK)15."},
        {0x18, "(CAN)18."}, {0x1B, "(ESC)1B."},
    };
    StoreKey("COM1", false, false, true);
    Start();
    int row = 6;
    for (const Case& test : cases) {
        Receive({test.Byte});
        const std::string shown = test.Shown;
        EXPECT_EQ(Screen().RowText(row, 0, static_cast<int>(shown.size()) + 1), shown + " ");
        Receive({0x0A}); // each on its own row: LF gives a new row and then "0A."
        ++row;
        EXPECT_EQ(Screen().RowText(row, 0, 3), "0A.");
        Receive({0x0D}); // CR: a new row, the cursor back to its start, then "0D."
        ++row;
        EXPECT_EQ(Screen().RowText(row, 0, 3), "0D.");
        Screen().SetCursor({0, 6});
        row = 6;
        for (int clear = 6; clear < 25; ++clear)
            Screen().FillCharacter(' ', 80, {0, clear});
    }
}

TEST_F(TerminalUtilityTest, TextModeShowsReceivedBytesInCyan) {
    Start();
    ReceiveText("*?NAM");
    EXPECT_EQ(Screen().RowText(6, 0, 6), "*?NAM ");
    for (int column = 0; column < 5; ++column)
        EXPECT_EQ(Screen().At(column, 6).Attribute, 0x03);
    // Control bytes without a meaning for the console show as their glyphs.
    Receive({0x11, 0x06});
    EXPECT_EQ(Screen().At(5, 6).Character, 0x11);
    EXPECT_EQ(Screen().At(6, 6).Character, 0x06);
}

TEST_F(TerminalUtilityTest, LoneCrReturnsToTheRowStartAndLaterBytesOverwrite) {
    Start();
    ReceiveText("ABC\rxy");
    EXPECT_EQ(Screen().RowText(6, 0, 4), "xyC ");
    EXPECT_EQ(Screen().RowText(7), Blanks(80));
    EXPECT_EQ(Screen().Cursor(), (ConsolePosition{2, 6}));
}

TEST_F(TerminalUtilityTest, CrLfModeLeavesAnEmptyRowBetweenLines) {
    StoreKey("COM1", false, true, false);
    Start();
    ReceiveText("ONE\r\nTWO");
    EXPECT_EQ(Screen().RowText(6, 0, 4), "ONE ");
    EXPECT_EQ(Screen().RowText(7), Blanks(80));
    EXPECT_EQ(Screen().RowText(8, 0, 4), "TWO ");
}

TEST_F(TerminalUtilityTest, LfAloneStartsTheNextRowAtColumnZero) {
    Start();
    ReceiveText("ONE\nTWO");
    EXPECT_EQ(Screen().RowText(6, 0, 4), "ONE ");
    EXPECT_EQ(Screen().RowText(7, 0, 4), "TWO ");
}

TEST_F(TerminalUtilityTest, AByteForTheLastColumnGoesToTheNextRow) {
    Start();
    ReceiveText(std::string(79, 'x'));
    EXPECT_EQ(Screen().Cursor(), (ConsolePosition{79, 6}));
    ReceiveText("y");
    EXPECT_EQ(Screen().At(79, 6).Character, ' ');
    EXPECT_EQ(Screen().At(0, 7), (ConsoleCell{'y', 0x03}));
    EXPECT_EQ(Screen().Cursor(), (ConsolePosition{1, 7}));
}

TEST_F(TerminalUtilityTest, ScrollingAtTheLastRowKeepsTheStatusBox) {
    Start();
    std::vector<std::string> top;
    std::vector<std::uint8_t> topAttributes;
    for (int row = 0; row < 6; ++row) {
        top.push_back(Screen().RowText(row));
        for (int column = 0; column < 80; ++column)
            topAttributes.push_back(Screen().At(column, row).Attribute);
    }
    for (int line = 0; line < 40; ++line)
        ReceiveText("line " + std::to_string(line) + "\n");

    for (int row = 0; row < 6; ++row)
        EXPECT_EQ(Screen().RowText(row), top[static_cast<std::size_t>(row)]) << row;
    for (int row = 0, index = 0; row < 6; ++row)
        for (int column = 0; column < 80; ++column, ++index)
            EXPECT_EQ(Screen().At(column, row).Attribute,
                      topAttributes[static_cast<std::size_t>(index)]);
    EXPECT_EQ(Screen().RowText(6, 0, 8), "line 22 ");
    EXPECT_EQ(Screen().RowText(23, 0, 8), "line 39 ");
    EXPECT_EQ(Screen().RowText(24), Blanks(80));
    for (int column = 0; column < 80; ++column)
        EXPECT_EQ(Screen().At(column, 24).Attribute, 0x03);
    EXPECT_EQ(Screen().Cursor(), (ConsolePosition{0, 24}));
    EXPECT_TRUE(log.empty());
}

TEST_F(TerminalUtilityTest, ALongLineWrapsAndScrollsAtTheLastColumnOfTheLastRow) {
    Start();
    Screen().SetCursor({78, 24});
    ReceiveText("ab");
    EXPECT_EQ(Screen().At(78, 23).Character, 'a');
    EXPECT_EQ(Screen().At(0, 24).Character, 'b');
    EXPECT_EQ(Screen().RowText(5, 34, 12), "[ terminal ]");
}

// ---- Typing ----

TEST_F(TerminalUtilityTest, TypedBytesGoToThePortAtOnceAsTheyAre) {
    StoreKey("COM1", false, true, true);
    Start();
    for (char character : std::string("*?NAM\r"))
        Key(static_cast<std::uint8_t>(character));
    EXPECT_EQ(port.Written, (std::vector<std::uint8_t>{'*', '?', 'N', 'A', 'M', 0x0D}));
    // Without local echo nothing typed is shown.
    EXPECT_EQ(Screen().RowText(6), Blanks(80));
}

TEST_F(TerminalUtilityTest, LocalEchoShowsTypedCharactersInGreyAndAsTextEvenInHexMode) {
    StoreKey("COM1", true, false, true);
    Start();
    Key('a');
    ReceiveText("b");
    EXPECT_EQ(Screen().At(0, 6), (ConsoleCell{'a', 0x07}));
    EXPECT_EQ(Screen().At(1, 6), (ConsoleCell{'b', 0x0B}));
    EXPECT_EQ(Screen().RowText(6, 2, 3), "62.");
    EXPECT_EQ(Screen().At(2, 6).Attribute, 0x03);
    EXPECT_EQ(port.Written, (std::vector<std::uint8_t>{'a'}));
}

TEST_F(TerminalUtilityTest, KeyEventsWithoutACharacterAreIgnored) {
    Start();
    console.PostInput({ConsoleInputEvent::Kind::KeyDown, 0, false, false});
    console.PostInput({ConsoleInputEvent::Kind::KeyUp, 'a', false, false});
    console.PostInput({ConsoleInputEvent::Kind::Other, 'a', false, false});
    while (utility->ServePending()) {
    }
    EXPECT_TRUE(port.Written.empty());
    EXPECT_FALSE(console.InputPending());
    EXPECT_TRUE(utility->Running());
}

TEST_F(TerminalUtilityTest, AKeyIsServedBeforeAByteReadyAtTheSameMoment) {
    StoreKey("COM1", true, false, false);
    Start();
    utility->QueueReceived(std::vector<std::uint8_t>{'r'});
    console.PostInput({ConsoleInputEvent::Kind::KeyDown, 'k', false, false});
    ASSERT_TRUE(utility->ServePending());
    EXPECT_EQ(port.Written, (std::vector<std::uint8_t>{'k'}));
    EXPECT_EQ(Screen().RowText(6, 0, 2), "k ");
    ASSERT_TRUE(utility->ServePending());
    EXPECT_EQ(Screen().RowText(6, 0, 2), "kr");
    EXPECT_FALSE(utility->ServePending());
}

// ---- Alt commands ----

TEST_F(TerminalUtilityTest, AltCommandsToggleTheModesAndRedrawTheModesRow) {
    Start();
    Alt('c');
    EXPECT_TRUE(utility->Modes().CrLf);
    EXPECT_EQ(Screen().RowText(3, 2, 10), "CR=CR+LF  ");
    Alt('L');
    EXPECT_TRUE(utility->Modes().LocalEcho);
    EXPECT_EQ(Screen().RowText(3, 12, 12), "Echo=Local  ");
    Alt('x');
    EXPECT_TRUE(utility->Modes().Hex);
    EXPECT_EQ(Screen().RowText(3, 24, 9), "Mode=Hex ");
    Alt('C');
    EXPECT_FALSE(utility->Modes().CrLf);
    EXPECT_EQ(Screen().RowText(3, 2, 10), "CR=CR     ");
    EXPECT_TRUE(port.Written.empty());
    EXPECT_EQ(Screen().Cursor(), (ConsolePosition{0, 6}));

    Destroy();
    EXPECT_EQ(store.Values["bCRLF"], MemorySettingsStore::Value(false));
    EXPECT_EQ(store.Values["bLocal"], MemorySettingsStore::Value(true));
    EXPECT_EQ(store.Values["bHex"], MemorySettingsStore::Value(true));
}

TEST_F(TerminalUtilityTest, EitherAltKeyWithQEndsTheRun) {
    struct Case {
        const char* Name;
        std::uint8_t Character;
        bool LeftAlt;
        bool RightAlt;
    };
    for (const Case& test :
         {Case{"left Alt q", 'q', true, false}, Case{"left Alt Q", 'Q', true, false},
          Case{"right Alt q", 'q', false, true}}) {
        MemoryTerminalPort freshPort;
        Console freshConsole;
        TerminalUtility terminal(freshConsole, freshPort, store, nullptr, nullptr, std::nullopt);
        terminal.Start();
        ASSERT_TRUE(terminal.Running()) << test.Name;
        freshConsole.PostInput(
            {ConsoleInputEvent::Kind::KeyDown, test.Character, test.LeftAlt, test.RightAlt});
        EXPECT_TRUE(terminal.ServePending());
        EXPECT_FALSE(terminal.Running()) << test.Name;
        EXPECT_TRUE(freshPort.Written.empty()) << test.Name;
        EXPECT_FALSE(freshPort.IsOpen()) << test.Name;
        EXPECT_EQ(freshPort.LineChanges, (std::vector<std::string>{"DTR+", "RTS+", "RTS-", "DTR-"}))
            << test.Name;
    }
}

TEST_F(TerminalUtilityTest, AltWithAnUnknownKeyDoesNothingAndSendsNothing) {
    Start();
    const ConsoleBuffer before = Screen();
    Alt('z');
    Alt('5');
    EXPECT_TRUE(utility->Running());
    EXPECT_TRUE(port.Written.empty());
    for (int row = 0; row < 25; ++row)
        EXPECT_EQ(Screen().RowText(row), before.RowText(row));
}

TEST_F(TerminalUtilityTest, AltHShowsTheHelpScreenWithCurrentStatusAndHidesItAgain) {
    Start();
    Alt('x');
    Alt('h');
    EXPECT_TRUE(utility->HelpShown());
    ConsoleBuffer& help = console.ActiveBuffer();
    ASSERT_NE(&help, &Screen());
    EXPECT_EQ(help.RowText(5, 34, 12), "[   HELP   ]");
    EXPECT_EQ(help.RowText(2, 2, 6), "COM1: ");
    EXPECT_EQ(help.RowText(3, 24, 8), "Mode=Hex");
    EXPECT_EQ(help.RowText(0, 0, 6), "RIVAN:");

    // Bytes go on arriving on the terminal screen behind the help screen.
    ReceiveText("A");
    EXPECT_EQ(Screen().At(0, 6).Character, 'A');
    EXPECT_EQ(help.RowText(6, 0, 2), " P");

    Alt('H');
    EXPECT_FALSE(utility->HelpShown());
    EXPECT_EQ(&console.ActiveBuffer(), &Screen());
}

TEST_F(TerminalUtilityTest, AltDigitSwitchesThePortAndReopens) {
    const std::string two = OverridePort(2, "/dev/fake-two");
    Start();
    console.PostInput({ConsoleInputEvent::Kind::KeyDown, '2', true, false});
    console.PostInput({ConsoleInputEvent::Kind::KeyDown, 'a', false, false});
    utility->QueueReceived(std::vector<std::uint8_t>{'o', 'l', 'd'});
    ASSERT_TRUE(utility->ServePending());

    EXPECT_TRUE(utility->Running());
    EXPECT_EQ(utility->PortName(), "COM2");
    EXPECT_EQ(port.Opened, (std::vector<std::string>{Device(1), two}));
    EXPECT_EQ(port.BaudRates, (std::vector<int>{115200, 115200}));
    EXPECT_EQ(port.LineChanges,
              (std::vector<std::string>{"DTR+", "RTS+", "RTS-", "DTR-", "DTR+", "RTS+"}));
    EXPECT_EQ(Screen().RowText(2, 2, 6), "COM2: ");
    // Input typed and bytes received before the switch are dropped with the old connection.
    EXPECT_FALSE(console.InputPending());
    EXPECT_FALSE(utility->ReceivePending());
    EXPECT_FALSE(utility->ServePending());
    EXPECT_TRUE(port.Written.empty());

    Destroy();
    EXPECT_EQ(store.Values["ComPort"], MemorySettingsStore::Value(std::string("COM2")));
    ClearOverride(2);
}

TEST_F(TerminalUtilityTest, AltDigitWhileHelpIsShownComesBackToTheTerminalScreen) {
    Start();
    Alt('h');
    Alt('4');
    EXPECT_FALSE(utility->HelpShown());
    EXPECT_EQ(&console.ActiveBuffer(), &Screen());
    Alt('h');
    EXPECT_TRUE(utility->HelpShown());
    EXPECT_NE(&console.ActiveBuffer(), &Screen());
}

// ---- Ending and errors ----

TEST_F(TerminalUtilityTest, IdleTimeOutEndsTheRunLikeAltQ) {
    StoreKey("COM4", false, false, false);
    Start();
    EXPECT_EQ(TerminalUtility::IdleTimeoutMs, 1000000);
    utility->ServeIdleTimeout();
    EXPECT_FALSE(utility->Running());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(log.empty());
    Destroy();
    EXPECT_EQ(store.Values["ComPort"], MemorySettingsStore::Value(std::string("COM4")));
}

TEST_F(TerminalUtilityTest, AltThreeOnAMissingPortLogsCreateFileAndKeepsTheStoredPort) {
    StoreKey("COM2", false, false, false);
    port.OpenErrors[OverridePort(3, "/dev/no-such-port")] = 2;
    Start();
    Alt('c');
    Alt('3');
    EXPECT_FALSE(utility->Running());
    EXPECT_EQ(log, (std::vector<std::string>{"[COM3] In CreateFile -> Error number: 2"}));
    EXPECT_TRUE(utility->ErrorReported());
    Destroy();
    EXPECT_EQ(store.Values["ComPort"], MemorySettingsStore::Value(std::string("COM2")));
    EXPECT_EQ(store.Values["bCRLF"], MemorySettingsStore::Value(false));
    EXPECT_TRUE(notices.empty());
    ClearOverride(3);
}

TEST_F(TerminalUtilityTest, APortThatCannotBeOpenedAtStartEndsTheRunAtOnce) {
    port.OpenErrors[Device(1)] = 13;
    Start();
    EXPECT_FALSE(utility->Running());
    EXPECT_EQ(log, (std::vector<std::string>{"[COM1] In CreateFile -> Error number: 13"}));
    EXPECT_TRUE(port.LineChanges.empty());
    Destroy();
    EXPECT_TRUE(store.Values.empty());
}

TEST_F(TerminalUtilityTest, LineSettingFailuresAreLoggedAndTheRunGoesOnWithoutSaving) {
    StoreKey("COM1", false, false, false);
    port.ReadSettingsError = 25;
    port.WriteSettingsError = 22;
    Start();
    EXPECT_TRUE(utility->Running());
    EXPECT_EQ(log, (std::vector<std::string>{"In GetCommState -> Error number: 25",
                                             "In SetCommState -> Error number: 22"}));
    Alt('x');
    Destroy();
    EXPECT_EQ(store.Values["bHex"], MemorySettingsStore::Value(false));
}

TEST_F(TerminalUtilityTest, AFailedWriteIsLoggedWhenTheConnectionEnds) {
    Start();
    port.WriteError = 5;
    Key('a');
    EXPECT_TRUE(utility->Running());
    EXPECT_TRUE(log.empty());
    Alt('q');
    EXPECT_EQ(log, (std::vector<std::string>{"In ProcessIO -> Error number: 5"}));
}

TEST_F(TerminalUtilityTest, OnlyAFailureAsTheLastPortOperationIsLogged) {
    struct Case {
        const char* Name;
        bool ByteAfterFailedWrite;
        bool KeyAfterFailedWrite;
        std::vector<std::string> Log;
    };
    const Case cases[] = {
        {"failed write last", false, false, {"In ProcessIO -> Error number: 5"}},
        {"byte received after it", true, false, {}},
        {"good write after it", false, true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        log.clear();
        Start();
        port.WriteError = 5;
        Key('a');
        port.WriteError = 0;
        if (c.ByteAfterFailedWrite)
            ReceiveText("x");
        if (c.KeyAfterFailedWrite)
            Key('b');
        Alt('q');
        EXPECT_FALSE(utility->Running());
        EXPECT_EQ(log, c.Log);
        Destroy();
    }
}

TEST_F(TerminalUtilityTest, AFailedReadShowsTheBytesBeforeItAndWaitsForThePort) {
    Start();
    utility->QueueReceived(std::vector<std::uint8_t>{'o', 'k'});
    utility->QueueReadFailure(5);
    while (utility->ServePending()) {
    }
    EXPECT_EQ(Screen().RowText(6, 0, 3), "ok ");
    EXPECT_TRUE(utility->Running());
    EXPECT_TRUE(utility->WaitingForPort());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(log, (std::vector<std::string>{"In ProcessIO -> Error number: 5"}));
}

TEST_F(TerminalUtilityTest, WithoutALogTargetErrorsAreNotRecorded) {
    port.OpenErrors[Device(1)] = 2;
    TerminalUtility terminal(console, port, store, nullptr, nullptr, std::nullopt);
    terminal.Start();
    EXPECT_FALSE(terminal.Running());
    EXPECT_FALSE(terminal.ErrorReported());
}

// ---- Settings ----

TEST_F(TerminalUtilityTest, FirstRunWithoutAKeyUsesComOneAndAllModesOffThenCreatesTheKey) {
    Start();
    EXPECT_TRUE(notices.empty());
    EXPECT_EQ(utility->PortName(), "COM1");
    EXPECT_EQ(port.Opened, (std::vector<std::string>{Device(1)}));
    EXPECT_EQ(Screen().RowText(3, 2, 31), "CR=CR     Echo=None   Mode=Text");
    Destroy();
    EXPECT_TRUE(store.KeyExists);
    // The four values in their order, then the time stamps added after them.
    EXPECT_EQ(store.WriteOrder,
              (std::vector<std::string>{"ComPort", "bLocal", "bCRLF", "bHex", "bTime"}));
    EXPECT_EQ(store.Values["ComPort"], MemorySettingsStore::Value(std::string("COM1")));
    EXPECT_EQ(store.Values["bHex"], MemorySettingsStore::Value(false));
}

TEST_F(TerminalUtilityTest, StoredSettingsAreShownAndUsed) {
    StoreKey("COM4", true, true, false);
    Start();
    EXPECT_EQ(utility->PortName(), "COM4");
    EXPECT_EQ(port.Opened, (std::vector<std::string>{Device(4)}));
    EXPECT_EQ(Screen().RowText(2, 2, 6), "COM4: ");
    EXPECT_EQ(Screen().RowText(3, 2, 28), "CR=CR+LF  Echo=Local  Mode=T");
}

TEST_F(TerminalUtilityTest, AKeyLackingAValueShowsTheBoxAndFallsBackToComOne) {
    StoreKey("COM4", true, true, false);
    store.Values.erase("bHex");
    Start();
    EXPECT_EQ(notices, (std::vector<std::string>{"Unable to read data from the Registry"}));
    EXPECT_EQ(utility->PortName(), "COM1");
    EXPECT_TRUE(utility->Modes().LocalEcho);
    EXPECT_TRUE(utility->Modes().CrLf);
    EXPECT_FALSE(utility->Modes().Hex);
}

TEST_F(TerminalUtilityTest, AKeyLackingAValueFallsBackToTheDetectedPort) {
    StoreKey("COM4", false, false, false);
    store.Values.erase("bLocal");
    Start("COM2");
    EXPECT_EQ(notices.size(), 1u);
    EXPECT_EQ(utility->PortName(), "COM2");
}

TEST_F(TerminalUtilityTest, TheDetectedPortWinsOverTheStoredOne) {
    StoreKey("COM4", false, false, true);
    Start("COM2");
    EXPECT_EQ(utility->PortName(), "COM2");
    EXPECT_EQ(port.Opened, (std::vector<std::string>{Device(2)}));
    EXPECT_TRUE(utility->Modes().Hex);
}

TEST_F(TerminalUtilityTest, AStoredPortNameTooLongForTheFieldCountsAsUnreadable) {
    StoreKey("COM1234567890123", false, true, false);
    Start();
    EXPECT_EQ(notices, (std::vector<std::string>{"Unable to read data from the Registry"}));
    EXPECT_EQ(utility->PortName(), "COM1");
}

TEST_F(TerminalUtilityTest, AFailedSaveShowsTheBoxOnce) {
    store.FailingWrite = "bLocal";
    Start();
    Destroy();
    EXPECT_EQ(notices, (std::vector<std::string>{"Unable to save data to the Registry"}));
    EXPECT_EQ(store.WriteOrder, (std::vector<std::string>{"ComPort", "bLocal"}));
}

TEST_F(TerminalUtilityTest, AKeyThatCannotBeOpenedForWritingIsPassedOverSilently) {
    store.Writable = false;
    Start();
    Destroy();
    EXPECT_TRUE(notices.empty());
    EXPECT_TRUE(store.WriteOrder.empty());
}

// ---- Time stamps ----

// The stamp of the clock's first moment, 14:03:07.412, as the terminal writes it.
constexpr const char* FirstStamp = "[14:03:07.412] ";

TEST_F(TerminalUtilityTest, AltTStampsEachReceivedLineWithTheTimeItArrived) {
    Start();
    Alt('t');
    EXPECT_TRUE(utility->Modes().Time);
    EXPECT_EQ(Screen().RowText(3, 35, 9), "Time=On  ");
    EXPECT_EQ(Screen().Cursor(), (ConsolePosition{0, 6}));

    ReceiveText("RIVAN\r\nOK");
    // A line that goes on in the next burst keeps the one stamp it has.
    clock.Advance(1234);
    ReceiveText("!\n\r\n");
    ReceiveText("X");

    EXPECT_EQ(Screen().RowText(6, 0, 21), std::string(FirstStamp) + "RIVAN ");
    EXPECT_EQ(Screen().RowText(7, 0, 19), std::string(FirstStamp) + "OK! ");
    EXPECT_EQ(Screen().RowText(8, 0, 2), "  "); // an empty line gets no stamp
    EXPECT_EQ(Screen().RowText(9, 0, 16), "[14:03:08.646] X");
    for (int column = 0; column < 15; ++column)
        EXPECT_EQ(Screen().At(column, 6).Attribute, 0x07) << column; // the echo colour
    EXPECT_EQ(Screen().At(15, 6).Attribute, 0x03);

    Alt('T');
    ReceiveText("\nplain");
    EXPECT_EQ(Screen().RowText(10, 0, 6), "plain ");
    EXPECT_EQ(Screen().RowText(3, 35, 10), "Time=Off  ");
}

TEST_F(TerminalUtilityTest, AltTInHexModeStampsEachBurstOnARowOfItsOwn) {
    StoreKey("COM1", false, false, true);
    Start();
    Alt('t');
    Receive({0x41, 0x06});
    clock.Advance(5);
    Receive({0x42});
    EXPECT_EQ(Screen().RowText(6, 0, 28), std::string(FirstStamp) + "A41.(ACK)06. ");
    EXPECT_EQ(Screen().RowText(7, 0, 20), "[14:03:07.417] B42. ");
    EXPECT_EQ(Screen().At(14, 7).Attribute, 0x07);
    EXPECT_EQ(Screen().At(15, 7).Attribute, 0x0B);
}

TEST_F(TerminalUtilityTest, TimeStampsAreStoredAndRestoredAsBTime) {
    StoreKey("COM1", false, false, false);
    store.Values["bTime"] = true;
    Start();
    EXPECT_TRUE(notices.empty());
    EXPECT_TRUE(utility->Modes().Time);
    EXPECT_EQ(Screen().RowText(3, 24, 18), "Mode=Text  Time=On");
    Alt('t');
    Destroy();
    EXPECT_EQ(store.Values["bTime"], MemorySettingsStore::Value(false));

    // A key written before time stamps existed reads as off, without a notice.
    StoreKey("COM1", false, false, false);
    Start();
    EXPECT_TRUE(notices.empty());
    EXPECT_FALSE(utility->Modes().Time);
    Alt('t');
    Destroy();
    EXPECT_EQ(store.Values["bTime"], MemorySettingsStore::Value(true));
}

// ---- Session log ----

class SessionLogFolder {
public:
    SessionLogFolder()
        : previous_(std::filesystem::current_path()),
          folder_(std::filesystem::temp_directory_path() /
                  ("rivan-session-" + std::to_string(std::random_device{}()))) {
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directories(folder_);
        std::filesystem::current_path(folder_);
    }
    ~SessionLogFolder() {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(folder_);
    }
    std::string Read(const std::string& name) const {
        std::ifstream file(folder_ / name, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }
    const std::filesystem::path& Path() const { return folder_; }

private:
    std::filesystem::path previous_;
    std::filesystem::path folder_;
};

constexpr const char* LogName = "terminal-COM1-20240501-140307.log";

TEST_F(TerminalUtilityTest, AltGLogsTypedAndReceivedBytesWithTimeStamps) {
    SessionLogFolder folder;
    Start();
    Alt('g');
    EXPECT_EQ(utility->SessionLogFile(), LogName);
    // The name without its ending fits the row; the frame stays.
    EXPECT_EQ(Screen().RowText(3, 35, 45), "Time=Off  Log=terminal-COM1-20240501-140307 \xBA");

    for (char character : std::string("*?NAM\r"))
        Key(static_cast<std::uint8_t>(character));
    clock.Advance(118);
    ReceiveText("\x13\x06*NAM RIVAN\r\n\x11");
    // Written through after every burst: the file is complete while the log runs.
    const std::string running = "[14:03:07.412] *** log of COM1 started\r\n"
                                "[14:03:07.412] typed: *?NAM\r\n"
                                "[14:03:07.530] (XOFF)(ACK)*NAM RIVAN\r\n"
                                "[14:03:07.530] (XON)";
    EXPECT_EQ(folder.Read(LogName), running);

    clock.Advance(70);
    Alt('G');
    EXPECT_EQ(folder.Read(LogName), running + "\r\n[14:03:07.600] *** log stopped\r\n");
    EXPECT_TRUE(utility->SessionLogFile().empty());
    EXPECT_EQ(Screen().RowText(3, 45, 34), std::string(34, ' '));
    // The display itself never shows time stamps unless asked.
    EXPECT_EQ(Screen().RowText(6, 0, 2), "\x13\x06");
    EXPECT_EQ(port.Written, (std::vector<std::uint8_t>{'*', '?', 'N', 'A', 'M', '\r'}));
}

TEST_F(TerminalUtilityTest, ALogFileThatCannotBeCreatedIsReportedAndTheSessionGoesOn) {
    SessionLogFolder folder;
    // A folder stands where the file would go, so it cannot be created, not even by root.
    std::filesystem::create_directory(folder.Path() / LogName);
    Start();
    Alt('g');
    EXPECT_EQ(Screen().RowText(6, 0, 60),
              "log file terminal-COM1-20240501-140307.log cannot be created");
    EXPECT_EQ(Screen().Cursor(), (ConsolePosition{0, 7}));
    EXPECT_TRUE(utility->SessionLogFile().empty());
    EXPECT_EQ(Screen().RowText(3, 45, 4), "    ");
    EXPECT_TRUE(utility->Running());
    Key('a');
    EXPECT_EQ(port.Written, (std::vector<std::uint8_t>{'a'}));
    EXPECT_TRUE(log.empty());
}

// ---- A lost port ----

TEST_F(TerminalUtilityTest, ALostPortIsWaitedForAndTheRunGoesOnWithTheSameModes) {
    const std::string adapter = OverridePort(1, "/dev/rivan-adapter");
    StoreKey("COM1", false, false, true);
    Start();
    ReceiveText("A");
    utility->QueueReadFailure(5);
    ASSERT_TRUE(utility->ServePending());
    EXPECT_TRUE(utility->WaitingForPort());
    EXPECT_TRUE(utility->Running());
    EXPECT_EQ(log, (std::vector<std::string>{"In ProcessIO -> Error number: 5"}));
    EXPECT_EQ(Screen().RowText(7, 0, 53), "port lost, waiting for it to come back (Alt+Q quits) ");
    EXPECT_EQ(Screen().At(0, 7).Attribute, 0x0A);

    // Typing while the port is away sends nothing; the modes go on working.
    Key('z');
    Alt('l');
    port.OpenErrors[adapter] = 2;
    EXPECT_FALSE(utility->RetryPort());
    EXPECT_FALSE(utility->RetryPort());
    port.OpenErrors.clear();
    EXPECT_TRUE(utility->RetryPort());
    EXPECT_FALSE(utility->WaitingForPort());
    EXPECT_EQ(Screen().RowText(8, 0, 10), "port back ");
    // Retries that fail are not logged.
    EXPECT_EQ(log, (std::vector<std::string>{"In ProcessIO -> Error number: 5"}));
    EXPECT_EQ(port.Opened, std::vector<std::string>(4, adapter));
    EXPECT_EQ(port.BaudRates, (std::vector<int>{115200, 115200}));
    EXPECT_EQ(port.LineChanges,
              (std::vector<std::string>{"DTR+", "RTS+", "RTS-", "DTR-", "DTR+", "RTS+"}));

    Key('k');
    Receive({0x06});
    EXPECT_EQ(port.Written, (std::vector<std::uint8_t>{'k'}));
    EXPECT_TRUE(utility->Modes().Hex);
    EXPECT_TRUE(utility->Modes().LocalEcho);
    EXPECT_EQ(Screen().RowText(9, 0, 9), "k(ACK)06.");
    ClearOverride(1);
}

TEST_F(TerminalUtilityTest, AltQWhileThePortIsLostEndsTheRun) {
    Start();
    utility->QueueReadFailure(5);
    ASSERT_TRUE(utility->ServePending());
    ASSERT_TRUE(utility->WaitingForPort());
    Alt('q');
    EXPECT_FALSE(utility->Running());
    EXPECT_FALSE(utility->RetryPort());
    EXPECT_EQ(port.Closes, 1);
    EXPECT_EQ(log, (std::vector<std::string>{"In ProcessIO -> Error number: 5"}));
}

TEST_F(TerminalUtilityTest, ARunWhosePortCameBackSavesItsSettingsOneStillWaitingDoesNot) {
    struct Case {
        const char* Name;
        bool EarlierReport; // a line-setting failure at the start of the run
        bool PortBack;
        int ReopenSettingsError;
        bool Saved;
    };
    const Case cases[] = {
        {"port back", false, true, 0, true},
        {"still waiting at the end", false, false, 0, false},
        {"report before the loss", true, true, 0, false},
        {"port back with a line-setting failure", false, true, 22, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        log.clear();
        StoreKey("COM1", false, false, false);
        store.Values["bTime"] = false;
        port.WriteSettingsError = c.EarlierReport ? 22 : 0;
        Start();
        port.WriteSettingsError = c.ReopenSettingsError;
        Alt('x');
        Alt('t');
        utility->QueueReadFailure(5);
        ASSERT_TRUE(utility->ServePending());
        ASSERT_TRUE(utility->WaitingForPort());
        if (c.PortBack) {
            ASSERT_TRUE(utility->RetryPort());
        }
        Alt('q');
        EXPECT_EQ(log.back(), c.ReopenSettingsError ? "In SetCommState -> Error number: 22"
                                                    : "In ProcessIO -> Error number: 5");
        Destroy();
        EXPECT_EQ(store.Values["bHex"], MemorySettingsStore::Value(c.Saved));
        EXPECT_EQ(store.Values["bTime"], MemorySettingsStore::Value(c.Saved));
    }
}

TEST_F(TerminalUtilityTest, APortLostAndBackIsNotedInTheSessionLog) {
    SessionLogFolder folder;
    Start();
    Alt('g');
    ReceiveText("ab");
    utility->QueueReadFailure(5);
    ASSERT_TRUE(utility->ServePending());
    clock.Advance(500);
    ASSERT_TRUE(utility->RetryPort());
    EXPECT_EQ(folder.Read(LogName),
              "[14:03:07.412] *** log of COM1 started\r\n"
              "[14:03:07.412] ab\r\n"
              "[14:03:07.412] *** port lost, waiting for it to come back (Alt+Q quits)\r\n"
              "[14:03:07.912] *** port back\r\n");
    Alt('g'); // closes the log, so that its folder can go (Windows keeps open files)
}

} // namespace
