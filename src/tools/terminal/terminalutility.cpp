// The serial terminal's byte handling, commands and settings.
#include "tools/terminal/terminalutility.h"

#include "link/portnames.h"
#include "tools/terminal/controlbytes.h"

#include <cstdio>

namespace {
constexpr std::uint8_t LineFeed = 0x0A;
constexpr std::uint8_t CarriageReturn = 0x0D;
constexpr std::uint8_t Intensity = 0x08;

bool EndsLine(std::uint8_t byte) {
    return byte == LineFeed || byte == CarriageReturn;
}

constexpr const char* StepProcessIo = "In ProcessIO";
constexpr const char* StepGetCommState = "In GetCommState";
constexpr const char* StepSetCommState = "In SetCommState";
constexpr const char* StepCursorPosition = "In SetConsoleCursorPosition";
constexpr const char* StepScroll = "In ScrollConsoleScreenBuffer";

constexpr const char* LogStartedNote = "log of %s started";
constexpr const char* LogStoppedNote = "log stopped";
} // namespace

TerminalUtility::TerminalUtility(Console& console, TerminalPort& port,
                                 TerminalSettingsStore& settings, LogTarget log, Notice notice,
                                 std::optional<std::string> detectedPort, TerminalClock& clock)
    : console_(console), port_(port), settings_(settings), log_(std::move(log)),
      notice_(std::move(notice)), detectedPort_(std::move(detectedPort)), clock_(clock),
      screen_([this](const std::string& step, int errorNumber) { ReportError(step, errorNumber); }),
      portName_(DefaultPortName) {}

TerminalUtility::~TerminalUtility() {
    if (port_.IsOpen())
        ClosePort();
    StopSessionLog();
    SaveSettings();
}

void TerminalUtility::Start() {
    errorReported_ = false;
    helpScreen_ = &console_.CreateScreenBuffer();
    screen_.DrawHelpScreen(*helpScreen_);
    LoadSettings();
    screen_.DrawTerminalScreen(console_.StandardOutput(), portName_, modes_);
    StartConnection();
}

void TerminalUtility::LoadSettings() {
    modes_ = {};
    bool keyRead = false;
    std::string storedPort;
    if (settings_.Exists()) {
        keyRead = [&] {
            const auto port = settings_.ReadText(PortValue);
            // A name the port name field cannot hold counts as unreadable.
            if (!port || port->empty() || port->size() > MaxPortNameLength)
                return false;
            storedPort = *port;
            for (auto [name, mode] :
                 {std::pair{LocalEchoValue, &modes_.LocalEcho}, std::pair{CrLfValue, &modes_.CrLf},
                  std::pair{HexValue, &modes_.Hex}}) {
                const auto flag = settings_.ReadFlag(name);
                if (!flag)
                    return false;
                *mode = *flag;
            }
            return true;
        }();
        if (!keyRead && notice_)
            notice_(ReadFailedText);
        if (const auto time = settings_.ReadFlag(TimeValue))
            modes_.Time = *time;
    }
    if (detectedPort_)
        portName_ = *detectedPort_;
    else if (keyRead)
        portName_ = storedPort;
    else
        portName_ = DefaultPortName;
}

void TerminalUtility::SaveSettings() {
    if (!settings_.OpenForWriting())
        return;
    if (errorReported_)
        return;
    const bool saved = settings_.WriteText(PortValue, portName_) &&
                       settings_.WriteFlag(LocalEchoValue, modes_.LocalEcho) &&
                       settings_.WriteFlag(CrLfValue, modes_.CrLf) &&
                       settings_.WriteFlag(HexValue, modes_.Hex) &&
                       settings_.WriteFlag(TimeValue, modes_.Time);
    if (!saved && notice_)
        notice_(SaveFailedText);
}

bool TerminalUtility::OpenPort() {
    if (const int error = port_.Open(PortDevicePath(portName_))) {
        ReportError("[" + portName_ + "] In CreateFile", error);
        return false;
    }
    SetUpPort();
    return true;
}

