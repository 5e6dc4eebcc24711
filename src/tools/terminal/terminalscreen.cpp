// Drawing of the terminal's console screens.
#include "tools/terminal/terminalscreen.h"

#include "profile/programidentity.h"

#include <cstdio>

namespace {
// Code page 437 double-line frame characters.
constexpr char TopLeft = '\xC9';
constexpr char Horizontal = '\xCD';
constexpr char TopRight = '\xBB';
constexpr char Vertical = '\xBA';
constexpr char BottomLeft = '\xC8';
constexpr char BottomRight = '\xBC';

constexpr std::string_view StatusLabel = " status ";
constexpr std::string_view TerminalLabel = " terminal ";
constexpr std::string_view HelpLabel = "   HELP   ";
constexpr int TopRuleLength = 34;
constexpr int BottomRuleLength = 33;
constexpr int BoxInteriorRows = 3;
// The interior of a box row is written in two runs of blanks.
constexpr int InteriorFirstRun = 43;
constexpr int InteriorSecondRun = 35;

constexpr int TitleRow = 0;
constexpr int PortRow = 2;
constexpr int ModesRow = 3;
constexpr int FirstInteriorRow = 2;
constexpr int StatusTextColumn = 2;
// Blanks written before a status row is redrawn: from column 2 up to the frame.
constexpr int StatusRowBlanks = 77;

constexpr int CrColumn = 2;
constexpr int EchoColumn = 12;
constexpr int ModeColumn = 24;
// Right of the fields above, which take at most up to column 34.
constexpr int TimeColumn = 35;
constexpr int LogColumn = 45;
constexpr std::string_view LogFileEnding = ".log";

constexpr std::string_view HelpHeading =
    "Press the following key combinations to access each function:";
constexpr ConsolePosition HelpHeadingPosition{1, TerminalScreen::TerminalAreaTop};

struct HelpLine {
    std::string_view Key;
    std::string_view Description;
};
constexpr HelpLine HelpLines[] = {
    {"\n\n    Alt+1:", " use COM1 serial port\n"},
    {"    Alt+2:", " use COM2 serial port\n"},
    {"    Alt+3:", " use COM3 serial port\n"},
    {"    Alt+4:", " use COM4 serial port\n"},
    {"    Alt+C:", " switch between CR->CR or CR->CR+LF\n"},
    {"    Alt+L:", " switch local echo ON or OFF\n"},
    {"    Alt+X:", " switch between text mode and hexadecimal mode\n"},
    {"    Alt+Q:", " exit this terminal utility\n"},
    {"    Alt+H:", " show this help screen\n"},
};
// Keys added to the terminal later stand below the first ones, each written in its place,
// so that the help screen's cursor stays where the key list above leaves it.
constexpr int LaterHelpLinesRow = 17;
constexpr HelpLine LaterHelpLines[] = {
    {"    Alt+T:", " switch time stamps on received lines ON or OFF"},
    {"    Alt+G:", " start or stop logging the session to a file"},
};

constexpr const char* StepCursorPosition = "In SetConsoleCursorPosition";
constexpr const char* StepFillCharacter = "In FillConsoleOutputCharacter";
constexpr const char* StepFillAttribute = "In FillConsoleOutputAttribute";

std::string Repeated(char character, int count) {
    return std::string(static_cast<std::size_t>(count), character);
}

// " text " cut at a word so that it is at most `room` characters long.
std::string PaddedToFit(std::string_view text, int room) {
    std::string padded = " " + std::string(text) + " ";
    if (room < 0)
        return {};
    if (static_cast<int>(padded.size()) <= room)
        return padded;
    std::string cut = padded.substr(0, static_cast<std::size_t>(room));
    const std::size_t blank = cut.find_last_of(' ');
    if (blank != std::string::npos && blank > 0)
        cut.resize(blank + 1);
    return cut;
}
} // namespace

void TerminalScreen::Report(const char* step) const {
    if (reportError_)
        reportError_(step, ConsoleBuffer::FailureErrorNumber);
}

