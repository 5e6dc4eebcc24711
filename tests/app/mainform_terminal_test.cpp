// Tests of the main window's terminal command: its log lines, its modal console window
// and the detected port taking precedence over the stored one.
#include "mainformfixture.h"

#include "link/sim/simulatedunit.h"
#include "tools/terminal/consolewindow.h"

#include <QKeyEvent>
#include <QSettings>
#include <QTimer>

#include <cstdlib>

namespace {

class MainFormTerminalTest : public MainFormTest {
protected:
    void SetUp() override {
        MainFormTest::SetUp();
        QSettings settings(QStringLiteral("Qelvar"), QStringLiteral("CTL_RVN"));
        settings.remove(QStringLiteral("Terminal"));
        for (const char* name : {"RIVAN_COM1", "RIVAN_COM2", "RIVAN_COM3", "RIVAN_COM4"})
            setenv(name, "/dev/rivan-no-such-port", 1);
        terminalPort.OpenErrors["/dev/rivan-no-such-port"] = 2;
    }
    void TearDown() override {
        for (const char* name : {"RIVAN_COM1", "RIVAN_COM2", "RIVAN_COM3", "RIVAN_COM4"})
            unsetenv(name);
        MainFormTest::TearDown();
    }
    QStringList LinesFrom(qsizetype from) const { return Lines().mid(from); }
    static QString StoredPort() {
        return QSettings(QStringLiteral("Qelvar"), QStringLiteral("CTL_RVN"))
            .value(QStringLiteral("Terminal/ComPort"))
            .toString();
    }

    SimulatedUnit unit;
};

TEST_F(MainFormTerminalTest, APortThatCannotBeOpenedIsLoggedBetweenStartAndExit) {
    const qsizetype start = Lines().size();

    Trigger("ToolsTerm");

    const QStringList lines = LinesFrom(start);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Tools: terminal started at ")));
    EXPECT_GT(lines[0].size(), QStringLiteral("Tools: terminal started at ").size());
    EXPECT_EQ(lines[1], QStringLiteral("[COM1] In CreateFile -> Error number: 2"));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("Tools: terminal exit at ")));
    EXPECT_TRUE(Action("ToolsTerm")->isEnabled());
    EXPECT_TRUE(StoredPort().isEmpty());
}

TEST_F(MainFormTerminalTest, TheDetectedPortWinsOverTheStoredOne) {
    QSettings(QStringLiteral("Qelvar"), QStringLiteral("CTL_RVN"))
        .setValue(QStringLiteral("Terminal/ComPort"), QStringLiteral("COM4"));
    driver.AddPort("COM1");
    driver.AttachPeer("COM2", unit);
    Trigger("ToolsDetect");
    ASSERT_EQ(form->PanelText(TMainForm::PortPanel), QStringLiteral("COM2"));
    const qsizetype start = Lines().size();

    Trigger("ToolsTerm");

    const QStringList lines = LinesFrom(start);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[1], QStringLiteral("[COM2] In CreateFile -> Error number: 2"));
    EXPECT_EQ(StoredPort(), QStringLiteral("COM4"));
}

TEST_F(MainFormTerminalTest, TheConsoleRunsModallyWithTheCommandDisabledUntilAltQ) {
    setenv("RIVAN_COM1", "/dev/rivan-test-line", 1);

    bool modal = false;
    bool commandDisabled = false;
    QTimer::singleShot(0, form.get(), [&] {
        auto* console = form->findChild<ConsoleWindow*>();
        ASSERT_NE(console, nullptr);
        modal = console->isVisible() && console->windowModality() == Qt::ApplicationModal;
        commandDisabled = !Action("ToolsTerm")->isEnabled();
        QKeyEvent altQ(QEvent::KeyPress, Qt::Key_Q, Qt::AltModifier, QStringLiteral("q"));
        QApplication::sendEvent(console, &altQ);
    });
    const qsizetype start = Lines().size();

    Trigger("ToolsTerm");

    EXPECT_EQ(terminalPort.Opened, std::vector<std::string>{"/dev/rivan-test-line"});
    EXPECT_TRUE(modal);
    EXPECT_TRUE(commandDisabled);
    EXPECT_TRUE(Action("ToolsTerm")->isEnabled());
    const QStringList lines = LinesFrom(start);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Tools: terminal started at ")));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Tools: terminal exit at ")));
    EXPECT_EQ(StoredPort(), QStringLiteral("COM1"));
}

} // namespace
