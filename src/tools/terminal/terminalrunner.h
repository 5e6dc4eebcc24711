// One terminal run in a console window: the terminal, its settings, the window, and the
// event loop that feeds the terminal with keys, received bytes and the idle time-out, keys
// first, and tries a lost port again until it is back.
#pragma once

#include "tools/terminal/console.h"
#include "tools/terminal/consolewindow.h"
#include "tools/terminal/eventlooptimer.h"
#include "tools/terminal/terminalclock.h"
#include "tools/terminal/terminalsettings.h"
#include "tools/terminal/terminalutility.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class Prompts;
class QEventLoop;
class QWidget;
class TerminalPort;

class TerminalRunner : public QObject {
    Q_OBJECT
public:
    static constexpr const char* Caption = "Tools Terminal";

    // `port` is the serial port the run opens and closes; it must outlive the runner.
    // `appendLine` adds one line to the activity log; `detectedPort` is the port a unit was
    // found on, which the terminal opens instead of the stored one.
    TerminalRunner(QWidget* parent, Prompts& prompts, TerminalPort& port,
                   std::function<void(const std::string&)> appendLine,
                   std::optional<std::string> detectedPort);
    // The same with the time of day and the timer between tries at a lost port handed in;
    // both must outlive the runner.
    TerminalRunner(QWidget* parent, Prompts& prompts, TerminalPort& port,
                   std::function<void(const std::string&)> appendLine,
                   std::optional<std::string> detectedPort, TerminalClock& clock,
                   TerminalTimer& retryTimer);
    // Ends the run if it still goes on and saves the settings unless an error was logged.
    ~TerminalRunner() override;

    // Shows the console window and starts the run; returns at once.
    void Start();
    // Starts the run and returns when it has ended.
    void Exec();
    bool Running() const { return utility_.Running(); }

    TerminalUtility& Utility() { return utility_; }
    Console& ConsoleScreens() { return console_; }
    ConsoleWindow& Window() { return *window_; }
    QTimer& IdleTimer() { return idleTimer_; }

signals:
    void Finished();

private:
    void Pump();
    void QueuePump();
    void PortReady();
    // While the port is lost, has it tried again after the retry interval.
    void ScheduleRetry();
    void RetryPort();
    // Hands what the port received since the last look to the terminal.
    void ReadPort();
    void Finish();

    Console console_;
    TerminalPort& port_;
    EventLoopTimer ownRetryTimer_;
    TerminalTimer& retryTimer_;
    TerminalSettings settings_;
    TerminalUtility utility_;
    std::unique_ptr<ConsoleWindow> window_;
    QTimer idleTimer_;
    QEventLoop* loop_ = nullptr;
    std::vector<std::uint8_t> readBuffer_;
    bool pumpQueued_ = false;
    bool finished_ = false;
};

// Runs one terminal session on `port` modally over `parent`: the main window's terminal
// command.
void RunTerminal(QWidget* parent, Prompts& prompts, TerminalPort& port,
                 std::function<void(const std::string&)> appendLine,
                 std::optional<std::string> detectedPort);