bool TerminalScreen::WriteAt(ConsoleBuffer& screen, ConsolePosition position, std::string_view text,
                             std::uint8_t attribute) const {
    const ConsolePosition savedCursor = screen.Cursor();
    const std::uint8_t savedAttribute = screen.Attribute();
    if (!screen.SetCursor(position)) {
        Report(StepCursorPosition);
        return false;
    }
    screen.SetAttribute(attribute);
    screen.Write(text);
    screen.SetCursor(savedCursor);
    screen.SetAttribute(savedAttribute);
    return true;
}

void TerminalScreen::DrawFrame(ConsoleBuffer& screen, std::string_view lowerLabel) const {
    screen.SetAttribute(FrameAttribute);
    screen.Write("\n" + std::string(1, TopLeft) + Repeated(Horizontal, TopRuleLength) + "[");
    screen.SetAttribute(BoxLabelAttribute);
    screen.Write(StatusLabel);
    screen.SetAttribute(FrameAttribute);
    screen.Write("]" + Repeated(Horizontal, TopRuleLength) + TopRight);
    for (int row = 0; row < BoxInteriorRows; ++row) {
        screen.Write(Vertical + Repeated(' ', InteriorFirstRun));
        screen.Write(Repeated(' ', InteriorSecondRun) + Vertical);
    }
    screen.Write(BottomLeft + Repeated(Horizontal, BottomRuleLength) + "[");
    screen.SetAttribute(BoxLabelAttribute);
    screen.Write(lowerLabel);
    screen.SetAttribute(FrameAttribute);
    screen.Write("]" + Repeated(Horizontal, BottomRuleLength) + BottomRight);
}

void TerminalScreen::FillAreas(ConsoleBuffer& screen) const {
    const int width = screen.Width();
    for (int row = FirstInteriorRow; row < FirstInteriorRow + BoxInteriorRows; ++row) {
        if (!screen.FillAttribute(LabelAttribute, width - 2, {1, row})) {
            Report(StepFillAttribute);
            break;
        }
    }
    const int areaCells = (screen.Height() - TerminalAreaTop) * width;
    const ConsolePosition areaStart{0, TerminalAreaTop};
    if (!screen.FillCharacter(' ', areaCells, areaStart))
        Report(StepFillCharacter);
    if (!screen.FillAttribute(TerminalAttribute, areaCells, areaStart))
        Report(StepFillAttribute);
}

void TerminalScreen::DrawTerminalScreen(ConsoleBuffer& screen, const std::string& portName,
                                        const TerminalModes& modes) const {
    DrawFrame(screen, TerminalLabel);
    FillAreas(screen);
    DrawStatusRows(screen, portName, modes);
}

void TerminalScreen::DrawHelpScreen(ConsoleBuffer& screen) const {
    DrawFrame(screen, HelpLabel);
    WriteAt(screen, HelpHeadingPosition, HelpHeading, LabelAttribute);
    for (const HelpLine& line : HelpLines) {
        screen.SetAttribute(HelpKeyAttribute);
        screen.Write(line.Key);
        screen.SetAttribute(HelpTextAttribute);
        screen.Write(line.Description);
    }
    int row = LaterHelpLinesRow;
    for (const HelpLine& line : LaterHelpLines) {
        // A console shorter than the help screen shows the keys that fit.
        if (row >= screen.Height())
            break;
        WritePieces(screen, {0, row},
                    {{std::string(line.Key), HelpKeyAttribute},
                     {std::string(line.Description), HelpTextAttribute}},
                    screen.Width() - 1);
        ++row;
    }
}

void TerminalScreen::DrawStatusRows(ConsoleBuffer& screen, const std::string& portName,
                                    const TerminalModes& modes, std::string_view logFile) const {
    DrawTitleRow(screen);
    DrawPortRow(screen, portName);
    DrawModesRow(screen, modes, logFile);
}

void TerminalScreen::BlankRowPart(ConsoleBuffer& screen, ConsolePosition start, int count) const {
    if (!screen.FillCharacter(' ', count, start))
        Report(StepFillCharacter);
}