void TerminalUtility::SetUpPort() {
    if (const int error = port_.ReadLineSettings())
        ReportError(StepGetCommState, error);
    if (const int error = port_.WriteLineSettings(BaudRate))
        ReportError(StepSetCommState, error);
    port_.SetDtr(true);
    port_.SetRts(true);
}

bool TerminalUtility::RetryPort() {
    if (!WaitingForPort())
        return false;
    // Until the device is back every try fails the same way, twice a second: the failure
    // that lost the port is logged, these are not.
    if (port_.Open(PortDevicePath(portName_)) != 0)
        return false;
    // The port back is the last port operation, and it succeeded: the failure that lost the
    // port no longer keeps the settings from being saved, a report before it still does.
    errorReported_ = errorReportedBeforeLoss_;
    SetUpPort();
    lastOperationSucceeded_ = true;
    state_ = State::Connected;
    ShowNotice(PortBackText);
    return true;
}

void TerminalUtility::ClosePort() {
    port_.SetRts(false);
    port_.SetDtr(false);
    port_.Close();
}

void TerminalUtility::StartConnection() {
    restartRequested_ = false;
    console_.FlushInput();
    // What the previous port sent and was not shown yet belongs to that port.
    received_.clear();
    readFailure_.reset();
    if (!OpenPort()) {
        EndRun();
        return;
    }
    // A new connection starts on the terminal screen, so the help flag and the screen
    // shown always agree.
    helpShown_ = false;
    console_.SetActiveBuffer(console_.StandardOutput());
    lastOperationSucceeded_ = true;
    state_ = State::Connected;
}

void TerminalUtility::EndConnection() {
    if (!lastOperationSucceeded_)
        ReportError(StepProcessIo, lastErrorNumber_);
    if (port_.IsOpen())
        ClosePort();
    if (restartRequested_) {
        StartConnection();
        return;
    }
    EndRun();
}

void TerminalUtility::EndRun() {
    state_ = State::Ended;
    StopSessionLog();
}

void TerminalUtility::QueueReceived(std::span<const std::uint8_t> bytes) {
    if (bytes.empty())
        return;
    received_.push_back({std::vector<std::uint8_t>(bytes.begin(), bytes.end()), 0, clock_.Now()});
}

void TerminalUtility::QueueReadFailure(int errorNumber) {
    if (!readFailure_)
        readFailure_ = errorNumber;
}

bool TerminalUtility::ServePending() {
    if (!Running())
        return false;
    if (console_.InputPending()) {
        ServeInput();
        return true;
    }
    if (!received_.empty()) {
        ServeReceivedByte();
        return true;
    }
    if (readFailure_) {
        const int errorNumber = *readFailure_;
        readFailure_.reset();
        ServeReadFailure(errorNumber);
        return true;
    }
    return false;
}

void TerminalUtility::ServeReceivedByte() {
    Burst& burst = received_.front();
    const std::uint8_t byte = burst.Bytes[burst.Shown++];
    const bool burstStart = burst.Shown == 1;
    const LocalTime time = burst.Time;
    const bool burstEnd = burst.Shown == burst.Bytes.size();
    if (burstEnd)
        received_.pop_front();
    // Each byte is one completed read; its success is the last operation's.
    lastOperationSucceeded_ = true;
    ShowReceived(byte, burstStart, time);
    sessionLog_.Received(byte, time);
    if (burstEnd)
        FlushSessionLog();
}

