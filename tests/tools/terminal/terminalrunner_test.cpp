// Tests of a whole terminal run in its console window on an in-memory port, with the
// settings kept in the test's own settings folder.
#include "support/memoryterminalport.h"
#include "support/processuntil.h"
#include "support/scriptedprompts.h"
#include "support/virtualterminalclock.h"

#include "tools/terminal/terminalrunner.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// The device COM1 names in these tests.
constexpr const char* Device = "/dev/rivan-test-line";

class TerminalRunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        Settings().clear();
        Settings().sync();
        for (const char* name : {"RIVAN_COM1", "RIVAN_COM2", "RIVAN_COM3", "RIVAN_COM4"})
            unsetenv(name);
        setenv("RIVAN_COM1", device.c_str(), 1);
    }
    void TearDown() override {
        runner.reset();
        for (const char* name : {"RIVAN_COM1", "RIVAN_COM2", "RIVAN_COM3", "RIVAN_COM4"})
            unsetenv(name);
    }

    static QSettings Settings() {
        return QSettings(QStringLiteral("Qelvar"), QStringLiteral("CTL_RVN"));
    }
    void StoreKey(const QString& port, int echo, int crlf, std::optional<int> hex) {
        QSettings settings = Settings();
        settings.setValue(QStringLiteral("Terminal/ComPort"), port);
        settings.setValue(QStringLiteral("Terminal/bLocal"), echo);
        settings.setValue(QStringLiteral("Terminal/bCRLF"), crlf);
        if (hex)
            settings.setValue(QStringLiteral("Terminal/bHex"), *hex);
        settings.sync();
    }
    static QVariant Stored(const char* name) {
        return Settings().value(QStringLiteral("Terminal/") + QLatin1String(name));
    }

    TerminalRunner& Start(std::optional<std::string> detected = std::nullopt) {
        runner = std::make_unique<TerminalRunner>(
            nullptr, prompts, port, [this](const std::string& line) { log.push_back(line); },
            std::move(detected));
        QObject::connect(runner.get(), &TerminalRunner::Finished, [this] { finished = true; });
        runner->Start();
        return *runner;
    }
    // Destroying the run saves the settings.
    void Destroy() { runner.reset(); }

    void Press(int key, Qt::KeyboardModifiers modifiers, const QString& text) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(&runner->Window(), &press);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
        QApplication::sendEvent(&runner->Window(), &release);
        ProcessUntil([this] { return finished || !runner->ConsoleScreens().InputPending(); });
    }
    void Type(const QString& text) {
        for (QChar character : text)
            Press(Qt::Key_unknown, Qt::NoModifier, QString(character));
    }
    void Alt(char character) {
        Press(Qt::Key_A + (QChar::toUpper(character) - 'A'), Qt::AltModifier,
              QString(QLatin1Char(character)));
    }

    // What the terminal wrote to the line, as the unit's side sees it.
    std::string WrittenToLine() const {
        return std::string(port.Written.begin(), port.Written.end());
    }
    // The unit's side sends `bytes`.
    void WriteToLine(const std::string& bytes) { port.Deliver(bytes); }
    ConsoleBuffer& Screen() { return runner->ConsoleScreens().StandardOutput(); }

    std::string device = Device;
    MemoryTerminalPort port;
    ScriptedPrompts prompts;
    std::vector<std::string> log;
    std::unique_ptr<TerminalRunner> runner;
    bool finished = false;
};

