// End-to-end tests of a terminal run in its console window on a pseudo-terminal, with
// the settings kept in the test's own settings folder.
#include "support/scriptedprompts.h"

#include "tools/terminalrunner.h"

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

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

namespace {

// Bounds on waiting for the pseudo-terminal to pass bytes on; no test measures time.
constexpr int WakeUpMs = 20;
constexpr int MaxWakeUps = 250;

class TerminalRunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        Settings().clear();
        Settings().sync();
        for (const char* name : {"RIVAN_COM1", "RIVAN_COM2", "RIVAN_COM3", "RIVAN_COM4"})
            unsetenv(name);
        int slave = -1;
        char name[256] = {};
        ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
        ::close(slave);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        device = name;
        setenv("RIVAN_COM1", device.c_str(), 1);
    }
    void TearDown() override {
        runner.reset();
        if (master >= 0)
            ::close(master);
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
            nullptr, prompts, [this](const std::string& line) { log.push_back(line); },
            std::move(detected));
        QObject::connect(runner.get(), &TerminalRunner::Finished, [this] { finished = true; });
        runner->Start();
        return *runner;
    }
    // Destroying the run saves the settings.
    void Destroy() { runner.reset(); }

    // Lets the event loop run until `done` holds, waking up now and then so that the
    // wait ends even when nothing arrives.
    bool ProcessUntil(const std::function<bool()>& done) {
        QTimer wakeUp;
        wakeUp.start(WakeUpMs);
        for (int round = 0; round < MaxWakeUps && !done(); ++round)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return done();
    }

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

    // What the terminal wrote to the line, read on the unit's side until `expected` has
    // come or nothing more comes.
    std::string ReadFromLine(std::size_t expected) {
        std::string bytes;
        for (int round = 0; round < MaxWakeUps && bytes.size() < expected; ++round) {
            pollfd ready{master, POLLIN, 0};
            if (::poll(&ready, 1, WakeUpMs) <= 0)
                continue;
            char chunk[64];
            const ssize_t count = ::read(master, chunk, sizeof chunk);
            if (count > 0)
                bytes.append(chunk, static_cast<std::size_t>(count));
        }
        return bytes;
    }
    void WriteToLine(const std::string& bytes) {
        ASSERT_EQ(::write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    ConsoleBuffer& Screen() { return runner->ConsoleScreens().StandardOutput(); }

    int master = -1;
    std::string device;
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
    EXPECT_EQ(ReadFromLine(6), "*?NAM\r");

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
    setenv("RIVAN_COM2", device.c_str(), 1);
    Start();
    Alt('2');
    ASSERT_TRUE(runner->Running());
    EXPECT_EQ(Screen().RowText(2, 2, 6), "COM2: ");
    Type(QStringLiteral("x"));
    EXPECT_EQ(ReadFromLine(1), "x");
}

TEST_F(TerminalRunnerTest, APortInUseByAnotherTerminalCannotBeOpened) {
    Start();
    ASSERT_TRUE(runner->Running());
    ScriptedPrompts otherPrompts;
    std::vector<std::string> otherLog;
    TerminalRunner other(
        nullptr, otherPrompts, [&](const std::string& line) { otherLog.push_back(line); }, "COM1");
    other.Start();
    EXPECT_FALSE(other.Running());
    EXPECT_EQ(otherLog, (std::vector<std::string>{"[COM1] In CreateFile -> Error number: 16"}));
}

TEST_F(TerminalRunnerTest, TheUnitHangingUpEndsTheRunWithAnError) {
    Start();
    ASSERT_TRUE(runner->Running());
    ::close(master);
    master = -1;
    ASSERT_TRUE(ProcessUntil([this] { return finished; }));
    EXPECT_EQ(log, (std::vector<std::string>{"In ProcessIO -> Error number: 5"}));
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
