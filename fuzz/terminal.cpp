// Fuzz target for the terminal's byte display: arbitrary received bytes in every mode,
// interleaved with typed characters, Alt commands and other console events. The status box
// above the terminal area is never written by them, the cursor stays in the terminal area,
// every byte shows as the rules give, and exactly the typed bytes reach the port.
#include "fuzzcheck.h"
#include "link/terminalport.h"
#include "tools/terminal/console.h"
#include "tools/terminal/consolebuffer.h"
#include "tools/terminal/terminalscreen.h"
#include "tools/terminal/terminalsettingsstore.h"
#include "tools/terminal/terminalutility.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr int Width = 80;
constexpr int TallHeight = 25;
constexpr int ShortHeight = 8;
constexpr int AreaTop = 6;

constexpr std::uint8_t EchoFlag = 0x01;
constexpr std::uint8_t CrLfFlag = 0x02;
constexpr std::uint8_t HexFlag = 0x04;
constexpr std::uint8_t ShortFlag = 0x08;

// An operation byte: its low three bits pick the kind; for received bytes the rest, plus
// one, is how many bytes follow; for other kinds bit 3 picks a variant.
constexpr std::uint8_t KindMask = 0x07;
constexpr std::uint8_t LastReceiveKind = 4;
constexpr std::uint8_t TypedKind = 5;
constexpr std::uint8_t AltKind = 6;
constexpr std::uint8_t VariantBit = 0x08;
constexpr int RunShift = 3;

constexpr std::uint8_t AreaAttribute = 0x03;
constexpr std::uint8_t BrightAttribute = 0x0B;
constexpr std::uint8_t EchoAttribute = 0x07;

constexpr std::uint8_t Bell = 0x07;
constexpr std::uint8_t Backspace = 0x08;
constexpr std::uint8_t Tab = 0x09;
constexpr std::uint8_t LineFeed = 0x0A;
constexpr std::uint8_t CarriageReturn = 0x0D;
constexpr int TabStop = 8;

struct Name {
    std::uint8_t Byte;
    std::string_view Text;
};
constexpr Name Names[] = {
    {0x00, "(NUL)"}, {0x02, "(STX)"},  {0x03, "(ETX)"}, {0x05, "(ENQ)"}, {0x06, "(ACK)"},
    {0x11, "(XON)"}, {0x13, "(XOFF)"}, {0x15, "(NAK)"}, {0x18, "(CAN)"}, {0x1B, "(ESC)"},
};

std::string_view NameOf(std::uint8_t byte) {
    for (const Name& name : Names) {
        if (name.Byte == byte) {
            return name.Text;
        }
    }
    return {};
}

// The code shown after a byte in hex mode: its name if it has one, two upper-case hex
// digits and a full stop.
std::string CodeOf(std::uint8_t byte) {
    constexpr std::string_view Digits = "0123456789ABCDEF";
    std::string code(NameOf(byte));
    code += Digits[byte >> 4];
    code += Digits[byte & 0x0F];
    code += '.';
    return code;
}

class Port : public TerminalPort {
public:
    std::vector<std::uint8_t> Written;
    int Opens = 0;

    int Open(const std::string&) override {
        ++Opens;
        open_ = true;
        return 0;
    }
    int ReadLineSettings() override { return 0; }
    int WriteLineSettings(int) override { return 0; }
    void SetDtr(bool) override {}
    void SetRts(bool) override {}
    int Write(std::uint8_t byte) override {
        Require(open_, "a typed byte is written to an open port");
        Written.push_back(byte);
        return 0;
    }
    // Received bytes reach the terminal straight from the fuzz input.
    int ReadAvailable(std::vector<std::uint8_t>&, std::size_t) override { return 0; }
    void SetReadyNotice(std::function<void()>) override {}
    void Close() override { open_ = false; }
    bool IsOpen() const override { return open_; }

private:
    bool open_ = false;
};

class Store : public TerminalSettingsStore {
public:
    std::map<std::string, std::string> Texts;
    std::map<std::string, bool> Flags;

