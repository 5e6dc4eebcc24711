// The serial terminal: shows every byte the port receives on the console, as text or in
// hexadecimal, sends every typed character to the port, and takes Alt+key commands. It
// is driven from outside: its owner queues what the port delivered and has the pending
// events served one at a time, console input first, and reports the idle time-out.
#pragma once

#include "link/terminalport.h"
#include "tools/terminal/console.h"
#include "tools/terminal/terminalscreen.h"
#include "tools/terminal/terminalsettingsstore.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string>

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
    static constexpr const char* DefaultPortName = "COM1";
    static constexpr const char* ReadFailedText = "Unable to read data from the Registry";
    static constexpr const char* SaveFailedText = "Unable to save data to the Registry";

    // `detectedPort` is the port a unit was found on, which wins over the stored one.
    TerminalUtility(Console& console, TerminalPort& port, TerminalSettingsStore& settings,
                    LogTarget log, Notice notice, std::optional<std::string> detectedPort);
    // Saves the settings unless an error was reported during the run.
    ~TerminalUtility();
    TerminalUtility(const TerminalUtility&) = delete;
    TerminalUtility& operator=(const TerminalUtility&) = delete;

    // Draws both screens, loads the settings and opens the first port connection. When
    // the port cannot be opened the run has ended on return.
    void Start();
    bool Running() const { return state_ == State::Connected; }

    // Bytes the port delivered, to be shown in order.
    void QueueReceived(std::span<const std::uint8_t> bytes);
    // The port's read failed or the device went away; served after the bytes before it,
    // it ends the connection.
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

private:
    enum class State { NotStarted, Connected, Ended };

    void LoadSettings();
    void SaveSettings();
    bool OpenPort();
    void ClosePort();
    void StartConnection();
    void ServeInput();
    void ServeReadFailure(int errorNumber);
    void EndConnection();
    // Whether the command asks for a new port connection.
    bool HandleCommandKey(std::uint8_t character);
    void ShowReceived(std::uint8_t byte);
    void ShowText(std::uint8_t byte, std::uint8_t attribute);
    void ShowHex(std::uint8_t byte, std::uint8_t attribute);
    void NewLine();
    void ReportError(const std::string& step, int errorNumber);

    Console& console_;
    TerminalPort& port_;
    TerminalSettingsStore& settings_;
    LogTarget log_;
    Notice notice_;
    std::optional<std::string> detectedPort_;
    TerminalScreen screen_;

    State state_ = State::NotStarted;
    bool restartRequested_ = false;
    ConsoleBuffer* helpScreen_ = nullptr;
    std::string portName_;
    TerminalModes modes_;
    bool helpShown_ = false;
    bool errorReported_ = false;
    bool lastOperationSucceeded_ = true;
    int lastErrorNumber_ = 0;
    std::deque<std::uint8_t> received_;
    std::optional<int> readFailure_;
};