void TerminalUtility::ServeInput() {
    const ConsoleInputEvent* event = console_.PeekInput();
    if (!event)
        return;
    if (event->Type != ConsoleInputEvent::Kind::KeyDown || event->Character == 0) {
        console_.RemoveInput();
        return;
    }
    const std::uint8_t character = event->Character;
    const bool command = event->AltHeld();
    console_.RemoveInput();

    if (command) {
        if (character == 'q' || character == 'Q' || HandleCommandKey(character))
            EndConnection();
        return;
    }
    // Nothing can be sent while the port is away; what is typed then is dropped.
    if (WaitingForPort())
        return;
    if (modes_.LocalEcho)
        ShowText(character, TerminalScreen::EchoAttribute);
    sessionLog_.Typed(character, clock_.Now());
    FlushSessionLog();
    const int error = port_.Write(character);
    lastOperationSucceeded_ = error == 0;
    if (error)
        lastErrorNumber_ = error;
}

void TerminalUtility::ServeReadFailure(int errorNumber) {
    // A read that fails keeps failing (an adapter pulled, the other side hung up), so the
    // port is closed and opened again until the device is back. The failure is logged
    // once, as the end of a connection logs it.
    errorReportedBeforeLoss_ = errorReported_;
    ReportError(StepProcessIo, errorNumber);
    lastOperationSucceeded_ = true;
    ClosePort();
    state_ = State::WaitingForPort;
    ShowNotice(PortLostText);
}

void TerminalUtility::ServeIdleTimeout() {
    if (!Running())
        return;
    EndConnection();
}

void TerminalUtility::Quit() {
    if (!Running())
        return;
    restartRequested_ = false;
    EndConnection();
}

bool TerminalUtility::HandleCommandKey(std::uint8_t character) {
    ConsoleBuffer& terminal = console_.StandardOutput();
    switch (character) {
    case '1':
    case '2':
    case '3':
    case '4':
        portName_ = std::string("COM") + static_cast<char>(character);
        restartRequested_ = true;
        screen_.DrawPortRow(terminal, portName_);
        return true;
    case 'C':
    case 'c':
        modes_.CrLf = !modes_.CrLf;
        RedrawModesRow();
        return false;
    case 'L':
    case 'l':
        modes_.LocalEcho = !modes_.LocalEcho;
        RedrawModesRow();
        return false;
    case 'X':
    case 'x':
        modes_.Hex = !modes_.Hex;
        RedrawModesRow();
        return false;
    case 'T':
    case 't':
        modes_.Time = !modes_.Time;
        RedrawModesRow();
        return false;
    case 'G':
    case 'g':
        if (sessionLog_.IsOpen())
            StopSessionLog();
        else
            StartSessionLog();
        return false;
    case 'H':
    case 'h':
        if (helpShown_) {
            console_.SetActiveBuffer(terminal);
            helpShown_ = false;
            return false;
        }
        console_.SetActiveBuffer(*helpScreen_);
        screen_.DrawStatusRows(*helpScreen_, portName_, modes_, sessionLogFile_);
        helpShown_ = true;
        return false;
    default:
        return false;
    }
}

void TerminalUtility::ShowReceived(std::uint8_t byte, bool burstStart, const LocalTime& time) {
    const bool stampPending = stampPending_;
    stampPending_ = EndsLine(byte);
    if (modes_.Hex) {
        // Hex mode has no lines of its own: each burst starts a row with its time.
        if (modes_.Time && burstStart) {
            if (console_.StandardOutput().Cursor().Column != 0)
                NewLine();
            ShowStamp(time);
        }
        ShowHex(byte, TerminalScreen::TerminalAttribute);
        return;
    }
    // An empty line gets no stamp: it is given to the first byte that shows.
    if (modes_.Time && stampPending && !EndsLine(byte))
        ShowStamp(time);
    ShowText(byte, TerminalScreen::TerminalAttribute);
}

void TerminalUtility::ShowStamp(const LocalTime& time) {
    for (const char character : TimeStamp(time))
        ShowText(static_cast<std::uint8_t>(character), TerminalScreen::EchoAttribute);
}

