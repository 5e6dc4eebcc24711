// The serial terminal's byte handling, commands and settings.
#include "tools/terminal/terminalutility.h"

#include "link/portnames.h"

#include <cstdio>

namespace {
constexpr std::uint8_t LineFeed = 0x0A;
constexpr std::uint8_t CarriageReturn = 0x0D;
constexpr std::uint8_t Intensity = 0x08;

struct NamedByte {
    std::uint8_t Byte;
    const char* Name;
};
// Control bytes of the unit's protocol and their neighbours, shown by name in hex mode.
constexpr NamedByte NamedBytes[] = {
    {0x00, "(NUL)"}, {0x02, "(STX)"},  {0x03, "(ETX)"}, {0x05, "(ENQ)"}, {0x06, "(ACK)"},
    {0x11, "(XON)"}, {0x13, "(XOFF)"}, {0x15, "(NAK)"}, {0x18, "(CAN)"}, {0x1B, "(ESC)"},
};

const char* NameOf(std::uint8_t byte) {
    for (const NamedByte& named : NamedBytes)
        if (named.Byte == byte)
            return named.Name;
    return nullptr;
}

constexpr const char* StepProcessIo = "In ProcessIO";
constexpr const char* StepGetCommState = "In GetCommState";
constexpr const char* StepSetCommState = "In SetCommState";
constexpr const char* StepCursorPosition = "In SetConsoleCursorPosition";
constexpr const char* StepScroll = "In ScrollConsoleScreenBuffer";
} // namespace

TerminalUtility::TerminalUtility(Console& console, TerminalPort& port,
                                 TerminalSettingsStore& settings, LogTarget log, Notice notice,
                                 std::optional<std::string> detectedPort)
    : console_(console), port_(port), settings_(settings), log_(std::move(log)),
      notice_(std::move(notice)), detectedPort_(std::move(detectedPort)),
      screen_([this](const std::string& step, int errorNumber) { ReportError(step, errorNumber); }),
      portName_(DefaultPortName) {}

TerminalUtility::~TerminalUtility() {
    if (port_.IsOpen())
        ClosePort();
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
                       settings_.WriteFlag(HexValue, modes_.Hex);
    if (!saved && notice_)
        notice_(SaveFailedText);
}

bool TerminalUtility::OpenPort() {
    if (const int error = port_.Open(PortDevicePath(portName_))) {
        ReportError("[" + portName_ + "] In CreateFile", error);
        return false;
    }
    if (const int error = port_.ReadLineSettings())
        ReportError(StepGetCommState, error);
    if (const int error = port_.WriteLineSettings(BaudRate))
        ReportError(StepSetCommState, error);
    port_.SetDtr(true);
    port_.SetRts(true);
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
        state_ = State::Ended;
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
    ClosePort();
    if (restartRequested_) {
        StartConnection();
        return;
    }
    state_ = State::Ended;
}

void TerminalUtility::QueueReceived(std::span<const std::uint8_t> bytes) {
    received_.insert(received_.end(), bytes.begin(), bytes.end());
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
        const std::uint8_t byte = received_.front();
        received_.pop_front();
        // Each byte is one completed read; its success is the last operation's.
        lastOperationSucceeded_ = true;
        ShowReceived(byte);
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
    if (modes_.LocalEcho)
        ShowText(character, TerminalScreen::EchoAttribute);
    const int error = port_.Write(character);
    lastOperationSucceeded_ = error == 0;
    if (error)
        lastErrorNumber_ = error;
}

void TerminalUtility::ServeReadFailure(int errorNumber) {
    // A read that fails keeps failing (a device unplugged or hung up), so the connection
    // ends instead of waiting on it again.
    lastOperationSucceeded_ = false;
    lastErrorNumber_ = errorNumber;
    EndConnection();
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
        screen_.DrawModesRow(terminal, modes_);
        return false;
    case 'L':
    case 'l':
        modes_.LocalEcho = !modes_.LocalEcho;
        screen_.DrawModesRow(terminal, modes_);
        return false;
    case 'X':
    case 'x':
        modes_.Hex = !modes_.Hex;
        screen_.DrawModesRow(terminal, modes_);
        return false;
    case 'H':
    case 'h':
        if (helpShown_) {
            console_.SetActiveBuffer(terminal);
            helpShown_ = false;
            return false;
        }
        console_.SetActiveBuffer(*helpScreen_);
        screen_.DrawStatusRows(*helpScreen_, portName_, modes_);
        helpShown_ = true;
        return false;
    default:
        return false;
    }
}

void TerminalUtility::ShowReceived(std::uint8_t byte) {
    if (modes_.Hex) {
        ShowHex(byte, TerminalScreen::TerminalAttribute);
        return;
    }
    ShowText(byte, TerminalScreen::TerminalAttribute);
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
    const char* prefix = NameOf(byte);
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
