// End to end: the terminal on the port of a simulated unit served by rivan-sim.
#include "link/device/deviceterminalport.h"
#include "support/processuntil.h"
#include "support/scriptedprompts.h"

#include "tools/terminal/terminalrunner.h"

#include <QApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

namespace {

constexpr int WakeUpMs = 20;
constexpr int MaxWakeUps = 250;

// The RIVAN_COM1=... line rivan-sim prints, without the name; empty when none came.
std::string SimulatedPort(QProcess& simulator) {
    simulator.start(QStringLiteral(RIVAN_SIM_PROGRAM),
                    {QStringLiteral("--com"), QStringLiteral("1"), QStringLiteral("--heartbeat"),
                     QStringLiteral("60000")});
    const QByteArray prefix = "RIVAN_COM1=";
    QByteArray output;
    for (int round = 0; round < MaxWakeUps && simulator.state() != QProcess::NotRunning; ++round) {
        simulator.waitForReadyRead(WakeUpMs);
        output += simulator.readAllStandardOutput();
        const qsizetype at = output.indexOf(prefix);
        const qsizetype end = output.indexOf('\n', at);
        if (at >= 0 && end > at)
            return output.mid(at + prefix.size(), end - at - prefix.size()).trimmed().toStdString();
    }
    return {};
}

TEST(TerminalOnSimulatedUnit, TypedNameQueryShowsTheHandshakeAndTheReply) {
    QProcess simulator;
    const std::string device = SimulatedPort(simulator);
    if (device.empty())
        GTEST_SKIP() << "rivan-sim serves no unit in this build";
    setenv("RIVAN_COM1", device.c_str(), 1);

    ScriptedPrompts prompts;
    std::vector<std::string> log;
    DeviceTerminalPort port;
    TerminalRunner runner(
        nullptr, prompts, port, [&](const std::string& line) { log.push_back(line); }, "COM1");
    runner.Start();
    ASSERT_TRUE(runner.Running());
    for (QChar character : QStringLiteral("*?NAM\r")) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(character));
        QApplication::sendEvent(&runner.Window(), &press);
    }

    ConsoleBuffer& screen = runner.ConsoleScreens().StandardOutput();
    const auto shown = [&] {
        std::string text;
        for (int row = 6; row < screen.Height(); ++row)
            text += screen.RowText(row) + "|";
        return text;
    };
    // The unit stops the line (XOFF), acknowledges the command (ACK), answers with its
    // name line and frees the line again (XON) on the next row.
    const std::string reply = "\x13\x06*NAM RIVAN";
    ASSERT_TRUE(ProcessUntil([&] {
        const auto at = shown().find(reply);
        return at != std::string::npos && shown().find('\x11', at) != std::string::npos;
    })) << shown();
    const std::string text = shown();
    const auto at = text.find(reply);
    const auto rowEnd = text.find('|', at);
    EXPECT_EQ(text.find_first_not_of(' ', at + reply.size()), rowEnd) << text;
    EXPECT_EQ(text[rowEnd + 1], '\x11') << text;
    EXPECT_TRUE(log.empty());

    runner.Utility().Quit();
    simulator.terminate();
    simulator.waitForFinished();
    unsetenv("RIVAN_COM1");
}

} // namespace