void TerminalScreen::WritePieces(ConsoleBuffer& screen, ConsolePosition position,
                                 std::initializer_list<Piece> pieces, int lastColumn) const {
    for (const Piece& piece : pieces) {
        const int room = lastColumn + 1 - position.Column;
        if (room <= 0)
            return;
        const std::string_view text =
            std::string_view(piece.Text).substr(0, static_cast<std::size_t>(room));
        if (!WriteAt(screen, position, text, piece.Attribute))
            return;
        position.Column += static_cast<int>(text.size());
    }
}

void TerminalScreen::DrawTitleRow(ConsoleBuffer& screen) const {
    const int width = screen.Width();
    BlankRowPart(screen, {0, TitleRow}, width);

    char title[32];
    std::snprintf(title, sizeof title, "%s:", ProgramName);
    char version[32];
    std::snprintf(version, sizeof version, "[v%s]", ProgramVersion);
    const std::string titleText = title;
    const std::string utilityText = " Terminal utility ";
    const std::string versionText = version;
    const int versionColumn = width - static_cast<int>(versionText.size());

    // The copyright line is cut at a word when it would run into the version tag, so the
    // title row never spills over into the frame below it.
    const int copyrightColumn = static_cast<int>(titleText.size() + utilityText.size());
    const std::string copyrightText = PaddedToFit(CopyrightLine, versionColumn - copyrightColumn);

    WritePieces(screen, {0, TitleRow},
                {{titleText, TitleAttribute},
                 {utilityText, LabelAttribute},
                 {copyrightText, ValueAttribute}},
                width - 1);
    if (versionColumn >= 0)
        WriteAt(screen, {versionColumn, TitleRow}, versionText, TitleAttribute);
}

void TerminalScreen::DrawPortRow(ConsoleBuffer& screen, const std::string& portName) const {
    BlankRowPart(screen, {StatusTextColumn, PortRow}, StatusRowBlanks);
    WritePieces(screen, {StatusTextColumn, PortRow},
                {{portName + ": ", LabelAttribute},
                 {"115200", ValueAttribute},
                 {" - 8 bits", ValueAttribute},
                 {" - no parity", ValueAttribute},
                 {" - 1 stop bit ", ValueAttribute},
                 {"  Exit: ", LabelAttribute},
                 {"Alt+Q", ValueAttribute},
                 {"  Help: ", LabelAttribute},
                 {"Alt+H", ValueAttribute}},
                screen.Width() - 2);
}

void TerminalScreen::DrawModesRow(ConsoleBuffer& screen, const TerminalModes& modes,
                                  std::string_view logFile) const {
    BlankRowPart(screen, {StatusTextColumn, ModesRow}, StatusRowBlanks);
    const int lastColumn = screen.Width() - 2;
    WritePieces(screen, {CrColumn, ModesRow},
                {{"CR=", LabelAttribute}, {modes.CrLf ? "CR+LF  " : "CR  ", ValueAttribute}},
                lastColumn);
    WritePieces(
        screen, {EchoColumn, ModesRow},
        {{"Echo=", LabelAttribute}, {modes.LocalEcho ? "Local  " : "None  ", ValueAttribute}},
        lastColumn);
    WritePieces(screen, {ModeColumn, ModesRow},
                {{"Mode=", LabelAttribute}, {modes.Hex ? "Hex  " : "Text  ", ValueAttribute}},
                lastColumn);
    WritePieces(screen, {TimeColumn, ModesRow},
                {{"Time=", LabelAttribute}, {modes.Time ? "On  " : "Off  ", ValueAttribute}},
                lastColumn);
    if (logFile.empty())
        return;
    // A log file's name with a COMn port takes three columns more than the row has left;
    // its ending is the same for every log, so it is the part left out.
    const int room = lastColumn + 1 - LogColumn - 4;
    if (static_cast<int>(logFile.size()) > room && logFile.ends_with(LogFileEnding))
        logFile.remove_suffix(LogFileEnding.size());
    WritePieces(screen, {LogColumn, ModesRow},
                {{"Log=", LabelAttribute}, {std::string(logFile), ValueAttribute}}, lastColumn);
}
