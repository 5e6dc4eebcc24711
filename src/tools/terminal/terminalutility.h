// The serial terminal: shows every byte the port receives on the console, as text or in
// hexadecimal, sends every typed character to the port, and takes Alt+key commands. It
// is driven from outside: its owner queues what the port delivered and has the pending
// events served one at a time, console input first, and reports the idle time-out. When
// the port fails the terminal waits for it, and its owner has it try the port again.
#pragma once

#include "link/terminalport.h"
#include "tools/terminal/console.h"
#include "tools/terminal/sessionlog.h"
#include "tools/terminal/terminalclock.h"
#include "tools/terminal/terminalscreen.h"
#include "tools/terminal/terminalsettingsstore.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

class TerminalUtility {
public:
    // Receives one line for the activity log.
    using LogTarget = std::function<void(const std::string& line)>;
    // Shows an error notice to the user (a message box captioned "Tools Terminal").
    using Notice = std::function<void(const std::string& text)>;

    static constexpr int BaudRate = 115200;
    // A run with no key and no received byte for this long ends as if Alt+Q was pressed.
    static constexpr int IdleTimeoutMs = 1'000'000;
    static constexpr std::size_t MaxPortNameLength = 15;

    // Settings key values.
    static constexpr const char* PortValue = "ComPort";
    static constexpr const char* LocalEchoValue = "bLocal";
    static constexpr const char* CrLfValue = "bCRLF";
    static constexpr const char* HexValue = "bHex";
    // Added after the four above; a key without it reads as time stamps off.
    static constexpr const char* TimeValue = "bTime";
    static constexpr const char* DefaultPortName = "COM1";
    static constexpr const char* ReadFailedText = "Unable to read data from the Registry";
    static constexpr const char* SaveFailedText = "Unable to save data to the Registry";

    // Lines written in the terminal area.
    static constexpr const char* PortLostText =
        "port lost, waiting for it to come back (Alt+Q quits)";
    static constexpr const char* PortBackText = "port back";
    // The owner tries a lost port again this often.
    static constexpr int RetryIntervalMs = 500;

    // `detectedPort` is the port a unit was found on, which wins over the stored one.
    // `clock` gives the time of received bytes and of the session log's name.
    TerminalUtility(Console& console, TerminalPort& port, TerminalSettingsStore& settings,
                    LogTarget log, Notice notice, std::optional<std::string> detectedPort,
                    TerminalClock& clock = SystemClock::Instance());
    // Saves the settings unless an error was reported during the run; the failure that lost
    // the port counts only while the terminal waits for it.
    ~TerminalUtility();
    TerminalUtility(const TerminalUtility&) = delete;
    TerminalUtility& operator=(const TerminalUtility&) = delete;

    // Draws both screens, loads the settings and opens the first port connection. When
    // the port cannot be opened the run has ended on return.
    void Start();
    bool Running() const { return state_ == State::Connected || WaitingForPort(); }
    // The port failed and has not come back yet; the run goes on.
    bool WaitingForPort() const { return state_ == State::WaitingForPort; }
    // Opens the lost port again; true when it is back. A try that fails is not logged.
    bool RetryPort();

    // Bytes the port delivered at one time (a burst), to be shown in order.
    void QueueReceived(std::span<const std::uint8_t> bytes);
    // The port's read failed or the device went away; served after the bytes before it,
    // it closes the port and the terminal waits for the port to come back.
    void QueueReadFailure(int errorNumber);
    // Whether received bytes or a read failure wait to be served.
    bool ReceivePending() const { return !received_.empty() || readFailure_.has_value(); }
    // Serves one pending event: a console input event when there is one, else the next
    // received byte, else the read failure. False when nothing was pending.
    bool ServePending();
    void ServeIdleTimeout();
    // The console window was closed: ends the run as Alt+Q does.
    void Quit();

    const std::string& PortName() const { return portName_; }
    const TerminalModes& Modes() const { return modes_; }
    bool HelpShown() const { return helpShown_; }
    bool ErrorReported() const { return errorReported_; }
    ConsoleBuffer& TerminalBuffer() { return console_.StandardOutput(); }
    // The name of the session log file being written, empty when none is.
    const std::string& SessionLogFile() const { return sessionLogFile_; }

private:
    enum class State { NotStarted, Connected, WaitingForPort, Ended };

    // Bytes the port delivered at one time, and when.
    struct Burst {
        std::vector<std::uint8_t> Bytes;
        std::size_t Shown = 0;
        LocalTime Time;
    };

    void LoadSettings();
    void SaveSettings();
    bool OpenPort();
    void SetUpPort();
    void ClosePort();
    void StartConnection();
    void ServeInput();
    void ServeReadFailure(int errorNumber);
    void EndConnection();
    void EndRun();
    void ServeReceivedByte();
    // Whether the command asks for a new port connection.
    bool HandleCommandKey(std::uint8_t character);
    void ShowReceived(std::uint8_t byte, bool burstStart, const LocalTime& time);
    void ShowStamp(const LocalTime& time);
    // A line of the terminal's own in the terminal area, also noted in the session log.
    void ShowNotice(const std::string& text);
    void ShowText(std::uint8_t byte, std::uint8_t attribute);
    void ShowHex(std::uint8_t byte, std::uint8_t attribute);
    void NewLine();
    void ReportError(const std::string& step, int errorNumber);
    void RedrawModesRow();
    void StartSessionLog();
    void StopSessionLog();
    // Hands the session log to the system; a log that cannot be written is stopped.
    void FlushSessionLog();

    Console& console_;
    TerminalPort& port_;
    TerminalSettingsStore& settings_;
    LogTarget log_;
    Notice notice_;
    std::optional<std::string> detectedPort_;
    TerminalClock& clock_;
    TerminalScreen screen_;

    State state_ = State::NotStarted;
    bool restartRequested_ = false;
    ConsoleBuffer* helpScreen_ = nullptr;
    std::string portName_;
    TerminalModes modes_;
    bool helpShown_ = false;
    bool errorReported_ = false;
    // Whether an error was reported before the port was lost; a port back restores it.
    bool errorReportedBeforeLoss_ = false;
    bool lastOperationSucceeded_ = true;
    int lastErrorNumber_ = 0;
    std::deque<Burst> received_;
    std::optional<int> readFailure_;
    // The next received text byte starts a line, so it gets the time stamp.
    bool stampPending_ = true;
    SessionLog sessionLog_;
    std::string sessionLogFile_;
};
