// Writing a terminal session to a file.
#include "tools/terminal/sessionlog.h"

#include "tools/terminal/controlbytes.h"

namespace {
constexpr std::uint8_t Tab = 0x09;
constexpr std::uint8_t LineFeed = 0x0A;
constexpr std::uint8_t CarriageReturn = 0x0D;
constexpr std::uint8_t Delete = 0x7F;
constexpr std::string_view LineEnd = "\r\n";

bool EndsLine(std::uint8_t byte) {
    return byte == LineFeed || byte == CarriageReturn;
}

bool FitsFileName(char character) {
    return (character >= 'A' && character <= 'Z') || (character >= 'a' && character <= 'z') ||
           (character >= '0' && character <= '9') || character == '-' || character == '_';
}
} // namespace

std::string SessionLog::NameFor(const std::string& portName, const LocalTime& started) {
    std::string port = portName;
    for (char& character : port)
        if (!FitsFileName(character))
            character = '_';
    char time[32];
    std::snprintf(time, sizeof time, "%04d%02d%02d-%02d%02d%02d", started.Year, started.Month,
                  started.Day, started.Hour, started.Minute, started.Second);
    return "terminal-" + port + "-" + time + ".log";
}

bool SessionLog::Open(const std::string& path) {
    Close();
    file_ = std::fopen(path.c_str(), "ab");
    if (!file_)
        return false;
    path_ = path;
    open_ = Line::None;
    receivedCr_ = false;
    failed_ = false;
    return true;
}

void SessionLog::Received(std::uint8_t byte, const LocalTime& time) {
    if (!file_)
        return;
    const bool afterCr = receivedCr_;
    receivedCr_ = byte == CarriageReturn;
    if (byte == LineFeed && afterCr)
        return;
    if (open_ != Line::Received)
        Begin(Line::Received, time);
    if (EndsLine(byte)) {
        EndLine();
        return;
    }
    Append(byte);
}

void SessionLog::Typed(std::uint8_t byte, const LocalTime& time) {
    if (!file_)
        return;
    if (open_ != Line::Typed)
        Begin(Line::Typed, time);
    if (EndsLine(byte)) {
        EndLine();
        return;
    }
    Append(byte);
}

void SessionLog::Note(std::string_view text, const LocalTime& time) {
    if (!file_)
        return;
    EndLine();
    Put(TimeStamp(time));
    Put(NoteMark);
    Put(text);
    Put(LineEnd);
}

bool SessionLog::Flush() {
    if (!file_)
        return false;
    if (std::fflush(file_) != 0 || std::ferror(file_))
        failed_ = true;
    return !failed_;
}

void SessionLog::Close() {
    if (!file_)
        return;
    EndLine();
    std::fclose(file_);
    file_ = nullptr;
}

void SessionLog::Begin(Line kind, const LocalTime& time) {
    EndLine();
    Put(TimeStamp(time));
    if (kind == Line::Typed)
        Put(TypedMark);
    open_ = kind;
}

void SessionLog::EndLine() {
    if (open_ == Line::None)
        return;
    Put(LineEnd);
    open_ = Line::None;
}

void SessionLog::Append(std::uint8_t byte) {
    if (const char* name = ControlByteName(byte)) {
        Put(name);
        return;
    }
    if ((byte < 0x20 && byte != Tab) || byte == Delete) {
        char code[8];
        std::snprintf(code, sizeof code, "(%02X)", static_cast<unsigned>(byte));
        Put(code);
        return;
    }
    // Other bytes go to the file as they are: the unit's text is single-byte.
    const char character = static_cast<char>(byte);
    Put(std::string_view(&character, 1));
}

void SessionLog::Put(std::string_view text) {
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size())
        failed_ = true;
}