void TerminalUtility::ShowNotice(const std::string& text) {
    if (console_.StandardOutput().Cursor().Column != 0)
        NewLine();
    for (const char character : text)
        ShowText(static_cast<std::uint8_t>(character), TerminalScreen::NoticeAttribute);
    NewLine();
    stampPending_ = true;
    sessionLog_.Note(text, clock_.Now());
    FlushSessionLog();
}

void TerminalUtility::ShowText(std::uint8_t byte, std::uint8_t attribute) {
    ConsoleBuffer& terminal = console_.StandardOutput();
    if (byte == LineFeed) {
        NewLine();
        return;
    }
    if (byte == CarriageReturn) {
        terminal.Write(byte);
        if (modes_.CrLf)
            NewLine();
        return;
    }
    // The console never wraps by itself: a byte that would land in the last column goes
    // to the next row, and the terminal area scrolls below the status box.
    if (terminal.Cursor().Column == terminal.Width() - 1)
        NewLine();
    terminal.SetAttribute(attribute);
    terminal.Write(byte);
}

void TerminalUtility::ShowHex(std::uint8_t byte, std::uint8_t attribute) {
    const char* prefix = ControlByteName(byte);
    if (!prefix) {
        prefix = "";
        if (byte == CarriageReturn)
            NewLine();
        ShowText(byte, attribute | Intensity);
    }
    char code[16];
    std::snprintf(code, sizeof code, "%s%02X.", prefix, static_cast<unsigned>(byte));
    for (const char* character = code; *character; ++character)
        ShowText(static_cast<std::uint8_t>(*character), attribute);
}

void TerminalUtility::NewLine() {
    ConsoleBuffer& terminal = console_.StandardOutput();
    ConsolePosition position = terminal.Cursor();
    position.Column = 0;
    if (position.Row == terminal.Height() - 1) {
        const ConsoleRect area{0, TerminalScreen::TerminalAreaTop, terminal.Width() - 1,
                               terminal.Height() - 1};
        if (!terminal.Scroll(area, area, {0, TerminalScreen::TerminalAreaTop - 1},
                             {' ', TerminalScreen::TerminalAttribute}))
            ReportError(StepScroll, ConsoleBuffer::FailureErrorNumber);
    } else {
        ++position.Row;
    }
    if (!terminal.SetCursor(position))
        ReportError(StepCursorPosition, ConsoleBuffer::FailureErrorNumber);
}

void TerminalUtility::ReportError(const std::string& step, int errorNumber) {
    if (!log_)
        return;
    char line[128];
    std::snprintf(line, sizeof line, "%s -> Error number: %d", step.c_str(), errorNumber);
    log_(line);
    errorReported_ = true;
}

void TerminalUtility::RedrawModesRow() {
    screen_.DrawModesRow(console_.StandardOutput(), modes_, sessionLogFile_);
}

void TerminalUtility::StartSessionLog() {
    const LocalTime now = clock_.Now();
    const std::string name = SessionLog::NameFor(portName_, now);
    // The file goes to the working folder, where the program's own log goes.
    if (!sessionLog_.Open(name)) {
        ShowNotice("log file " + name + " cannot be created");
        return;
    }
    sessionLogFile_ = name;
    char note[64];
    std::snprintf(note, sizeof note, LogStartedNote, portName_.c_str());
    sessionLog_.Note(note, now);
    FlushSessionLog();
    RedrawModesRow();
}

void TerminalUtility::StopSessionLog() {
    if (!sessionLog_.IsOpen())
        return;
    sessionLog_.Note(LogStoppedNote, clock_.Now());
    sessionLog_.Close();
    sessionLogFile_.clear();
    RedrawModesRow();
}

void TerminalUtility::FlushSessionLog() {
    if (!sessionLog_.IsOpen() || sessionLog_.Flush())
        return;
    const std::string name = sessionLogFile_;
    sessionLog_.Close();
    sessionLogFile_.clear();
    RedrawModesRow();
    ShowNotice("log file " + name + " cannot be written, the log is stopped");
}