TEST_F(TerminalRunnerTest, TypedCommandGoesOutAndTheUnitsReplyIsShown) {
    Start();
    ASSERT_TRUE(runner->Running());
    EXPECT_TRUE(runner->Window().isVisible());
    EXPECT_EQ(Screen().RowText(2, 2, 6), "COM1: ");

    Type(QStringLiteral("*?NAM"));
    Press(Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    EXPECT_EQ(WrittenToLine(), "*?NAM\r");
    EXPECT_EQ(port.Opened, std::vector<std::string>{device});
    EXPECT_EQ(port.BaudRates, std::vector<int>{115200});

    // The unit answers XON, its name line and XOFF.
    WriteToLine("\x11RIVAN\r\n\x13");
    ASSERT_TRUE(ProcessUntil([this] { return Screen().At(0, 7).Character == 0x13; }));
    EXPECT_EQ(Screen().RowText(6, 0, 7), "\x11RIVAN ");
    EXPECT_EQ(Screen().At(1, 6).Attribute, 0x03);

    Alt('x');
    WriteToLine("\x06");
    ASSERT_TRUE(ProcessUntil([this] { return Screen().At(8, 7).Character == '.'; }));
    EXPECT_EQ(Screen().RowText(7, 1, 8), "(ACK)06.");

    Alt('q');
    EXPECT_TRUE(finished);
    EXPECT_FALSE(runner->Window().isVisible());
    EXPECT_TRUE(log.empty());
    Destroy();
    EXPECT_EQ(Stored("ComPort").toString(), QStringLiteral("COM1"));
    EXPECT_EQ(Stored("bHex").toInt(), 1);
}

TEST_F(TerminalRunnerTest, FirstRunWithoutAKeyAsksNothingAndCreatesTheKey) {
    EXPECT_FALSE(Settings().childGroups().contains(QStringLiteral("Terminal")));
    Start();
    EXPECT_TRUE(runner->Running());
    EXPECT_TRUE(prompts.Messages.empty());
    Alt('l');
    Alt('q');
    Destroy();
    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_EQ(Stored("ComPort").toString(), QStringLiteral("COM1"));
    EXPECT_EQ(Stored("bLocal").toInt(), 1);
    EXPECT_EQ(Stored("bCRLF").toInt(), 0);
    EXPECT_EQ(Stored("bHex").toInt(), 0);
}

TEST_F(TerminalRunnerTest, AKeyLackingHexModeShowsTheReadBoxAndFallsBackToComOne) {
    StoreKey(QStringLiteral("COM4"), 1, 1, std::nullopt);
    Start();
    ASSERT_EQ(prompts.Messages.size(), 1u);
    EXPECT_EQ(prompts.Messages[0].Caption, QStringLiteral("Tools Terminal"));
    EXPECT_EQ(prompts.Messages[0].Text, QStringLiteral("Unable to read data from the Registry"));
    EXPECT_EQ(prompts.Messages[0].Kind, Prompts::Icon::Error);
    EXPECT_EQ(prompts.Messages[0].Choice, Prompts::Buttons::Ok);
    EXPECT_EQ(runner->Utility().PortName(), "COM1");
    EXPECT_TRUE(runner->Running());
    EXPECT_EQ(Screen().RowText(3, 2, 22), "CR=CR+LF  Echo=Local  ");
}

TEST_F(TerminalRunnerTest, TheDetectedPortWinsOverTheStoredOne) {
    StoreKey(QStringLiteral("COM4"), 0, 0, 0);
    setenv("RIVAN_COM2", device.c_str(), 1);
    unsetenv("RIVAN_COM1");
    Start("COM2");
    EXPECT_TRUE(runner->Running());
    EXPECT_EQ(Screen().RowText(2, 2, 6), "COM2: ");
    Alt('q');
    Destroy();
    EXPECT_EQ(Stored("ComPort").toString(), QStringLiteral("COM2"));
}

TEST_F(TerminalRunnerTest, AltThreeOnAMissingPortLogsTheErrorAndKeepsTheStoredPort) {
    StoreKey(QStringLiteral("COM1"), 0, 0, 0);
    setenv("RIVAN_COM3", "/dev/rivan-no-such-port", 1);
    port.OpenErrors["/dev/rivan-no-such-port"] = 2;
    Start();
    ASSERT_TRUE(runner->Running());
    Alt('x');
    Alt('3');
    EXPECT_TRUE(finished);
    EXPECT_FALSE(runner->Window().isVisible());
    EXPECT_EQ(log, (std::vector<std::string>{"[COM3] In CreateFile -> Error number: 2"}));
    Destroy();
    EXPECT_EQ(Stored("ComPort").toString(), QStringLiteral("COM1"));
    EXPECT_EQ(Stored("bHex").toInt(), 0);
    EXPECT_TRUE(prompts.Messages.empty());
}

TEST_F(TerminalRunnerTest, APortSwitchReopensOnTheNewDevice) {
    setenv("RIVAN_COM2", "/dev/rivan-second-line", 1);
    Start();
    Alt('2');
    ASSERT_TRUE(runner->Running());
    EXPECT_EQ(Screen().RowText(2, 2, 6), "COM2: ");
    EXPECT_EQ(port.Opened, (std::vector<std::string>{device, "/dev/rivan-second-line"}));
    EXPECT_EQ(port.Closes, 1);
    Type(QStringLiteral("x"));
    EXPECT_EQ(WrittenToLine(), "x");
}

TEST_F(TerminalRunnerTest, TheUnitHangingUpIsLoggedAndTheRunWaitsForThePort) {
    Start();
    ASSERT_TRUE(runner->Running());
    WriteToLine("ok");
    port.FailLine(5);
    ASSERT_TRUE(ProcessUntil([this] { return runner->Utility().WaitingForPort(); }));
    EXPECT_FALSE(finished);
    EXPECT_EQ(Screen().RowText(6, 0, 3), "ok ");
    EXPECT_EQ(log, (std::vector<std::string>{"In ProcessIO -> Error number: 5"}));
}

// A run whose lost port is tried again on virtual time.
class TerminalRunnerReplugTest : public TerminalRunnerTest {
protected:
    void StartOnVirtualTime() {
        runner = std::make_unique<TerminalRunner>(
            nullptr, prompts, port, [this](const std::string& line) { log.push_back(line); },
            std::nullopt, clock, clock);
        QObject::connect(runner.get(), &TerminalRunner::Finished, [this] { finished = true; });
        runner->Start();
        ASSERT_TRUE(runner->Running());
    }
    void PullAdapter() {
        port.OpenErrors[device] = 2;
        port.FailLine(5);
        ASSERT_TRUE(ProcessUntil([this] { return runner->Utility().WaitingForPort(); }));
    }

    VirtualTerminalClock clock;
};

TEST_F(TerminalRunnerReplugTest, APortBackOnTheThirdTryCarriesOnWithTheSameModes) {
    StartOnVirtualTime();
    Alt('x');
    Alt('t');
    PullAdapter();
    EXPECT_EQ(Screen().RowText(6, 0, 52), "port lost, waiting for it to come back (Alt+Q quits)");
    EXPECT_TRUE(clock.Active());

    clock.Advance(499);
    EXPECT_EQ(port.Opened.size(), 1u); // not before half a second
    clock.Advance(1);
    clock.Advance(500);
    EXPECT_EQ(port.Opened.size(), 3u);
    EXPECT_TRUE(runner->Utility().WaitingForPort());
    port.OpenErrors.clear(); // plugged back in
    clock.Advance(500);
    EXPECT_EQ(port.Opened, std::vector<std::string>(4, device));
    EXPECT_EQ(clock.ElapsedMs, 1500);
    EXPECT_FALSE(runner->Utility().WaitingForPort());
    EXPECT_FALSE(clock.Active());
    EXPECT_EQ(Screen().RowText(7, 0, 10), "port back ");
    // The failed tries are not logged.
    EXPECT_EQ(log, (std::vector<std::string>{"In ProcessIO -> Error number: 5"}));

    Type(QStringLiteral("k"));
    EXPECT_EQ(WrittenToLine(), "k");
    WriteToLine("\x06");
    ASSERT_TRUE(ProcessUntil([this] { return Screen().At(22, 8).Character == '.'; }));
    EXPECT_EQ(Screen().RowText(8, 0, 23), "[14:03:08.912] (ACK)06.");
    EXPECT_EQ(Screen().RowText(3, 24, 18), "Mode=Hex   Time=On");
}

TEST_F(TerminalRunnerReplugTest, AltQWhileWaitingEndsTheRunAndStopsTrying) {
    StartOnVirtualTime();
    PullAdapter();
    clock.Advance(500);
    Alt('q');
    EXPECT_TRUE(finished);
    EXPECT_FALSE(runner->Window().isVisible());
    EXPECT_FALSE(clock.Active());
    const std::size_t tries = port.Opened.size();
    clock.Advance(5000);
    EXPECT_EQ(port.Opened.size(), tries);
    EXPECT_EQ(log, (std::vector<std::string>{"In ProcessIO -> Error number: 5"}));
    // The logged failure keeps the settings from being saved, as any logged error does.
    Destroy();
    EXPECT_FALSE(Stored("ComPort").isValid());
}

TEST_F(TerminalRunnerTest, TimeStampsAreStoredInTheTerminalGroupAndRestored) {
    Start();
    Alt('t');
    Alt('q');
    Destroy();
    EXPECT_EQ(Stored("bTime").toInt(), 1);
    finished = false;
    Start();
    EXPECT_TRUE(runner->Utility().Modes().Time);
    EXPECT_EQ(Screen().RowText(3, 35, 7), "Time=On");
    EXPECT_TRUE(prompts.Messages.empty());
}

TEST_F(TerminalRunnerTest, AFloodIsTakenInPortionsAndAllOfItIsShown) {
    Start();
    // More than one look at the port takes, in one delivery: the rest waits in the port.
    WriteToLine(std::string(10000, 'a') + "z");
    ASSERT_TRUE(ProcessUntil(
        [this] { return port.Waiting() == 0 && !runner->Utility().ReceivePending(); }));
    EXPECT_TRUE(runner->Running());
    const ConsolePosition cursor = Screen().Cursor();
    EXPECT_EQ(Screen().At(cursor.Column - 1, cursor.Row).Character, 'z');
}

TEST_F(TerminalRunnerTest, TheIdleTimerWaitsAMillionMillisecondsAndEndsTheRun) {
    Start();
    EXPECT_TRUE(runner->IdleTimer().isActive());
    EXPECT_EQ(runner->IdleTimer().interval(), 1000000);
    EXPECT_TRUE(runner->IdleTimer().isSingleShot());
    // Shortened only to see that its expiry ends the run.
    runner->IdleTimer().start(0);
    ASSERT_TRUE(ProcessUntil([this] { return finished; }));
    EXPECT_TRUE(log.empty());
}

TEST_F(TerminalRunnerTest, ClosingTheConsoleWindowEndsTheRun) {
    Start();
    runner->Window().close();
    EXPECT_TRUE(finished);
    EXPECT_FALSE(runner->Window().isVisible());
}

TEST_F(TerminalRunnerTest, SettingsThatCannotBeOpenedForWritingArePassedOverSilently) {
    // The settings folder cannot be made: a file stands where it belongs.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                           QStringLiteral("/Qelvar");
    QDir(folder).removeRecursively();
    {
        QFile blocker(folder);
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    Start();
    Alt('q');
    EXPECT_TRUE(finished);
    Destroy();
    QFile::remove(folder);
    EXPECT_TRUE(prompts.Messages.empty());
    EXPECT_TRUE(log.empty());
}

} // namespace
