// Draws the terminal's two console screens (the terminal screen and the help screen) and
// the status rows that show the port and the modes.
#pragma once

#include "tools/terminal/consolebuffer.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

struct TerminalModes {
    bool LocalEcho = false;
    bool CrLf = false;
    bool Hex = false;
    // A time stamp in front of every received line (every burst in hex mode).
    bool Time = false;
};

class TerminalScreen {
public:
    // Receives a failed step's text ("In FillConsoleOutputCharacter") and error number.
    using ErrorSink = std::function<void(const std::string& step, int errorNumber)>;

    // Colour attributes of the screens.
    static constexpr std::uint8_t FrameAttribute = 0x0F;
    static constexpr std::uint8_t BoxLabelAttribute = 0x3F;
    static constexpr std::uint8_t TitleAttribute = 0x1F;
    static constexpr std::uint8_t LabelAttribute = 0x0A;
    static constexpr std::uint8_t ValueAttribute = 0x02;
    static constexpr std::uint8_t TerminalAttribute = 0x03;
    static constexpr std::uint8_t BrightTerminalAttribute = 0x0B;
    static constexpr std::uint8_t EchoAttribute = 0x07;
    static constexpr std::uint8_t HelpKeyAttribute = 0x0F;
    static constexpr std::uint8_t HelpTextAttribute = 0x07;
    // Lines the terminal itself writes in the terminal area ("port lost, ...").
    static constexpr std::uint8_t NoticeAttribute = 0x0A;

    // The first row of the terminal area, below the status box.
    static constexpr int TerminalAreaTop = 6;

    explicit TerminalScreen(ErrorSink reportError) : reportError_(std::move(reportError)) {}

    // Writes `text` at a position in an attribute and puts the buffer's cursor and
    // attribute back as they were.
    bool WriteAt(ConsoleBuffer& screen, ConsolePosition position, std::string_view text,
                 std::uint8_t attribute) const;

    // Draws on a fresh buffer whose cursor stands at column 0 of row 0; the cursor ends
    // at column 0 of the terminal area's first row.
    void DrawTerminalScreen(ConsoleBuffer& screen, const std::string& portName,
                            const TerminalModes& modes) const;
    // Draws the frame and the key list on a fresh buffer; its status rows stay empty until
    // DrawStatusRows runs on it.
    void DrawHelpScreen(ConsoleBuffer& screen) const;

    // `logFile` is the name of the session log being written, empty when none is.
    void DrawStatusRows(ConsoleBuffer& screen, const std::string& portName,
                        const TerminalModes& modes, std::string_view logFile = {}) const;
    void DrawTitleRow(ConsoleBuffer& screen) const;
    void DrawPortRow(ConsoleBuffer& screen, const std::string& portName) const;
    void DrawModesRow(ConsoleBuffer& screen, const TerminalModes& modes,
                      std::string_view logFile = {}) const;

private:
    struct Piece {
        std::string Text;
        std::uint8_t Attribute;
    };

    void DrawFrame(ConsoleBuffer& screen, std::string_view lowerLabel) const;
    void FillAreas(ConsoleBuffer& screen) const;
    // Writes pieces one after the other from `position`, cutting the last ones so that
    // nothing is written past `lastColumn` of the row.
    void WritePieces(ConsoleBuffer& screen, ConsolePosition position,
                     std::initializer_list<Piece> pieces, int lastColumn) const;
    void BlankRowPart(ConsoleBuffer& screen, ConsolePosition start, int count) const;
    void Report(const char* step) const;

    ErrorSink reportError_;
};