    bool Exists() override { return true; }
    std::optional<std::string> ReadText(const std::string& name) override {
        const auto value = Texts.find(name);
        return value == Texts.end() ? std::nullopt : std::optional(value->second);
    }
    std::optional<bool> ReadFlag(const std::string& name) override {
        const auto value = Flags.find(name);
        return value == Flags.end() ? std::nullopt : std::optional(value->second);
    }
    bool OpenForWriting() override { return true; }
    bool WriteText(const std::string& name, const std::string& value) override {
        Texts[name] = value;
        return true;
    }
    bool WriteFlag(const std::string& name, bool value) override {
        Flags[name] = value;
        return true;
    }
};

class Input {
public:
    explicit Input(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool Next(std::uint8_t& byte) {
        if (at_ == bytes_.size()) {
            return false;
        }
        byte = bytes_[at_++];
        return true;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

using Cells = std::vector<ConsoleCell>;

Cells Rows(const ConsoleBuffer& screen, int first, int last) {
    Cells cells;
    cells.reserve(static_cast<std::size_t>((last - first + 1) * screen.Width()));
    for (int row = first; row <= last; ++row) {
        const std::span<const ConsoleCell> rowCells = screen.RowCells(row);
        cells.insert(cells.end(), rowCells.begin(), rowCells.end());
    }
    return cells;
}

// Cells are two bytes without padding, so equal cells are equal memory.
bool Same(const Cells& a, const Cells& b) {
    static_assert(sizeof(ConsoleCell) == 2);
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * 2) == 0;
}

// The cell written just before the one at `position`: a write never lands in the last
// column, so the one before column 0 stands in the last column but one of the row above.
ConsolePosition CellBefore(ConsolePosition position) {
    if (position.Column > 0) {
        return {position.Column - 1, position.Row};
    }
    return {Width - 2, position.Row - 1};
}

class Run {
public:
    explicit Run(std::uint8_t setup)
        : console_(Width, (setup & ShortFlag) ? ShortHeight : TallHeight),
          last_(console_.StandardOutput().Height() - 1) {
        modes_.LocalEcho = setup & EchoFlag;
        modes_.CrLf = setup & CrLfFlag;
        modes_.Hex = setup & HexFlag;
        store_.Texts[TerminalUtility::PortValue] = portName_;
        store_.Flags[TerminalUtility::LocalEchoValue] = modes_.LocalEcho;
        store_.Flags[TerminalUtility::CrLfValue] = modes_.CrLf;
        store_.Flags[TerminalUtility::HexValue] = modes_.Hex;
        utility_.emplace(
            console_, port_, store_, [this](const std::string& line) { log_.push_back(line); },
            [this](const std::string& text) { notices_.push_back(text); }, std::nullopt);
        utility_->Start();
        Require(utility_->Running(), "the run starts on a port that opens");
        Require(Screen().Cursor() == ConsolePosition{0, AreaTop},
                "the cursor starts at the first row of the terminal area");
        CheckStatus();
        statusBox_ = Rows(Screen(), 0, AreaTop - 1);
        CheckAlways();
    }

    bool Running() const { return utility_->Running(); }

    void Receive(std::uint8_t byte) {
        const ConsolePosition before = Screen().Cursor();
        utility_->QueueReceived(std::span(&byte, 1));
        Require(utility_->ServePending(), "a received byte is served");
        Require(!utility_->ReceivePending(), "one byte is served at a time");
        if (modes_.Hex) {
            CheckHex(byte, before);
        } else {
            CheckText(byte, AreaAttribute, before);
        }
        // A byte writes on the cursor's row and the one below; a scroll moves the row
        // above the cursor up from the last one.
        CheckAlways(Touched(before));
    }

    void Type(std::uint8_t character) {
        const ConsolePosition before = Screen().Cursor();
        const Cells area = Rows(Screen(), AreaTop, last_);
        const std::size_t written = port_.Written.size();
        console_.PostInput({ConsoleInputEvent::Kind::KeyDown, character, false, false});
        Serve();
        if (character == 0) {
            Require(port_.Written.size() == written, "a key without a character sends nothing");
            Require(Unchanged(area, before), "a key without a character shows nothing");
        } else {
            Require(port_.Written.size() == written + 1 && port_.Written.back() == character,
                    "a typed character is written to the port at once, as it is");
            if (modes_.LocalEcho) {
                CheckText(character, EchoAttribute, before);
            } else {
                Require(Unchanged(area, before), "without local echo typing shows nothing");
            }
        }
        CheckAlways(Touched(before));
    }

    void Command(std::uint8_t character, bool rightAlt) {
        const ConsolePosition before = Screen().Cursor();
        const Cells area = Rows(Screen(), AreaTop, last_);
        const std::size_t written = port_.Written.size();
        const int opens = port_.Opens;
        console_.PostInput({ConsoleInputEvent::Kind::KeyDown, character, !rightAlt, rightAlt});
        Serve();
        Require(port_.Written.size() == written, "an Alt command sends nothing");
        Require(Unchanged(area, before), "an Alt command leaves the terminal area and cursor");
        if (character == 'q' || character == 'Q') {
            Require(!utility_->Running() && !port_.IsOpen(), "Alt+Q ends the run");
            return;
        }
        Require(utility_->Running(), "only Alt+Q ends the run");
        switch (character) {
        case '1':
        case '2':
        case '3':
        case '4':
            portName_ = std::string("COM") + static_cast<char>(character);
            helpShown_ = false;
            Require(port_.Opens == opens + 1, "a port switch opens the port again");
            break;
        case 'C':
        case 'c':
            modes_.CrLf = !modes_.CrLf;
            break;
        case 'L':
        case 'l':
            modes_.LocalEcho = !modes_.LocalEcho;
            break;
        case 'X':
        case 'x':
            modes_.Hex = !modes_.Hex;
            break;
        case 'H':
        case 'h':
            helpShown_ = !helpShown_;
            break;
        default:
            break;
        }
        CheckStatus();
        // The status rows may be redrawn; received bytes and typing never touch them.
        statusBox_ = Rows(Screen(), 0, AreaTop - 1);
        CheckAlways();
    }

    void Other(std::uint8_t character, bool keyUp) {
        const ConsolePosition before = Screen().Cursor();
        const Cells area = Rows(Screen(), AreaTop, last_);
        const std::size_t written = port_.Written.size();
        ConsoleInputEvent event;
        event.Type = keyUp ? ConsoleInputEvent::Kind::KeyUp : ConsoleInputEvent::Kind::Other;
        event.Character = character;
        console_.PostInput(event);
        Serve();
        Require(port_.Written.size() == written, "a key release or other event sends nothing");
        Require(Unchanged(area, before), "a key release or other event shows nothing");
        CheckAlways();
    }

    // Ends the run as destroying the terminal does: the modes and port are saved.
    void Finish() {
        utility_.reset();
        Require(!port_.IsOpen(), "the port is closed at the end");
        Require(store_.Texts[TerminalUtility::PortValue] == portName_, "the port name is saved");
        Require(store_.Flags[TerminalUtility::LocalEchoValue] == modes_.LocalEcho &&
                    store_.Flags[TerminalUtility::CrLfValue] == modes_.CrLf &&
                    store_.Flags[TerminalUtility::HexValue] == modes_.Hex,
                "the modes are saved");
    }

private:
    ConsoleBuffer& Screen() { return console_.StandardOutput(); }

    void Serve() {
        Require(utility_->ServePending(), "a console event is served");
        Require(!console_.InputPending(), "one console event is served at a time");
    }

    bool Unchanged(const Cells& area, ConsolePosition cursor) {
        return Same(Rows(Screen(), AreaTop, last_), area) && Screen().Cursor() == cursor;
    }

    std::pair<int, int> Touched(ConsolePosition before) {
        return {std::min(before.Row, Screen().Cursor().Row) - 1, Screen().Cursor().Row};
    }

    // The row a new line leads to: the next one, or the last one after scrolling.
    int RowBelow(int row) const { return std::min(row + 1, last_); }

    // The cells of the terminal area from `first` to `last` hold only the area's own
    // attributes, and the last column is never written.
    void CheckArea(int first, int last) {
        const ConsoleBuffer& screen = Screen();
        for (int row = std::max(first, AreaTop); row <= std::min(last, last_); ++row) {
            for (const ConsoleCell& cell : screen.RowCells(row)) {
                const std::uint8_t attribute = cell.Attribute;
                Require(attribute == AreaAttribute || attribute == BrightAttribute ||
                            attribute == EchoAttribute,
                        "the terminal area holds only its own attributes");
            }
            Require(screen.At(Width - 1, row) == ConsoleCell{' ', AreaAttribute},
                    "the last column of the terminal area is never written");
        }
    }

    // After every event; `touched` are the rows the event may have written, the whole
    // area when not given.
    void CheckAlways(std::optional<std::pair<int, int>> touched = std::nullopt) {
        ConsoleBuffer& screen = Screen();
        const ConsolePosition cursor = screen.Cursor();
        Require(cursor.Column >= 0 && cursor.Column < Width, "the cursor stays in the buffer");
        Require(cursor.Row >= AreaTop && cursor.Row <= last_,
                "the cursor stays in the terminal area");
        Require(Same(Rows(screen, 0, AreaTop - 1), statusBox_),
                "received bytes and typing never write the status box");
        if (touched) {
            CheckArea(touched->first, touched->second);
        } else {
            CheckArea(AreaTop, last_);
        }
        Require(!utility_->ErrorReported() && log_.empty(), "no console step fails");
        Require(notices_.empty(), "the stored settings read without a notice");
        const TerminalModes& modes = utility_->Modes();
        Require(modes.LocalEcho == modes_.LocalEcho && modes.CrLf == modes_.CrLf &&
                    modes.Hex == modes_.Hex,
                "only Alt commands change the modes");
        Require(utility_->PortName() == portName_, "only Alt+1 to Alt+4 change the port");
        Require(utility_->HelpShown() == helpShown_, "Alt+H flips the help screen");
        Require((&console_.ActiveBuffer() == &console_.StandardOutput()) == !helpShown_,
                "the shown screen agrees with the help flag");
        Require(port_.IsOpen(), "the port stays open while the run goes on");
    }

    // The status rows show the port and the modes.
    void CheckStatus() {
        const ConsoleBuffer& screen = Screen();
        const std::string port = portName_ + ": 115200";
        Require(screen.RowText(2, 2, static_cast<int>(port.size())) == port,
                "the port row shows the port");
        const std::string cr = std::string("CR=") + (modes_.CrLf ? "CR+LF  " : "CR  ");
        const std::string echo = std::string("Echo=") + (modes_.LocalEcho ? "Local  " : "None  ");
        const std::string mode = std::string("Mode=") + (modes_.Hex ? "Hex  " : "Text  ");
        Require(screen.RowText(3, 2, static_cast<int>(cr.size())) == cr, "CR mode shown");
        Require(screen.RowText(3, 12, static_cast<int>(echo.size())) == echo, "echo shown");
        Require(screen.RowText(3, 24, static_cast<int>(mode.size())) == mode, "mode shown");
    }

    // One byte shown as text in `attribute`, the cursor having stood at `before`.
    void CheckText(std::uint8_t byte, std::uint8_t attribute, ConsolePosition before) {
        ConsoleBuffer& screen = Screen();
        const ConsolePosition after = screen.Cursor();
        switch (byte) {
        case LineFeed:
            Require(after == ConsolePosition{0, RowBelow(before.Row)}, "LF starts a new row");
            return;
        case CarriageReturn: {
            const int row = modes_.CrLf ? RowBelow(before.Row) : before.Row;
            Require(after == ConsolePosition{0, row}, "CR returns to column 0 (and a new row)");
            return;
        }
        default:
            break;
        }
        // Every other byte is written through the console, which never wraps by itself: a
        // byte meeting the cursor in the last column goes to the start of the next row.
        ConsolePosition at = before;
        if (before.Column == Width - 1) {
            at = {0, RowBelow(before.Row)};
        }
        switch (byte) {
        case Backspace:
            Require(after == ConsolePosition{std::max(0, at.Column - 1), at.Row},
                    "BS steps back within the row");
            return;
        case Tab:
            Require(after ==
                        ConsolePosition{std::min(Width - 1, (at.Column / TabStop + 1) * TabStop),
                                        at.Row},
                    "TAB moves to the next tab stop");
            return;
        case Bell:
            Require(after == at, "BEL writes nothing");
            return;
        default:
            break;
        }
        Require(after == ConsolePosition{at.Column + 1, at.Row},
                "a byte is written at the cursor, or at the start of the next row");
        Require(screen.At(at.Column, at.Row) == ConsoleCell{byte, attribute},
                "a byte shows as itself in its attribute");
    }

    // One byte in hex mode: the byte itself in bright, then its fixed-width code.
    void CheckHex(std::uint8_t byte, ConsolePosition before) {
        ConsoleBuffer& screen = Screen();
        const std::string code = CodeOf(byte);
        const ConsolePosition after = screen.Cursor();
        // Walk back over the code from the cursor.
        ConsolePosition at = after;
        for (auto character = code.rbegin(); character != code.rend(); ++character) {
            at = CellBefore(at);
            Require(at.Row >= AreaTop, "a hex code lies in the terminal area");
            Require(screen.At(at.Column, at.Row) ==
                        ConsoleCell{static_cast<std::uint8_t>(*character), AreaAttribute},
                    "a hex-mode byte shows its name, two hex digits and a full stop");
        }
        const bool named = !NameOf(byte).empty();
        if (byte == CarriageReturn) {
            int row = RowBelow(before.Row);
            if (modes_.CrLf) {
                row = RowBelow(row);
            }
            Require(after == ConsolePosition{static_cast<int>(code.size()), row},
                    "CR in hex mode starts a new row and shows 0D. there");
            return;
        }
        if (byte == LineFeed) {
            Require(after == ConsolePosition{static_cast<int>(code.size()), RowBelow(before.Row)},
                    "LF in hex mode starts a new row and shows 0A. there");
            return;
        }
        if (named || byte == Backspace || byte == Tab || byte == Bell) {
            return;
        }
        at = CellBefore(at);
        Require(at.Row >= AreaTop, "a hex-mode byte lies in the terminal area");
        Require(screen.At(at.Column, at.Row) == ConsoleCell{byte, BrightAttribute},
                "a hex-mode byte shows as itself in bright before its code");
    }

    Console console_;
    int last_;
    Port port_;
    Store store_;
    std::vector<std::string> log_;
    std::vector<std::string> notices_;
    std::optional<TerminalUtility> utility_;
    TerminalModes modes_;
    std::string portName_ = "COM1";
    bool helpShown_ = false;
    Cells statusBox_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input input(std::span(data, size));
    std::uint8_t setup = 0;
    if (!input.Next(setup)) {
        return 0;
    }
    Run run(setup);
    std::uint8_t operation = 0;
    while (run.Running() && input.Next(operation)) {
        const std::uint8_t kind = operation & KindMask;
        std::uint8_t byte = 0;
        if (kind <= LastReceiveKind) {
            const int count = (operation >> RunShift) + 1;
            for (int i = 0; i < count && input.Next(byte); ++i) {
                run.Receive(byte);
            }
            continue;
        }
        if (!input.Next(byte)) {
            break;
        }
        const bool variant = operation & VariantBit;
        if (kind == TypedKind) {
            run.Type(byte);
        } else if (kind == AltKind) {
            // Time stamps read the wall clock and the session log writes files; the run
            // keeps to what the input alone decides.
            if (byte != 't' && byte != 'T' && byte != 'g' && byte != 'G') {
                run.Command(byte, variant);
            }
        } else {
            run.Other(byte, variant);
        }
    }
    run.Finish();
    return 0;
}
